#include "cli/state_json.h"

#include <algorithm>

#include "model/alphabet.h"
#include "processing/chains.h"

namespace tessaline {
namespace {

using Json = nlohmann::ordered_json;

template <class T>
Json arrayOf(const T* values, std::size_t count) {
    Json array = Json::array();
    for (std::size_t i = 0; i < count && values != nullptr; ++i) array.push_back(values[i]);
    return array;
}

Json nameOrNull(const char* name) { return name != nullptr ? Json(name) : Json(nullptr); }

Json generatorStatesJson(const GeneratorStates& states) {
    return Json{{"segmentStart", states.wSegmentStartState},
                {"segmentEnd", states.wSegmentEndState},
                {"placement", states.wPlacementState},
                {"pulseCount", states.wPulseCountState},
                {"subset", states.wSubsetState},
                {"subsetGap", states.wSubsetGapState},
                {"randomEtalon", states.wRandomEtalonState},
                {"noise", states.dwNoiseSeed},
                {"rand", states.dwRandState}};
}

Json stateJson(const AppState& state) {
    const std::size_t sequenceEntries =
        std::min(state.series.wMaxPulses, state.selection.wEtalonSequenceCapacity);
    return Json{
        {"wSelectedTask", state.task.wSelectedTask},
        {"wTaskType", state.task.wTaskType},
        {"wSeriesType", state.task.wSeriesType},
        {"dwSeriesLength", state.series.dwSeriesLength},
        {"dwRequestedSeriesLength", state.series.dwRequestedSeriesLength},
        {"wTmin", state.series.wTmin},
        {"wTmax", state.series.wTmax},
        {"wMinPulses", state.series.wMinPulses},
        {"wMaxPulses", state.series.wMaxPulses},
        {"wPulsesNumber", state.series.wPulsesNumber},
        {"wSeriesPulses", state.series.wSeriesPulses},
        {"wNoiseLevel", state.noise.wNoiseLevel},
        {"wLostDataLevel", state.noise.wLostDataLevel},
        {"wMakingEnergyLevel", state.noise.wMakingEnergyLevel},
        {"wProcessingEnergyLevel", state.noise.wProcessingEnergyLevel},
        {"dwFrameGraphFields", state.drawing.dwFrameGraphFields},
        {"dwShadedOriginalPulses", state.drawing.dwShadedOriginalPulses},
        {"dwHighlightDetectedPulses", state.drawing.dwHighlightDetectedPulses},
        {"dwSpecialGraphSize", state.drawing.dwSpecialGraphSize},
        {"wTuplesHighlight", state.drawing.wTuplesHighlight},
        {"lpRequiredList", arrayOf(state.selection.lpRequiredList, state.selection.wRequiredQuantity)},
        {"lpEtalonSequence", arrayOf(state.selection.lpEtalonSequence, sequenceEntries)},
        {"states", generatorStatesJson(state.states)}};
}

// The rows of one of the four lists: pulsesNumber[i] entries of each stored chain.
Json chainRows(int16_t* const* rows, const ChainsHeader& chains) {
    Json list = Json::array();
    for (int i = 0; i < chains.wPretenders; ++i) {
        list.push_back(arrayOf(rows[i], static_cast<std::size_t>(std::max(chains.pulsesNumber[i], 0))));
    }
    return list;
}

}  // namespace

Json alphabetJson(const AppState& state) {
    Json etalons = Json::array();
    const int k = std::min<int>(state.alphabet.wEtalonsQuantity, ALPHABET_CAPACITY);
    for (int i = 0; i < k; ++i) {
        const PulseHeader& etalon = state.alphabet.Alphabet[i];
        if (etalon.lpData == nullptr) continue;
        etalons.push_back(Json{{"wNumber", etalon.wNumber},
                               {"wSize", etalon.wSize},
                               {"lpData", arrayOf(etalon.lpData, etalon.wSize)},
                               {"energy", etalonEnergy(etalon)}});
    }
    return Json{{"etalons", etalons}};
}

Json seriesJson(const SeriesHeader* series) {
    if (series == nullptr) return Json(nullptr);
    const SeriesHeader& s = *series;
    const std::size_t N = s.dwSeriesSize, K = s.wImpulseQuantity, F = s.wFoundPulses, T = s.wFoundTuples;
    return Json{{"dwSeriesSize", s.dwSeriesSize},
                {"wTmin", s.wTmin},
                {"wTmax", s.wTmax},
                {"wImpulseSize", s.wImpulseSize},
                {"wImpulseQuantity", s.wImpulseQuantity},
                {"wMinPulses", s.wMinPulses},
                {"wMaxPulses", s.wMaxPulses},
                {"wNoiseLevel", s.wNoiseLevel},
                {"wAmplitude", s.wAmplitude},
                {"lpPureData", arrayOf(s.lpPureData, N)},
                {"lpNoisyData", arrayOf(s.lpNoisyData, N)},
                {"lpEtalonNumbers", arrayOf(s.lpEtalonNumbers, K)},
                {"lpPositions", arrayOf(s.lpPositions, K)},
                {"lpMinPositions", arrayOf(s.lpMinPositions, K)},
                {"lpMaxPositions", arrayOf(s.lpMaxPositions, K)},
                {"lpCutBegins", arrayOf(s.lpCutBegins, K)},
                {"lpCutEnds", arrayOf(s.lpCutEnds, K)},
                {"wFoundPulses", s.wFoundPulses},
                {"lpFoundPositions", arrayOf(s.lpFoundPositions, F)},
                {"lpFoundEtalonNumbers", arrayOf(s.lpFoundEtalonNumbers, F)},
                {"lpFoundCutBegins", arrayOf(s.lpFoundCutBegins, F)},
                {"lpFoundCutEnds", arrayOf(s.lpFoundCutEnds, F)},
                {"wFoundTuples", s.wFoundTuples},
                {"lpTupleFirsts", arrayOf(s.lpTupleFirsts, T)},
                {"lpTupleLasts", arrayOf(s.lpTupleLasts, T)},
                {"wFoundSubset", s.wFoundSubset},
                {"wSubsetSize", s.wSubsetSize},
                {"lpSubset", arrayOf(s.lpSubset, std::min(s.wSubsetSize, s.wMaxPulses))},
                {"wSubsetEmployment", s.wSubsetEmployment},
                {"wSubsetInitPosition", s.wSubsetInitPosition}};
}

Json chainsJson(const ChainsHeader* chains) {
    if (chains == nullptr) return Json(nullptr);
    const ChainsHeader& c = *chains;
    return Json{{"wHeaderKind", c.wHeaderKind},
                {"wSeriesType", c.wSeriesType},
                {"wTaskType", c.wTaskType},
                {"lpTaskName", nameOrNull(c.lpTaskName)},
                {"lpSeriesTypeName", nameOrNull(c.lpSeriesTypeName)},
                {"wMakingEnergyLevel", c.wMakingEnergyLevel},
                {"wProcessingEnergyLevel", c.wProcessingEnergyLevel},
                {"wQuanPulses", c.wQuanPulses},
                {"wSeekingPulsesQuantity", c.wSeekingPulsesQuantity},
                {"wPretenders", c.wPretenders},
                {"distance", arrayOf(c.distance, c.wPretenders)},
                {"pulsesNumber", arrayOf(c.pulsesNumber, c.wPretenders)},
                {"pulsesList", chainRows(c.pulsesList, c)},
                {"positionsList", chainRows(c.positionsList, c)},
                {"cutBeginList", chainRows(c.cutBeginList, c)},
                {"cutEndList", chainRows(c.cutEndList, c)}};
}

Json runStepJson(int step, const AppState& state) {
    return Json{{"step", step},
                {"state", stateJson(state)},
                {"series", seriesJson(state.lpSeriesHeader)},
                {"chains", chainsJson(state.lpChainsHeader)}};
}

}  // namespace tessaline
