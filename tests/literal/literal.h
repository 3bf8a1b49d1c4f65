#pragma once
// Plain reference implementations of the processing algorithms: each layer and each position
// worked out in the most direct way, every segment score summed afresh. They are the oracle of
// the differential tests and the baseline of the benchmarks, and are never linked into the
// product. Signatures and results are those of the production functions.
#include <cstdint>
#include <span>

#include "model/records.h"
#include "processing/chains.h"
#include "processing/known.h"
#include "processing/tuples.h"

namespace tessaline::literal {

int detectKnownPulses(Window& window, const ProcessingInput& input, ChainsHeader* chains,
                      SeriesHeader& series);

int recognizeKnownPulses(Window& window, const ProcessingInput& input, ChainsHeader* chains,
                         SeriesHeader& series);

int detectUnknownPulses(Window& window, const ProcessingInput& input, ChainsHeader* chains,
                        SeriesHeader& series);

uint16_t recognizeUnknownPulses(Window& window, const ProcessingInput& input, ChainsHeader* chains,
                                SeriesHeader& series);

int detectKnownTuples(Window& window, const TuplesInput& input, std::span<const int32_t> tuple,
                      ChainsHeader* chains, SeriesHeader& series);

int recognizeKnownTuples(Window& window, const TuplesInput& input, std::span<const int32_t> sizes,
                         std::span<const int32_t* const> rows, ChainsHeader* chains, SeriesHeader& series);

int detectUnknownTuples(Window& window, const TuplesInput& input, std::span<const int32_t> tuple,
                        ChainsHeader* chains, SeriesHeader& series);

int recognizeUnknownTuples(Window& window, const TuplesInput& input, std::span<const int32_t> sizes,
                           std::span<const int32_t* const> rows, ChainsHeader* chains, SeriesHeader& series);

}  // namespace tessaline::literal
