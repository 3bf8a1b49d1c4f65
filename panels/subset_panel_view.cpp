#include "panels/subset_panel_view.h"

#include <algorithm>

#include "draw/controls.h"
#include "panels/messages.h"
#include "panels/subset_panel_layout.h"
#include "platform/alloc.h"
#include "platform/formatting.h"

namespace tessaline {
namespace {

bool reportMissing(MessageSink& messages, const char* text) {
    messages.showMessage(text, panels_text::NO_CAPTION, MessageIcon::None);
    return false;
}

// Allocates the slot rectangles and the rows of the table, zeroed; false after the message, with
// whatever was allocated released by the caller.
bool allocateRects(MessageSink& messages, SubsetPanelRects& rects, int32_t S) {
    const std::size_t Z = SUBSET_PANEL_ENTRIES;
    const std::size_t rows = static_cast<std::size_t>(S);
    rects.possibleSubsetRect = memory::allocateZeroed<Rect>(Z);
    if (rects.possibleSubsetRect == nullptr) return reportMissing(messages, panels_text::NO_MEMORY_FOR_SLOTS);
    rects.possibleSubsetArrayRect = memory::allocateArray<Rect*>(rows);
    if (rects.possibleSubsetArrayRect == nullptr)
        return reportMissing(messages, panels_text::NO_MEMORY_FOR_ROW_SLOTS);
    rects.possibleSubsetArrayBlock = memory::allocateZeroed<Rect>(rows * (Z + 1));
    if (rects.possibleSubsetArrayBlock == nullptr)
        return reportMissing(messages, panels_text::NO_MEMORY_FOR_SLOTS);
    for (std::size_t r = 0; r < rows; ++r)
        rects.possibleSubsetArrayRect[r] = rects.possibleSubsetArrayBlock + r * (Z + 1);
    return true;
}

// Room for `buttons` button rectangles, zeroed; false after the message (the record is then
// released, so the next paint sets it up again).
bool reserveButtons(MessageSink& messages, SubsetPanelRects& rects, int32_t buttons) {
    if (rects.ButtonsWhileSelectedSubsetRect == nullptr || rects.dwButtonsCapacity < buttons) {
        memory::release(rects.ButtonsWhileSelectedSubsetRect);
        rects.dwButtonsCapacity = 0;
        rects.ButtonsWhileSelectedSubsetRect = memory::allocateArray<Rect>(static_cast<std::size_t>(buttons));
        if (rects.ButtonsWhileSelectedSubsetRect == nullptr) {
            releaseSubsetPanelRects(rects);
            return reportMissing(messages, panels_text::NO_MEMORY_FOR_BUTTONS);
        }
        rects.dwButtonsCapacity = buttons;
    }
    std::fill_n(rects.ButtonsWhileSelectedSubsetRect, rects.dwButtonsCapacity, Rect{});
    return true;
}

ThumbnailHighlight highlightOf(int32_t code) {
    switch (code) {
        case 1: return ThumbnailHighlight::Grey;
        case 2: return ThumbnailHighlight::Red;
        default: return ThumbnailHighlight::None;
    }
}

// The etalon's thumbnail in `area`; numbers outside the alphabet draw nothing.
void drawThumbnail(Canvas& canvas, const SubsetPanelInput& input, int32_t etalon, int32_t highlight,
                   const Rect& area) {
    if (etalon < 1 || static_cast<std::size_t>(etalon) > input.alphabet.size()) return;
    drawEtalonThumbnail(canvas, input.alphabet[static_cast<std::size_t>(etalon - 1)], input.amplitude,
                        highlightOf(highlight), area, input.lineHeight);
}

int32_t widestCaption(const Canvas& canvas, int32_t buttons) {
    int32_t widest = 0;
    for (int32_t i = 0; i < buttons; ++i)
        widest = std::max(widest, canvas.textExtent(SUBSET_BUTTON_CAPTIONS[i]).cx);
    return widest;
}

// The panel colour over the whole graph area with a black border, the white upper area, and the
// offered etalons in their cells.
void drawUpperArea(Canvas& canvas, const SubsetPanelInput& input, const SubsetPanelLayout& layout,
                   SubsetPanelRects& rects) {
    const Rect& g = input.graph;
    {
        const BrushGuard panel(canvas, Brush{kPanelColour});
        canvas.rectangle({g.left, g.top, g.right + 1, g.bottom + 1});
    }
    canvas.rectangle(layout.upperArea);
    rects.rcUpperArea = layout.upperArea;
    rects.dwCells = std::clamp(input.alphabetEntries, 0, ALPHABET_CAPACITY);
    for (int32_t i = 0; i < rects.dwCells; ++i) rects.cellRects[i] = etalonCellRect(layout, i);
    const int32_t offered = std::min(static_cast<int32_t>(input.offered.size()), rects.dwCells);
    for (int32_t i = 0; i < offered; ++i) {
        canvas.rectangle(rects.cellRects[i]);
        drawThumbnail(canvas, input, input.offered[static_cast<std::size_t>(i)], 0,
                      thumbnailRect(layout, rects.cellRects[i]));
    }
}

// The subset row: every slot's grey frame, then the entries that have a slot, marked ones grey.
void drawSubsetRow(Canvas& canvas, const SubsetPanelInput& input, const SubsetPanelLayout& layout,
                   int32_t slots, bool markAll, SubsetPanelRects& rects) {
    canvas.rectangle(layout.subsetArea);
    rects.rcSubsetArea = layout.subsetArea;
    rects.dwSlots = std::clamp(slots, 0, SUBSET_PANEL_ENTRIES);
    {
        const PenGuard grey(canvas, Pen{kSlotFrameGrey});
        const BrushGuard hollow(canvas, Brush{kWhite, true});
        for (int32_t i = 0; i < rects.dwSlots; ++i) {
            rects.possibleSubsetRect[i] = subsetSlotRect(layout, i);
            canvas.rectangle(rects.possibleSubsetRect[i]);
        }
    }
    const int32_t shown = std::min(static_cast<int32_t>(input.composed.size()), rects.dwSlots);
    for (int32_t i = 0; i < shown; ++i) {
        const std::size_t entry = static_cast<std::size_t>(i);
        const bool marked = markAll || (entry < input.marks.size() && input.marks[entry] != 0);
        canvas.rectangle(rects.possibleSubsetRect[i]);
        drawThumbnail(canvas, input, input.composed[entry], marked ? 1 : 0,
                      thumbnailRect(layout, rects.possibleSubsetRect[i]));
    }
}

void drawButtons(Canvas& canvas, const SubsetPanelLayout& layout, int32_t buttons, bool table,
                 SubsetPanelRects& rects) {
    const BrushGuard panel(canvas, Brush{kPanelColour});
    const Color background = canvas.setBackgroundColor(kPanelColour);
    for (int32_t i = 0; i < buttons; ++i) {
        rects.ButtonsWhileSelectedSubsetRect[i] = subsetButtonRect(layout, i, table);
        drawButton(canvas, rects.ButtonsWhileSelectedSubsetRect[i], SUBSET_BUTTON_CAPTIONS[i], layout.h);
    }
    rects.dwButtons = buttons;
    canvas.setBackgroundColor(background);
}

bool insideGraph(const Rect& area, const Rect& graph) {
    return area.top >= graph.top && area.bottom <= graph.bottom + 1 && area.right <= graph.right + 1;
}

// The stored rows: the caption, every row's frame in the free-row colour, then the stored rows in
// black on white with their etalons, the chosen one red. Rows that would leave the graph area are
// not laid out.
void drawTable(Canvas& canvas, const SubsetPanelInput& input, const SubsetPanelLayout& layout,
               SubsetPanelRects& rects) {
    canvas.textOut(layout.upperArea.left, layout.captionTop,
                   formatted(" reserved subsets %d ", rects.dwReservedSubsets));
    rects.dwRowsShown = 0;
    while (rects.dwRowsShown < rects.dwReservedSubsets &&
           insideGraph(storedRowFrame(layout, rects.dwRowsShown), input.graph)) {
        Rect* row = rects.possibleSubsetArrayRect[rects.dwRowsShown];
        for (int32_t j = 0; j < SUBSET_PANEL_ENTRIES; ++j)
            row[j] = storedEntryRect(layout, rects.dwRowsShown, j);
        row[SUBSET_PANEL_ENTRIES] = storedRowFrame(layout, rects.dwRowsShown);
        ++rects.dwRowsShown;
    }
    {
        const PenGuard free(canvas, Pen{kFreeRowColour});
        const BrushGuard panel(canvas, Brush{kPanelColour});
        for (int32_t r = 0; r < rects.dwRowsShown; ++r)
            canvas.rectangle(rects.possibleSubsetArrayRect[r][SUBSET_PANEL_ENTRIES]);
    }
    const int32_t stored = std::min(static_cast<int32_t>(input.storedSizes.size()), rects.dwRowsShown);
    for (int32_t r = 0; r < stored; ++r) {
        const Rect* row = rects.possibleSubsetArrayRect[r];
        canvas.rectangle(row[SUBSET_PANEL_ENTRIES]);
        const std::size_t k = static_cast<std::size_t>(r);
        const int32_t size = std::clamp(input.storedSizes[k], 0, SUBSET_PANEL_ENTRIES);
        for (int32_t j = 0; j < size; ++j)
            drawThumbnail(canvas, input, input.storedRows[k][j], r + 1 == input.chosen ? 2 : 0, row[j]);
    }
}

int drawSubsetPanel(MessageSink& messages, Canvas& canvas, const SubsetPanelInput& input,
                    SubsetPanelRects& rects, bool table) {
    const int32_t buttons = table ? SUBSET_BUTTON_COUNT : SINGLE_SUBSET_BUTTONS;
    if (initSubsetPanelRects(messages, rects, input.reservedRows) == 0) return 0;
    if (!reserveButtons(messages, rects, buttons)) return 0;
    const SubsetPanelLayout layout =
        subsetPanelLayout(input.graph, input.lineHeight, input.charWidth, widestCaption(canvas, buttons),
                          input.alphabetEntries, rects.dwReservedSubsets, table);
    const PenGuard black(canvas, Pen{kBlack});
    const BrushGuard white(canvas, Brush{kWhite});
    const BackgroundMode mode = canvas.setBackgroundMode(BackgroundMode::Transparent);
    drawUpperArea(canvas, input, layout, rects);
    drawSubsetRow(canvas, input, layout, table ? SUBSET_PANEL_ENTRIES : input.maxPulses,
                  table && input.markAll, rects);
    drawButtons(canvas, layout, buttons, table, rects);
    if (table) drawTable(canvas, input, layout, rects);
    canvas.setBackgroundMode(mode);
    return 1;
}

}  // namespace

SubsetPanelRects::~SubsetPanelRects() { releaseSubsetPanelRects(*this); }

int initSubsetPanelRects(MessageSink& messages, SubsetPanelRects& rects, int32_t reservedRows) {
    releaseSubsetPanelRects(rects);
    rects.dwReservedSubsets = std::clamp<int32_t>(reservedRows, 1, UINT16_MAX);
    if (allocateRects(messages, rects, rects.dwReservedSubsets)) {
        rects.dwEntryCapacity = SUBSET_PANEL_ENTRIES;
        return 1;
    }
    releaseSubsetPanelRects(rects);
    return 0;
}

void releaseSubsetPanelRects(SubsetPanelRects& rects) noexcept {
    memory::release(rects.possibleSubsetRect);
    memory::release(rects.possibleSubsetArrayRect);
    memory::release(rects.possibleSubsetArrayBlock);
    memory::release(rects.ButtonsWhileSelectedSubsetRect);
    rects.dwEntryCapacity = rects.dwReservedSubsets = 0;
    rects.dwSlots = rects.dwRowsShown = rects.dwCells = 0;
    rects.dwButtonsCapacity = rects.dwButtons = 0;
}

SubsetPanelGeometry subsetPanelGeometryOf(const SubsetPanelRects& rects) {
    SubsetPanelGeometry geometry;
    geometry.upperArea = rects.rcUpperArea;
    geometry.subsetArea = rects.rcSubsetArea;
    geometry.cells.assign(rects.cellRects, rects.cellRects + rects.dwCells);
    if (rects.possibleSubsetRect != nullptr)
        geometry.subsetSlots.assign(rects.possibleSubsetRect, rects.possibleSubsetRect + rects.dwSlots);
    if (rects.ButtonsWhileSelectedSubsetRect != nullptr) {
        geometry.buttons.assign(rects.ButtonsWhileSelectedSubsetRect,
                                rects.ButtonsWhileSelectedSubsetRect + rects.dwButtons);
    }
    for (int32_t r = 0; r < rects.dwRowsShown; ++r)
        geometry.rowFrames.push_back(rects.possibleSubsetArrayRect[r][SUBSET_PANEL_ENTRIES]);
    return geometry;
}

int drawSingleSubsetPanel(MessageSink& messages, Canvas& canvas, const SubsetPanelInput& input,
                          SubsetPanelRects& rects) {
    return drawSubsetPanel(messages, canvas, input, rects, false);
}

int drawSubsetTablePanel(MessageSink& messages, Canvas& canvas, const SubsetPanelInput& input,
                         SubsetPanelRects& rects) {
    return drawSubsetPanel(messages, canvas, input, rects, true);
}

}  // namespace tessaline
