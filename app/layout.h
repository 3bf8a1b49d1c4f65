#pragma once
// The main window's layout: the button column at the right edge, the graph area sized to the
// alphabet grid, the value selectors beside it and the etalon cells. Recomputed from the client
// rectangle and the font's line height at every paint; the mouse handling hit-tests the same
// rectangles (inclusive of right and bottom).
#include <cstdint>

#include "model/records.h"
#include "platform/geometry.h"

namespace tessaline {

// Every button rectangle holds one 144 x 32 bitmap: right = left + 143, bottom = top + 31.
struct WindowLayout {
    Rect rcExitButton;
    Rect rcNextButton;
    Rect rcSelectButton;  // meaningless when hasSelectButton is false
    bool hasSelectButton = false;
    Rect rcRestartButton;
    Rect rcButtonArea;
    Rect rcGraph;
    Rect rcLengthSelector;
    Rect rcNoiseSelector;
    Rect rcLostSelector;  // meaningless when hasLostSelector is false
    bool hasLostSelector = false;
    int gridRows = 0;     // k
    int gridColumns = 0;  // k + 1
    uint16_t wCellWidth = 0;
    uint16_t wCellHeight = 0;
    uint16_t wCellInnerWidth = 0;
    uint16_t wCellInnerHeight = 0;
    Rect rcEtalonCells[ALPHABET_CAPACITY];
    int cellCount = 0;  // cells laid out, one per etalon (at most ALPHABET_CAPACITY)
};

// The selection button (Select All / Unselect All) exists for every task but detection and the
// two tuples tasks.
bool hasSelectionButton(uint16_t taskType) noexcept;
// The lost-data selector exists only for series of cut-off pulses.
bool hasLostDataSelector(uint16_t seriesType) noexcept;

// Rows k of the alphabet grid: the least k >= 1 with k (k + 1) >= etalons; the grid has k + 1
// columns.
int alphabetGridRows(int etalons) noexcept;

// The layout for the client rectangle `client` (left, top, right, bottom as the platform gives
// them) and the text line height of the window font. The grid is laid out for at most
// ALPHABET_CAPACITY etalons. A client area too small for the grid gives cells (and inner cells)
// of zero size rather than negative sizes wrapped round to huge ones.
WindowLayout computeWindowLayout(const Rect& client, int lineHeight, uint16_t taskType, uint16_t seriesType,
                                 uint16_t etalonsQuantity) noexcept;

// What the refresh commands invalidate (an area's right column and bottom row are left out): the
// graph area with its top moved up by 10 pixels (the titles above the strips) and widened by two
// pixels to the right and bottom (the views' frames are drawn on its last column and row and the
// one after), and the button area widened by one pixel to the right and bottom.
Rect graphInvalidationArea(const WindowLayout& layout) noexcept;
Rect buttonInvalidationArea(const WindowLayout& layout) noexcept;

}  // namespace tessaline
