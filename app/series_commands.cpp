#include "app/series_commands.h"

#include <algorithm>
#include <cassert>

#include "app/command_ids.h"
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
        window.showMessage(std::string("Нет памяти для ") + name + "!", "CM_INFO", MessageIcon::Warning);
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
    const auto fill = static_cast<uint16_t>(state.dwDefaultEtalon);
    if (!growList(window, state.lpEditedSequence, state.wEditedSequenceCapacity, state.staging.wMostPulses,
                  fill, "lpEditedSequence")) {
        return false;
    }
    for (uint16_t i = 0; i < state.wEditedSequenceCapacity; ++i) {
        const bool known = state.lpEtalonSequence != nullptr && i < state.wEtalonSequenceCapacity;
        state.lpEditedSequence[i] = known ? state.lpEtalonSequence[i] : fill;
    }
    return true;
}

void commitSeriesStructure(AppState& state) {
    const DialogStaging& staged = state.staging;
    state.dwRequestedSeriesLength = staged.dwSeriesLength;
    state.wTmin = staged.wTmin;
    state.wTmax = staged.wTmax;
    state.dwCurrentEtalon = state.dwDefaultEtalon;
    state.wMakingEnergyLevel = staged.wMakingEnergyLevel;
    state.wProcessingEnergyLevel = staged.wProcessingEnergyLevel;
    state.wPulsesNumber = state.wDialogPulses;
    state.wRequestedNoiseLevel = static_cast<int16_t>(staged.wNoiseLevel);
    state.wMinPulses = staged.wLeastPulses;
    state.wMaxPulses = staged.wMostPulses;
}

// The etalon sequence from the edited one, the result record sized for the most pulses, and the
// window set to show the next result. False after a message.
bool takeEditedSequence(Window& window, AppState& state) {
    const auto fill = static_cast<uint16_t>(state.dwDefaultEtalon);
    if (!growList(window, state.lpEtalonSequence, state.wEtalonSequenceCapacity, state.wMaxPulses, fill,
                  "lpEtalonSequence")) {
        return false;
    }
    for (uint16_t i = 0; i < state.wEtalonSequenceCapacity; ++i) {
        const bool edited = state.lpEditedSequence != nullptr && i < state.wEditedSequenceCapacity;
        state.lpEtalonSequence[i] = edited ? state.lpEditedSequence[i] : fill;
    }
    state.wChainPulsesCapacity = state.wMaxPulses;
    state.lpChainsHeader =
        getChainsHeader(window, state.wChainsCapacity, state.wChainPulsesCapacity, state.lpChainsHeader);
    return state.lpChainsHeader != nullptr;
}

}  // namespace

void newPulsesCommand(Window& window, AppState& state) {
    if (state.lpRequiredList == nullptr || state.wRequiredQuantity > state.wRequiredCapacity) {
        state.wRequiredQuantity = state.wEtalonsQuantity;
        state.lpRequiredList = getRequiredList(window, state.wRequiredQuantity, state.lpRequiredList);
        if (state.lpRequiredList == nullptr) state.wRequiredQuantity = 0;
        state.wRequiredCapacity = state.wRequiredQuantity;
        if (state.lpRequiredList == nullptr) return;
    }
    runRequiredEtalonsDialog(window, state);
    // An entry no etalon has (above the alphabet, or below 1) becomes its own place number.
    for (uint16_t i = 0; i < state.wRequiredCapacity; ++i) {
        if (state.lpRequiredList[i] < 1 || state.lpRequiredList[i] > state.wEtalonsQuantity) {
            state.lpRequiredList[i] = static_cast<uint16_t>(i + 1);
        }
    }
    const uint16_t* required = state.lpRequiredList;
    const uint16_t* end = required + std::min(state.wRequiredQuantity, state.wRequiredCapacity);
    const int flags = std::min<int>(state.wRequiredCapacity, ALPHABET_CAPACITY);
    for (int k = 1; k <= flags; ++k) state.wRequiredFlags[k - 1] = std::find(required, end, k) != end ? 1 : 0;
}

void createSeriesCommand(Window& window, AppState& state) {
    seriesDialogCommand(window, state);
    if (state.dwDialogAccepted == 0) return;
    const DialogStaging& staged = state.staging;
    // The pulse bounds divide by the gaps; the series-parameters dialog took no geometry without them.
    assert(seriesSettingsRefusal(state.wEtalonLength, staged.wTmin, staged.wTmax, staged.dwSeriesLength)
               .empty());
    const uint16_t savedPulses = state.wPulsesNumber;
    stagePulseBounds(state);
    state.wPulsesNumber = static_cast<uint16_t>((staged.wLeastPulses + staged.wMostPulses) / 2);
    if (!prepareEditedSequence(window, state)) {
        state.wPulsesNumber = savedPulses;
        state.dwDialogAccepted = 0;
        return;
    }
    const bool accepted = runSeriesStructureDialog(window, state);
    if (state.wDialogPulses < staged.wLeastPulses || state.wDialogPulses > staged.wMostPulses) {
        state.wDialogPulses = static_cast<uint16_t>((staged.wLeastPulses + staged.wMostPulses) / 2);
    }
    if (!accepted) {
        state.wPulsesNumber = savedPulses;
        return;
    }
    commitSeriesStructure(state);
    if (!takeEditedSequence(window, state)) return;
    state.dwRedrawLength = state.dwRedrawNoise = state.dwRedrawLost = 1;
    state.dwViewMode = VIEW_RESULT;
    if (state.wSeriesType == SERIES_FIXED_WHOLE) state.wSeriesType = SERIES_FIXED_WHOLE_LISTED;
    if (state.wSeriesType == SERIES_UNFIXED_WHOLE) state.wSeriesType = SERIES_UNFIXED_WHOLE_LISTED;
    window.sendCommand(CMD_TAKE_OVER);
}

}  // namespace tessaline
