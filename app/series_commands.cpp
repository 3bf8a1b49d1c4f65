#include "app/series_commands.h"

#include <algorithm>
#include <cassert>

#include "app/command_ids.h"
#include "app/messages.h"
#include "app/series_dialogs.h"
#include "app/simulation_commands.h"
#include "app/state.h"
#include "model/codes.h"
#include "model/records.h"
#include "model/subsets.h"
#include "platform/alloc.h"
#include "platform/window.h"
#include "processing/chains.h"

namespace tessaline {
namespace {

// A list of `capacity` places replacing `list` when it holds fewer: the places it had are kept
// and the new ones hold `fill`. False (the list as it was) after a message.
bool growList(Window& window, uint16_t*& list, uint16_t& capacity, uint16_t wanted, uint16_t fill,
              const char* name) {
    if (list != nullptr && capacity >= wanted) return true;
    const uint16_t places = std::max<uint16_t>(wanted, 1);
    uint16_t* grown = memory::allocateArray<uint16_t>(places);
    if (grown == nullptr) {
        window.showMessage(app_text::noMemoryFor(name), app_text::COMMAND_CAPTION, MessageIcon::Warning);
        return false;
    }
    const uint16_t kept = list != nullptr ? std::min(capacity, places) : 0;
    std::copy_n(list, kept, grown);
    std::fill(grown + kept, grown + places, fill);
    memory::release(list);
    list = grown;
    capacity = places;
    return true;
}

// The edited sequence as the series-structure dialog shows it: the current etalon sequence, the
// default etalon past its end. False after a message when it cannot grow to the most pulses.
bool prepareEditedSequence(Window& window, AppState& state) {
    const auto fill = static_cast<uint16_t>(state.selection.dwDefaultEtalon);
    if (!growList(window, state.selection.lpEditedSequence, state.selection.wEditedSequenceCapacity,
                  state.staging.wMostPulses, fill, "lpEditedSequence")) {
        return false;
    }
    for (uint16_t i = 0; i < state.selection.wEditedSequenceCapacity; ++i) {
        const bool known =
            state.selection.lpEtalonSequence != nullptr && i < state.selection.wEtalonSequenceCapacity;
        state.selection.lpEditedSequence[i] = known ? state.selection.lpEtalonSequence[i] : fill;
    }
    return true;
}

void commitSeriesStructure(AppState& state) {
    const DialogStaging& staged = state.staging;
    state.series.dwRequestedSeriesLength = staged.dwSeriesLength;
    state.series.wTmin = staged.wTmin;
    state.series.wTmax = staged.wTmax;
    state.selection.dwCurrentEtalon = state.selection.dwDefaultEtalon;
    state.noise.wMakingEnergyLevel = staged.wMakingEnergyLevel;
    state.noise.wProcessingEnergyLevel = staged.wProcessingEnergyLevel;
    state.series.wPulsesNumber = state.series.wDialogPulses;
    state.noise.wRequestedNoiseLevel = static_cast<int16_t>(staged.wNoiseLevel);
    state.series.wMinPulses = staged.wLeastPulses;
    state.series.wMaxPulses = staged.wMostPulses;
}

// The etalon sequence from the edited one, the result record sized for the most pulses, and the
// window set to show the next result. False after a message.
bool takeEditedSequence(Window& window, AppState& state) {
    const auto fill = static_cast<uint16_t>(state.selection.dwDefaultEtalon);
    if (!growList(window, state.selection.lpEtalonSequence, state.selection.wEtalonSequenceCapacity,
                  state.series.wMaxPulses, fill, "lpEtalonSequence")) {
        return false;
    }
    for (uint16_t i = 0; i < state.selection.wEtalonSequenceCapacity; ++i) {
        const bool edited =
            state.selection.lpEditedSequence != nullptr && i < state.selection.wEditedSequenceCapacity;
        state.selection.lpEtalonSequence[i] = edited ? state.selection.lpEditedSequence[i] : fill;
    }
    state.wChainPulsesCapacity = state.series.wMaxPulses;
    state.lpChainsHeader =
        getChainsHeader(window, state.wChainsCapacity, state.wChainPulsesCapacity, state.lpChainsHeader);
    return state.lpChainsHeader != nullptr;
}

}  // namespace

void newPulsesCommand(Window& window, AppState& state) {
    if (state.selection.lpRequiredList == nullptr ||
        state.selection.wRequiredQuantity > state.selection.wRequiredCapacity) {
        state.selection.wRequiredQuantity = state.alphabet.wEtalonsQuantity;
        state.selection.lpRequiredList =
            getRequiredList(window, state.selection.wRequiredQuantity, state.selection.lpRequiredList);
        if (state.selection.lpRequiredList == nullptr) state.selection.wRequiredQuantity = 0;
        state.selection.wRequiredCapacity = state.selection.wRequiredQuantity;
        if (state.selection.lpRequiredList == nullptr) return;
    }
    runRequiredEtalonsDialog(window, state);
    // An entry no etalon has (above the alphabet, or below 1) becomes its own place number.
    for (uint16_t i = 0; i < state.selection.wRequiredCapacity; ++i) {
        if (state.selection.lpRequiredList[i] < 1 ||
            state.selection.lpRequiredList[i] > state.alphabet.wEtalonsQuantity) {
            state.selection.lpRequiredList[i] = static_cast<uint16_t>(i + 1);
        }
    }
    const uint16_t* required = state.selection.lpRequiredList;
    const uint16_t* end =
        required + std::min(state.selection.wRequiredQuantity, state.selection.wRequiredCapacity);
    const int flags = std::min<int>(state.selection.wRequiredCapacity, ALPHABET_CAPACITY);
    for (int k = 1; k <= flags; ++k)
        state.selection.wRequiredFlags[k - 1] = std::find(required, end, k) != end ? 1 : 0;
}

void createSeriesCommand(Window& window, AppState& state) {
    seriesDialogCommand(window, state);
    if (state.dwDialogAccepted == 0) return;
    const DialogStaging& staged = state.staging;
    // The pulse bounds divide by the gaps; the series-parameters dialog took no geometry without them.
    assert(
        seriesSettingsRefusal(state.alphabet.wEtalonLength, staged.wTmin, staged.wTmax, staged.dwSeriesLength)
            .empty());
    const uint16_t savedPulses = state.series.wPulsesNumber;
    stagePulseBounds(state);
    state.series.wPulsesNumber = static_cast<uint16_t>((staged.wLeastPulses + staged.wMostPulses) / 2);
    if (!prepareEditedSequence(window, state)) {
        state.series.wPulsesNumber = savedPulses;
        state.dwDialogAccepted = 0;
        return;
    }
    const bool accepted = runSeriesStructureDialog(window, state);
    if (state.series.wDialogPulses < staged.wLeastPulses || state.series.wDialogPulses > staged.wMostPulses) {
        state.series.wDialogPulses = static_cast<uint16_t>((staged.wLeastPulses + staged.wMostPulses) / 2);
    }
    if (!accepted) {
        state.series.wPulsesNumber = savedPulses;
        return;
    }
    commitSeriesStructure(state);
    if (!takeEditedSequence(window, state)) return;
    state.redraw.dwRedrawLength = state.redraw.dwRedrawNoise = state.redraw.dwRedrawLost = 1;
    state.view.dwViewMode = VIEW_RESULT;
    if (state.task.wSeriesType == SERIES_FIXED_WHOLE) state.task.wSeriesType = SERIES_FIXED_WHOLE_LISTED;
    if (state.task.wSeriesType == SERIES_UNFIXED_WHOLE) state.task.wSeriesType = SERIES_UNFIXED_WHOLE_LISTED;
    window.sendCommand(CMD_TAKE_OVER);
}

}  // namespace tessaline
