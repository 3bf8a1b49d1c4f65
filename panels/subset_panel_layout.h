#pragma once
// Where the subset selection panel puts its parts in the graph area (x0, y0, x1, y1), in units of
// gx = W / 170 and gy = H / 131 and of the window font's line height h and character width c:
// the upper area with its grid of ten etalon cells a row, the subset row with its slots below it,
// the buttons under that, and the two columns of stored rows filling the rest. Every rectangle is
// as drawn: right and bottom excluded.
#include <cstdint>

#include "platform/geometry.h"

namespace tessaline {

// Entries of one subset (Z), and so slots of the subset row and entries of a stored row.
inline constexpr int32_t SUBSET_PANEL_ENTRIES = 10;

struct SubsetPanelLayout {
    Rect graph;  // right and bottom included
    int32_t gx = 0;
    int32_t gy = 0;
    int32_t h = 0;
    int32_t c = 0;
    Rect upperArea;
    int32_t gridRows = 0;
    int32_t cellWidth = 0;   // cw
    int32_t cellHeight = 0;  // ch
    Rect subsetArea;
    int32_t buttonWidth = 0;   // BW
    int32_t buttonHeight = 0;  // BH
    int32_t buttonTop = 0;
    int32_t captionTop = 0;     // Tt, the line of " reserved subsets "
    int32_t tableTop = 0;       // the first row, a line below Tt
    int32_t rowsPerColumn = 0;  // (S + 1) / 2
    int32_t rowWidth = 0;       // CW
    int32_t rowHeight = 0;      // RH
    int32_t entryWidth = 0;     // EW
    int32_t entryHeight = 0;    // EH
};

// The layout for `alphabetEntries` etalon cells (1 .. ALPHABET_CAPACITY), S = `reservedRows` table
// rows, and buttons as wide as the widest caption plus 4 c, narrowed where the subset row is too
// short for all of them side by side (the table painter's six, or the single-subset painter's
// four). The stored rows start a line below Tt, leaving that line to the table's caption.
SubsetPanelLayout subsetPanelLayout(const Rect& graph, int32_t lineHeight, int32_t charWidth,
                                    int32_t widestCaption, int32_t alphabetEntries, int32_t reservedRows,
                                    bool table) noexcept;

// Cell i of the etalon grid, row-major, ten to a row.
Rect etalonCellRect(const SubsetPanelLayout& layout, int32_t i) noexcept;
// Slot i of the subset row.
Rect subsetSlotRect(const SubsetPanelLayout& layout, int32_t i) noexcept;
// Where an etalon's thumbnail goes inside a cell or slot.
Rect thumbnailRect(const SubsetPanelLayout& layout, const Rect& cell) noexcept;
// Button `index` of SubsetPanelButton; the table painter puts " Cancel " and " OK " at the right
// and " Accept " and " Clear All " after " Delete ".
Rect subsetButtonRect(const SubsetPanelLayout& layout, int32_t index, bool table) noexcept;
// The frame of stored row r (the first column top down, then the second), and its entry j.
Rect storedRowFrame(const SubsetPanelLayout& layout, int32_t row) noexcept;
Rect storedEntryRect(const SubsetPanelLayout& layout, int32_t row, int32_t entry) noexcept;

}  // namespace tessaline
