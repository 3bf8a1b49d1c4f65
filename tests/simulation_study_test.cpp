// A simulation from typed settings: the workbench it starts from is the window's, its results are
// those of the command line's `simulate`, refusals name the settings, and every failure of the run
// is said and releases what it made.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "app/state.h"
#include "cli/commands.h"
#include "cli/process_group.h"
#include "cli/simulate_command.h"
#include "model/codes.h"
#include "platform/alloc.h"
#include "platform/headless.h"
#include "simulation/statistics.h"
#include "simulation/study_settings.h"

namespace tessaline {
namespace {

constexpr StudyNames NAMES{"series_type", "task",       "required",    "tmin",          "tmax",
                           "length",      "lost",       "employment",  "init_position", "proceeding",
                           "subset",      "tuples",     "chosen",      "pulses_from",   "pulses_to",
                           "pulses_incr", "noise_from", "noise_steps", "noise_incr",    "repeats",
                           "measure",     "bounds",     "upper_bound", "threads"};

StudyResult studied(const StudySettings& settings) {
    HeadlessWindow window;
    PreparedStudy prepared;
    std::string said;
    EXPECT_EQ(checkStudySettings(settings, NAMES), "");
    EXPECT_EQ(prepareStudy(window, settings, NAMES, prepared, said), StudyReadiness::Ready) << said;
    StudyResult result;
    EXPECT_EQ(runPreparedStudy(window, prepared, result), 1);
    return result;
}

TEST(StudyTest, StartsFromTheWindowsWorkbench) {
    for (const std::optional<uint64_t> seed : {std::optional<uint64_t>{}, std::optional<uint64_t>{99}}) {
        HeadlessWindow window;
        AppState state;
        if (seed) state.states = seededGeneratorStates(*seed);
        runStartUp(window, state);
        StudySettings settings;
        settings.seed = seed;
        PreparedStudy prepared;
        std::string said;
        ASSERT_EQ(prepareStudy(window, settings, NAMES, prepared, said), StudyReadiness::Ready);
        EXPECT_EQ(prepared.states, state.states);
        const StudyWorkbench& bench = prepared.request.workbench;
        ASSERT_EQ(bench.alphabet.size(), state.alphabet.wEtalonsQuantity);
        for (std::size_t e = 0; e < bench.alphabet.size(); ++e) {
            const PulseHeader& etalon = state.alphabet.Alphabet[e];
            EXPECT_EQ(std::vector<int16_t>(bench.alphabet[e].lpData, bench.alphabet[e].lpData + etalon.wSize),
                      std::vector<int16_t>(etalon.lpData, etalon.lpData + etalon.wSize));
        }
        EXPECT_EQ(std::vector<uint16_t>(bench.etalons.begin(), bench.etalons.end()),
                  std::vector<uint16_t>(state.selection.lpRequiredList,
                                        state.selection.lpRequiredList + state.selection.wRequiredQuantity));
        const StudyGrid& grid = prepared.request.grid;
        EXPECT_EQ(std::vector<int>({bench.Tmin, bench.Tmax, static_cast<int>(bench.length), bench.makingLevel,
                                    bench.seriesType, bench.taskType, bench.proceeding, grid.pulsesIncrement,
                                    grid.noiseFrom, grid.noiseSteps, grid.noiseIncrement, grid.repeats}),
                  std::vector<int>(
                      {state.series.wTmin, state.series.wTmax, static_cast<int>(state.series.dwSeriesLength),
                       state.noise.wMakingEnergyLevel, state.task.wSeriesType, state.task.wTaskType,
                       state.subsets.wSubsetProceeding, state.grid.wPulsesIncrement, state.grid.wNoiseFrom,
                       state.grid.wNoiseSteps, state.grid.wNoiseIncrement, state.grid.wRepeats}));
    }
}

// The same settings through the command line's state and dialogs, and from the typed settings.
TEST(StudyTest, GivesTheCommandLinesResult) {
    struct Case {
        const char* what;
        StudySettings study;
        cli::SimulateOptions command;
    };
    std::vector<Case> cases(4);
    cases[0].what = "joint, cut-off, a seed";
    cases[0].study.task = TASK_JOINT;
    cases[0].study.seriesType = cases[0].command.settings.seriesType.emplace(2);
    cases[0].command.settings.task = "joint";
    cases[0].study.required = cases[0].command.settings.required.emplace(std::vector<int>{4, 1, 4});
    cases[0].study.seed = cases[0].command.settings.seed.emplace(3);
    cases[1].what = "tuple recognition";
    cases[1].study.task = TASK_RECOGNITION;
    cases[1].command.settings.task = "recognition";
    cases[1].study.seriesType = cases[1].command.settings.seriesType.emplace(40);
    cases[1].study.tuples =
        cases[1].command.settings.tuples.emplace(std::vector<std::vector<int>>{{1, 2}, {3}});
    cases[2].what = "recognition of a short series";
    cases[2].study.task = TASK_RECOGNITION;
    cases[2].command.settings.task = "recognition";
    cases[2].study.required = cases[2].command.settings.required.emplace(std::vector<int>{2, 9});
    cases[2].study.length = cases[2].command.settings.length.emplace(400);
    cases[2].study.tmax = cases[2].command.settings.tmax.emplace(120);
    cases[3].what = "a series shorter than Tmax: the grid offers 1 pulse";
    cases[3].study.length = cases[3].command.settings.length.emplace(50);
    for (Case& c : cases) {
        if (c.study.length > 50)
            c.study.pulsesTo = c.command.grid.pulsesTo.emplace(c.study.length == 400 ? 6 : 8);
        c.study.noiseSteps = c.command.grid.noiseSteps.emplace(2);
        c.study.noiseIncrement = c.command.grid.noiseIncrement.emplace(70);
        c.study.repeats = c.command.grid.repeats.emplace(3);
        c.study.threads = c.command.threads = 2;
        c.command.json = true;
        int argc = 1;
        char name[] = "tessaline-cli";
        char* args[] = {name, nullptr};
        char** argv = args;
        const cli::ProcessGroup group(argc, argv);
        std::ostringstream out, err;
        ASSERT_EQ(cli::runSimulateCommand(c.command, out, err, group, nullptr, nullptr), cli::EXIT_DONE)
            << err.str();
        const auto expected = nlohmann::json::parse(out.str());
        const StudyResult result = studied(c.study);
        EXPECT_EQ(expected["lpErrors"], result.errors) << c.what;
        EXPECT_EQ(expected["lpDetectionErrors"], result.detectionErrors) << c.what;
        EXPECT_EQ(expected["lpRecognitionErrors"], result.recognitionErrors) << c.what;
        EXPECT_EQ(expected["lpDetectionErrorsSd"], result.shown.spread.detection) << c.what;
        EXPECT_EQ(expected["wPulseValues"], result.pulseCounts) << c.what;
    }
}

TEST(StudyTest, RefusalsNameTheSettings) {
    struct Case {
        void (*change)(StudySettings&);
        const char* said;
    };
    const Case cases[] = {
        {[](StudySettings& s) { s.seriesType = 16; }, "series_type 16 is not one of 1, 2, 4, 8, 36, 40"},
        {[](StudySettings& s) { s.tmin = 200; }, "tmin 200 is above tmax 181"},
        {[](StudySettings& s) { s.length = 10; }, "length 10 is below the etalon length 20"},
        {[](StudySettings& s) { s.subset = std::vector<int>(11, 1); }, "subset: at most 10 etalons, not 11"},
        {[](StudySettings& s) { s.chosen = 1; }, "chosen goes with tuples"},
        {[](StudySettings& s) { s.pulsesIncrement = 70000; }, "pulses_incr 70000 is not in 0..65535"},
        {[](StudySettings& s) { s.pulsesFrom = 8, s.pulsesTo = 7; }, "pulses_from 8 is above pulses_to 7"},
        {[](StudySettings& s) { s.display.bounds = true; }, "bounds goes with the recognition error"},
        {[](StudySettings& s) { s.display.upperBound = 0.0; }, "upper_bound must be above 0 and up to 1000"},
    };
    for (const Case& c : cases) {
        StudySettings settings;
        c.change(settings);
        EXPECT_EQ(checkStudySettings(settings, NAMES), c.said);
    }
    StudySettings tuples;
    tuples.seriesType = 36;
    tuples.task = TASK_DETECTION;
    HeadlessWindow window;
    PreparedStudy prepared;
    std::string said;
    EXPECT_EQ(prepareStudy(window, tuples, NAMES, prepared, said), StudyReadiness::Refused);
    EXPECT_EQ(said, "tuples detection needs a tuple: give it with subset");
}

// Memory that runs out at any allocation of the run is said, and nothing made is left behind.
TEST(StudyTest, EveryFailingAllocationIsSaidAndReleased) {
    StudySettings settings;
    settings.pulsesTo = 7;
    settings.noiseSteps = 1;
    settings.repeats = 2;
    settings.threads = 1;
    studied(settings);  // the processing's working memory of this thread, kept for its next runs
    const std::int64_t before = memory::outstandingBlocks();
    int failures = 0;
    for (int failing = 1; failing < 1000; ++failing) {
        HeadlessWindow window;
        int done = 0;
        {
            PreparedStudy prepared;
            std::string said;
            const memory::FailureInjection guard(failing);
            StudyResult result;
            if (prepareStudy(window, settings, NAMES, prepared, said) == StudyReadiness::Ready)
                done = runPreparedStudy(window, prepared, result);
        }
        EXPECT_EQ(memory::outstandingBlocks(), before) << failing;
        if (done == 1 && window.messages().empty()) break;  // past the run's last allocation
        ++failures;
        EXPECT_FALSE(window.messages().empty()) << failing;
    }
    EXPECT_GT(failures, 20);
}

}  // namespace
}  // namespace tessaline
