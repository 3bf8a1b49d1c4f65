#pragma once
// Which processing algorithm a run uses, by its task and series type, and the one call that runs
// it: the command chain and the simulation driver both go through here.
#include <cstdint>
#include <span>

#include "model/records.h"
#include "processing/known.h"
#include "processing/outcome.h"
#include "processing/tuples.h"

namespace tessaline {

class MessageSink;
struct ChainsHeader;

enum class Algorithm {
    DetectKnownPulses,       // joint detection and identification, known count
    RecognizeKnownPulses,    // recognition, known count
    DetectUnknownPulses,     // joint detection and identification, unknown count
    RecognizeUnknownPulses,  // recognition, unknown count
    DetectKnownTuples,
    RecognizeKnownTuples,
    DetectUnknownTuples,
    RecognizeUnknownTuples,
};

// The algorithm of a task on a series type: recognition and the two tuples tasks have their own;
// every other task is joint detection. The count is unknown for the series types whose count is
// drawn (a tuples series only for the tuples tasks).
Algorithm algorithmFor(uint16_t taskType, uint16_t seriesType) noexcept;

constexpr bool isTuplesAlgorithm(Algorithm algorithm) noexcept {
    return algorithm >= Algorithm::DetectKnownTuples;
}

// The algorithms a run calls. Runs use the production ones; the benchmarks hand in the plain
// reference versions to measure what the production ones gain on the same series.
struct ProcessingAlgorithms {
    using Pulses = int (*)(MessageSink&, const ProcessingInput&, ChainsHeader*, SeriesHeader&);
    using Tuple = int (*)(MessageSink&, const TuplesInput&, std::span<const int32_t>, ChainsHeader*,
                          SeriesHeader&);
    using Tuples = int (*)(MessageSink&, const TuplesInput&, std::span<const int32_t>,
                           std::span<const int32_t* const>, ChainsHeader*, SeriesHeader&);
    Pulses detectKnown, recognizeKnown, detectUnknown, recognizeUnknown;
    Tuple detectKnownTuples, detectUnknownTuples;
    Tuples recognizeKnownTuples, recognizeUnknownTuples;
};

const ProcessingAlgorithms& productionAlgorithms() noexcept;

// What the chosen algorithm reads: the pulse algorithms `pulses`, the tuples detections `tuples`
// with `tuple`, the tuples recognitions `tuples` with the candidate tuples (`sizes`, `rows`).
struct ProcessingRequest {
    ProcessingInput pulses;
    TuplesInput tuples;
    std::span<const int32_t> tuple;
    std::span<const int32_t> sizes;
    std::span<const int32_t* const> rows;
};

// What `algorithm`'s return value `raw` means. Detections return 1; the recognitions return the
// recognised number or their own "none accepted": -1 (known count), 65535 (unknown count), 0 (the
// two tuples recognitions); PROCESSING_FAILED from any algorithm is a failure.
ProcessingOutcome decodeOutcome(Algorithm algorithm, int raw) noexcept;

// Runs `algorithm` of `algorithms` and returns its outcome (failed when it could not run).
ProcessingOutcome runProcessing(MessageSink& messages, const ProcessingAlgorithms& algorithms,
                                Algorithm algorithm, const ProcessingRequest& request, ChainsHeader* chains,
                                SeriesHeader& series);

}  // namespace tessaline
