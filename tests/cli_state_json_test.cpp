// The command line's JSON objects, which other tools read: field names, order, sizes and types.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "cli/commands.h"
#include "cli/state_json.h"
#include "platform/headless.h"
#include "processing/chains.h"

namespace tessaline {
namespace {

using OrderedJson = nlohmann::ordered_json;

std::vector<std::string> keysOf(const OrderedJson& object) {
    std::vector<std::string> keys;
    for (const auto& item : object.items()) keys.push_back(item.key());
    return keys;
}

cli::RunOptions runOptions(int steps, bool json) {
    cli::RunOptions options;
    options.steps = steps;
    options.json = json;
    return options;
}

OrderedJson parseSingleLine(const std::string& text) {
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "exactly one line";
    return OrderedJson::parse(text);
}

TEST(RunJson, StartUpObjectHasFixedShape) {
    std::ostringstream out, err;
    ASSERT_EQ(cli::runRunCommand(runOptions(0, true), out, err), cli::EXIT_DONE) << err.str();
    const OrderedJson step = parseSingleLine(out.str());
    EXPECT_EQ(keysOf(step), (std::vector<std::string>{"step", "state", "series", "chains"}));
    EXPECT_EQ(step["step"], 0);

    const OrderedJson& state = step["state"];
    // The drawing options follow the energy levels.
    std::vector<std::string> keys = keysOf(state);
    ASSERT_GE(keys.size(), 20u);
    EXPECT_EQ(
        std::vector<std::string>(keys.begin() + 15, keys.begin() + 20),
        (std::vector<std::string>{"dwFrameGraphFields", "dwShadedOriginalPulses", "dwHighlightDetectedPulses",
                                  "dwSpecialGraphSize", "wTuplesHighlight"}));
    keys.erase(keys.begin() + 15, keys.begin() + 20);
    EXPECT_EQ(keys,
              (std::vector<std::string>{"wSelectedTask", "wTaskType", "wSeriesType", "dwSeriesLength",
                                        "dwRequestedSeriesLength", "wTmin", "wTmax", "wMinPulses",
                                        "wMaxPulses", "wPulsesNumber", "wSeriesPulses", "wNoiseLevel",
                                        "wLostDataLevel", "wMakingEnergyLevel", "wProcessingEnergyLevel",
                                        "lpRequiredList", "lpEtalonSequence", "states"}));
    EXPECT_EQ(state["dwSeriesLength"], 1200);
    EXPECT_EQ(state["wMinPulses"], 6);
    EXPECT_EQ(state["wMaxPulses"], 30);
    EXPECT_EQ(state["wTaskType"], 1);
    EXPECT_EQ(state["wSeriesType"], 8);
    EXPECT_EQ(state["lpRequiredList"], OrderedJson::array({1}));
    EXPECT_EQ(state["lpEtalonSequence"].size(), 30u);
    EXPECT_EQ(state["wMakingEnergyLevel"], 75);
    EXPECT_EQ(state["wProcessingEnergyLevel"], 75);
    EXPECT_EQ(keysOf(state["states"]),
              (std::vector<std::string>{"segmentStart", "segmentEnd", "placement", "pulseCount", "subset",
                                        "subsetGap", "randomEtalon", "noise", "rand"}));
    EXPECT_EQ(state["states"]["noise"], 10597);
    EXPECT_EQ(state["states"]["rand"], 1);

    const OrderedJson& series = step["series"];
    const int K = series["wImpulseQuantity"];
    EXPECT_EQ(state["wSeriesPulses"], K);
    EXPECT_EQ(series["wNoiseLevel"], 0);
    EXPECT_EQ(series["lpNoisyData"], series["lpPureData"]);
    EXPECT_EQ(series["lpPureData"].size(), 1200u);
    for (const char* perPulse :
         {"lpEtalonNumbers", "lpPositions", "lpMinPositions", "lpMaxPositions", "lpCutBegins", "lpCutEnds"}) {
        EXPECT_EQ(series[perPulse].size(), static_cast<std::size_t>(K)) << perPulse;
    }
    EXPECT_EQ(series["wFoundPulses"], 0);
    EXPECT_EQ(series["lpFoundPositions"], OrderedJson::array());
    EXPECT_EQ(series["wSubsetSize"], 0);
    EXPECT_EQ(keysOf(series).back(), "wSubsetInitPosition");

    const OrderedJson& chains = step["chains"];
    EXPECT_EQ(chains["wHeaderKind"], 0);
    EXPECT_TRUE(chains["lpTaskName"].is_null());
    EXPECT_EQ(chains["wPretenders"], 0);
    EXPECT_EQ(chains["distance"], OrderedJson::array());
    EXPECT_EQ(keysOf(chains).back(), "cutEndList");
}

TEST(RunJson, SignedAndUnsignedFieldsKeepTheirTypes) {
    HeadlessWindow window;
    AppState state;
    runStartUp(window, state);
    SeriesHeader& series = *state.lpSeriesHeader;
    series.wFoundPulses = 1;
    series.lpFoundPositions[0] = -1;
    series.lpNoisyData[0] = -5;
    const OrderedJson step = runStepJson(3, state);
    EXPECT_EQ(step["step"], 3);
    EXPECT_EQ(step["series"]["lpFoundPositions"], OrderedJson::array({-1}));
    EXPECT_EQ(step["series"]["lpNoisyData"][0], -5);
    EXPECT_TRUE(step["series"]["lpPositions"][0].is_number_unsigned());

    freeSeriesHeader(state.lpSeriesHeader);
    state.lpSeriesHeader = nullptr;
    EXPECT_TRUE(runStepJson(0, state)["series"].is_null());
}

TEST(RunJson, ChainDistancesBeyondThirtyTwoBitsAreWritten) {
    HeadlessWindow window;
    AppState state;
    runStartUp(window, state);
    ChainsHeader& chains = *state.lpChainsHeader;
    clearChainsHeader(chains, 0, 0);
    for (int64_t distance : {int64_t{-2160000000}, int64_t{-5}, int64_t{9000000000}}) {
        ASSERT_GE(insertChain(chains, {distance, {}, {}, {}, {}}), 0);
    }
    EXPECT_EQ(runStepJson(1, state)["chains"]["distance"],
              OrderedJson::parse("[-2160000000, -5, 9000000000]"));
}

TEST(AlphabetJson, DefaultAlphabetLine) {
    std::ostringstream out, err;
    ASSERT_EQ(cli::runAlphabetCommand({.json = true}, out, err), cli::EXIT_DONE);
    const OrderedJson alphabet = parseSingleLine(out.str());
    ASSERT_EQ(alphabet["etalons"].size(), 20u);
    const OrderedJson& first = alphabet["etalons"][0];
    EXPECT_EQ(keysOf(first), (std::vector<std::string>{"wNumber", "wSize", "lpData", "energy"}));
    EXPECT_EQ(first["wNumber"], 1);
    EXPECT_EQ(first["wSize"], 20);
    EXPECT_EQ(first["energy"], 72000);
    EXPECT_EQ(alphabet["etalons"][1]["lpData"][0], -60);
    EXPECT_EQ(alphabet["etalons"][8]["energy"], 72156);
}

// Every task on every series type runs three steps, each a JSON line with its step number; the
// tuples series get their subsets as the panel would store them.
TEST(RunCommand, EveryTaskOnEverySeriesTypeRunsItsSteps) {
    for (int seriesType : {1, 2, 4, 8, 36, 40}) {
        for (const char* task : {"detection", "recognition", "joint", "processing"}) {
            cli::RunOptions options = runOptions(3, true);
            options.settings.seriesType = seriesType;
            options.settings.task = task;
            options.settings.required = std::vector<int>{1, 5, 9};
            if (seriesType == 36 || seriesType == 40) {
                options.settings.subset = std::vector<int>{3, 7, 12};
                options.settings.tuples = std::vector<std::vector<int>>{{1, 5, 9}, {3, 7, 12}};
                options.settings.chosen = 2;
            }
            std::ostringstream out, err;
            ASSERT_EQ(cli::runRunCommand(options, out, err), cli::EXIT_DONE) << seriesType << " " << task;
            std::istringstream lines(out.str());
            std::string line;
            int step = 0;
            while (std::getline(lines, line)) {
                const OrderedJson object = OrderedJson::parse(line);
                EXPECT_EQ(object["step"], step) << seriesType << " " << task;
                EXPECT_EQ(object["state"]["wSeriesType"], seriesType);
                if (step > 0) {
                    EXPECT_EQ(object["chains"]["wHeaderKind"], 2) << seriesType << " " << task;
                }
                ++step;
            }
            EXPECT_EQ(step, 4) << seriesType << " " << task;
        }
    }
}

TEST(RunCommand, SettingsApplyInTheirFixedOrderAndShowInStepZero) {
    cli::RunOptions options = runOptions(1, true);
    options.settings.length = 600;
    options.settings.tmin = 30;  // applied before the length: the bounds use it
    options.settings.lost = 50;
    options.settings.noise = 35;
    options.settings.required = std::vector<int>{4, 2};
    std::ostringstream out, err;
    ASSERT_EQ(cli::runRunCommand(options, out, err), cli::EXIT_DONE) << err.str();
    std::istringstream lines(out.str());
    std::string first;
    std::getline(lines, first);
    const OrderedJson state = OrderedJson::parse(first)["state"];
    EXPECT_EQ(state["dwRequestedSeriesLength"], 600);
    EXPECT_EQ(state["wMaxPulses"], (600 - 20 + 30) / 30);
    EXPECT_EQ(state["wPulsesNumber"], ((600 + 19) / 181 + (600 - 20 + 30) / 30) / 2);
    EXPECT_EQ(state["lpRequiredList"], OrderedJson::array({2, 4}));
    EXPECT_EQ(state["wMakingEnergyLevel"], 75);  // requested 50 is taken over by the next run
    std::string second;
    std::getline(lines, second);
    const OrderedJson next = OrderedJson::parse(second);
    EXPECT_EQ(next["state"]["wMakingEnergyLevel"], 50);
    EXPECT_EQ(next["state"]["wNoiseLevel"], 35);
    EXPECT_EQ(next["series"]["dwSeriesSize"], 600);
}

TEST(RunCommand, BrokenSettingsAreRefusedBeforeAnythingRuns) {
    struct Case {
        const char* what;
        void (*set)(cli::RunSettings&);
    };
    const Case cases[] = {
        {"tmin 0", [](cli::RunSettings& s) { s.tmin = 0; }},
        {"tmin above tmax", [](cli::RunSettings& s) { s.tmin = 100, s.tmax = 90; }},
        {"tmax below the etalon", [](cli::RunSettings& s) { s.tmin = 10, s.tmax = 19; }},
        {"length below the etalon", [](cli::RunSettings& s) { s.length = 19; }},
        {"etalon 21",
         [](cli::RunSettings& s) {
             s.required = std::vector<int>{1, 21};
         }},
        {"etalon 0 in a subset", [](cli::RunSettings& s) { s.subset = std::vector<int>{0}; }},
        {"pulses above the bounds", [](cli::RunSettings& s) { s.pulses = 31; }},
        {"pulses below the bounds", [](cli::RunSettings& s) { s.pulses = 5; }},
        {"subset of 11", [](cli::RunSettings& s) { s.subset = std::vector<int>(11, 1); }},
        {"series type 3", [](cli::RunSettings& s) { s.seriesType = 3; }},
        {"task", [](cli::RunSettings& s) { s.task = "guessing"; }},
        {"employment 6", [](cli::RunSettings& s) { s.employment = 6; }},
    };
    for (const Case& c : cases) {
        cli::RunOptions options = runOptions(1, true);
        c.set(options.settings);
        std::ostringstream out, err;
        EXPECT_EQ(cli::runRunCommand(options, out, err), cli::EXIT_REFUSED) << c.what;
        EXPECT_TRUE(out.str().empty()) << c.what;
        EXPECT_NE(err.str().find("tessaline-cli: run: --"), std::string::npos) << c.what << ": " << err.str();
    }
    std::vector<int> numbers;
    EXPECT_TRUE(cli::parseNumberList("3,7,12", numbers));
    EXPECT_EQ(numbers, (std::vector<int>{3, 7, 12}));
    EXPECT_FALSE(cli::parseNumberList("3,,7", numbers));
    EXPECT_FALSE(cli::parseNumberList("3x", numbers));
    std::vector<std::vector<int>> tuples;
    EXPECT_TRUE(cli::parseTupleLists("3,7;1", tuples));
    EXPECT_EQ(tuples.size(), 2u);
}

TEST(RunCommand, TextReportFollowsEachStep) {
    std::ostringstream out, err;
    ASSERT_EQ(cli::runRunCommand(runOptions(2, false), out, err), cli::EXIT_DONE);
    const std::string text = out.str();
    EXPECT_NE(text.find(" detection for series with unknown number of cut-off pulses "), std::string::npos);
    const auto first = text.find("Detected ");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find("Detected ", first + 1), std::string::npos);
    EXPECT_NE(text.find("Restore Error "), std::string::npos);
}

}  // namespace
}  // namespace tessaline
