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
    releaseAlphabet(state.Alphabet);
    memory::release(state.lpRequiredList);
    memory::release(state.lpEtalonSequence);
    memory::release(state.lpEditedSequence);
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
    state.wLineHeight = lineHeight;
    state.layout =
        computeWindowLayout(client, lineHeight, state.wTaskType, state.wSeriesType, state.wEtalonsQuantity);
}

void recomputePulseBounds(AppState& state) noexcept {
    if (state.wTmin == 0 || state.wTmax == 0) return;  // gaps are divisors; the settings refuse 0
    const uint32_t length = state.dwRequestedSeriesLength;
    const uint32_t n = state.wEtalonLength;
    state.wMinPulses = static_cast<uint16_t>((length + n - 1) / state.wTmax);
    state.wMaxPulses = static_cast<uint16_t>((length - n + state.wTmin) / state.wTmin);
}

uint16_t pulseBoundsMidpoint(const AppState& state) noexcept {
    return static_cast<uint16_t>((state.wMinPulses + state.wMaxPulses) / 2);
}

uint16_t clampPulseCount(const AppState& state, uint16_t count) noexcept {
    if (count > state.wMaxPulses || count < state.wMinPulses) return pulseBoundsMidpoint(state);
    return count;
}

void applyEffectiveTask(AppState& state) noexcept {
    state.wTaskType = state.wSelectedTask;
    if (!isTuplesSeriesType(state.wSeriesType)) return;
    if (state.wSelectedTask == TASK_DETECTION) state.wTaskType = TASK_TUPLES_DETECTION;
    if (state.wSelectedTask == TASK_RECOGNITION) state.wTaskType = TASK_TUPLES_RECOGNITION;
}

void chooseSeriesLength(AppState& state, int32_t index) noexcept {
    if (!validChoice(state.SeriesLengthChoices, index)) return;
    state.dwSeriesLengthIndex = index;
    state.dwRequestedSeriesLength = static_cast<uint32_t>(state.SeriesLengthChoices[index]);
    recomputePulseBounds(state);
    state.wPulsesNumber = pulseBoundsMidpoint(state);
}

void chooseNoiseLevel(AppState& state, int32_t index) noexcept {
    if (!validChoice(state.NoiseLevelChoices, index)) return;
    state.dwNoiseLevelIndex = index;
    state.wRequestedNoiseLevel = static_cast<int16_t>(state.NoiseLevelChoices[index]);
}

void chooseLostData(AppState& state, int32_t index) noexcept {
    if (!validChoice(state.LostDataChoices, index)) return;
    state.dwLostDataIndex = index;
    state.wRequestedLostDataLevel = static_cast<int16_t>(state.LostDataChoices[index]);
    state.wRequestedMakingEnergyLevel = static_cast<uint16_t>(100 - state.wRequestedLostDataLevel);
    state.wRequestedProcessingEnergyLevel = state.wRequestedMakingEnergyLevel;
}

void takeOverRequestedSettings(AppState& state) noexcept {
    state.dwSeriesLength = state.dwRequestedSeriesLength;
    recomputePulseBounds(state);
    state.wNoiseLevel = state.wRequestedNoiseLevel;
    state.wLostDataLevel = state.wRequestedLostDataLevel;
    state.wMakingEnergyLevel = state.wRequestedMakingEnergyLevel;
    state.wProcessingEnergyLevel = state.wRequestedProcessingEnergyLevel;
    state.wSeriesPulses = clampPulseCount(state, state.wPulsesNumber);
}

void rebuildRequiredList(AppState& state) noexcept {
    state.wRequiredQuantity = 0;
    if (state.lpRequiredList == nullptr) return;
    const uint16_t k = state.wEtalonsQuantity;
    for (uint16_t e = 1; e <= k && e <= ALPHABET_CAPACITY; ++e) {
        if (state.wRequiredFlags[e - 1] == 1 && state.wRequiredQuantity < state.wRequiredCapacity) {
            state.lpRequiredList[state.wRequiredQuantity++] = e;
        }
    }
}

}  // namespace tessaline
