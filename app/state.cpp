#include "app/state.h"

#include "model/alphabet.h"
#include "model/codes.h"
#include "panels/params_header.h"
#include "platform/alloc.h"
#include "processing/chains.h"
#include "simulation/statistics.h"

namespace tessaline {
namespace {

bool validChoice(const SelectorChoices& choices, int32_t index) { return index >= 1 && index <= choices[0]; }

}  // namespace

AppState::~AppState() { releaseAppState(*this); }

void releaseAppState(AppState& state) noexcept {
    releaseAlphabet(state.alphabet.Alphabet);
    memory::release(state.selection.lpRequiredList);
    memory::release(state.selection.lpEtalonSequence);
    memory::release(state.selection.lpEditedSequence);
    freeSeriesHeader(state.lpSeriesHeader);
    state.lpSeriesHeader = nullptr;
    freeChainsHeader(state.lpChainsHeader);
    state.lpChainsHeader = nullptr;
    freeRestErrHeader(state.lpRestErrorHeader);
    state.lpRestErrorHeader = nullptr;
    releaseSubsetPanel(state.subsetPanel);
    freeParamsHeader(state.lpParamsHeader);
    state.lpParamsHeader = nullptr;
}

void layOutWindow(AppState& state, const Rect& client, int32_t lineHeight) noexcept {
    state.painted.lineHeight = lineHeight;
    state.painted.layout = computeWindowLayout(client, lineHeight, state.task.wTaskType,
                                               state.task.wSeriesType, state.alphabet.wEtalonsQuantity);
}

void recomputePulseBounds(AppState& state) noexcept {
    if (state.series.wTmin == 0 || state.series.wTmax == 0)
        return;  // gaps are divisors; the settings refuse 0
    const uint32_t length = state.series.dwRequestedSeriesLength;
    const uint32_t n = state.alphabet.wEtalonLength;
    state.series.wMinPulses = static_cast<uint16_t>((length + n - 1) / state.series.wTmax);
    state.series.wMaxPulses = static_cast<uint16_t>((length - n + state.series.wTmin) / state.series.wTmin);
}

uint16_t pulseBoundsMidpoint(const AppState& state) noexcept {
    return static_cast<uint16_t>((state.series.wMinPulses + state.series.wMaxPulses) / 2);
}

uint16_t clampPulseCount(const AppState& state, uint16_t count) noexcept {
    if (count > state.series.wMaxPulses || count < state.series.wMinPulses) return pulseBoundsMidpoint(state);
    return count;
}

void applyEffectiveTask(AppState& state) noexcept {
    state.task.wTaskType = state.task.wSelectedTask;
    if (!isTuplesSeriesType(state.task.wSeriesType)) return;
    if (state.task.wSelectedTask == TASK_DETECTION) state.task.wTaskType = TASK_TUPLES_DETECTION;
    if (state.task.wSelectedTask == TASK_RECOGNITION) state.task.wTaskType = TASK_TUPLES_RECOGNITION;
}

void chooseSeriesLength(AppState& state, int32_t index) noexcept {
    if (!validChoice(state.series.SeriesLengthChoices, index)) return;
    state.series.dwSeriesLengthIndex = index;
    state.series.dwRequestedSeriesLength = static_cast<uint32_t>(state.series.SeriesLengthChoices[index]);
    recomputePulseBounds(state);
    state.series.wPulsesNumber = pulseBoundsMidpoint(state);
}

void chooseNoiseLevel(AppState& state, int32_t index) noexcept {
    if (!validChoice(state.noise.NoiseLevelChoices, index)) return;
    state.noise.dwNoiseLevelIndex = index;
    state.noise.wRequestedNoiseLevel = static_cast<int16_t>(state.noise.NoiseLevelChoices[index]);
}

void chooseLostData(AppState& state, int32_t index) noexcept {
    if (!validChoice(state.noise.LostDataChoices, index)) return;
    state.noise.dwLostDataIndex = index;
    state.noise.wRequestedLostDataLevel = static_cast<int16_t>(state.noise.LostDataChoices[index]);
    state.noise.wRequestedMakingEnergyLevel =
        static_cast<uint16_t>(100 - state.noise.wRequestedLostDataLevel);
    state.noise.wRequestedProcessingEnergyLevel = state.noise.wRequestedMakingEnergyLevel;
}

void takeOverRequestedSettings(AppState& state) noexcept {
    state.series.dwSeriesLength = state.series.dwRequestedSeriesLength;
    recomputePulseBounds(state);
    state.noise.wNoiseLevel = state.noise.wRequestedNoiseLevel;
    state.noise.wLostDataLevel = state.noise.wRequestedLostDataLevel;
    state.noise.wMakingEnergyLevel = state.noise.wRequestedMakingEnergyLevel;
    state.noise.wProcessingEnergyLevel = state.noise.wRequestedProcessingEnergyLevel;
    state.series.wSeriesPulses = clampPulseCount(state, state.series.wPulsesNumber);
}

void rebuildRequiredList(AppState& state) noexcept {
    state.selection.wRequiredQuantity = 0;
    if (state.selection.lpRequiredList == nullptr) return;
    const uint16_t k = state.alphabet.wEtalonsQuantity;
    for (uint16_t e = 1; e <= k && e <= ALPHABET_CAPACITY; ++e) {
        if (state.selection.wRequiredFlags[e - 1] == 1 &&
            state.selection.wRequiredQuantity < state.selection.wRequiredCapacity) {
            state.selection.lpRequiredList[state.selection.wRequiredQuantity++] = e;
        }
    }
}

}  // namespace tessaline
