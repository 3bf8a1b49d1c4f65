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

namespace tessaline {
namespace {

using Json = nlohmann::ordered_json;

struct Outcome {
    int status = 0;
    std::string out, err;
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
    Outcome simulate(const cli::SimulateOptions& options) {
        std::ostringstream out, err;
        const int status = cli::runSimulateCommand(options, out, err, group, nullptr);
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
    const Outcome outcome = simulate(options);
    ASSERT_EQ(outcome.status, cli::EXIT_DONE) << outcome.err;
    const Json json = Json::parse(outcome.out);
    std::vector<std::string> keys;
    for (const auto& item : json.items()) keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{
                        "wPulseValues", "lpNoiseLevels", "repeats", "wSeriesType", "wTaskType", "lpTaskName",
                        "lpSeriesTypeName", "wMakingEnergyLevel", "wProcessingEnergyLevel", "ifComplete",
                        "lpErrors", "lpDetectionErrors", "lpRecognitionErrors", "series", "displayed"}));
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
    // Progress went to the error stream, ending with every cell done.
    EXPECT_NE(outcome.err.find("9/9 cells"), std::string::npos) << outcome.err;
}

TEST_F(SimulateCommandTest, CsvHasOneRowPerCell) {
    cli::SimulateOptions options = smallGrid();
    options.json = false;
    options.csvPath = testing::TempDir() + "tessaline_simulate.csv";
    const Outcome outcome = simulate(options);
    ASSERT_EQ(outcome.status, cli::EXIT_DONE) << outcome.err;
    EXPECT_NE(outcome.out.find("noise  restored"), std::string::npos);
    std::ifstream csv(options.csvPath);
    std::vector<std::string> lines;
    for (std::string line; std::getline(csv, line);) lines.push_back(line);
    std::remove(options.csvPath.c_str());
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0],
              "pulses,noise_level,errors,detection_errors,recognition_errors,restored_error,detection_error,"
              "recognition_error");
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
    const Outcome one = simulate(options);
    options.threads = 3;
    const Outcome three = simulate(options);
    ASSERT_EQ(one.status, cli::EXIT_DONE) << one.err;
    EXPECT_EQ(one.out, three.out);
}

TEST_F(SimulateCommandTest, BadGridsAreRefusedBeforeAnythingRuns) {
    const auto refusedWith = [&](cli::SimulateOptions options, const std::string& reason) {
        const Outcome outcome = simulate(options);
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

}  // namespace
}  // namespace tessaline
