#include "app/startup.h"

#include <algorithm>
#include <span>
#include <string>

#include "app/state.h"
#include "model/alphabet.h"
#include "model/codes.h"
#include "model/series.h"
#include "model/subsets.h"
#include "platform/alloc.h"
#include "platform/window.h"
#include "processing/chains.h"

namespace tessaline {
namespace {

// A sequence of `capacity` places all holding the default etalon; null after its message.
uint16_t* makeDefaultSequence(Window& window, uint16_t capacity, int32_t defaultEtalon, const char* name) {
    uint16_t* sequence = memory::allocateArray<uint16_t>(capacity);
    if (sequence == nullptr) {
        std::string text = std::string("Нет памяти для ") + name + "!";
        window.showMessage(text, " runStartUp ", MessageIcon::None);
        return nullptr;
    }
    std::fill_n(sequence, capacity, static_cast<uint16_t>(defaultEtalon));
    return sequence;
}

void makeEtalonSequences(Window& window, AppState& state) {
    memory::release(state.lpEtalonSequence);
    memory::release(state.lpEditedSequence);
    state.lpEtalonSequence =
        makeDefaultSequence(window, state.wMaxPulses, state.dwDefaultEtalon, "lpEtalonSequence");
    state.wEtalonSequenceCapacity = state.lpEtalonSequence != nullptr ? state.wMaxPulses : 0;
    state.lpEditedSequence =
        makeDefaultSequence(window, state.wMaxPulses, state.dwDefaultEtalon, "lpEditedSequence");
    state.wEditedSequenceCapacity = state.lpEditedSequence != nullptr ? state.wMaxPulses : 0;
}

void setStartLostData(AppState& state) {
    const bool cutoff = isCutoffSeriesType(state.wSeriesType);
    state.dwLostDataIndex = cutoff ? 2 : 1;
    state.wRequestedLostDataLevel = static_cast<int16_t>(cutoff ? state.LostDataChoices[2] : 0);
    state.wLostDataLevel = state.wRequestedLostDataLevel;
    const auto level = static_cast<uint16_t>(100 - state.wLostDataLevel);
    state.wRequestedMakingEnergyLevel = state.wMakingEnergyLevel = level;
    state.wRequestedProcessingEnergyLevel = state.wProcessingEnergyLevel = level;
    state.staging.wMakingEnergyLevel = level;
    state.staging.wProcessingEnergyLevel = level;
}

}  // namespace

void checkOnly(Window& window, std::span<const int> group, int checked) {
    for (int entry : group) window.checkMenuItem(entry, entry == checked);
}

bool makeSeriesInUse(Window& window, AppState& state) {
    const uint16_t k = std::min<uint16_t>(state.wEtalonsQuantity, ALPHABET_CAPACITY);
    SeriesRequest request;
    request.alphabet = std::span<const PulseHeader>(state.Alphabet, k);
    request.n = state.wEtalonLength;
    request.Tmin = state.wTmin;
    request.Tmax = state.wTmax;
    request.N = state.dwSeriesLength;
    request.K = state.wSeriesPulses;
    request.sequence = std::span<uint16_t>(
        state.lpEtalonSequence, state.lpEtalonSequence != nullptr ? state.wEtalonSequenceCapacity : 0);
    request.A = static_cast<int16_t>(state.wAmplitude);
    request.level = state.wMakingEnergyLevel;
    int made = 0;
    if (isUnfixedSeriesType(state.wSeriesType)) {
        state.lpSeriesHeader =
            getUnfixedCutOffSeries(window, request, state.lpSeriesHeader, state.states, &made);
        if (state.lpSeriesHeader != nullptr) state.wSeriesPulses = state.lpSeriesHeader->wImpulseQuantity;
    } else {
        state.lpSeriesHeader = getCutOffSeries(window, request, state.lpSeriesHeader, state.states, &made);
    }
    return state.lpSeriesHeader != nullptr && made != 0;
}

namespace {

// Steps 1-2: the alphabet, and every etalon required.
void makeAlphabetAndRequiredList(Window& window, AppState& state) {
    for (PulseHeader& etalon : state.Alphabet) etalon.lpData = nullptr;
    const uint16_t k = std::min<uint16_t>(state.wEtalonsQuantity, ALPHABET_CAPACITY);
    state.dwAlphabetReady =
        makeAlphabet(window, static_cast<int16_t>(state.wAmplitude), state.wEtalonLength,
                     std::span<PulseHeader>(state.Alphabet, k), state.states.wRandomEtalonState);
    if (state.dwAlphabetReady != 0) state.dwViewMode = VIEW_ALPHABET;
    state.wRequiredQuantity = state.wRequiredCapacity = state.wEtalonsQuantity;
    state.lpRequiredList = getRequiredList(window, state.wRequiredQuantity, state.lpRequiredList);
    if (state.lpRequiredList == nullptr) state.wRequiredQuantity = state.wRequiredCapacity = 0;
}

// Steps 3-6: series type and task with their check marks, and the required flags: detection
// starts with the default etalon alone.
void chooseStartTask(Window& window, AppState& state) {
    state.wSeriesType = SERIES_UNFIXED_CUTOFF;
    checkOnly(window, SERIES_TYPE_ENTRIES, CMD_SERIES_UNFIXED_CUTOFF);
    state.wSelectedTask = TASK_DETECTION;
    checkOnly(window, TASK_ENTRIES, CMD_TASK_DETECTION);
    applyEffectiveTask(state);
    state.wResultKind = RESULT_PROCESSING;
    if (state.wTaskType != TASK_DETECTION) {
        std::fill(std::begin(state.wRequiredFlags), std::end(state.wRequiredFlags), uint16_t{1});
    } else {
        state.dwCurrentEtalon = state.dwDefaultEtalon;
        std::fill(std::begin(state.wRequiredFlags), std::end(state.wRequiredFlags), uint16_t{0});
        if (state.dwDefaultEtalon >= 1 && state.dwDefaultEtalon <= ALPHABET_CAPACITY) {
            state.wRequiredFlags[state.dwDefaultEtalon - 1] = 1;
        }
    }
    state.dwViewMode = isTuplesTask(state.wTaskType) ? VIEW_SUBSETS : VIEW_ALPHABET;
    rebuildRequiredList(state);
}

}  // namespace

void runStartUp(Window& window, AppState& state) {
    makeAlphabetAndRequiredList(window, state);
    chooseStartTask(window, state);

    // 7. The longest offered series length and its pulse-count bounds.
    state.dwSeriesLengthIndex = state.SeriesLengthChoices[0];
    state.dwRequestedSeriesLength = state.dwSeriesLength =
        static_cast<uint32_t>(state.SeriesLengthChoices[state.dwSeriesLengthIndex]);
    recomputePulseBounds(state);
    state.wPulsesNumber = state.wSeriesPulses = pulseBoundsMidpoint(state);

    // 8. Etalon sequences of the default etalon.
    makeEtalonSequences(window, state);

    // 9. The first noise level.
    state.dwNoiseLevelIndex = 1;
    state.wRequestedNoiseLevel = state.wNoiseLevel = static_cast<int16_t>(state.NoiseLevelChoices[1]);

    // 10. The processing result record.
    state.wChainsCapacity = 10;
    state.wChainPulsesCapacity = state.wMaxPulses;
    state.lpChainsHeader =
        getChainsHeader(window, state.wChainsCapacity, state.wChainPulsesCapacity, state.lpChainsHeader);

    // 11. Lost data exists only for cut-off series.
    setStartLostData(state);

    // 12. The first series, without noise.
    if (state.lpEtalonSequence != nullptr) makeSeriesInUse(window, state);
}

}  // namespace tessaline
