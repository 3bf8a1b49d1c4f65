// The command line's JSON objects, which other tools read: field names, order, sizes and types.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "cli/commands.h"
#include "cli/state_json.h"
#include "platform/headless.h"

namespace tessaline {
namespace {

using Json = nlohmann::ordered_json;

std::vector<std::string> keysOf(const Json& object) {
    std::vector<std::string> keys;
    for (const auto& item : object.items()) keys.push_back(item.key());
    return keys;
}

Json parseSingleLine(const std::string& text) {
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "exactly one line";
    return Json::parse(text);
}

TEST(RunJson, StartUpObjectHasFixedShape) {
    std::ostringstream out, err;
    ASSERT_EQ(cli::runRunCommand({.steps = 0, .json = true}, out, err), cli::EXIT_DONE) << err.str();
    const Json step = parseSingleLine(out.str());
    EXPECT_EQ(keysOf(step), (std::vector<std::string>{"step", "state", "series", "chains"}));
    EXPECT_EQ(step["step"], 0);

    const Json& state = step["state"];
    EXPECT_EQ(keysOf(state),
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
    EXPECT_EQ(state["lpRequiredList"], Json::array({1}));
    EXPECT_EQ(state["lpEtalonSequence"].size(), 30u);
    EXPECT_EQ(state["wMakingEnergyLevel"], 75);
    EXPECT_EQ(state["wProcessingEnergyLevel"], 75);
    EXPECT_EQ(keysOf(state["states"]),
              (std::vector<std::string>{"segmentStart", "segmentEnd", "placement", "pulseCount", "subset",
                                        "subsetGap", "randomEtalon", "noise", "rand"}));
    EXPECT_EQ(state["states"]["noise"], 10597);
    EXPECT_EQ(state["states"]["rand"], 1);

    const Json& series = step["series"];
    const int K = series["wImpulseQuantity"];
    EXPECT_EQ(state["wSeriesPulses"], K);
    EXPECT_EQ(series["wNoiseLevel"], 0);
    EXPECT_EQ(series["lpNoisyData"], series["lpPureData"]);
    EXPECT_EQ(series["lpPureData"].size(), 1200u);
    for (const char* perPulse : {"lpEtalonNumbers", "lpPositions", "lpMinPositions", "lpMaxPositions",
                                 "lpCutBegins", "lpCutEnds"}) {
        EXPECT_EQ(series[perPulse].size(), static_cast<std::size_t>(K)) << perPulse;
    }
    EXPECT_EQ(series["wFoundPulses"], 0);
    EXPECT_EQ(series["lpFoundPositions"], Json::array());
    EXPECT_EQ(series["wSubsetSize"], 0);
    EXPECT_EQ(keysOf(series).back(), "wSubsetInitPosition");

    const Json& chains = step["chains"];
    EXPECT_EQ(chains["wHeaderKind"], 0);
    EXPECT_TRUE(chains["lpTaskName"].is_null());
    EXPECT_EQ(chains["wPretenders"], 0);
    EXPECT_EQ(chains["distance"], Json::array());
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
    const Json step = runStepJson(3, state);
    EXPECT_EQ(step["step"], 3);
    EXPECT_EQ(step["series"]["lpFoundPositions"], Json::array({-1}));
    EXPECT_EQ(step["series"]["lpNoisyData"][0], -5);
    EXPECT_TRUE(step["series"]["lpPositions"][0].is_number_unsigned());

    freeSeriesHeader(state.lpSeriesHeader);
    state.lpSeriesHeader = nullptr;
    EXPECT_TRUE(runStepJson(0, state)["series"].is_null());
}

TEST(AlphabetJson, DefaultAlphabetLine) {
    std::ostringstream out, err;
    ASSERT_EQ(cli::runAlphabetCommand({.json = true}, out, err), cli::EXIT_DONE);
    const Json alphabet = parseSingleLine(out.str());
    ASSERT_EQ(alphabet["etalons"].size(), 20u);
    const Json& first = alphabet["etalons"][0];
    EXPECT_EQ(keysOf(first), (std::vector<std::string>{"wNumber", "wSize", "lpData", "energy"}));
    EXPECT_EQ(first["wNumber"], 1);
    EXPECT_EQ(first["wSize"], 20);
    EXPECT_EQ(first["energy"], 72000);
    EXPECT_EQ(alphabet["etalons"][1]["lpData"][0], -60);
    EXPECT_EQ(alphabet["etalons"][8]["energy"], 72156);
}

TEST(RunCommand, RefusesProcessingStepsThisBuildCannotRun) {
    std::ostringstream out, err;
    EXPECT_EQ(cli::runRunCommand({.steps = 2, .json = true}, out, err), cli::EXIT_REFUSED);
    EXPECT_TRUE(out.str().empty());
    EXPECT_FALSE(err.str().empty());
}

}  // namespace
}  // namespace tessaline
