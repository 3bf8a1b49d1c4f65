// The subset selection panel as the window paints it: slots, buttons and table rows inside the
// graph area, only the slots the series allows shown, the chosen stored row in red, the mark-all
// flag used once, and every allocation failure reported with the panel left undrawn until the
// next paint.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/startup.h"
#include "app/state.h"
#include "app/window_paint.h"
#include "draw/controls.h"
#include "model/codes.h"
#include "panels/subset_panel_state.h"
#include "platform/alloc.h"
#include "platform/headless.h"
#include "tests/support/recording_canvas.h"

namespace tessaline {
namespace {

bool inside(const Rect& r, const Rect& graph) {
    return r.left >= graph.left && r.top >= graph.top && r.right <= graph.right + 1 &&
           r.bottom <= graph.bottom + 1;
}

bool overlap(const Rect& a, const Rect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

class SubsetViewTest : public testing::Test {
protected:
    void SetUp() override {
        window.setCommandHandler([this](int command) { dispatchCommand(window, state, command); });
        runStartUp(window, state);
        ASSERT_EQ(initSubsetPanel(window, state.subsetPanel, state.subsets.dwReservedSubsetCount), 1);
        state.view.dwViewMode = VIEW_SUBSETS;
    }
    void compose(const std::vector<int32_t>& etalons) {
        deleteAllSubsetEntries(state.subsetPanel);
        for (int32_t e : etalons) offerEtalonToSubset(state.subsetPanel, e);
    }
    void storeTuples() {
        window.sendCommand(CMD_SERIES_UNFIXED_TUPLES);
        window.sendCommand(CMD_TASK_RECOGNITION);
        for (const std::vector<int32_t>& tuple : {std::vector<int32_t>{1, 2, 3}, {4, 5}, {6}}) {
            compose(tuple);
            acceptComposedSubset(state.subsetPanel);
        }
        chooseStoredSubset(state.subsetPanel, 1);
    }
    void paint(RecordingCanvas& canvas) {
        storePaintedGeometry(state,
                             paintClientArea(canvas, state, {0, 0, canvas.width(), canvas.height()}, window));
    }
    bool anyPixelIn(const RecordingCanvas& canvas, const Rect& r, Color color) const {
        for (int32_t y = r.top; y < r.bottom; ++y)
            for (int32_t x = r.left; x < r.right; ++x)
                if (canvas.hasColor(x, y, color)) return true;
        return false;
    }

    HeadlessWindow window;
    AppState state;
};

TEST_F(SubsetViewTest, BothPaintersKeepTheirPartsApartInsideTheGraphArea) {
    for (const bool table : {false, true}) {
        if (table) storeTuples();
        for (const auto& [width, height] : {std::pair{800, 600}, std::pair{1920, 1080}}) {
            RecordingCanvas canvas(width, height);
            paint(canvas);
            const Rect& graph = state.painted.layout.rcGraph;
            const SubsetPanelGeometry& g = drawnSubsetPanel(state.painted);
            ASSERT_EQ(g.buttons.size(), table ? 6u : 4u);
            EXPECT_EQ(g.rowFrames.size(), table ? 10u : 0u);
            std::vector<Rect> parts = g.buttons;
            parts.insert(parts.end(), g.rowFrames.begin(), g.rowFrames.end());
            parts.push_back(g.subsetArea);
            parts.push_back(g.upperArea);
            for (std::size_t i = 0; i < parts.size(); ++i) {
                EXPECT_TRUE(inside(parts[i], graph)) << width << " part " << i;
                for (std::size_t j = i + 1; j < parts.size(); ++j)
                    EXPECT_FALSE(overlap(parts[i], parts[j])) << width << " parts " << i << " " << j;
            }
            for (const Rect& slot : g.subsetSlots) EXPECT_TRUE(inside(slot, g.subsetArea));
            const Rect drawn = canvas.drawnBounds();
            EXPECT_TRUE(drawn.left >= 0 && drawn.bottom < height);
        }
    }
}

TEST_F(SubsetViewTest, SingleSubsetPainterShowsOnlyTheSlotsTheSeriesAllows) {
    state.lpSeriesHeader->wMaxPulses = 3;
    compose({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    ASSERT_EQ(state.subsetPanel.dwEntries, 10);  // ten can be composed
    RecordingCanvas canvas(800, 600);
    paint(canvas);
    const SubsetPanelGeometry& g = drawnSubsetPanel(state.painted);
    ASSERT_EQ(g.subsetSlots.size(), 3u);
    std::vector<std::string> lettersInRow;
    for (const CanvasCall& call : canvas.callsOf(CanvasOp::TextOut)) {
        const Point at = call.points[0];
        if (at.y > g.subsetArea.top && at.y < g.subsetArea.bottom && at.x < g.subsetArea.right)
            lettersInRow.push_back(call.text);
    }
    EXPECT_EQ(lettersInRow, (std::vector<std::string>{" a ", " b ", " c "}));
}

TEST_F(SubsetViewTest, TablePainterMarksTheComposedSubsetOnceAndShowsTheChosenRowInRed) {
    storeTuples();
    compose({7, 8});
    state.subsetPanel.dwMarkAll = 1;
    RecordingCanvas canvas(800, 600);
    paint(canvas);
    EXPECT_EQ(state.subsetPanel.dwMarkAll, 0);
    EXPECT_EQ(std::vector<int32_t>(state.subsetPanel.subsetMarks, state.subsetPanel.subsetMarks + 2),
              (std::vector<int32_t>{1, 1}));
    const std::vector<Rect>& rows = drawnSubsetPanel(state.painted).rowFrames;
    for (std::size_t r = 0; r < rows.size(); ++r)
        EXPECT_EQ(anyPixelIn(canvas, rows[r], kAlertRed), r == 1) << r;
    EXPECT_NE(canvas.findText(" reserved subsets 10 "), nullptr);
}

TEST_F(SubsetViewTest, EachAllocationFailureLeavesThePanelUndrawnUntilTheNextPaint) {
    const char* const messages[] = {
        "Нет памяти для possibleSubsetRect!", "Нет памяти для possibleSubsetArrayRect!",
        "Нет памяти для possibleSubsetRect!", "Нет памяти для ButtonsWhileSelectedSubsetRect!"};
    compose({3, 5});
    const std::int64_t blocks = memory::outstandingBlocks();
    for (std::int64_t nth = 1; nth <= 4; ++nth) {
        RecordingCanvas canvas(800, 600);
        {
            const memory::FailureInjection failure(nth);
            paint(canvas);
        }
        ASSERT_FALSE(window.messages().empty());
        EXPECT_EQ(window.messages().back().text, messages[nth - 1]);
        const Rect& graph = state.painted.layout.rcGraph;
        EXPECT_FALSE(canvas.hasColor(graph.left + 1, graph.top + 1, kPanelColour)) << nth;
        EXPECT_TRUE(drawnSubsetPanel(state.painted).buttons.empty());
        EXPECT_EQ(memory::outstandingBlocks(), blocks);
        canvas.clear();
        paint(canvas);
        EXPECT_TRUE(canvas.hasColor(graph.left + 1, graph.top + 1, kPanelColour)) << nth;
        EXPECT_EQ(drawnSubsetPanel(state.painted).buttons.size(), 4u);
        EXPECT_EQ(state.subsetPanel.dwEntries, 2);  // the composed subset is kept
    }
}

}  // namespace
}  // namespace tessaline
