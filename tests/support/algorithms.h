#pragma once
// The eight processing algorithms of each implementation (production and plain reference) in one
// table, so that a test can run the same scene on either; and each algorithm as a run over a
// random tuples case.
#include <cstdint>
#include <span>

#include "model/records.h"
#include "processing/chains.h"
#include "processing/known.h"
#include "processing/tuples.h"
#include "processing/unknown.h"
#include "tests/literal/literal.h"
#include "tests/support/tuple_cases.h"

namespace tessaline::cases {

using PulsesRun = int (*)(MessageSink&, const ProcessingInput&, ChainsHeader*, SeriesHeader&);
using TupleDetection = int (*)(MessageSink&, const TuplesInput&, std::span<const int32_t>, ChainsHeader*,
                               SeriesHeader&);
using TupleRecognition = int (*)(MessageSink&, const TuplesInput&, std::span<const int32_t>,
                                 std::span<const int32_t* const>, ChainsHeader*, SeriesHeader&);

struct Algorithms {
    const char* name;
    PulsesRun detectKnownPulses;
    PulsesRun recognizeKnownPulses;
    PulsesRun detectUnknownPulses;
    PulsesRun recognizeUnknownPulses;
    TupleDetection detectKnownTuples;
    TupleRecognition recognizeKnownTuples;
    TupleDetection detectUnknownTuples;
    TupleRecognition recognizeUnknownTuples;
};

inline const Algorithms PRODUCTION{"Production",
                                   tessaline::detectKnownPulses,
                                   tessaline::recognizeKnownPulses,
                                   tessaline::detectUnknownPulses,
                                   tessaline::recognizeUnknownPulses,
                                   tessaline::detectKnownTuples,
                                   tessaline::recognizeKnownTuples,
                                   tessaline::detectUnknownTuples,
                                   tessaline::recognizeUnknownTuples};

inline const Algorithms REFERENCE{"Reference",
                                  literal::detectKnownPulses,
                                  literal::recognizeKnownPulses,
                                  literal::detectUnknownPulses,
                                  literal::recognizeUnknownPulses,
                                  literal::detectKnownTuples,
                                  literal::recognizeKnownTuples,
                                  literal::detectUnknownTuples,
                                  literal::recognizeUnknownTuples};

// One algorithm run over a random tuples case: the pulses algorithms on its plain settings, the
// tuples algorithms on its tuple (detection) or candidate tuples (recognition).
using TupleCaseRun = int (*)(MessageSink&, TupleCase&, ChainsHeader*);

template <auto Pulses>
int pulsesOn(MessageSink& messages, TupleCase& c, ChainsHeader* chains) {
    return Pulses(messages, c.base.input(), chains, c.series());
}
template <auto Detect>
int detectOn(MessageSink& messages, TupleCase& c, ChainsHeader* chains) {
    return Detect(messages, c.input(), c.tuple, chains, c.series());
}
template <auto Recognize>
int recognizeOn(MessageSink& messages, TupleCase& c, ChainsHeader* chains) {
    return Recognize(messages, c.input(), c.sizes, c.rows, chains, c.series());
}

}  // namespace tessaline::cases
