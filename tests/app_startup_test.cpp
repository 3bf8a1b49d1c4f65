// Start-up from the defaults, the state's own rules, and the failure paths of start-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/startup.h"
#include "app/state.h"
#include "model/codes.h"
#include "platform/alloc.h"
#include "platform/headless.h"
#include "processing/chains.h"

namespace tessaline {
namespace {

std::vector<uint16_t> requiredList(const AppState& state) {
    return {state.selection.lpRequiredList,
            state.selection.lpRequiredList + state.selection.wRequiredQuantity};
}

TEST(StartUp, DefaultsGiveFirstSeriesWithoutNoise) {
    HeadlessWindow window;
    AppState state;
    runStartUp(window, state);
    EXPECT_TRUE(window.messages().empty());
    EXPECT_EQ(state.alphabet.dwAlphabetReady, 1);
    EXPECT_EQ(state.task.wSelectedTask, TASK_DETECTION);
    EXPECT_EQ(state.task.wTaskType, TASK_DETECTION);
    EXPECT_EQ(state.task.wSeriesType, SERIES_UNFIXED_CUTOFF);
    EXPECT_EQ(state.view.dwViewMode, VIEW_ALPHABET);
    EXPECT_EQ(state.series.dwSeriesLength, 1200u);
    EXPECT_EQ(state.series.wMinPulses, 6);
    EXPECT_EQ(state.series.wMaxPulses, 30);
    EXPECT_EQ(state.series.wPulsesNumber, 18);
    EXPECT_EQ(state.noise.wNoiseLevel, 20);
    EXPECT_EQ(state.noise.wLostDataLevel, 25);
    EXPECT_EQ(state.noise.wMakingEnergyLevel, 75);
    EXPECT_EQ(state.noise.wProcessingEnergyLevel, 75);
    EXPECT_EQ(state.staging.wMakingEnergyLevel, 75);
    EXPECT_EQ(requiredList(state), std::vector<uint16_t>{1});
    EXPECT_EQ(state.selection.wRequiredCapacity, 20);
    EXPECT_EQ(state.selection.wEtalonSequenceCapacity, 30);
    EXPECT_TRUE(std::all_of(state.selection.lpEtalonSequence, state.selection.lpEtalonSequence + 30,
                            [](uint16_t e) { return e == 1; }));

    ASSERT_NE(state.lpChainsHeader, nullptr);
    EXPECT_EQ(state.lpChainsHeader->wMaxSize, 10);
    EXPECT_EQ(state.lpChainsHeader->wMaxPulses, 30);

    const SeriesHeader* series = state.lpSeriesHeader;
    ASSERT_NE(series, nullptr);
    EXPECT_EQ(series->dwSeriesSize, 1200u);
    EXPECT_EQ(series->wNoiseLevel, 0);
    EXPECT_EQ(state.series.wSeriesPulses, series->wImpulseQuantity);
    EXPECT_GE(series->wImpulseQuantity, 6);
    EXPECT_LE(series->wImpulseQuantity, 30);
    EXPECT_TRUE(std::equal(series->lpPureData, series->lpPureData + 1200, series->lpNoisyData));
    EXPECT_EQ(state.states.dwNoiseSeed, 10597);  // no noise drawn yet
    EXPECT_EQ(state.states.dwRandState, 1u);
    // Cut-off pulses of etalon 1 (samples 60): some samples are 60, the rest 0.
    EXPECT_TRUE(std::all_of(series->lpPureData, series->lpPureData + 1200,
                            [](int16_t s) { return s == 0 || s == 60; }));

    const int seriesEntries[] = {40008, 40009, 40010, 40028, 40032};
    for (int entry : seriesEntries) EXPECT_FALSE(window.isChecked(entry)) << entry;
    EXPECT_TRUE(window.isChecked(40011));
    EXPECT_TRUE(window.isChecked(40005));
    for (int entry : {40006, 40007, 40027}) EXPECT_FALSE(window.isChecked(entry)) << entry;
}

TEST(StartUp, TwoRunsAreIdentical) {
    HeadlessWindow first, second;
    AppState a, b;
    runStartUp(first, a);
    runStartUp(second, b);
    EXPECT_EQ(a.states, b.states);
    ASSERT_NE(a.lpSeriesHeader, nullptr);
    EXPECT_TRUE(std::equal(a.lpSeriesHeader->lpPureData, a.lpSeriesHeader->lpPureData + 1200,
                           b.lpSeriesHeader->lpPureData));
}

// Every allocation of start-up fails in turn: the sequence goes on, shows the maker's message,
// leaves that object missing, never crashes and leaks nothing once the state is released.
TEST(StartUp, SurvivesEachAllocationFailure) {
    const std::int64_t before = memory::outstandingBlocks();
    std::int64_t allocations = 0;
    {
        HeadlessWindow window;
        AppState state;
        const std::int64_t calls = memory::allocationCalls();
        runStartUp(window, state);
        allocations = memory::allocationCalls() - calls;
    }
    ASSERT_GT(allocations, 25);
    for (std::int64_t failing = 1; failing <= allocations; ++failing) {
        HeadlessWindow window;
        {
            AppState state;
            memory::FailureInjection guard(failing);
            runStartUp(window, state);
        }
        EXPECT_GE(window.messages().size(), 1u) << "allocation " << failing;
        EXPECT_EQ(memory::outstandingBlocks(), before) << "allocation " << failing;
    }
}

TEST(StartUp, AlphabetFailureLeavesItInvalidAndSeriesStillSafe) {
    HeadlessWindow window;
    AppState state;
    state.view.dwViewMode = VIEW_PARAMETERS;
    {
        memory::FailureInjection guard(3);  // the third etalon's buffer
        runStartUp(window, state);
    }
    EXPECT_EQ(state.alphabet.dwAlphabetReady, 0);
    EXPECT_EQ(state.view.dwViewMode, VIEW_ALPHABET);  // step 6 sets the view whatever the alphabet did
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(window.messages()[0].text, "Не могу выделить память!");
    // With no etalon samples the series holds zeros only.
    ASSERT_NE(state.lpSeriesHeader, nullptr);
    EXPECT_TRUE(std::all_of(state.lpSeriesHeader->lpPureData, state.lpSeriesHeader->lpPureData + 1200,
                            [](int16_t s) { return s == 0; }));
}

TEST(StateRules, PulseBoundsSelectorsAndEffectiveTask) {
    HeadlessWindow window;
    AppState state;
    runStartUp(window, state);

    chooseSeriesLength(state, 1);
    EXPECT_EQ(state.series.dwRequestedSeriesLength, 200u);
    EXPECT_EQ(state.series.wMinPulses, 1);
    EXPECT_EQ(state.series.wMaxPulses, 5);
    EXPECT_EQ(state.series.wPulsesNumber, 3);
    chooseSeriesLength(state, 4);  // no such entry: nothing changes
    EXPECT_EQ(state.series.dwSeriesLengthIndex, 1);

    EXPECT_EQ(clampPulseCount(state, 6), 3);  // above the bounds: the midpoint, not the bound
    EXPECT_EQ(clampPulseCount(state, 0), 3);
    EXPECT_EQ(clampPulseCount(state, 5), 5);

    chooseLostData(state, 3);
    EXPECT_EQ(state.noise.wRequestedLostDataLevel, 50);
    EXPECT_EQ(state.noise.wRequestedMakingEnergyLevel, 50);
    EXPECT_EQ(state.noise.wRequestedProcessingEnergyLevel, 50);
    EXPECT_EQ(state.noise.wMakingEnergyLevel, 75);  // in use until taken over
    chooseNoiseLevel(state, 3);
    state.series.wPulsesNumber = 9;
    takeOverRequestedSettings(state);
    EXPECT_EQ(state.series.dwSeriesLength, 200u);
    EXPECT_EQ(state.noise.wNoiseLevel, 50);
    EXPECT_EQ(state.noise.wMakingEnergyLevel, 50);
    EXPECT_EQ(state.series.wSeriesPulses, 3);

    state.task.wSeriesType = SERIES_FIXED_TUPLES;
    state.task.wSelectedTask = TASK_RECOGNITION;
    applyEffectiveTask(state);
    EXPECT_EQ(state.task.wTaskType, TASK_TUPLES_RECOGNITION);
    state.task.wSelectedTask = TASK_DETECTION;
    applyEffectiveTask(state);
    EXPECT_EQ(state.task.wTaskType, TASK_TUPLES_DETECTION);
    state.task.wSelectedTask = TASK_JOINT;
    applyEffectiveTask(state);
    EXPECT_EQ(state.task.wTaskType, TASK_JOINT);
    state.task.wSeriesType = SERIES_UNFIXED_WHOLE;
    state.task.wSelectedTask = TASK_RECOGNITION;
    applyEffectiveTask(state);
    EXPECT_EQ(state.task.wTaskType, TASK_RECOGNITION);

    std::fill(std::begin(state.selection.wRequiredFlags), std::end(state.selection.wRequiredFlags),
              uint16_t{0});
    state.selection.wRequiredFlags[19] = state.selection.wRequiredFlags[4] =
        state.selection.wRequiredFlags[0] = 1;
    rebuildRequiredList(state);
    EXPECT_EQ(requiredList(state), (std::vector<uint16_t>{1, 5, 20}));
}

}  // namespace
}  // namespace tessaline
