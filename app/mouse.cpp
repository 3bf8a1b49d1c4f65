#include "app/mouse.h"

#include <algorithm>
#include <span>

#include "app/command_ids.h"
#include "app/commands.h"
#include "app/layout.h"
#include "app/mouse_panels.h"
#include "model/codes.h"
#include "model/subsets.h"

namespace tessaline {
namespace {

bool subsetEmpty(const AppState& state) { return state.subsetPanel.dwEntries == 0; }

// Leaves the panels for the subset view, where a tuples series gets its tuple composed.
void openSubsetView(Window& window, AppState& state) {
    state.view.dwViewMode = VIEW_SUBSETS;
    window.sendCommand(CMD_SELECT_SET_OF_PULSES);
}

bool clickRestart(Window& window, AppState& state, Point at) {
    if (!hitsRect(state.painted.layout.rcRestartButton, at)) return false;
    if (isTuplesSeriesType(state.task.wSeriesType)) {
        openSubsetView(window, state);
        return true;
    }
    state.view.dwViewMode = VIEW_ALPHABET;
    state.redraw.dwRedrawButtons = 1;
    window.sendCommand(CMD_REFRESH_ALPHABET);
    return true;
}

// Next in the result, subset and parameters views.
bool clickNext(Window& window, AppState& state, Point at) {
    if (!hitsRect(state.painted.layout.rcNextButton, at)) return false;
    const bool tuplesSeries = state.view.dwViewMode == VIEW_PARAMETERS
                                  ? isTuplesSeriesType(state.task.wSeriesType)
                                  : state.task.wSeriesType == SERIES_FIXED_TUPLES;
    if (tuplesSeries && subsetEmpty(state)) {
        openSubsetView(window, state);
        return true;
    }
    if (state.view.dwViewMode == VIEW_SUBSETS && !storeComposedSubset(window, state)) {
        window.sendCommand(CMD_REFRESH_SUBSET_CELLS);
        return true;
    }
    clearSelectorRedraws(state);
    state.redraw.dwRedrawButtons = 1;
    showNewData(window, state);
    return true;
}

bool clickExit(Window& window, const AppState& state, Point at) {
    if (!hitsRect(state.painted.layout.rcExitButton, at)) return false;
    window.sendCommand(CMD_CLOSE);
    return true;
}

// Select All / Unselect All, as the button last offered.
bool clickSelectionButton(Window& window, AppState& state, Point at) {
    if (!hasSelectionButton(state.task.wTaskType) || !hitsRect(state.painted.layout.rcSelectButton, at))
        return false;
    const uint16_t flag = shownSelectAll(state.painted) != 0 ? 1 : 0;
    std::fill(std::begin(state.selection.wRequiredFlags), std::end(state.selection.wRequiredFlags),
              uint16_t{0});
    std::fill_n(state.selection.wRequiredFlags,
                std::min<int>(state.alphabet.wEtalonsQuantity, ALPHABET_CAPACITY), flag);
    rebuildRequiredList(state);
    if (state.view.dwViewMode != VIEW_ALPHABET) state.redraw.dwRedrawButtons = 1;
    state.view.dwViewMode = VIEW_ALPHABET;
    window.sendCommand(CMD_REFRESH_ALPHABET);
    return true;
}

// The row of `rows` (as many as the selector offers) that contains the point, or -1.
int selectorRow(const Rect (&rows)[SELECTOR_ROWS], const SelectorChoices& choices, Point at) {
    const int offered = std::clamp(choices[0], 0, SELECTOR_ROWS);
    for (int i = 0; i < offered; ++i) {
        if (hitsRect(rows[i], at)) return i;
    }
    return -1;
}

enum class Selector { Length, Noise, Lost };

void setSelectorIndex(AppState& state, Selector selector, int32_t index) {
    switch (selector) {
        case Selector::Length: state.series.dwSeriesLengthIndex = index; break;
        case Selector::Noise: state.noise.dwNoiseLevelIndex = index; break;
        case Selector::Lost: state.noise.dwLostDataIndex = index; break;
    }
}

// Series length and noise level: the requested value, then a new series unless a tuples series
// still needs its tuple or the subset view has nothing to store.
void chooseLengthOrNoise(Window& window, AppState& state, Selector selector, int32_t index) {
    if (selector == Selector::Length) {
        state.redraw.dwRedrawLength = index != state.series.dwSeriesLengthIndex ? 1 : 0;
        chooseSeriesLength(state, index);
    } else {
        state.redraw.dwRedrawNoise = index != state.noise.dwNoiseLevelIndex ? 1 : 0;
        chooseNoiseLevel(state, index);
    }
    if (isTuplesSeriesType(state.task.wSeriesType) && subsetEmpty(state)) {
        openSubsetView(window, state);
        return;
    }
    if (state.view.dwViewMode == VIEW_SUBSETS && !storeComposedSubset(window, state)) {
        refreshFlaggedSelectors(window, state);  // the chosen row moved all the same
        window.sendCommand(CMD_REFRESH_SUBSET_CELLS);
        return;
    }
    if (state.view.dwViewMode != VIEW_RESULT) state.redraw.dwRedrawButtons = 1;
    showNewData(window, state);
}

void chooseLostLevel(Window& window, AppState& state, int32_t index) {
    if (state.view.dwViewMode != VIEW_RESULT) state.redraw.dwRedrawButtons = 1;
    state.redraw.dwRedrawLost = index != state.noise.dwLostDataIndex ? 1 : 0;
    chooseLostData(state, index);
    showNewData(window, state);
}

void chooseSelectorEntry(Window& window, AppState& state, Selector selector, int32_t index) {
    if (state.selection.wRequiredQuantity == 0) {
        setSelectorIndex(state, selector, index);
        window.sendCommand(CMD_APPLY_SELECTORS);
        return;
    }
    if (selector == Selector::Lost) {
        chooseLostLevel(window, state, index);
    } else {
        chooseLengthOrNoise(window, state, selector, index);
    }
}

// The value selectors, the last targets of every view.
bool clickSelectors(Window& window, AppState& state, Point at) {
    struct Group {
        Selector selector;
        const Rect (&rows)[SELECTOR_ROWS];
        const SelectorChoices& choices;
        bool offered;
    };
    const Group groups[] = {
        {Selector::Length, state.painted.lengthRows, state.series.SeriesLengthChoices, true},
        {Selector::Noise, state.painted.noiseRows, state.noise.NoiseLevelChoices, true},
        {Selector::Lost, state.painted.lostRows, state.noise.LostDataChoices,
         hasLostDataSelector(state.task.wSeriesType)}};
    for (const Group& group : groups) {
        const int row = group.offered ? selectorRow(group.rows, group.choices, at) : -1;
        if (row < 0) continue;
        chooseSelectorEntry(window, state, group.selector, row + 1);
        return true;
    }
    return false;
}

// Exit, the selection button and the selectors, which end every view's targets.
bool clickLastTargets(Window& window, AppState& state, Point at) {
    return clickExit(window, state, at) || clickSelectionButton(window, state, at) ||
           clickSelectors(window, state, at);
}

// An etalon cell of the alphabet: the single selection of detection moves to it, any other task
// toggles it.
bool clickEtalonCell(Window& window, AppState& state, Point at) {
    const int cells = std::min(state.painted.layout.cellCount, ALPHABET_CAPACITY);
    for (int i = 0; i < cells; ++i) {
        if (!hitsRect(state.painted.layout.rcEtalonCells[i], at)) continue;
        if (state.task.wTaskType == TASK_DETECTION) {
            if (state.selection.wRequiredFlags[i] == 0) {
                std::fill(std::begin(state.selection.wRequiredFlags),
                          std::end(state.selection.wRequiredFlags), uint16_t{0});
                state.selection.wRequiredFlags[i] = 1;
            }
            state.redraw.dwRedrawButtons = 1;
            clearSelectorRedraws(state);
        } else {
            state.selection.wRequiredFlags[i] = state.selection.wRequiredFlags[i] != 0 ? 0 : 1;
        }
        state.view.dwViewMode = VIEW_ALPHABET;
        rebuildRequiredList(state);
        state.selection.dwPreviousEtalon = state.selection.dwCurrentEtalon;
        state.selection.dwCurrentEtalon = i + 1;
        window.sendCommand(CMD_MARK_ETALON);
        return true;
    }
    return false;
}

// Next in the alphabet view: a new series of the selected etalons, once there are any; a tuples
// series without its tuple opens the subset view first, shown at once.
bool clickAlphabetNext(Window& window, AppState& state, Point at) {
    if (!hitsRect(state.painted.layout.rcNextButton, at)) return false;
    rebuildRequiredList(state);
    if (isTuplesSeriesType(state.task.wSeriesType) && subsetEmpty(state)) {
        openSubsetView(window, state);
        return true;
    }
    if (state.selection.wRequiredQuantity == 0) {
        window.sendCommand(CMD_NONE);
        return true;
    }
    state.redraw.dwRedrawButtons = 1;
    clearSelectorRedraws(state);
    showNewData(window, state);
    return true;
}

// A stored tuple's row in the result view of tuple recognition: it becomes the tuple in use.
bool clickTupleChooser(Window& window, AppState& state, Point at) {
    if (state.task.wTaskType != TASK_TUPLES_RECOGNITION || !isTuplesSeriesType(state.task.wSeriesType))
        return false;
    const std::vector<Rect>& rows = state.painted.tupleRows;
    const auto hit =
        std::find_if(rows.begin(), rows.end(), [at](const Rect& row) { return hitsRect(row, at); });
    if (hit == rows.end()) return false;
    SubsetPanel& panel = state.subsetPanel;
    panel.dwChosenSubset = static_cast<int32_t>(hit - rows.begin()) + 1;
    const auto stored =
        static_cast<std::size_t>(std::clamp(panel.dwStoredSubsets, 0, panel.dwReservedSubsets));
    if (stored > 0 && panel.subsetRows != nullptr) {
        addSomeSelectedSubsetToSeriesHeader(
            window, std::span<const int32_t>(panel.selectedSubsetArraySize, stored),
            std::span<const int32_t* const>(panel.subsetRows, stored),
            static_cast<uint16_t>(panel.dwReservedSubsets), static_cast<uint16_t>(panel.dwEntryCapacity),
            panel.dwChosenSubset, state.subsets.wSubsetEmployment, state.subsets.wSubsetInitPosition,
            state.lpSeriesHeader);
    }
    showNewData(window, state);
    return true;
}

bool clickInAlphabetView(Window& window, AppState& state, Point at) {
    return clickEtalonCell(window, state, at) || clickAlphabetNext(window, state, at) ||
           clickLastTargets(window, state, at);
}

bool clickInResultView(Window& window, AppState& state, Point at) {
    return clickTupleChooser(window, state, at) || clickRestart(window, state, at) ||
           clickNext(window, state, at) || clickLastTargets(window, state, at);
}

bool clickInSubsetView(Window& window, AppState& state, Point at) {
    return clickSubsetPanel(window, state, at) || clickRestart(window, state, at) ||
           clickNext(window, state, at) || clickLastTargets(window, state, at);
}

bool clickInParametersView(Window& window, AppState& state, Point at) {
    return clickParamsPanel(window, state, at) || clickRestart(window, state, at) ||
           clickNext(window, state, at) || clickLastTargets(window, state, at);
}

}  // namespace

bool hitsRect(const Rect& rect, Point at) noexcept {
    return rect.left <= at.x && at.x <= rect.right && rect.top <= at.y && at.y <= rect.bottom;
}

void mouseButtonDown(Window& window, AppState& state, Point at) {
    bool hit = false;
    switch (state.view.dwViewMode) {
        case VIEW_ALPHABET: hit = clickInAlphabetView(window, state, at); break;
        case VIEW_RESULT: hit = clickInResultView(window, state, at); break;
        case VIEW_SUBSETS: hit = clickInSubsetView(window, state, at); break;
        case VIEW_PARAMETERS: hit = clickInParametersView(window, state, at); break;
        default: break;
    }
    if (!hit) window.sendCommand(CMD_NONE);
}

void mouseMove(Window& window, AppState& state, Point at) {
    if (state.view.dwViewMode == VIEW_PARAMETERS) moveOverParamsPanel(window, state, at);
}

void mouseButtonUp(Window& window, AppState& state, Point at) {
    if (state.view.dwViewMode == VIEW_PARAMETERS) releaseOverParamsPanel(window, state, at);
}

}  // namespace tessaline
