#include "app/startup.h"

#include <algorithm>
#include <span>
#include <string>

#include "app/messages.h"
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
        window.showMessage(app_text::noMemoryFor(name), app_text::START_UP_CAPTION, MessageIcon::None);
        return nullptr;
    }
    std::fill_n(sequence, capacity, static_cast<uint16_t>(defaultEtalon));
    return sequence;
}

void makeEtalonSequences(Window& window, AppState& state) {
    memory::release(state.selection.lpEtalonSequence);
    memory::release(state.selection.lpEditedSequence);
    state.selection.lpEtalonSequence = makeDefaultSequence(
        window, state.series.wMaxPulses, state.selection.dwDefaultEtalon, "lpEtalonSequence");
    state.selection.wEtalonSequenceCapacity =
        state.selection.lpEtalonSequence != nullptr ? state.series.wMaxPulses : 0;
    state.selection.lpEditedSequence = makeDefaultSequence(
        window, state.series.wMaxPulses, state.selection.dwDefaultEtalon, "lpEditedSequence");
    state.selection.wEditedSequenceCapacity =
        state.selection.lpEditedSequence != nullptr ? state.series.wMaxPulses : 0;
}

void setStartLostData(AppState& state) {
    const bool cutoff = isCutoffSeriesType(state.task.wSeriesType);
    state.noise.dwLostDataIndex = cutoff ? 2 : 1;
    state.noise.wRequestedLostDataLevel = static_cast<int16_t>(cutoff ? state.noise.LostDataChoices[2] : 0);
    state.noise.wLostDataLevel = state.noise.wRequestedLostDataLevel;
    const auto level = static_cast<uint16_t>(100 - state.noise.wLostDataLevel);
    state.noise.wRequestedMakingEnergyLevel = state.noise.wMakingEnergyLevel = level;
    state.noise.wRequestedProcessingEnergyLevel = state.noise.wProcessingEnergyLevel = level;
    state.staging.wMakingEnergyLevel = level;
    state.staging.wProcessingEnergyLevel = level;
}

}  // namespace

void checkOnly(Window& window, std::span<const int> group, int checked) {
    for (int entry : group) window.checkMenuItem(entry, entry == checked);
}

bool makeSeriesInUse(Window& window, AppState& state) {
    const uint16_t k = std::min<uint16_t>(state.alphabet.wEtalonsQuantity, ALPHABET_CAPACITY);
    SeriesRequest request;
    request.alphabet = std::span<const PulseHeader>(state.alphabet.Alphabet, k);
    request.n = state.alphabet.wEtalonLength;
    request.Tmin = state.series.wTmin;
    request.Tmax = state.series.wTmax;
    request.N = state.series.dwSeriesLength;
    request.K = state.series.wSeriesPulses;
    request.sequence = std::span<uint16_t>(
        state.selection.lpEtalonSequence,
        state.selection.lpEtalonSequence != nullptr ? state.selection.wEtalonSequenceCapacity : 0);
    request.A = static_cast<int16_t>(state.alphabet.wAmplitude);
    request.level = state.noise.wMakingEnergyLevel;
    int made = 0;
    if (isUnfixedSeriesType(state.task.wSeriesType)) {
        state.lpSeriesHeader =
            getUnfixedCutOffSeries(window, request, state.lpSeriesHeader, state.states, &made);
        if (state.lpSeriesHeader != nullptr)
            state.series.wSeriesPulses = state.lpSeriesHeader->wImpulseQuantity;
    } else {
        state.lpSeriesHeader = getCutOffSeries(window, request, state.lpSeriesHeader, state.states, &made);
    }
    return state.lpSeriesHeader != nullptr && made != 0;
}

namespace {

// Steps 1-2: the alphabet, and every etalon required.
void makeAlphabetAndRequiredList(Window& window, AppState& state) {
    for (PulseHeader& etalon : state.alphabet.Alphabet) etalon.lpData = nullptr;
    const uint16_t k = std::min<uint16_t>(state.alphabet.wEtalonsQuantity, ALPHABET_CAPACITY);
    state.alphabet.dwAlphabetReady =
        makeAlphabet(window, static_cast<int16_t>(state.alphabet.wAmplitude), state.alphabet.wEtalonLength,
                     std::span<PulseHeader>(state.alphabet.Alphabet, k), state.states.wRandomEtalonState);
    if (state.alphabet.dwAlphabetReady != 0) state.view.dwViewMode = VIEW_ALPHABET;
    state.selection.wRequiredQuantity = state.selection.wRequiredCapacity = state.alphabet.wEtalonsQuantity;
    state.selection.lpRequiredList =
        getRequiredList(window, state.selection.wRequiredQuantity, state.selection.lpRequiredList);
    if (state.selection.lpRequiredList == nullptr)
        state.selection.wRequiredQuantity = state.selection.wRequiredCapacity = 0;
}

// Steps 3-6: series type and task with their check marks, and the required flags: detection
// starts with the default etalon alone.
void chooseStartTask(Window& window, AppState& state) {
    state.task.wSeriesType = SERIES_UNFIXED_CUTOFF;
    checkOnly(window, SERIES_TYPE_ENTRIES, CMD_SERIES_UNFIXED_CUTOFF);
    state.task.wSelectedTask = TASK_DETECTION;
    checkOnly(window, TASK_ENTRIES, CMD_TASK_DETECTION);
    applyEffectiveTask(state);
    state.view.wResultKind = RESULT_PROCESSING;
    if (state.task.wTaskType != TASK_DETECTION) {
        std::fill(std::begin(state.selection.wRequiredFlags), std::end(state.selection.wRequiredFlags),
                  uint16_t{1});
    } else {
        state.selection.dwCurrentEtalon = state.selection.dwDefaultEtalon;
        std::fill(std::begin(state.selection.wRequiredFlags), std::end(state.selection.wRequiredFlags),
                  uint16_t{0});
        if (state.selection.dwDefaultEtalon >= 1 && state.selection.dwDefaultEtalon <= ALPHABET_CAPACITY) {
            state.selection.wRequiredFlags[state.selection.dwDefaultEtalon - 1] = 1;
        }
    }
    state.view.dwViewMode = isTuplesTask(state.task.wTaskType) ? VIEW_SUBSETS : VIEW_ALPHABET;
    rebuildRequiredList(state);
}

}  // namespace

void runStartUp(Window& window, AppState& state) {
    makeAlphabetAndRequiredList(window, state);
    chooseStartTask(window, state);

    // 7. The longest offered series length and its pulse-count bounds.
    state.series.dwSeriesLengthIndex = state.series.SeriesLengthChoices[0];
    state.series.dwRequestedSeriesLength = state.series.dwSeriesLength =
        static_cast<uint32_t>(state.series.SeriesLengthChoices[state.series.dwSeriesLengthIndex]);
    recomputePulseBounds(state);
    state.series.wPulsesNumber = state.series.wSeriesPulses = pulseBoundsMidpoint(state);

    // 8. Etalon sequences of the default etalon.
    makeEtalonSequences(window, state);

    // 9. The first noise level.
    state.noise.dwNoiseLevelIndex = 1;
    state.noise.wRequestedNoiseLevel = state.noise.wNoiseLevel =
        static_cast<int16_t>(state.noise.NoiseLevelChoices[1]);

    // 10. The processing result record.
    state.wChainsCapacity = 10;
    state.wChainPulsesCapacity = state.series.wMaxPulses;
    state.lpChainsHeader =
        getChainsHeader(window, state.wChainsCapacity, state.wChainPulsesCapacity, state.lpChainsHeader);

    // 11. Lost data exists only for cut-off series.
    setStartLostData(state);

    // 12. The first series, without noise.
    if (state.selection.lpEtalonSequence != nullptr) makeSeriesInUse(window, state);
}

}  // namespace tessaline
