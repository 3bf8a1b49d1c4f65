#include "panels/subset_panel_layout.h"

#include <algorithm>

namespace tessaline {

SubsetPanelLayout subsetPanelLayout(const Rect& graph, int32_t lineHeight, int32_t charWidth,
                                    int32_t widestCaption, int32_t alphabetEntries, int32_t reservedRows,
                                    bool table) noexcept {
    SubsetPanelLayout l;
    l.graph = graph;
    const int32_t W = graph.right - graph.left + 1;
    const int32_t H = graph.bottom - graph.top + 1;
    l.gx = W / 170;
    l.gy = H / 131;
    l.h = lineHeight;
    l.c = charWidth;

    const int32_t L0 = graph.left + l.gx;
    const int32_t R0 = graph.right - l.gx;
    const int32_t IW = R0 - L0 + 1;
    const int32_t T0 = graph.top + l.gy;
    const int32_t UH = (H - 3 * l.gy) / 4;
    l.upperArea = {L0, T0, R0, T0 + UH};

    const int32_t Z = SUBSET_PANEL_ENTRIES;
    l.gridRows = (std::max(alphabetEntries, 1) - 1) / Z + 1;
    l.cellWidth = std::max((IW - (Z + 1) * l.gx) / Z, 0);
    l.cellHeight = std::max((UH - (l.gridRows + 1) * l.gy) / l.gridRows, 0);

    const int32_t subsetTop = T0 + UH + l.gy + l.h;
    l.subsetArea = {L0, subsetTop, R0, subsetTop + l.cellHeight + 2 * l.gy};

    const int32_t rowWidth = l.subsetArea.right - l.subsetArea.left;
    const int32_t roomPerButton = table ? (rowWidth - 10 * l.c) / 6 : (rowWidth - 6 * l.c) / 4;
    l.buttonWidth = std::max(std::min(widestCaption + 4 * l.c, roomPerButton), 0);
    l.buttonHeight = 2 * l.h - 1;
    l.buttonTop = l.subsetArea.bottom + l.h / 2;

    const int32_t S = std::max(reservedRows, 1);
    l.captionTop = l.buttonTop + l.buttonHeight + l.h / 2;
    l.tableTop = l.captionTop + l.h;
    const int32_t TH = graph.bottom - (l.tableTop + l.gy);
    l.rowsPerColumn = (S + 1) / 2;
    l.rowWidth = (IW - l.gx) / 2;
    l.rowHeight = std::max((TH - (l.rowsPerColumn - 1) * l.gy) / l.rowsPerColumn, 0);
    l.entryWidth = std::max((l.rowWidth - 2 * Z + 1) / Z, 0);
    l.entryHeight = l.rowHeight - 2;
    return l;
}

Rect etalonCellRect(const SubsetPanelLayout& l, int32_t i) noexcept {
    const int32_t column = i % SUBSET_PANEL_ENTRIES;
    const int32_t row = i / SUBSET_PANEL_ENTRIES;
    const int32_t left = l.upperArea.left + l.gx + column * (l.cellWidth + l.gx);
    const int32_t top = l.upperArea.top + l.gy + row * (l.cellHeight + l.gy);
    return {left, top, left + l.cellWidth, top + l.cellHeight};
}

Rect subsetSlotRect(const SubsetPanelLayout& l, int32_t i) noexcept {
    const int32_t left = l.subsetArea.left + l.gx + i * (l.cellWidth + l.gx);
    const int32_t top = l.subsetArea.top + l.gy;
    return {left, top, left + l.cellWidth, top + l.cellHeight};
}

Rect thumbnailRect(const SubsetPanelLayout& l, const Rect& cell) noexcept {
    return {cell.left + l.gx, cell.top, cell.right - 2 * l.gx, cell.bottom - 2 * l.gy - l.h};
}

Rect subsetButtonRect(const SubsetPanelLayout& l, int32_t index, bool table) noexcept {
    const int32_t step = l.buttonWidth + 2 * l.c;
    int32_t left = l.subsetArea.left + index * step;
    if (table && index >= 2 && index <= 3) {
        left = l.subsetArea.right - 2 * (l.buttonWidth + l.c) + (index - 2) * step;
    } else if (table && index >= 4) {
        left = l.subsetArea.left + 2 * step + (index - 4) * step;
    }
    return {left, l.buttonTop, left + l.buttonWidth, l.buttonTop + l.buttonHeight};
}

Rect storedRowFrame(const SubsetPanelLayout& l, int32_t row) noexcept {
    const int32_t column = l.rowsPerColumn > 0 ? row / l.rowsPerColumn : 0;
    const int32_t inColumn = row - column * l.rowsPerColumn;
    const int32_t x = l.upperArea.left + column * (l.rowWidth + l.gx);
    const int32_t y = l.tableTop + inColumn * (l.rowHeight + l.gy);
    return {x, y, x + l.rowWidth + 1, y + l.rowHeight + 1};
}

Rect storedEntryRect(const SubsetPanelLayout& l, int32_t row, int32_t entry) noexcept {
    const Rect frame = storedRowFrame(l, row);
    const int32_t x = frame.left;
    const int32_t y = frame.top;
    return {x + entry * (l.entryWidth + 2) + 2, y + 1 - l.gy / 2, x + (entry + 1) * (l.entryWidth + 2) - 3,
            y + l.entryHeight - (l.gy + l.h - 1)};
}

}  // namespace tessaline
