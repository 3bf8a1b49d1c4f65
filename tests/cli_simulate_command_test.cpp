// `tessaline-cli simulate`: the JSON object and CSV rows other tools read, the dialogs answered
// from the options, and the grids refused before anything runs.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/process_group.h"
#include "cli/simulate_command.h"
#include "simulation/statistics.h"
#include "tests/support/recording_painter.h"

namespace tessaline {
namespace {

using Json = nlohmann::ordered_json;

struct SimulateOutcome {
    int status = 0;
    std::string out, err;
};

// Keeps what the graph would be drawn from.
class GraphChoiceRecorder final : public RecordingPainter {
public:
    void saved(const AppState& state) override {
        painted = started && state.view.dwViewMode == VIEW_RESULT &&
                  state.view.wResultKind == RESULT_STATISTICS && state.lpRestErrorHeader != nullptr &&
                  state.lpRestErrorHeader->ifComplete != 0;
        view = state.statistics.dwStatisticsView;
        fixedBound = state.statistics.dwFixedUpperBound != 0 ? state.statistics.dUpperBound : 0.0;
    }
    bool painted = false;
    int32_t view = -1;
    double fixedBound = 0.0;
};

class SimulateCommandTest : public testing::Test {
protected:
    // A small grid: pulse counts 6..8, noise levels 0, 25, 50, three repeats.
    cli::SimulateOptions smallGrid() const {
        cli::SimulateOptions options;
        options.grid.pulsesFrom = 6;
        options.grid.pulsesTo = 8;
        options.grid.noiseSteps = 3;
        options.grid.noiseIncrement = 25;
        options.grid.repeats = 3;
        options.threads = 2;
        options.json = true;
        return options;
    }
    SimulateOutcome simulate(const cli::SimulateOptions& options, cli::ImagePainter* painter = nullptr) {
        std::ostringstream out, err;
        const int status = cli::runSimulateCommand(options, out, err, group, nullptr, painter);
        return {status, out.str(), err.str()};
    }

    int argc = 1;
    char name[16] = "tessaline-cli";
    char* args[2] = {name, nullptr};
    char** argv = args;
    cli::ProcessGroup group{argc, argv};
};

TEST_F(SimulateCommandTest, JsonObjectHoldsTheGridTheMatricesAndTheDisplayedErrors) {
    cli::SimulateOptions options = smallGrid();
    options.settings.length = 600;
    const SimulateOutcome outcome = simulate(options);
    ASSERT_EQ(outcome.status, cli::EXIT_DONE) << outcome.err;
    const Json json = Json::parse(outcome.out);
    std::vector<std::string> keys;
    for (const auto& item : json.items()) keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{
                        "wPulseValues", "lpNoiseLevels", "repeats", "wSeriesType", "wTaskType", "lpTaskName",
                        "lpSeriesTypeName", "wMakingEnergyLevel", "wProcessingEnergyLevel", "ifComplete",
                        "lpErrors", "lpDetectionErrors", "lpRecognitionErrors", "series", "displayed",
                        "lpErrorsSd", "lpDetectionErrorsSd", "lpRecognitionErrorsSd", "seed"}));
    EXPECT_EQ(json["wPulseValues"], (std::vector<int>{6, 7, 8}));
    EXPECT_EQ(json["lpNoiseLevels"], (std::vector<int>{0, 25, 50}));
    EXPECT_EQ(json["repeats"], 3);
    EXPECT_EQ(json["wTaskType"], 1);
    EXPECT_EQ(json["wSeriesType"], 8);
    EXPECT_EQ(json["ifComplete"], 1);
    // [noise-level row][pulse-count column]
    ASSERT_EQ(json["lpErrors"].size(), 3u);
    EXPECT_EQ(json["lpErrors"][0].size(), 3u);
    EXPECT_EQ(json["series"]["dwSeriesSize"], 600);  // the length went into the series dialog
    const Json& shown = json["displayed"];
    EXPECT_GT(shown["E"].get<int64_t>(), 0);
    EXPECT_EQ(shown["normalisers"]["detection"], (181 - 20) * (181 - 20));
    EXPECT_EQ(shown["componentwise"]["restored"].size(), 3u);
    EXPECT_EQ(shown["aggregate"]["detection"].size(), 3u);
    EXPECT_EQ(shown["P1"].size(), 3u);
    EXPECT_EQ(shown["aggregateSd"]["recognition"].size(), 3u);
    ASSERT_EQ(json["lpDetectionErrorsSd"].size(), 3u);
    EXPECT_EQ(json["lpDetectionErrorsSd"][2].size(), 3u);
    EXPECT_GT(json["lpErrorsSd"][2][0].get<double>(), 0.0);  // noisy repeats differ
    EXPECT_TRUE(json["seed"].is_null());
    // Progress went to the error stream, ending with every cell done.
    EXPECT_NE(outcome.err.find("9/9 cells"), std::string::npos) << outcome.err;
}

TEST_F(SimulateCommandTest, CsvHasOneRowPerCell) {
    cli::SimulateOptions options = smallGrid();
    options.json = false;
    options.csvPath = testing::TempDir() + "tessaline_simulate.csv";
    const SimulateOutcome outcome = simulate(options);
    ASSERT_EQ(outcome.status, cli::EXIT_DONE) << outcome.err;
    EXPECT_NE(outcome.out.find("noise  restored"), std::string::npos);
    std::ifstream csv(options.csvPath);
    std::vector<std::string> lines;
    for (std::string line; std::getline(csv, line);) lines.push_back(line);
    std::remove(options.csvPath.c_str());
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0],
              "pulses,noise_level,errors,detection_errors,recognition_errors,restored_error,detection_error,"
              "recognition_error,restored_error_sd,detection_error_sd,recognition_error_sd");
    EXPECT_EQ(lines[1].rfind("6,0,", 0), 0u);
    EXPECT_EQ(lines[2].rfind("6,25,", 0), 0u);
    EXPECT_EQ(lines[9].rfind("8,50,", 0), 0u);
}

TEST_F(SimulateCommandTest, ThreadCountDoesNotChangeTheResult) {
    cli::SimulateOptions options = smallGrid();
    options.settings.task = "joint";
    options.settings.seriesType = 2;
    options.settings.required = std::vector<int>{2, 5, 11};
    options.threads = 1;
    const SimulateOutcome one = simulate(options);
    options.threads = 3;
    const SimulateOutcome three = simulate(options);
    ASSERT_EQ(one.status, cli::EXIT_DONE) << one.err;
    EXPECT_EQ(one.out, three.out);
    // A seed gives other series, the same on any number of threads.
    options.settings.seed = 7;
    const SimulateOutcome seeded = simulate(options);
    options.threads = 1;
    EXPECT_EQ(simulate(options).out, seeded.out);
    options.settings.seed = 8;
    const Json other = Json::parse(simulate(options).out), first = Json::parse(seeded.out);
    EXPECT_NE(other["lpErrors"], first["lpErrors"]);
    EXPECT_NE(first["lpErrors"], Json::parse(one.out)["lpErrors"]);
    EXPECT_EQ(first["seed"], 7);
}

TEST_F(SimulateCommandTest, BadGridsAreRefusedBeforeAnythingRuns) {
    const auto refusedWith = [&](cli::SimulateOptions options, const std::string& reason) {
        const SimulateOutcome outcome = simulate(options);
        EXPECT_EQ(outcome.status, cli::EXIT_REFUSED) << reason;
        EXPECT_NE(outcome.err.find(reason), std::string::npos) << outcome.err;
        EXPECT_TRUE(outcome.out.empty());
        EXPECT_EQ(outcome.err.find("cells"), std::string::npos) << "a refused grid ran: " << outcome.err;
    };
    cli::SimulateOptions options = smallGrid();
    options.grid.repeats = 0;
    refusedWith(options, "--repeats 0: a simulation needs at least one repeat");
    options = smallGrid();
    options.grid.pulsesTo = 31;  // the most pulses a 1200-sample series holds is 30
    refusedWith(options, "--pulses-to 31 is above 30, the most pulses");
    options = smallGrid();
    options.grid.noiseSteps = 70000;
    refusedWith(options, "--noise-steps 70000 is not in 0..65535");
    options = smallGrid();
    options.settings.task = "recognition";
    options.settings.seriesType = 40;
    refusedWith(options, "tuples recognition needs stored tuples");
    options = smallGrid();
    options.settings.length = 10;
    refusedWith(options, "--length 10 is below the etalon length 20");
}

// The picture of the window's graph and the figure show the same choice: the figure has one curve
// per pulse count (6..8) or the aggregate, then the two theoretical curves with the bounds.
TEST_F(SimulateCommandTest, PlotOptionsAreTypedIntoTheDisplayDialogThatEndsTheRun) {
    struct Case {
        const char* task;
        cli::StatisticsChoice choice;
        int32_t view;
        double fixedBound;
        std::size_t curves;
        const char* measure;
    };
    const Case cases[] = {{"detection", {}, 0, 0.0, 3, "restored error"},
                          {"joint", {2, 2, false, {}}, 3, 0.0, 1, "detection error"},
                          {"joint", {1, 1, false, "0.25"}, 0, 0.25, 3, "restored error"},
                          {"joint", {3, 1, false, {}}, 4, 0.0, 3, "share of misrecognised pulses"},
                          {"recognition", {3, 1, false, {}}, 4, 0.0, 3, "recognition error"},
                          {"recognition", {3, 2, true, {}}, 13, 0.0, 3, "recognition error"}};
    for (const Case& c : cases) {
        cli::SimulateOptions options = smallGrid();
        options.settings.task = c.task;
        options.display = c.choice;
        options.plotPath = "graph.png";
        options.plotSize = "800x600";
        options.figurePath = "figure.svg";
        GraphChoiceRecorder painter;
        const SimulateOutcome outcome = simulate(options, &painter);
        ASSERT_EQ(outcome.status, cli::EXIT_DONE) << c.task << outcome.err;
        EXPECT_TRUE(painter.painted) << c.task;
        EXPECT_EQ(painter.view, c.view) << c.task << " " << c.choice.handling;
        EXPECT_EQ(painter.fixedBound, c.fixedBound);
        EXPECT_EQ(painter.width, 800);
        EXPECT_EQ(painter.figureFile, "figure.svg");
        EXPECT_EQ(painter.figure.curves.size(), c.curves) << c.task;
        EXPECT_EQ(painter.figure.y.title, c.measure);
        EXPECT_EQ(painter.figure.y.most, c.fixedBound > 0.0 ? c.fixedBound : painter.figure.y.most);
        EXPECT_FALSE(outcome.out.empty());  // the numbers come too
    }
}

TEST_F(SimulateCommandTest, PlotChoicesTheRunCannotShowAreRefusedBeforeItRuns) {
    const struct {
        const char* task;
        cli::StatisticsChoice choice;
        const char* plot;
        const char* reason;
    } cases[] = {
        {"detection",
         {3, 1, false, {}},
         "g.png",
         "--handling 3 (recognition error) is offered for --task recognition and joint"},
        {"recognition", {1, 1, true, {}}, "g.png", "--bounds goes with --handling 3"},
        {"joint", {1, 1, false, "0"}, "g.png", "--upper-bound must be a decimal number above 0"},
        {"joint",
         {1, 1, false, "1e9"},
         "g.png",
         "--upper-bound must be a decimal number above 0 and up to 1000"},
        {"joint", {1, 1, false, "0.2x"}, "g.png", "not \"0.2x\""},
        {"joint", {}, "g.jpg", "--plot must name a .png, .bmp or .pcx file"},
        {"joint", {}, "", "--figure must name a .svg, .pdf or .png file, not \"g.eps\""},
    };
    for (const auto& c : cases) {
        cli::SimulateOptions options = smallGrid();
        options.settings.task = c.task;
        options.display = c.choice;
        options.plotPath = c.plot;
        if (*c.plot == '\0') options.figurePath = "g.eps";
        GraphChoiceRecorder painter;
        const SimulateOutcome outcome = simulate(options, &painter);
        EXPECT_EQ(outcome.status, cli::EXIT_REFUSED) << c.reason;
        EXPECT_NE(outcome.err.find(c.reason), std::string::npos) << outcome.err;
        EXPECT_FALSE(painter.started || painter.painted) << c.reason;
        EXPECT_TRUE(outcome.out.empty());
    }
}

}  // namespace
}  // namespace tessaline
