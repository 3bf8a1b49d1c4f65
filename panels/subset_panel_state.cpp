#include "panels/subset_panel_state.h"

#include <algorithm>
#include <span>

#include "model/codes.h"
#include "model/subsets.h"
#include "panels/messages.h"
#include "platform/alloc.h"
#include "platform/window.h"

namespace tessaline {
namespace {

// Entries of one stored row: a whole subset and one spare.
std::size_t rowLength(const SubsetPanel& panel) { return std::size_t(panel.dwEntryCapacity) + 1; }

bool reportMissing(Window& window, const char* text) {
    window.showMessage(text, panels_text::NO_CAPTION, MessageIcon::None);
    return false;
}

// Allocates the panel's arrays for Z entries and S rows, zeroed; false after the message, with
// whatever was allocated released by the caller.
bool allocatePanel(Window& window, SubsetPanel& panel, int32_t S) {
    const std::size_t Z = SUBSET_ENTRY_CAPACITY;
    panel.selectedSubset = memory::allocateZeroed<int32_t>(2 * Z);
    if (panel.selectedSubset == nullptr)
        return reportMissing(window, panels_text::NO_MEMORY_FOR_SELECTED_SUBSET);
    panel.subsetMarks = panel.selectedSubset + Z;

    const std::size_t rows = static_cast<std::size_t>(S);
    panel.selectedSubsetArraySize = memory::allocateZeroed<int32_t>(rows);
    if (panel.selectedSubsetArraySize == nullptr)
        return reportMissing(window, panels_text::NO_MEMORY_FOR_ROW_SIZES);

    panel.subsetRows = memory::allocateArray<int32_t*>(rows);
    if (panel.subsetRows == nullptr) return reportMissing(window, panels_text::NO_MEMORY_FOR_SELECTED_SUBSET);
    panel.subsetData = memory::allocateZeroed<int32_t>(rows * (Z + 1));
    if (panel.subsetData == nullptr) return reportMissing(window, panels_text::NO_MEMORY_FOR_SELECTED_SUBSET);
    for (std::size_t r = 0; r < rows; ++r) panel.subsetRows[r] = panel.subsetData + r * (Z + 1);
    return true;
}

}  // namespace

bool subsetPanelReady(const SubsetPanel& panel) noexcept {
    return panel.dwEntryCapacity == SUBSET_ENTRY_CAPACITY && panel.selectedSubset != nullptr;
}

int initSubsetPanel(Window& window, SubsetPanel& panel, int32_t reservedSubsetCount) {
    if (subsetPanelReady(panel)) return 1;
    releaseSubsetPanel(panel);
    const int32_t S = std::clamp<int32_t>(reservedSubsetCount, 1, UINT16_MAX);
    if (!allocatePanel(window, panel, S)) {
        releaseSubsetPanel(panel);
        return 0;
    }
    panel.dwEntryCapacity = SUBSET_ENTRY_CAPACITY;
    panel.dwReservedSubsets = S;
    return 1;
}

void releaseSubsetPanel(SubsetPanel& panel) noexcept {
    memory::release(panel.selectedSubset);
    panel.subsetMarks = nullptr;
    memory::release(panel.selectedSubsetArraySize);
    memory::release(panel.subsetRows);
    memory::release(panel.subsetData);
    panel.dwEntryCapacity = 0;
    panel.dwEntries = 0;
    panel.dwReservedSubsets = 0;
    panel.dwStoredSubsets = 0;
    panel.dwChosenSubset = 0;
    panel.dwMarkAll = 0;
}

void deleteMarkedSubsetEntries(SubsetPanel& panel) noexcept {
    if (!subsetPanelReady(panel)) return;
    int32_t kept = 0;
    for (int32_t i = 0; i < panel.dwEntries; ++i) {
        if (panel.subsetMarks[i] != 0) continue;
        panel.selectedSubset[kept] = panel.selectedSubset[i];
        panel.subsetMarks[kept] = 0;
        ++kept;
    }
    for (int32_t i = kept; i < panel.dwEntries; ++i) panel.selectedSubset[i] = panel.subsetMarks[i] = 0;
    panel.dwEntries = kept;
}

void offerEtalonToSubset(SubsetPanel& panel, int32_t etalon) noexcept {
    if (!subsetPanelReady(panel)) return;
    deleteMarkedSubsetEntries(panel);
    if (panel.dwEntries >= panel.dwEntryCapacity) return;
    panel.selectedSubset[panel.dwEntries] = etalon;
    panel.subsetMarks[panel.dwEntries] = 0;
    ++panel.dwEntries;
}

void markSubsetEntry(SubsetPanel& panel, int32_t entry) noexcept {
    if (!subsetPanelReady(panel)) return;
    std::fill_n(panel.subsetMarks, panel.dwEntryCapacity, 0);
    if (entry >= 0 && entry < panel.dwEntries) panel.subsetMarks[entry] = 1;
}

void deleteAllSubsetEntries(SubsetPanel& panel) noexcept {
    if (!subsetPanelReady(panel)) return;
    std::fill_n(panel.selectedSubset, panel.dwEntryCapacity, 0);
    std::fill_n(panel.subsetMarks, panel.dwEntryCapacity, 0);
    panel.dwEntries = 0;
}

bool storeSubsetInSeries(Window& window, const SubsetPanel& panel, uint16_t taskType, uint16_t employment,
                         uint16_t initPosition, SeriesHeader* record) {
    if (!subsetPanelReady(panel)) return false;
    if (taskType == TASK_TUPLES_RECOGNITION) {
        if (panel.dwStoredSubsets < 1) return false;
        const std::size_t stored = static_cast<std::size_t>(panel.dwStoredSubsets);
        return addSomeSelectedSubsetToSeriesHeader(
                   window, std::span<const int32_t>(panel.selectedSubsetArraySize, stored),
                   std::span<const int32_t* const>(panel.subsetRows, stored),
                   static_cast<uint16_t>(panel.dwReservedSubsets),
                   static_cast<uint16_t>(panel.dwEntryCapacity), panel.dwChosenSubset, employment,
                   initPosition, record) != 0;
    }
    if (panel.dwEntries < 1) return false;
    setSeriesSubset({panel.selectedSubset, static_cast<std::size_t>(panel.dwEntries)}, employment,
                    initPosition, record);
    return true;
}

void acceptComposedSubset(SubsetPanel& panel) noexcept {
    if (!subsetPanelReady(panel)) return;
    panel.dwMarkAll = 1;
    // An empty subset is not a tuple: storing it would put an empty subset in use.
    if (panel.dwStoredSubsets < panel.dwReservedSubsets && panel.dwEntries > 0) {
        const int32_t row = panel.dwStoredSubsets;
        std::copy_n(panel.selectedSubset, panel.dwEntries, panel.subsetRows[row]);
        std::fill(panel.subsetRows[row] + panel.dwEntries, panel.subsetRows[row] + rowLength(panel), 0);
        panel.selectedSubsetArraySize[row] = panel.dwEntries;
        ++panel.dwStoredSubsets;
    }
    panel.dwChosenSubset = panel.dwStoredSubsets;
}

void clearStoredSubsets(SubsetPanel& panel) noexcept {
    if (!subsetPanelReady(panel)) return;
    panel.dwMarkAll = 1;
    panel.dwStoredSubsets = 0;
}

void chooseStoredSubset(SubsetPanel& panel, int32_t row) noexcept {
    if (row >= 0 && row < panel.dwStoredSubsets) panel.dwChosenSubset = row + 1;
}

bool applyMarkAll(SubsetPanel& panel) noexcept {
    if (panel.dwMarkAll == 0) return false;
    if (subsetPanelReady(panel)) std::fill_n(panel.subsetMarks, panel.dwEntries, 1);
    panel.dwMarkAll = 0;
    return true;
}

}  // namespace tessaline
