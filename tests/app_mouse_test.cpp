// The mouse on the client area, headless: clicks, drags and hovers aimed at the rectangles the
// last paint recorded, as the window feeds them in.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "app/commands.h"
#include "app/mouse.h"
#include "app/mouse_panels.h"
#include "app/startup.h"
#include "app/state.h"
#include "app/window_paint.h"
#include "model/codes.h"
#include "panels/params_header.h"
#include "platform/headless.h"
#include "tests/support/case_random.h"
#include "tests/support/recording_canvas.h"

namespace tessaline {
namespace {

Point centre(const Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class MouseTest : public testing::Test {
protected:
    void SetUp() override {
        window.setCommandHandler([this](int command) { dispatchCommand(window, state, command); });
        runStartUp(window, state);
        paint();
    }
    void paint() {
        prepareForPaint(window, state);
        RecordingCanvas canvas(1600, 1000);
        const PaintedGeometry painted = paintClientArea(canvas, state, {0, 0, 1600, 1000}, window);
        storePaintedGeometry(state, painted);
        placeEditField(window, painted);
    }
    // Paints, then presses and releases at the point; the commands the click sent.
    std::vector<int> clickAt(Point at) {
        paint();
        window.clearRecords();
        mouseButtonDown(window, state, at);
        mouseButtonUp(window, state, at);
        return window.sentCommands();
    }
    std::vector<int> click(const Rect& r) { return clickAt(centre(r)); }
    // Only records the commands a click sends, without running them.
    void recordOnly() { window.setCommandHandler({}); }
    void select(std::initializer_list<int> etalons) {
        std::fill(std::begin(state.selection.wRequiredFlags), std::end(state.selection.wRequiredFlags),
                  uint16_t{0});
        for (const int e : etalons) state.selection.wRequiredFlags[e - 1] = 1;
        rebuildRequiredList(state);
    }
    std::vector<uint16_t> required() const {
        return {state.selection.lpRequiredList,
                state.selection.lpRequiredList + state.selection.wRequiredQuantity};
    }

    HeadlessWindow window;
    AppState state;
};

TEST_F(MouseTest, DetectionKeepsOneSelectedEtalon) {
    ASSERT_EQ(state.task.wTaskType, TASK_DETECTION);
    EXPECT_EQ(click(state.painted.layout.rcEtalonCells[2]).front(), CMD_MARK_ETALON);
    EXPECT_EQ(required(), (std::vector<uint16_t>{3}));
    click(state.painted.layout.rcEtalonCells[6]);
    EXPECT_EQ(required(), (std::vector<uint16_t>{7}));
    EXPECT_EQ(state.selection.dwPreviousEtalon, 3);
    click(state.painted.layout.rcEtalonCells[6]);  // the selected one stays selected
    EXPECT_EQ(required(), (std::vector<uint16_t>{7}));
    window.sendCommand(CMD_TASK_JOINT);
    click(state.painted.layout.rcEtalonCells[1]);
    EXPECT_EQ(required(), (std::vector<uint16_t>{2, 7}));
}

TEST_F(MouseTest, NextAndSelectorsFollowTheEtalonsRequired) {
    select({});
    EXPECT_EQ(click(state.painted.layout.rcNextButton), (std::vector<int>{CMD_NONE}));
    EXPECT_EQ(state.view.dwViewMode, VIEW_ALPHABET);

    // No etalon required: a selector only moves and recomputes the requested values.
    const uint32_t runs = state.dwCompletedRuns;
    EXPECT_EQ(click(state.painted.lengthRows[0]).front(), CMD_APPLY_SELECTORS);
    EXPECT_EQ(state.series.dwRequestedSeriesLength, 200u);
    EXPECT_EQ(state.dwCompletedRuns, runs);

    select({4});
    recordOnly();
    const struct {
        int32_t row;  // 0-based
        int32_t redraw;
    } rows[] = {{0, 0}, {2, 1}, {2, 0}};
    for (const auto& r : rows) {
        // Only recorded, the run does not come to its result, so the window is drawn anew after it.
        EXPECT_EQ(click(state.painted.lengthRows[r.row]), (std::vector<int>{CMD_NEW_DATA, CMD_REDRAW_ALL}))
            << r.row;
        EXPECT_EQ(state.redraw.dwRedrawLength, r.redraw) << r.row;
        EXPECT_EQ(state.view.dwViewMode, VIEW_RESULT);
    }
    EXPECT_EQ(clickAt({1, 1}), (std::vector<int>{CMD_NONE}));
}

// Next in the alphabet view on a tuples series without a tuple opens the subset panel and has it
// shown: the subset view is asked for, which draws it anew.
TEST_F(MouseTest, AlphabetNextOnATuplesSeriesWithoutATupleShowsTheSubsetPanel) {
    window.sendCommand(CMD_SERIES_FIXED_TUPLES);
    EXPECT_EQ(click(state.painted.layout.rcNextButton), (std::vector<int>{CMD_SELECT_SET_OF_PULSES}));
    EXPECT_EQ(state.view.dwViewMode, VIEW_SUBSETS);
    ASSERT_FALSE(window.invalidations().empty());
    EXPECT_TRUE(window.invalidations().back().whole);
}

TEST_F(MouseTest, SubsetViewComposesDeletesAndAcceptsThroughItsButtons) {
    window.sendCommand(CMD_SERIES_UNFIXED_TUPLES);
    window.sendCommand(CMD_TASK_RECOGNITION);
    select({2, 5, 9});
    window.sendCommand(CMD_SELECT_SET_OF_PULSES);
    paint();
    ASSERT_EQ(state.view.dwViewMode, VIEW_SUBSETS);
    const SubsetPanelGeometry& drawn = drawnSubsetPanel(state.painted);
    ASSERT_EQ(drawn.buttons.size(), static_cast<std::size_t>(SUBSET_BUTTON_COUNT));
    click(drawn.cells[0]);
    click(drawn.cells[2]);
    const SubsetPanel& panel = state.subsetPanel;
    ASSERT_EQ(panel.dwEntries, 2);
    EXPECT_EQ(panel.selectedSubset[1], 9);
    click(drawn.subsetSlots[0]);
    EXPECT_EQ(click(drawn.buttons[SUBSET_DELETE]), (std::vector<int>{CMD_REFRESH_SUBSET_PANEL}));
    ASSERT_EQ(panel.dwEntries, 1);
    EXPECT_EQ(panel.selectedSubset[0], 9);
    EXPECT_EQ(click(drawn.buttons[SUBSET_ACCEPT]).front(), CMD_REFRESH_SUBSET_CELLS);
    EXPECT_EQ(panel.dwStoredSubsets, 1);
    EXPECT_EQ(panel.dwChosenSubset, 1);
    click(drawn.buttons[SUBSET_OK]);
    EXPECT_EQ(state.view.dwViewMode, VIEW_RESULT);
    EXPECT_EQ(state.lpSeriesHeader->wSubsets, 1);
}

TEST(SlopeLine, HitsWithinTheHandleHeightOfTheLineOnly) {
    const LineSegment line{{100, 300}, {300, 100}};  // falls by one per column
    const struct {
        LineSegment line;
        Point at;
        bool on;
    } cases[] = {{line, {200, 200}, true},  {line, {200, 204}, true},
                 {line, {200, 206}, false}, {line, {99, 300}, false},
                 {line, {300, 100}, true},  {{{150, 50}, {150, 250}}, {150, 100}, false},
                 {line, {301, 100}, false}, {{{0, 0}, {10, 0}}, {5, 5}, true}};
    for (const auto& c : cases) EXPECT_EQ(onSlopeLine(c.line, 5, c.at), c.on) << c.at.x << "," << c.at.y;
}

class ParamsMouseTest : public MouseTest {
protected:
    void SetUp() override {
        MouseTest::SetUp();
        window.sendCommand(CMD_VIEW_SERIES_PARAMETERS);
        paint();
        ASSERT_NE(state.lpParamsHeader, nullptr);
    }
    void moveTo(Point at) {
        mouseMove(window, state, at);
        paint();
    }
    ParamsHeader& record() { return *state.lpParamsHeader; }
};

TEST_F(ParamsMouseTest, HoverChangesTheCursorAndLeavingRestoresIt) {
    const Point onLine = centre({record().tmaxSlope.from.x, record().tmaxSlope.from.y,
                                 record().tmaxSlope.to.x, record().tmaxSlope.to.y});
    moveTo(onLine);
    EXPECT_EQ(window.cursor(), CursorShape::SizeDiagonal);
    EXPECT_TRUE(window.mouseCaptured());
    moveTo({onLine.x, onLine.y + 3 * record().dwTmaxSlopeHandle + 3});
    EXPECT_EQ(window.cursor(), CursorShape::Arrow);
    EXPECT_FALSE(window.mouseCaptured());
    EXPECT_EQ(record().dwTmaxHover, 0);
}

// A hover (the mouse captured, a resize arrow shown) or a drag of any handle ends when the panel
// is left, by a command or a click; so does it when the panel is opened afresh.
TEST_F(ParamsMouseTest, LeavingThePanelEndsEveryHover) {
    const auto middle = [](const LineSegment& line) {
        return centre({line.from.x, line.from.y, line.to.x, line.to.y});
    };
    const std::function<Point(const ParamsHeader&)> handles[] = {
        [](const ParamsHeader& r) { return centre(r.rcFirstHighestHandle); },
        [](const ParamsHeader& r) { return centre(r.rcLastLowestHandle); },
        [&](const ParamsHeader& r) { return middle(r.tminSlope); },
        [&](const ParamsHeader& r) { return middle(r.tmaxSlope); }};
    const std::function<void()> leaves[] = {
        [&] { window.sendCommand(CMD_PROCESSING_NEXT_DATA); },  // F5
        [&] { window.sendCommand(CMD_SELECT_SET_OF_PULSES); },
        [&] { window.sendCommand(CMD_VIEW_SERIES_PARAMETERS); },
        [&] { mouseButtonDown(window, state, centre(state.painted.layout.rcNextButton)); },
        [&] {  // during a drag
            mouseButtonDown(window, state, handles[0](record()));
            window.sendCommand(CMD_PROCESSING_NEXT_DATA);
        }};
    // Series of a fixed count keep every handle's place from one way to the next.
    window.sendCommand(CMD_SERIES_FIXED_CUTOFF);
    window.sendCommand(CMD_PROCESSING_NEXT_DATA);
    for (std::size_t h = 0; h < std::size(handles); ++h) {
        for (std::size_t l = 0; l < std::size(leaves); ++l) {
            window.sendCommand(CMD_VIEW_SERIES_PARAMETERS);
            paint();
            moveTo(handles[h](record()));
            ASSERT_TRUE(window.mouseCaptured()) << h;
            ASSERT_NE(window.cursor(), CursorShape::Arrow) << h;
            leaves[l]();
            EXPECT_FALSE(window.mouseCaptured()) << "handle " << h << ", way " << l;
            EXPECT_EQ(window.cursor(), CursorShape::Arrow) << "handle " << h << ", way " << l;
            const ParamsHeader& r = record();
            EXPECT_EQ(r.dwFirstHighestHover + r.dwLastLowestHover + r.dwTminHover + r.dwTmaxHover, 0);
            EXPECT_EQ(r.dwFirstHighestDrag + r.dwLastLowestDrag + r.dwTminDrag + r.dwTmaxDrag, 0);
        }
    }
}

// Handles that overlap are hovered together; the arrow comes back and the mouse is released once
// the pointer has left both.
TEST_F(ParamsMouseTest, OverlappingHandlesGiveTheArrowBackWhenBothAreLeft) {
    record().rcLastLowestHandle = record().rcFirstHighestHandle;
    const Point on = centre(record().rcFirstHighestHandle);
    mouseMove(window, state, on);
    ASSERT_EQ(record().dwFirstHighestHover + record().dwLastLowestHover, 2);
    EXPECT_EQ(window.cursor(), CursorShape::SizeVertical);
    mouseMove(window, state, {on.x, record().rcFirstHighestHandle.bottom + 40});
    EXPECT_EQ(record().dwFirstHighestHover + record().dwLastLowestHover, 0);
    EXPECT_EQ(window.cursor(), CursorShape::Arrow);
    EXPECT_FALSE(window.mouseCaptured());
}

TEST_F(ParamsMouseTest, TmaxDragStopsAtTheLastAcceptedValue) {
    const LineSegment slope = record().tmaxSlope;
    const Point start = centre({slope.from.x, slope.from.y, slope.to.x, slope.to.y});
    moveTo(start);
    mouseButtonDown(window, state, start);
    ASSERT_EQ(record().dwTmaxDrag, 1);
    // Towards the chart's left edge the slope steepens until the shown count no longer fits.
    std::vector<int32_t> accepted;
    for (int32_t x = start.x; x > record().rcPlot.left && record().dwTmaxDrag != 0; x -= 4) {
        moveTo({x, start.y});
        if (record().dwTmaxDrag != 0) accepted.push_back(record().dwTmax);
    }
    ASSERT_FALSE(accepted.empty());
    EXPECT_EQ(record().dwTmaxDrag, 0);
    EXPECT_EQ(record().dwTmax, accepted.back());
    EXPECT_TRUE(tmaxAccepted(record(), record().dwTmax));
    EXPECT_EQ(window.sentCommands().back(), CMD_REFRESH_GRAPH_KEEP);
}

TEST_F(ParamsMouseTest, OkTakesTheTypedTminAndRefusesOneNoSeriesTakes) {
    window.setTminEditText("0");
    EXPECT_EQ(click(record().rcOkButton), std::vector<int>{});
    EXPECT_EQ(window.messages().back().text.rfind("Неверно задан", 0), 0u);
    EXPECT_EQ(state.view.dwViewMode, VIEW_PARAMETERS);
    window.setTminEditText("50");
    click(record().rcOkButton);
    EXPECT_EQ(state.series.wTmin, 50);
    EXPECT_EQ(state.view.dwViewMode, VIEW_RESULT);
    paint();
    EXPECT_EQ(window.tminEditArea(), Rect{});  // hidden once the panel is left
}

// Clicks, drags and moves anywhere in every view, with the commands they run: nothing breaks and
// the panel's counts stay within their capacities.
TEST_F(MouseTest, RandomPointerKeepsTheStateWithinItsBounds) {
    cases::CaseRandom random(20261207);
    const int actions = cases::randomCaseCount(2000);
    // Short series keep the many runs the clicks start quick.
    const SelectorChoices lengths = {3, 200, 300, 400};
    std::copy(std::begin(lengths), std::end(lengths), state.series.SeriesLengthChoices);
    chooseSeriesLength(state, 1);
    takeOverRequestedSettings(state);
    const int views[] = {
        CMD_SELECT_SET_OF_PULSES, CMD_VIEW_SERIES_PARAMETERS, CMD_REFRESH_ALPHABET, CMD_SERIES_UNFIXED_TUPLES,
        CMD_SERIES_FIXED_CUTOFF,  CMD_TASK_RECOGNITION,       CMD_TASK_JOINT};
    for (int i = 0; i < actions; ++i) {
        if (random.oneIn(40)) window.sendCommand(views[random.between(0, std::size(views) - 1)]);
        paint();
        const Point at{static_cast<int32_t>(random.between(0, 1599)),
                       static_cast<int32_t>(random.between(0, 999))};
        switch (random.between(0, 2)) {
            case 0: mouseMove(window, state, at); break;
            case 1:
                mouseButtonDown(window, state, at);
                mouseButtonUp(window, state, at);
                break;
            default:
                mouseButtonDown(window, state, at);
                mouseMove(window, state, {at.x + 9, at.y - 9});
                mouseButtonUp(window, state, {at.x + 9, at.y - 9});
        }
        const SubsetPanel& panel = state.subsetPanel;
        ASSERT_LE(state.selection.wRequiredQuantity, state.selection.wRequiredCapacity);
        ASSERT_LE(panel.dwEntries, panel.dwEntryCapacity);
        ASSERT_LE(panel.dwStoredSubsets, panel.dwReservedSubsets);
        ASSERT_LE(panel.dwChosenSubset, std::max(panel.dwStoredSubsets, 1));
    }
}

}  // namespace
}  // namespace tessaline
