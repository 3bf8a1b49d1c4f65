// The command chain driven headless: which steps a command runs, what it changes, what it shows
// and which window areas it refreshes.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/commands.h"
#include "app/layout.h"
#include "app/startup.h"
#include "app/state.h"
#include "model/codes.h"
#include "platform/alloc.h"
#include "platform/headless.h"
#include "processing/chains.h"
#include "processing/workspace.h"

namespace tessaline {
namespace {

class CommandsTest : public testing::Test {
protected:
    void SetUp() override {
        window.setCommandHandler([this](int command) { dispatchCommand(window, state, command); });
        runStartUp(window, state);
        layOutWindow(state, Rect{0, 0, 1600, 1000}, 16);
        window.clearRecords();
    }
    void run(int command) { window.sendCommand(command); }
    std::vector<int16_t> noisy() const {
        const SeriesHeader& s = *state.lpSeriesHeader;
        return {s.lpNoisyData, s.lpNoisyData + s.dwSeriesSize};
    }
    std::vector<int16_t> found() const {
        const SeriesHeader& s = *state.lpSeriesHeader;
        return {s.lpFoundPositions, s.lpFoundPositions + s.wFoundPulses};
    }
    std::vector<int> allEtalons() const {
        std::vector<int> numbers(20);
        for (int i = 0; i < 20; ++i) numbers[i] = i + 1;
        return numbers;
    }

    HeadlessWindow window;
    AppState state;
};

TEST_F(CommandsTest, NextDataRunsTheWholeChainAndRefreshesTheGraph) {
    run(CMD_PROCESSING_NEXT_DATA);
    EXPECT_EQ(window.sentCommands(),
              (std::vector<int>{CMD_PROCESSING_NEXT_DATA, CMD_NEW_DATA, CMD_TAKE_OVER, CMD_MAKE_SERIES,
                                CMD_ADD_NOISE, CMD_PROCESS, CMD_REFRESH_RESULT}));
    EXPECT_TRUE(window.messages().empty());
    EXPECT_EQ(state.view.dwViewMode, VIEW_RESULT);
    ASSERT_NE(state.lpSeriesHeader, nullptr);
    EXPECT_EQ(state.lpSeriesHeader->wNoiseLevel, 20);
    EXPECT_GT(state.lpSeriesHeader->wFoundPulses, 0);
    EXPECT_EQ(state.lpChainsHeader->wHeaderKind, 2);
    EXPECT_STREQ(state.lpChainsHeader->lpTaskName, "detection");
    EXPECT_NE(state.states.dwRandState, 1u);  // the etalon sequence was drawn
    // The refresh of the result: only the graph area (its top 10 pixels higher), erased, as no
    // selector or button flag is set. Then, as after every menu command that changes what is
    // drawn, the whole client area: the run may have left another view with other buttons.
    ASSERT_EQ(window.invalidations().size(), 2u);
    Rect graph = state.painted.layout.rcGraph;
    graph.top -= 10;
    graph.right += 2;
    graph.bottom += 2;
    EXPECT_EQ(window.invalidations()[0].area, graph);
    EXPECT_TRUE(window.invalidations()[0].erase);
    EXPECT_TRUE(window.invalidations()[1].whole);
}

TEST_F(CommandsTest, SameDataProcessesTheSameNoisySeriesAgain) {
    run(CMD_PROCESSING_NEXT_DATA);
    const std::vector<int16_t> series = noisy();
    const std::vector<int16_t> positions = found();
    const int32_t noiseState = state.states.dwNoiseSeed;
    window.clearRecords();
    state.lpSeriesHeader->wFoundPulses = 0;
    run(CMD_PROCESSING_SAME_DATA);
    EXPECT_EQ(window.sentCommands(),
              (std::vector<int>{CMD_PROCESSING_SAME_DATA, CMD_PROCESS, CMD_REFRESH_RESULT}));
    EXPECT_EQ(noisy(), series);
    EXPECT_EQ(found(), positions);
    EXPECT_EQ(state.states.dwNoiseSeed, noiseState);
    // The next data continue the noise stream: a new series.
    run(CMD_PROCESSING_NEXT_DATA);
    EXPECT_NE(state.states.dwNoiseSeed, noiseState);
    EXPECT_NE(noisy(), series);
}

TEST_F(CommandsTest, RefreshInvalidatesFlaggedAreasOnceAndKeepsBackgroundForMoreDetails) {
    state.redraw.dwRedrawNoise = 1;
    state.redraw.dwRedrawButtons = 1;
    run(CMD_TYPE_MORE_DETAILS);
    ASSERT_EQ(window.invalidations().size(), 3u);
    EXPECT_FALSE(window.invalidations()[0].erase);  // more details keep what is drawn
    EXPECT_EQ(window.invalidations()[1].area, state.painted.layout.rcNoiseSelector);
    Rect buttons = state.painted.layout.rcButtonArea;
    buttons.right += 1;
    buttons.bottom += 1;
    EXPECT_EQ(window.invalidations()[2].area, buttons);
    EXPECT_EQ(state.redraw.dwRedrawNoise, 0);
    EXPECT_EQ(state.redraw.dwRedrawButtons, 0);
    window.clearRecords();
    run(CMD_REFRESH_RESULT);
    EXPECT_EQ(window.invalidations().size(), 1u);
}

TEST_F(CommandsTest, RepeatEntriesSetTheTaskAndRunNewDataWithoutMovingCheckMarks) {
    const int entries[] = {CMD_REPEAT_DETECTION, CMD_REPEAT_RECOGNITION, CMD_REPEAT_JOINT,
                           CMD_REPEAT_SERIES_PROCESSING};
    const uint16_t tasks[] = {TASK_DETECTION, TASK_RECOGNITION, TASK_JOINT, TASK_SERIES_PROCESSING};
    for (int i = 0; i < 4; ++i) {
        window.clearRecords();
        run(entries[i]);
        EXPECT_EQ(state.task.wSelectedTask, tasks[i]);
        EXPECT_EQ(state.task.wTaskType, tasks[i]);
        EXPECT_EQ(window.sentCommands().at(1), CMD_NEW_DATA);
        EXPECT_EQ(window.sentCommands().back(), CMD_REFRESH_RESULT);
        EXPECT_TRUE(window.isChecked(CMD_TASK_DETECTION));
    }
    // Series processing runs joint detection and names no task.
    EXPECT_EQ(state.lpChainsHeader->wTaskType, TASK_SERIES_PROCESSING);
    EXPECT_EQ(state.lpChainsHeader->lpTaskName, nullptr);
    EXPECT_GT(state.lpSeriesHeader->wFoundPulses, 0);
}

TEST_F(CommandsTest, TaskAndSeriesTypeEntriesMoveCheckMarksAndResetLostData) {
    run(CMD_TASK_RECOGNITION);
    EXPECT_TRUE(window.isChecked(CMD_TASK_RECOGNITION));
    EXPECT_FALSE(window.isChecked(CMD_TASK_DETECTION));
    EXPECT_EQ(state.task.wTaskType, TASK_RECOGNITION);

    EXPECT_EQ(state.noise.wMakingEnergyLevel, 75);
    run(CMD_SERIES_FIXED_WHOLE);
    EXPECT_TRUE(window.isChecked(CMD_SERIES_FIXED_WHOLE));
    EXPECT_FALSE(window.isChecked(CMD_SERIES_UNFIXED_CUTOFF));
    EXPECT_EQ(state.task.wSeriesType, SERIES_FIXED_WHOLE);
    EXPECT_EQ(state.noise.dwLostDataIndex, 1);
    EXPECT_EQ(state.noise.wLostDataLevel, 0);
    EXPECT_EQ(state.noise.wRequestedMakingEnergyLevel, 100);
    EXPECT_EQ(state.noise.wProcessingEnergyLevel, 100);
    EXPECT_EQ(state.staging.wProcessingEnergyLevel, 100);
    run(CMD_SERIES_FIXED_CUTOFF);  // cut-off pulses keep the levels until a selector is clicked
    EXPECT_EQ(state.noise.wMakingEnergyLevel, 100);
    // Each entry redraws the whole client area: the lost-data selector and the selection button
    // come and go with the series type and the task.
    ASSERT_EQ(window.invalidations().size(), 3u);
    for (const Invalidation& invalidated : window.invalidations()) EXPECT_TRUE(invalidated.whole);

    run(CMD_SERIES_UNFIXED_TUPLES);
    EXPECT_EQ(state.task.wTaskType, TASK_RECOGNITION);  // the task entry decides the tuple form
    run(CMD_TASK_RECOGNITION);
    EXPECT_EQ(state.task.wTaskType, TASK_TUPLES_RECOGNITION);
    run(CMD_TASK_DETECTION);
    EXPECT_EQ(state.task.wTaskType, TASK_TUPLES_DETECTION);
    run(CMD_SERIES_FIXED_WHOLE);
    run(CMD_TASK_DETECTION);  // detection on a plain series: the current etalon alone is required
    EXPECT_EQ(state.task.wTaskType, TASK_DETECTION);
    EXPECT_EQ(state.selection.wRequiredQuantity, 1);

    run(CMD_TASK_SERIES_PROCESSING);
    EXPECT_EQ(window.sentCommands().back(), CMD_NONE);
    EXPECT_EQ(state.task.wTaskType, TASK_SERIES_PROCESSING);
}

TEST_F(CommandsTest, TuplesDetectionWithoutSubsetOpensThePanelAndStops) {
    run(CMD_SERIES_FIXED_TUPLES);
    run(CMD_TASK_DETECTION);
    const ChainsHeader before = *state.lpChainsHeader;
    window.clearRecords();
    run(CMD_PROCESSING_NEXT_DATA);
    EXPECT_EQ(state.view.dwViewMode, VIEW_SUBSETS);
    EXPECT_EQ(window.sentCommands().back(), CMD_PROCESS);  // no refresh of a result
    EXPECT_EQ(state.lpChainsHeader->wHeaderKind, before.wHeaderKind);
    EXPECT_EQ(state.lpChainsHeader->wPretenders, before.wPretenders);
    ASSERT_EQ(window.invalidations().size(), 2u);
    EXPECT_TRUE(window.invalidations()[0].erase);
    EXPECT_TRUE(window.invalidations()[1].whole);
}

TEST_F(CommandsTest, TuplesRunsUseTheSubsetPanel) {
    ASSERT_EQ(initSubsetPanel(window, state.subsetPanel, state.subsets.dwReservedSubsetCount), 1);
    for (int etalon : {3, 7, 12}) offerEtalonToSubset(state.subsetPanel, etalon);
    ASSERT_TRUE(storeSubsetInSeries(window, state.subsetPanel, TASK_DETECTION, 4, 1, state.lpSeriesHeader));
    run(CMD_SERIES_UNFIXED_TUPLES);
    run(CMD_TASK_DETECTION);
    state.selection.wRequiredQuantity = 20;
    run(CMD_PROCESSING_NEXT_DATA);
    EXPECT_EQ(state.view.dwViewMode, VIEW_RESULT);
    EXPECT_GT(state.lpSeriesHeader->wFoundTuples, 0);
    EXPECT_EQ(state.lpSeriesHeader->lpFoundEtalonNumbers[0], 3);

    acceptComposedSubset(state.subsetPanel);
    run(CMD_TASK_RECOGNITION);
    run(CMD_PROCESSING_NEXT_DATA);
    EXPECT_EQ(state.lpSeriesHeader->wFoundSubset, 1);
    EXPECT_STREQ(state.lpChainsHeader->lpTaskName, "recognition");
}

TEST_F(CommandsTest, NewDataWithoutRequiredEtalonsDrawsNothing) {
    state.selection.wRequiredQuantity = 0;
    const uint32_t randState = state.states.dwRandState;
    run(CMD_PROCESSING_NEXT_DATA);
    EXPECT_EQ(state.states.dwRandState, randState);
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(window.messages()[0].text, "Не выбран ни один эталон!");
    EXPECT_EQ(window.sentCommands().back(), CMD_NEW_DATA);
}

// A smaller Tmin admits more pulses than the sequence and the result record were made for: both
// grow, keeping the sequence's places, before the run writes them.
TEST_F(CommandsTest, MorePulsesThanTheSequenceHoldsGrowItFirst) {
    std::fill(std::begin(state.selection.wRequiredFlags), std::end(state.selection.wRequiredFlags),
              uint16_t{1});
    rebuildRequiredList(state);
    state.series.wTmin = 21;
    run(CMD_PROCESSING_NEXT_DATA);
    EXPECT_TRUE(window.messages().empty());
    EXPECT_EQ(state.series.wMaxPulses, 57);
    EXPECT_EQ(state.selection.wEtalonSequenceCapacity, 57);
    EXPECT_EQ(state.wChainPulsesCapacity, 57);
    EXPECT_GE(state.lpChainsHeader->wMaxPulses, 57);
    EXPECT_LE(state.lpSeriesHeader->wFoundPulses, 57);
}

TEST_F(CommandsTest, FailuresStopTheChainWithTheirMessages) {
    // The series record cannot be made: its makers' messages, then the run's own.
    freeSeriesHeader(state.lpSeriesHeader);
    state.lpSeriesHeader = nullptr;
    {
        memory::FailureInjection refuse(1, true);
        run(CMD_PROCESSING_NEXT_DATA);
    }
    ASSERT_FALSE(window.messages().empty());
    EXPECT_EQ(window.messages().back().text, "Не могу создать ряд!");
    EXPECT_EQ(window.messages().back().caption, "CM_INFO");
    EXPECT_EQ(window.sentCommands().back(), CMD_MAKE_SERIES);

    // No result record: the run stops before the refresh.
    run(CMD_PROCESSING_NEXT_DATA);
    window.clearRecords();
    freeChainsHeader(state.lpChainsHeader);
    state.lpChainsHeader = nullptr;
    run(CMD_PROCESSING_SAME_DATA);
    ASSERT_FALSE(window.messages().empty());
    EXPECT_EQ(window.messages().back().text, "Ошибка addToChainsHeader!");
    EXPECT_EQ(window.messages().back().caption, " About ChainsHeader ");
    EXPECT_EQ(window.sentCommands().back(), CMD_PROCESS);
}

TEST_F(CommandsTest, SelectorsEtalonCellsAndCloseRequests) {
    state.series.dwSeriesLengthIndex = 1;
    state.noise.dwLostDataIndex = 3;
    run(CMD_APPLY_SELECTORS);
    EXPECT_EQ(state.series.dwRequestedSeriesLength, 200u);
    EXPECT_EQ(state.series.wPulsesNumber, 3);
    EXPECT_EQ(state.noise.wRequestedProcessingEnergyLevel, 50);
    ASSERT_EQ(window.invalidations().size(), 1u);
    EXPECT_TRUE(window.invalidations()[0].whole);

    // A new selection redraws the alphabet (an etalon's curve may leave its cell), and the
    // selection button beside detection.
    for (const uint16_t task : {TASK_DETECTION, TASK_JOINT}) {
        window.clearRecords();
        state.task.wTaskType = task;
        layOutWindow(state, Rect{0, 0, 1600, 1000}, 16);
        run(CMD_MARK_ETALON);
        ASSERT_EQ(window.invalidations().size(), task == TASK_DETECTION ? 1u : 2u);
        EXPECT_EQ(window.invalidations()[0].area, graphInvalidationArea(state.painted.layout));
        if (task != TASK_DETECTION) {
            EXPECT_EQ(window.invalidations()[1].area, state.painted.layout.rcSelectButton);
        }
    }

    run(CMD_CLOSE);
    EXPECT_TRUE(window.closeRequested());
}

// A run that cannot place its series or whose processing fails stops there: the previous series
// is neither noised nor processed again, and no result is counted or shown.
TEST_F(CommandsTest, ARunWithoutASeriesOrAResultStopsWithoutAResult) {
    state.selection.wEtalonSequenceCapacity = 1;  // fewer places than pulses: the series maker refuses
    const int32_t noiseState = state.states.dwNoiseSeed;
    run(CMD_MAKE_SERIES);
    EXPECT_EQ(window.sentCommands(), (std::vector<int>{CMD_MAKE_SERIES}));
    EXPECT_EQ(window.messages().back().caption, " makeExtSeries ");
    EXPECT_EQ(state.states.dwNoiseSeed, noiseState);
    EXPECT_EQ(state.dwCompletedRuns, 0u);

    window.clearRecords();
    releaseProcessingWorkspace();  // tables kept from an earlier run would need no allocation
    {
        memory::FailureInjection failure(1, true);
        run(CMD_PROCESS);
    }
    EXPECT_EQ(window.sentCommands(), (std::vector<int>{CMD_PROCESS}));
    ASSERT_FALSE(window.messages().empty());
    EXPECT_EQ(window.messages().back().text.rfind("Нет памяти", 0), 0u) << window.messages().back().text;
    EXPECT_EQ(state.view.dwViewMode, VIEW_ALPHABET);
    EXPECT_EQ(state.dwCompletedRuns, 0u);
    run(CMD_PROCESS);
    EXPECT_EQ(state.dwCompletedRuns, 1u);
}

}  // namespace
}  // namespace tessaline
