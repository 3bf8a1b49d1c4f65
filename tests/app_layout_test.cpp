// The main window's layout: the button column, the graph area sized to the alphabet grid, the
// selectors and the etalon cells, for a 1600 x 1000 client area with a 16-pixel line.
#include <gtest/gtest.h>

#include "app/layout.h"
#include "model/codes.h"

namespace tessaline {
namespace {

constexpr Rect CLIENT{0, 0, 1600, 1000};
constexpr int LINE = 16;

WindowLayout recognitionLayout(const Rect& client = CLIENT) {
    return computeWindowLayout(client, LINE, TASK_RECOGNITION, SERIES_UNFIXED_CUTOFF, 20);
}

TEST(WindowLayout, ButtonColumnWithSelectionButton) {
    const WindowLayout layout = recognitionLayout();
    EXPECT_EQ(layout.rcExitButton, (Rect{1446, 958, 1589, 989}));
    EXPECT_EQ(layout.rcNextButton, (Rect{1446, 916, 1589, 947}));
    ASSERT_TRUE(layout.hasSelectButton);
    EXPECT_EQ(layout.rcSelectButton, (Rect{1446, 874, 1589, 905}));
    EXPECT_EQ(layout.rcRestartButton, (Rect{1446, 832, 1589, 863}));
    EXPECT_EQ(layout.rcButtonArea, (Rect{1446, 790, 1589, 905}));
}

TEST(WindowLayout, WithoutSelectionButtonRestartTakesItsSlot) {
    for (uint16_t task : {TASK_DETECTION, TASK_TUPLES_DETECTION, TASK_TUPLES_RECOGNITION}) {
        const WindowLayout layout = computeWindowLayout(CLIENT, LINE, task, SERIES_FIXED_TUPLES, 20);
        EXPECT_FALSE(layout.hasSelectButton) << task;
        EXPECT_EQ(layout.rcRestartButton, (Rect{1446, 874, 1589, 905})) << task;
        EXPECT_EQ(layout.rcButtonArea, (Rect{1446, 832, 1589, 905})) << task;
        EXPECT_EQ(layout.rcNextButton, (Rect{1446, 916, 1589, 947})) << task;
    }
    for (uint16_t task : {TASK_RECOGNITION, TASK_JOINT, TASK_SERIES_PROCESSING})
        EXPECT_TRUE(computeWindowLayout(CLIENT, LINE, task, SERIES_FIXED_WHOLE, 20).hasSelectButton) << task;
}

TEST(WindowLayout, TwentyEtalonsMakeFourRowsOfFiveCells) {
    const WindowLayout layout = recognitionLayout();
    EXPECT_EQ(layout.gridRows, 4);
    EXPECT_EQ(layout.gridColumns, 5);
    EXPECT_EQ(layout.wCellInnerWidth, 263);
    EXPECT_EQ(layout.wCellInnerHeight, 222);
    EXPECT_EQ(layout.rcGraph, (Rect{10, 10, 1434, 987}));

    ASSERT_EQ(layout.cellCount, 20);
    EXPECT_EQ(layout.rcEtalonCells[0], (Rect{20, 20, 292, 251}));
    EXPECT_EQ(layout.rcEtalonCells[1], (Rect{303, 20, 575, 251}));
    EXPECT_EQ(layout.rcEtalonCells[4], (Rect{1152, 20, 1424, 251}));
    EXPECT_EQ(layout.rcEtalonCells[5], (Rect{20, 262, 292, 493}));
    EXPECT_EQ(layout.rcEtalonCells[19], (Rect{1152, 746, 1424, 977}));
    // The last cell keeps the margin to the graph area's edges.
    EXPECT_EQ(layout.rcEtalonCells[19].right + 10, layout.rcGraph.right);
    EXPECT_EQ(layout.rcEtalonCells[19].bottom + 10, layout.rcGraph.bottom);
}

TEST(WindowLayout, GridRowsAreTheLeastThatHoldTheAlphabet) {
    EXPECT_EQ(alphabetGridRows(0), 1);
    EXPECT_EQ(alphabetGridRows(2), 1);
    EXPECT_EQ(alphabetGridRows(3), 2);
    EXPECT_EQ(alphabetGridRows(6), 2);
    EXPECT_EQ(alphabetGridRows(7), 3);
    EXPECT_EQ(alphabetGridRows(12), 3);
    EXPECT_EQ(alphabetGridRows(13), 4);

    // Six etalons: two rows of three; the fourth cell starts the second row.
    const WindowLayout layout = computeWindowLayout(CLIENT, LINE, TASK_JOINT, SERIES_FIXED_WHOLE, 6);
    EXPECT_EQ(layout.cellCount, 6);
    EXPECT_EQ(layout.wCellWidth, (1427 - 40) / 3);
    EXPECT_EQ(layout.wCellHeight, (981 - 30) / 2);
    EXPECT_EQ(layout.rcEtalonCells[3].left, layout.rcEtalonCells[0].left);
    EXPECT_EQ(layout.rcEtalonCells[3].top, layout.rcEtalonCells[0].top + layout.wCellHeight + 10);
    EXPECT_EQ(layout.rcEtalonCells[2].left, 20 + 2 * (layout.wCellWidth + 10));
}

TEST(WindowLayout, GraphRightEdgeFollowsTheCellWidth) {
    // The button column moves with every pixel; the graph area only with whole cells.
    for (int32_t right = 1598; right <= 1602; ++right) {
        const WindowLayout layout = recognitionLayout({0, 0, right, 1000});
        EXPECT_EQ(layout.rcGraph.right, 1434) << right;
        EXPECT_EQ(layout.rcExitButton.left, right - 154) << right;
    }
    const WindowLayout wider = recognitionLayout({0, 0, 1603, 1000});
    EXPECT_EQ(wider.wCellWidth, 274);
    EXPECT_EQ(wider.rcGraph.right, 1439);
    EXPECT_EQ(wider.rcLengthSelector.left, 1449);
}

TEST(WindowLayout, SelectorsStackBelowEachOtherOwnTopPlusSixLines) {
    const WindowLayout layout = recognitionLayout();
    EXPECT_EQ(layout.rcLengthSelector, (Rect{1444, 10, 1590, 106}));
    EXPECT_EQ(layout.rcNoiseSelector, (Rect{1444, 122, 1590, 218}));
    ASSERT_TRUE(layout.hasLostSelector);
    EXPECT_EQ(layout.rcLostSelector, (Rect{1444, 234, 1590, 330}));
}

TEST(WindowLayout, LostDataSelectorOnlyForCutOffSeries) {
    for (uint16_t type : {SERIES_FIXED_CUTOFF, SERIES_UNFIXED_CUTOFF})
        EXPECT_TRUE(computeWindowLayout(CLIENT, LINE, TASK_JOINT, type, 20).hasLostSelector) << type;
    for (uint16_t type : {SERIES_FIXED_WHOLE, SERIES_UNFIXED_WHOLE, SERIES_FIXED_WHOLE_LISTED,
                          SERIES_UNFIXED_WHOLE_LISTED, SERIES_FIXED_TUPLES, SERIES_UNFIXED_TUPLES})
        EXPECT_FALSE(computeWindowLayout(CLIENT, LINE, TASK_JOINT, type, 20).hasLostSelector) << type;
}

TEST(WindowLayout, ClientOriginShiftsTheGraphArea) {
    const WindowLayout layout = recognitionLayout({100, 50, 1700, 1050});
    EXPECT_EQ(layout.rcGraph, (Rect{110, 60, 1534, 1037}));
    EXPECT_EQ(layout.rcEtalonCells[0], (Rect{120, 70, 392, 301}));
    EXPECT_EQ(layout.rcExitButton, (Rect{1546, 1008, 1689, 1039}));
}

TEST(WindowLayout, TinyClientAreaGivesEmptyCellsNotWrappedOnes) {
    // 200 pixels wide: the room left of the buttons is negative.
    const WindowLayout layout = recognitionLayout({0, 0, 200, 100});
    EXPECT_EQ(layout.wCellWidth, 0);
    EXPECT_EQ(layout.wCellInnerWidth, 0);
    EXPECT_EQ(layout.wCellHeight, (81 - 50) / 4);
    EXPECT_EQ(layout.wCellInnerHeight, 0);  // 7 pixels of cell leave no inner height
    EXPECT_EQ(layout.rcGraph.right, 10 + 60 - 1);
    EXPECT_LT(layout.rcEtalonCells[0].right, layout.rcEtalonCells[0].left);  // hit by no point
}

TEST(WindowLayout, InvalidationAreas) {
    const WindowLayout layout = recognitionLayout();
    EXPECT_EQ(graphInvalidationArea(layout), (Rect{10, 0, 1436, 989}));
    EXPECT_EQ(buttonInvalidationArea(layout), (Rect{1446, 790, 1590, 906}));
}

}  // namespace
}  // namespace tessaline
