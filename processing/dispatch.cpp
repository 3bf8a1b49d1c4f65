#include "processing/dispatch.h"

#include "model/codes.h"
#include "processing/unknown.h"

namespace tessaline {

Algorithm algorithmFor(uint16_t taskType, uint16_t seriesType) noexcept {
    const bool unknown = processesUnknownCount(taskType, seriesType);
    switch (taskType) {
        case TASK_RECOGNITION:
            return unknown ? Algorithm::RecognizeUnknownPulses : Algorithm::RecognizeKnownPulses;
        case TASK_TUPLES_DETECTION:
            return unknown ? Algorithm::DetectUnknownTuples : Algorithm::DetectKnownTuples;
        case TASK_TUPLES_RECOGNITION:
            return unknown ? Algorithm::RecognizeUnknownTuples : Algorithm::RecognizeKnownTuples;
        default: return unknown ? Algorithm::DetectUnknownPulses : Algorithm::DetectKnownPulses;
    }
}

const ProcessingAlgorithms& productionAlgorithms() noexcept {
    static const ProcessingAlgorithms production{
        detectKnownPulses, recognizeKnownPulses, detectUnknownPulses,  recognizeUnknownPulses,
        detectKnownTuples, detectUnknownTuples,  recognizeKnownTuples, recognizeUnknownTuples};
    return production;
}

namespace {

// The raw value of `algorithm` that says none of its candidates was accepted; detections have none.
int noneAcceptedValue(Algorithm algorithm) noexcept {
    switch (algorithm) {
        case Algorithm::RecognizeKnownPulses: return -1;
        case Algorithm::RecognizeUnknownPulses: return 65535;
        case Algorithm::RecognizeKnownTuples:
        case Algorithm::RecognizeUnknownTuples: return 0;
        default: return PROCESSING_FAILED;
    }
}

bool isRecognition(Algorithm algorithm) noexcept { return noneAcceptedValue(algorithm) != PROCESSING_FAILED; }

int callAlgorithm(MessageSink& messages, const ProcessingAlgorithms& use, Algorithm algorithm,
                  const ProcessingRequest& request, ChainsHeader* chains, SeriesHeader& series) {
    const ProcessingInput& pulses = request.pulses;
    const TuplesInput& tuples = request.tuples;
    switch (algorithm) {
        case Algorithm::DetectKnownPulses: return use.detectKnown(messages, pulses, chains, series);
        case Algorithm::RecognizeKnownPulses: return use.recognizeKnown(messages, pulses, chains, series);
        case Algorithm::DetectUnknownPulses: return use.detectUnknown(messages, pulses, chains, series);
        case Algorithm::RecognizeUnknownPulses: return use.recognizeUnknown(messages, pulses, chains, series);
        case Algorithm::DetectKnownTuples:
            return use.detectKnownTuples(messages, tuples, request.tuple, chains, series);
        case Algorithm::DetectUnknownTuples:
            return use.detectUnknownTuples(messages, tuples, request.tuple, chains, series);
        case Algorithm::RecognizeKnownTuples:
            return use.recognizeKnownTuples(messages, tuples, request.sizes, request.rows, chains, series);
        case Algorithm::RecognizeUnknownTuples:
            return use.recognizeUnknownTuples(messages, tuples, request.sizes, request.rows, chains, series);
    }
    return PROCESSING_FAILED;
}

}  // namespace

ProcessingOutcome decodeOutcome(Algorithm algorithm, int raw) noexcept {
    if (raw == PROCESSING_FAILED) return failedProcessing();
    if (!isRecognition(algorithm)) return {ProcessingStatus::Done, 0, raw};
    if (raw == noneAcceptedValue(algorithm)) return {ProcessingStatus::NoneAccepted, 0, raw};
    return {ProcessingStatus::Done, raw, raw};
}

ProcessingOutcome runProcessing(MessageSink& messages, const ProcessingAlgorithms& use, Algorithm algorithm,
                                const ProcessingRequest& request, ChainsHeader* chains,
                                SeriesHeader& series) {
    return decodeOutcome(algorithm, callAlgorithm(messages, use, algorithm, request, chains, series));
}

}  // namespace tessaline
