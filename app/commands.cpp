#include "app/commands.h"

#include <algorithm>
#include <span>

#include "app/layout.h"
#include "app/menu_commands.h"
#include "app/mouse_panels.h"
#include "app/simulation_commands.h"
#include "app/startup.h"
#include "app/state.h"
#include "model/codes.h"
#include "model/random.h"
#include "panels/subset_panel_state.h"
#include "platform/alloc.h"
#include "platform/window.h"
#include "processing/chains.h"
#include "processing/dispatch.h"
#include "processing/outcome.h"

namespace tessaline {
namespace {

// --- Refreshing window areas ---------------------------------------------------------------

void refreshGraph(Window& window, const AppState& state, bool erase) {
    window.invalidate(graphInvalidationArea(state.layout), erase);
}

void refreshButtonArea(Window& window, const AppState& state) {
    window.invalidate(buttonInvalidationArea(state.layout), true);
}

// Each selector area whose redraw flag is set, and the button area likewise; the flags are cleared.
void refreshFlaggedAreas(Window& window, AppState& state) {
    refreshFlaggedSelectors(window, state);
    if (state.dwRedrawButtons != 0) {
        refreshButtonArea(window, state);
        state.dwRedrawButtons = 0;
    }
}

// --- Etalon sequence and result capacity -----------------------------------------------------

// Grows the etalon sequence to the most pulses the settings allow (keeping its places, new ones
// holding the default etalon) and the result record's chains with it. False after a message.
bool growToMostPulses(Window& window, AppState& state) {
    if (state.wMaxPulses <= state.wEtalonSequenceCapacity && state.lpEtalonSequence != nullptr) return true;
    const uint16_t capacity = std::max<uint16_t>(state.wMaxPulses, 1);
    uint16_t* grown = memory::allocateArray<uint16_t>(capacity);
    if (grown == nullptr) {
        window.showMessage("Нет памяти для lpEtalonSequence!", "CM_INFO", MessageIcon::Warning);
        return false;
    }
    const uint16_t kept =
        state.lpEtalonSequence != nullptr ? std::min(state.wEtalonSequenceCapacity, capacity) : 0;
    std::copy_n(state.lpEtalonSequence, kept, grown);
    std::fill(grown + kept, grown + capacity, static_cast<uint16_t>(state.dwDefaultEtalon));
    memory::release(state.lpEtalonSequence);
    state.lpEtalonSequence = grown;
    state.wEtalonSequenceCapacity = capacity;
    state.wChainPulsesCapacity = state.wMaxPulses;
    state.lpChainsHeader =
        getChainsHeader(window, state.wChainsCapacity, state.wChainPulsesCapacity, state.lpChainsHeader);
    return state.lpChainsHeader != nullptr;
}

// --- The chain of a run ----------------------------------------------------------------------

// A new random etalon sequence drawn from the required etalons. With no etalon required there is
// nothing to draw from: the run stops with a message instead.
void newData(Window& window, AppState& state) {
    const uint16_t task = state.wTaskType;
    applyEffectiveTask(state);
    // The task's form decides the button column (the selection button) and the subset painter.
    if (state.wTaskType != task) window.invalidateAll(true);
    state.wSeriesPulses = state.wPulsesNumber;
    if (state.wTmin != 0) {
        state.wMaxPulses = static_cast<uint16_t>(
            (state.dwRequestedSeriesLength - state.wEtalonLength + state.wTmin) / state.wTmin);
    }
    if (!growToMostPulses(window, state)) return;
    if (state.wRequiredQuantity == 0 || state.lpRequiredList == nullptr) {
        window.showMessage("Не выбран ни один эталон!", "CM_INFO", MessageIcon::Warning);
        return;
    }
    for (uint16_t i = 0; i < state.wMaxPulses; ++i) {
        const int32_t r = (stdRand(state.states.dwRandState) >> 3) % state.wRequiredQuantity;
        state.lpEtalonSequence[i] = state.lpRequiredList[r];
    }
    window.sendCommand(CMD_TAKE_OVER);
}

// The values in use that the selectors mark (black when their chosen entry is in use).
struct MarkedValues {
    uint32_t length;
    int16_t noise;
    int16_t lost;
};

MarkedValues markedValues(const AppState& state) {
    return {state.dwSeriesLength, state.wNoiseLevel, state.wLostDataLevel};
}

// A selector whose value in use changed is drawn anew, whether or not its row was clicked.
void refreshRemarkedSelectors(Window& window, const AppState& state, const MarkedValues& before) {
    const WindowLayout& layout = state.layout;
    if (state.dwSeriesLength != before.length) window.invalidate(layout.rcLengthSelector, true);
    if (state.wNoiseLevel != before.noise) window.invalidate(layout.rcNoiseSelector, true);
    if (state.wLostDataLevel != before.lost && layout.hasLostSelector)
        window.invalidate(layout.rcLostSelector, true);
}

void takeOver(Window& window, AppState& state) {
    const MarkedValues before = markedValues(state);
    takeOverRequestedSettings(state);
    refreshRemarkedSelectors(window, state, before);
    if (!growToMostPulses(window, state)) return;
    if (state.wTaskType == TASK_DETECTION || state.wTaskType == TASK_RECOGNITION) {
        std::fill_n(state.lpEtalonSequence, state.wMaxPulses, state.lpEtalonSequence[0]);
    }
    window.sendCommand(CMD_MAKE_SERIES);
}

void makeSeries(Window& window, AppState& state) {
    const MarkedValues before = markedValues(state);
    state.dwSeriesLength = state.dwRequestedSeriesLength;
    state.wSeriesPulses = clampPulseCount(state, state.wPulsesNumber);
    state.wNoiseLevel = state.wRequestedNoiseLevel;
    refreshRemarkedSelectors(window, state, before);
    const bool made = makeSeriesInUse(window, state);
    if (state.lpSeriesHeader == nullptr) {
        window.showMessage("Не могу создать ряд!", "CM_INFO", MessageIcon::None);
        return;
    }
    // The maker said why no series was placed; the record still holds the previous series, which
    // must not be noised and processed again as if it were new.
    if (!made) return;
    window.sendCommand(CMD_ADD_NOISE);
}

void addNoiseToSeries(Window& window, AppState& state) {
    if (state.lpSeriesHeader == nullptr) return;
    addNoise(static_cast<uint16_t>(state.wNoiseLevel), *state.lpSeriesHeader, state.states.dwNoiseSeed);
    window.sendCommand(CMD_PROCESS);
}

// --- Processing ------------------------------------------------------------------------------

std::span<const int32_t> composedSubset(const SubsetPanel& panel) {
    if (!subsetPanelReady(panel)) return {};
    return {panel.selectedSubset, static_cast<std::size_t>(panel.dwEntries)};
}

std::size_t storedSubsetCount(const SubsetPanel& panel) {
    return subsetPanelReady(panel) ? static_cast<std::size_t>(panel.dwStoredSubsets) : 0;
}

void openSubsetPanel(Window& window, AppState& state) {
    state.dwViewMode = VIEW_SUBSETS;
    refreshGraph(window, state, true);
}

// What a run reads from the state: the settings, the required etalons as candidates, and the
// subset panel's tuple being composed and stored tuples.
ProcessingRequest processingRequest(AppState& state) {
    const std::span<const PulseHeader> alphabet(
        state.Alphabet, std::min<uint16_t>(state.wEtalonsQuantity, ALPHABET_CAPACITY));
    ProcessingRequest request;
    request.pulses.alphabet = alphabet;
    request.pulses.candidates = std::span<const uint16_t>(
        state.lpRequiredList, state.lpRequiredList != nullptr ? state.wRequiredQuantity : 0);
    request.pulses.Tmin = request.tuples.Tmin = state.wTmin;
    request.pulses.Tmax = request.tuples.Tmax = state.wTmax;
    request.pulses.level = request.tuples.level = state.wProcessingEnergyLevel;
    request.tuples.alphabet = alphabet;
    request.tuples.proceeding = state.wSubsetProceeding;
    request.tuples.debugRepeat = &state.dwDebugRepeat;
    const SubsetPanel& panel = state.subsetPanel;
    request.tuple = composedSubset(panel);
    request.sizes = std::span<const int32_t>(panel.selectedSubsetArraySize, storedSubsetCount(panel));
    request.rows = std::span<const int32_t* const>(panel.subsetRows, storedSubsetCount(panel));
    return request;
}

// Runs the algorithm of the task and series type and returns its outcome. A tuples run without
// its tuples opens the subset panel to compose them: detection then stops (as a failure),
// recognition with nothing composed is skipped (as accepting none) and the run goes on.
ProcessingOutcome runAlgorithm(Window& window, AppState& state, SeriesHeader& series) {
    const Algorithm algorithm = algorithmFor(state.wTaskType, state.wSeriesType);
    if (isTuplesAlgorithm(algorithm)) {
        const bool recognition = state.wTaskType == TASK_TUPLES_RECOGNITION;
        const SubsetPanel& panel = state.subsetPanel;
        if (composedSubset(panel).empty() || (recognition && storedSubsetCount(panel) == 0)) {
            openSubsetPanel(window, state);
        }
        if (composedSubset(panel).empty()) {
            return recognition ? ProcessingOutcome{ProcessingStatus::NoneAccepted} : failedProcessing();
        }
    }
    return runProcessing(window, productionAlgorithms(), algorithm, processingRequest(state),
                         state.lpChainsHeader, series);
}

void process(Window& window, AppState& state) {
    if (state.lpSeriesHeader == nullptr) return;
    // A run that failed has said why and written nothing: it is neither described nor shown.
    if (runAlgorithm(window, state, *state.lpSeriesHeader).failed()) return;
    if (addToChainsHeader(window, state.wSeriesType, state.wTaskType, state.wMakingEnergyLevel,
                          state.wProcessingEnergyLevel, state.lpChainsHeader) == 0) {
        window.showMessage("Ошибка addToChainsHeader!", " About ChainsHeader ", MessageIcon::None);
        return;
    }
    state.dwViewMode = VIEW_RESULT;
    state.wResultKind = RESULT_PROCESSING;
    ++state.dwCompletedRuns;
    window.sendCommand(CMD_REFRESH_RESULT);
}

// --- Refresh commands ------------------------------------------------------------------------

void refreshResult(Window& window, AppState& state) {
    refreshGraph(window, state, state.dwTypeMoreDetails == 0);
    refreshFlaggedAreas(window, state);
}

void applySelectors(Window& window, AppState& state) {
    const int32_t length = state.dwSeriesLengthIndex, noise = state.dwNoiseLevelIndex,
                  lost = state.dwLostDataIndex;
    chooseSeriesLength(state, length);
    chooseNoiseLevel(state, noise);
    chooseLostData(state, lost);
    window.invalidateAll(true);
}

// The etalons whose selection changed are drawn anew with the whole alphabet rather than their
// cells alone: an etalon's curve may reach out of its cell (the oscillating etalons swing past the
// amplitude the cells are scaled for). Beside detection the selection button may change its offer.
void markEtalon(Window& window, AppState& state) {
    refreshGraph(window, state, true);
    if (state.wTaskType != TASK_DETECTION && state.layout.hasSelectButton) {
        window.invalidate(state.layout.rcSelectButton, true);
    }
}

void refreshAlphabet(Window& window, AppState& state) {
    refreshGraph(window, state, true);
    if (state.wTaskType != TASK_DETECTION && state.layout.hasSelectButton) {
        window.invalidate(state.layout.rcSelectButton, true);
    }
    if (state.dwRedrawButtons != 0) {
        refreshButtonArea(window, state);
        state.dwRedrawButtons = 0;
    }
}

// The row frames of every stored subset and of the next free row, as the panel last drew them,
// with the few pixels round them that the chosen row's highlighted thumbnails reach.
void refreshSubsetCells(Window& window, AppState& state) {
    constexpr int32_t HIGHLIGHT_REACH = 3;
    const std::size_t rows = std::min<std::size_t>(storedSubsetCount(state.subsetPanel) + 1u,
                                                   state.subsetPanelGeometry.rowFrames.size());
    for (std::size_t k = 0; k < rows; ++k) {
        const Rect& frame = state.subsetPanelGeometry.rowFrames[k];
        window.invalidate({frame.left - HIGHLIGHT_REACH, frame.top - HIGHLIGHT_REACH,
                           frame.right + HIGHLIGHT_REACH, frame.bottom + HIGHLIGHT_REACH},
                          true);
    }
    window.sendCommand(CMD_REFRESH_SUBSET_PANEL);
}

}  // namespace

void refreshFlaggedSelectors(Window& window, AppState& state) {
    struct Flagged {
        int32_t& flag;
        const Rect& area;
    };
    const Flagged selectors[] = {{state.dwRedrawLength, state.layout.rcLengthSelector},
                                 {state.dwRedrawNoise, state.layout.rcNoiseSelector},
                                 {state.dwRedrawLost, state.layout.rcLostSelector}};
    for (const Flagged& selector : selectors) {
        if (selector.flag == 0) continue;
        window.invalidate(selector.area, true);
        selector.flag = 0;
    }
}

void dispatchCommand(Window& window, AppState& state, int command) {
    switch (command) {
        case CMD_CLOSE: window.requestClose(); break;
        case CMD_NEW_DATA: newData(window, state); break;
        case CMD_REDRAW_ALL: window.invalidateAll(true); break;
        case CMD_NONE: break;
        case CMD_TAKE_OVER: takeOver(window, state); break;
        case CMD_ADD_NOISE: addNoiseToSeries(window, state); break;
        case CMD_PROCESS: process(window, state); break;
        case CMD_APPLY_SELECTORS: applySelectors(window, state); break;
        case CMD_MARK_ETALON: markEtalon(window, state); break;
        case CMD_REFRESH_ALPHABET: refreshAlphabet(window, state); break;
        case CMD_MAKE_SERIES: makeSeries(window, state); break;
        case CMD_REFRESH_RESULT: refreshResult(window, state); break;
        case CMD_REFRESH_SUBSET_PANEL: window.invalidate(state.subsetPanelGeometry.subsetArea, true); break;
        case CMD_REFRESH_GRAPH: refreshGraph(window, state, true); break;
        case CMD_REFRESH_GRAPH_KEEP: refreshGraph(window, state, false); break;
        case CMD_REFRESH_SUBSET_CELLS: refreshSubsetCells(window, state); break;
        case CMD_SIMULATION_DIALOGS: simulationDialogsCommand(window, state); break;
        case CMD_SERIES_DIALOG: seriesDialogCommand(window, state); break;
        default:
            if (runMenuCommand(window, state, command)) window.invalidateAll(true);
            break;
    }
    // Whatever left the parameters panel ends the hovers of its handles, which hold the mouse.
    if (state.dwViewMode != VIEW_PARAMETERS) endParamsPanelHovers(window, state);
}

}  // namespace tessaline
