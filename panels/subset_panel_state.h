#pragma once
// The state of the subset selection panel: the subset being composed by clicking etalons (an
// ordered list of up to Z etalon numbers, some of which may be marked), and, for tuple
// recognition, a table of up to S stored subsets of which one is chosen. The operations are what
// the panel's clicks and buttons do to this state; the drawing and the rectangles it records are
// in subset_panel_view.h.
#include <cstdint>

#include "panels/subset_panel_layout.h"

namespace tessaline {

class Window;
struct SeriesHeader;

// Entries a subset can hold (Z).
inline constexpr int32_t SUBSET_ENTRY_CAPACITY = SUBSET_PANEL_ENTRIES;

struct SubsetPanel {
    SubsetPanel() = default;
    SubsetPanel(const SubsetPanel&) = delete;
    SubsetPanel& operator=(const SubsetPanel&) = delete;

    int32_t dwEntryCapacity = 0;        // Z: SUBSET_ENTRY_CAPACITY once set up, 0 before
    int32_t* selectedSubset = nullptr;  // [Z] etalon numbers being composed; owns subsetMarks too
    int32_t* subsetMarks = nullptr;     // [Z] non-zero = marked
    int32_t dwEntries = 0;              // L: entries of selectedSubset in use, 0..Z

    int32_t dwReservedSubsets = 0;               // S: rows of the stored table, taken from the setting once
    int32_t dwStoredSubsets = 0;                 // rows stored, 0..S
    int32_t dwChosenSubset = 0;                  // 1-based chosen stored row
    int32_t dwMarkAll = 0;                       // set: the next table paint marks every composed entry
    int32_t* selectedSubsetArraySize = nullptr;  // [S] size of each stored row
    int32_t** subsetRows = nullptr;              // [S] row pointers into subsetData, Z + 1 entries each
    int32_t* subsetData = nullptr;               // the block of all rows
};

// Sets the panel up on first use: Z entries for the subset being composed, and a table of S rows
// with S = `reservedSubsetCount` (raised to 1 at least, cut to 65535), all zeroed. Does nothing
// once set up. Returns 1, or 0 after an allocation failure: the message is shown without a
// caption, whatever this call allocated is released and the panel stays not set up, so the next
// call tries again.
int initSubsetPanel(Window& window, SubsetPanel& panel, int32_t reservedSubsetCount);

// Releases everything the panel holds and brings it back to its state before the first use.
void releaseSubsetPanel(SubsetPanel& panel) noexcept;

bool subsetPanelReady(const SubsetPanel& panel) noexcept;

// A click on an offered etalon: the marked entries are removed, then `etalon` is appended
// unmarked when there is room. With a full subset and nothing marked nothing changes.
void offerEtalonToSubset(SubsetPanel& panel, int32_t etalon) noexcept;

// A click in the subset row: every mark is cleared, then entry `entry` (0-based) is marked when it
// is in use. Pass -1 for a point between the slots.
void markSubsetEntry(SubsetPanel& panel, int32_t entry) noexcept;

// " Delete All " and " Cancel ": the subset being composed becomes empty.
void deleteAllSubsetEntries(SubsetPanel& panel) noexcept;

// " Delete ": the marked entries are removed, the others keep their order.
void deleteMarkedSubsetEntries(SubsetPanel& panel) noexcept;

// " OK ": puts the panel's subset in use in the series record with the employment mode and init
// position. For tuple recognition (taskType 40) the whole stored table goes into the record and
// its chosen row is put in use, when at least one row is stored; for any other task the subset
// being composed, when it has at least one entry. Returns true when the record took it (as the
// subset operations report it: a null record counts as taken), false when there was nothing to
// store or the record's table could not be allocated (with its message).
bool storeSubsetInSeries(Window& window, const SubsetPanel& panel, uint16_t taskType, uint16_t employment,
                         uint16_t initPosition, SeriesHeader* record);

// " Accept ": sets the mark-all flag; appends the subset being composed as the next stored row
// when the table has room and the subset is not empty; the last stored row becomes the chosen one.
void acceptComposedSubset(SubsetPanel& panel) noexcept;

// " Clear All ": sets the mark-all flag and empties the stored table.
void clearStoredSubsets(SubsetPanel& panel) noexcept;

// A click on the frame of stored row `row` (0-based) chooses it; rows not stored are ignored.
void chooseStoredSubset(SubsetPanel& panel, int32_t row) noexcept;

// For the table painter: when the mark-all flag is set, marks every entry of the subset being
// composed and clears the flag. Returns whether the flag was set.
bool applyMarkAll(SubsetPanel& panel) noexcept;

}  // namespace tessaline
