#include "app/commands.h"

#include <algorithm>
#include <span>

#include "app/layout.h"
#include "app/menu_commands.h"
#include "app/messages.h"
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
    window.invalidate(graphInvalidationArea(state.painted.layout), erase);
}

void refreshButtonArea(Window& window, const AppState& state) {
    window.invalidate(buttonInvalidationArea(state.painted.layout), true);
}

// Each selector area whose redraw flag is set, and the button area likewise; the flags are cleared.
void refreshFlaggedAreas(Window& window, AppState& state) {
    refreshFlaggedSelectors(window, state);
    if (state.redraw.dwRedrawButtons != 0) {
        refreshButtonArea(window, state);
        state.redraw.dwRedrawButtons = 0;
    }
}

// --- Etalon sequence and result capacity -----------------------------------------------------

// Grows the etalon sequence to the most pulses the settings allow (keeping its places, new ones
// holding the default etalon) and the result record's chains with it. False after a message.
bool growToMostPulses(Window& window, AppState& state) {
    if (state.series.wMaxPulses <= state.selection.wEtalonSequenceCapacity &&
        state.selection.lpEtalonSequence != nullptr)
        return true;
    const uint16_t capacity = std::max<uint16_t>(state.series.wMaxPulses, 1);
    uint16_t* grown = memory::allocateArray<uint16_t>(capacity);
    if (grown == nullptr) {
        window.showMessage(app_text::NO_MEMORY_FOR_ETALON_SEQUENCE, app_text::COMMAND_CAPTION,
                           MessageIcon::Warning);
        return false;
    }
    const uint16_t kept = state.selection.lpEtalonSequence != nullptr
                              ? std::min(state.selection.wEtalonSequenceCapacity, capacity)
                              : 0;
    std::copy_n(state.selection.lpEtalonSequence, kept, grown);
    std::fill(grown + kept, grown + capacity, static_cast<uint16_t>(state.selection.dwDefaultEtalon));
    memory::release(state.selection.lpEtalonSequence);
    state.selection.lpEtalonSequence = grown;
    state.selection.wEtalonSequenceCapacity = capacity;
    state.wChainPulsesCapacity = state.series.wMaxPulses;
    state.lpChainsHeader =
        getChainsHeader(window, state.wChainsCapacity, state.wChainPulsesCapacity, state.lpChainsHeader);
    return state.lpChainsHeader != nullptr;
}

// --- The chain of a run ----------------------------------------------------------------------

// A new random etalon sequence drawn from the required etalons. With no etalon required there is
// nothing to draw from: the run stops with a message instead.
void newData(Window& window, AppState& state) {
    const uint16_t task = state.task.wTaskType;
    applyEffectiveTask(state);
    // The task's form decides the button column (the selection button) and the subset painter.
    if (state.task.wTaskType != task) window.invalidateAll(true);
    state.series.wSeriesPulses = state.series.wPulsesNumber;
    if (state.series.wTmin != 0) {
        state.series.wMaxPulses = static_cast<uint16_t>(
            (state.series.dwRequestedSeriesLength - state.alphabet.wEtalonLength + state.series.wTmin) /
            state.series.wTmin);
    }
    if (!growToMostPulses(window, state)) return;
    if (state.selection.wRequiredQuantity == 0 || state.selection.lpRequiredList == nullptr) {
        window.showMessage(app_text::NO_ETALON_REQUIRED, app_text::COMMAND_CAPTION, MessageIcon::Warning);
        return;
    }
    for (uint16_t i = 0; i < state.series.wMaxPulses; ++i) {
        const int32_t r = (stdRand(state.states.dwRandState) >> 3) % state.selection.wRequiredQuantity;
        state.selection.lpEtalonSequence[i] = state.selection.lpRequiredList[r];
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
    return {state.series.dwSeriesLength, state.noise.wNoiseLevel, state.noise.wLostDataLevel};
}

// A selector whose value in use changed is drawn anew, whether or not its row was clicked.
void refreshRemarkedSelectors(Window& window, const AppState& state, const MarkedValues& before) {
    const WindowLayout& layout = state.painted.layout;
    if (state.series.dwSeriesLength != before.length) window.invalidate(layout.rcLengthSelector, true);
    if (state.noise.wNoiseLevel != before.noise) window.invalidate(layout.rcNoiseSelector, true);
    if (state.noise.wLostDataLevel != before.lost && layout.hasLostSelector)
        window.invalidate(layout.rcLostSelector, true);
}

void takeOver(Window& window, AppState& state) {
    const MarkedValues before = markedValues(state);
    takeOverRequestedSettings(state);
    refreshRemarkedSelectors(window, state, before);
    if (!growToMostPulses(window, state)) return;
    if (state.task.wTaskType == TASK_DETECTION || state.task.wTaskType == TASK_RECOGNITION) {
        std::fill_n(state.selection.lpEtalonSequence, state.series.wMaxPulses,
                    state.selection.lpEtalonSequence[0]);
    }
    window.sendCommand(CMD_MAKE_SERIES);
}

void makeSeries(Window& window, AppState& state) {
    const MarkedValues before = markedValues(state);
    state.series.dwSeriesLength = state.series.dwRequestedSeriesLength;
    state.series.wSeriesPulses = clampPulseCount(state, state.series.wPulsesNumber);
    state.noise.wNoiseLevel = state.noise.wRequestedNoiseLevel;
    refreshRemarkedSelectors(window, state, before);
    const bool made = makeSeriesInUse(window, state);
    if (state.lpSeriesHeader == nullptr) {
        window.showMessage(app_text::SERIES_NOT_MADE, app_text::COMMAND_CAPTION, MessageIcon::None);
        return;
    }
    // The maker said why no series was placed; the record still holds the previous series, which
    // must not be noised and processed again as if it were new.
    if (!made) return;
    window.sendCommand(CMD_ADD_NOISE);
}

void addNoiseToSeries(Window& window, AppState& state) {
    if (state.lpSeriesHeader == nullptr) return;
    addNoise(static_cast<uint16_t>(state.noise.wNoiseLevel), *state.lpSeriesHeader, state.states.dwNoiseSeed);
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
    state.view.dwViewMode = VIEW_SUBSETS;
    refreshGraph(window, state, true);
}

// What a run reads from the state: the settings, the required etalons as candidates, and the
// subset panel's tuple being composed and stored tuples.
ProcessingRequest processingRequest(AppState& state) {
    const std::span<const PulseHeader> alphabet(
        state.alphabet.Alphabet, std::min<uint16_t>(state.alphabet.wEtalonsQuantity, ALPHABET_CAPACITY));
    ProcessingRequest request;
    request.pulses.alphabet = alphabet;
    request.pulses.candidates = std::span<const uint16_t>(
        state.selection.lpRequiredList,
        state.selection.lpRequiredList != nullptr ? state.selection.wRequiredQuantity : 0);
    request.pulses.Tmin = request.tuples.Tmin = state.series.wTmin;
    request.pulses.Tmax = request.tuples.Tmax = state.series.wTmax;
    request.pulses.level = request.tuples.level = state.noise.wProcessingEnergyLevel;
    request.tuples.alphabet = alphabet;
    request.tuples.proceeding = state.subsets.wSubsetProceeding;
    request.tuples.debugRepeat = &state.view.dwDebugRepeat;
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
    const Algorithm algorithm = algorithmFor(state.task.wTaskType, state.task.wSeriesType);
    if (isTuplesAlgorithm(algorithm)) {
        const bool recognition = state.task.wTaskType == TASK_TUPLES_RECOGNITION;
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
    if (addToChainsHeader(window, state.task.wSeriesType, state.task.wTaskType,
                          state.noise.wMakingEnergyLevel, state.noise.wProcessingEnergyLevel,
                          state.lpChainsHeader) == 0) {
        window.showMessage(app_text::RESULT_NOT_STORED, app_text::CHAINS_CAPTION, MessageIcon::None);
        return;
    }
    state.view.dwViewMode = VIEW_RESULT;
    state.view.wResultKind = RESULT_PROCESSING;
    ++state.dwCompletedRuns;
    window.sendCommand(CMD_REFRESH_RESULT);
}

// --- Refresh commands ------------------------------------------------------------------------

void refreshResult(Window& window, AppState& state) {
    refreshGraph(window, state, state.view.dwTypeMoreDetails == 0);
    refreshFlaggedAreas(window, state);
}

void applySelectors(Window& window, AppState& state) {
    const int32_t length = state.series.dwSeriesLengthIndex, noise = state.noise.dwNoiseLevelIndex,
                  lost = state.noise.dwLostDataIndex;
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
    if (state.task.wTaskType != TASK_DETECTION && state.painted.layout.hasSelectButton) {
        window.invalidate(state.painted.layout.rcSelectButton, true);
    }
}

void refreshAlphabet(Window& window, AppState& state) {
    refreshGraph(window, state, true);
    if (state.task.wTaskType != TASK_DETECTION && state.painted.layout.hasSelectButton) {
        window.invalidate(state.painted.layout.rcSelectButton, true);
    }
    if (state.redraw.dwRedrawButtons != 0) {
        refreshButtonArea(window, state);
        state.redraw.dwRedrawButtons = 0;
    }
}

// The row frames of every stored subset and of the next free row, as the panel last drew them,
// with the few pixels round them that the chosen row's highlighted thumbnails reach.
void refreshSubsetCells(Window& window, AppState& state) {
    constexpr int32_t HIGHLIGHT_REACH = 3;
    const std::vector<Rect>& frames = drawnSubsetPanel(state.painted).rowFrames;
    const std::size_t rows = std::min<std::size_t>(storedSubsetCount(state.subsetPanel) + 1u, frames.size());
    for (std::size_t k = 0; k < rows; ++k) {
        const Rect& frame = frames[k];
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
    const Flagged selectors[] = {{state.redraw.dwRedrawLength, state.painted.layout.rcLengthSelector},
                                 {state.redraw.dwRedrawNoise, state.painted.layout.rcNoiseSelector},
                                 {state.redraw.dwRedrawLost, state.painted.layout.rcLostSelector}};
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
        case CMD_REFRESH_SUBSET_PANEL:
            window.invalidate(drawnSubsetPanel(state.painted).subsetArea, true);
            break;
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
    if (state.view.dwViewMode != VIEW_PARAMETERS) endParamsPanelHovers(window, state);
}

}  // namespace tessaline
