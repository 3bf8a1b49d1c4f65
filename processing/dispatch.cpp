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

int runProcessing(MessageSink& messages, const ProcessingAlgorithms& use, Algorithm algorithm,
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

}  // namespace tessaline
