#pragma once
// The subset selection panel as drawn: the etalon cells offered in the upper area, the slots of the
// subset being composed, the buttons and, for tuple recognition, the table of stored subsets. The
// painters read the panel's state through SubsetPanelInput and record every rectangle a click is
// tested against in a SubsetPanelRects record, whose arrays come from the allocation seam.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "draw/canvas.h"
#include "model/records.h"
#include "panels/subset_panel_layout.h"
#include "platform/message_sink.h"

namespace tessaline {

inline constexpr Color kPanelColour = rgb(235, 240, 225);
inline constexpr Color kSlotFrameGrey = rgb(160, 160, 160);
inline constexpr Color kFreeRowColour = rgb(215, 220, 205);

// The buttons in their order in ButtonsWhileSelectedSubsetRect: the single-subset painter has the
// first four, the table painter all six.
enum SubsetPanelButton : int32_t {
    SUBSET_DELETE_ALL,
    SUBSET_DELETE,
    SUBSET_CANCEL,
    SUBSET_OK,
    SUBSET_ACCEPT,
    SUBSET_CLEAR_ALL,
    SUBSET_BUTTON_COUNT
};
inline constexpr int32_t SINGLE_SUBSET_BUTTONS = 4;
inline constexpr std::string_view SUBSET_BUTTON_CAPTIONS[SUBSET_BUTTON_COUNT] = {
    " Delete All ", " Delete ", " Cancel ", " OK ", " Accept ", " Clear All "};

// What the painters draw from: the panel's state and the application's etalons.
struct SubsetPanelInput {
    Rect graph;                             // the graph area, right and bottom included
    int32_t lineHeight = 0;                 // h
    int32_t charWidth = 0;                  // c, the average character width of the window font
    int32_t amplitude = 0;                  // A, the thumbnails' amplitude bound
    std::span<const PulseHeader> alphabet;  // etalon e is entry e - 1
    int32_t alphabetEntries = 0;            // cells laid out (at most ALPHABET_CAPACITY)
    std::span<const uint16_t> offered;      // the required etalons, one cell each
    int32_t maxPulses = 0;                  // the single-subset painter's slots (at most Z)
    std::span<const int32_t> composed;      // the L entries of the subset being composed
    std::span<const int32_t> marks;         // their marks, non-zero = marked
    bool markAll = false;                   // the table painter marks every composed entry
    int32_t reservedRows = 0;               // S
    std::span<const int32_t> storedSizes;   // the sizes of the stored rows
    std::span<const int32_t* const> storedRows;
    int32_t chosen = 0;  // 1-based chosen stored row
};

// The rectangles the painter recorded for the mouse, all right and bottom excluded as drawn. The
// arrays are sized by initSubsetPanelRects for Z entries and S table rows.
struct SubsetPanelRects {
    SubsetPanelRects() = default;
    ~SubsetPanelRects();
    SubsetPanelRects(const SubsetPanelRects&) = delete;
    SubsetPanelRects& operator=(const SubsetPanelRects&) = delete;

    int32_t dwEntryCapacity = 0;               // Z; 0 before set up
    int32_t dwReservedSubsets = 0;             // S
    Rect* possibleSubsetRect = nullptr;        // [Z] slots of the subset row
    int32_t dwSlots = 0;                       // slots laid out
    Rect** possibleSubsetArrayRect = nullptr;  // [S] rows: entries 0..Z-1, the row frame at Z
    Rect* possibleSubsetArrayBlock = nullptr;  // the block of all rows
    int32_t dwRowsShown = 0;                   // table rows laid out inside the graph area
    Rect cellRects[ALPHABET_CAPACITY] = {};    // the etalon cells of the upper area
    int32_t dwCells = 0;
    Rect* ButtonsWhileSelectedSubsetRect = nullptr;
    int32_t dwButtonsCapacity = 0;
    int32_t dwButtons = 0;  // buttons of the painter that last drew
    Rect rcUpperArea;
    Rect rcSubsetArea;
};

// The rectangles of a drawn panel as plain values, for the window to keep after the paint: the
// upper area, the subset row, the etalon cells, the slots, the buttons (in SubsetPanelButton
// order) and the frames of the table rows laid out.
struct SubsetPanelGeometry {
    Rect upperArea;
    Rect subsetArea;
    std::vector<Rect> cells;
    std::vector<Rect> subsetSlots;
    std::vector<Rect> buttons;
    std::vector<Rect> rowFrames;
};

SubsetPanelGeometry subsetPanelGeometryOf(const SubsetPanelRects& rects);

// Sets the record up for Z = 10 entries and `reservedRows` table rows (1 .. 65535), zeroed,
// releasing what it held. Returns 1, or 0 after an allocation failure: the message is shown
// without a caption and the record is left released.
int initSubsetPanelRects(MessageSink& messages, SubsetPanelRects& rects, int32_t reservedRows);

void releaseSubsetPanelRects(SubsetPanelRects& rects) noexcept;

// The single-subset painter (every task but tuple recognition) and the table painter. Each sets
// the record up, draws the panel and records its rectangles; 1 when drawn, 0 when its memory could
// not be had (said on `messages`, nothing drawn).
int drawSingleSubsetPanel(MessageSink& messages, Canvas& canvas, const SubsetPanelInput& input,
                          SubsetPanelRects& rects);
int drawSubsetTablePanel(MessageSink& messages, Canvas& canvas, const SubsetPanelInput& input,
                         SubsetPanelRects& rects);

}  // namespace tessaline
