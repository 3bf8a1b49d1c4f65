#pragma once
// Plain reference implementations of the processing algorithms: each layer and each position
// worked out in the most direct way, every segment score summed afresh. They are the oracle of
// the differential tests and the baseline of the benchmarks, and are never linked into the
// product. Signatures and results are those of the production functions, with one exception:
// unknown-count pulse recognition without its position tables tries no candidate and returns
// 65535 (production refuses the run with PROCESSING_FAILED); no differential case refuses memory.
#include <cstdint>
#include <span>

#include "model/records.h"
#include "processing/chains.h"
#include "processing/known.h"
#include "processing/tuples.h"

namespace tessaline::literal {

int detectKnownPulses(MessageSink& messages, const ProcessingInput& input, ChainsHeader* chains,
                      SeriesHeader& series);

int recognizeKnownPulses(MessageSink& messages, const ProcessingInput& input, ChainsHeader* chains,
                         SeriesHeader& series);

int detectUnknownPulses(MessageSink& messages, const ProcessingInput& input, ChainsHeader* chains,
                        SeriesHeader& series);

int recognizeUnknownPulses(MessageSink& messages, const ProcessingInput& input, ChainsHeader* chains,
                           SeriesHeader& series);

int detectKnownTuples(MessageSink& messages, const TuplesInput& input, std::span<const int32_t> tuple,
                      ChainsHeader* chains, SeriesHeader& series);

int recognizeKnownTuples(MessageSink& messages, const TuplesInput& input, std::span<const int32_t> sizes,
                         std::span<const int32_t* const> rows, ChainsHeader* chains, SeriesHeader& series);

int detectUnknownTuples(MessageSink& messages, const TuplesInput& input, std::span<const int32_t> tuple,
                        ChainsHeader* chains, SeriesHeader& series);

int recognizeUnknownTuples(MessageSink& messages, const TuplesInput& input, std::span<const int32_t> sizes,
                           std::span<const int32_t* const> rows, ChainsHeader* chains, SeriesHeader& series);

}  // namespace tessaline::literal
