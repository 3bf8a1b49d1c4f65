#pragma once
// Processing of a series whose pulse count lies between its least and most admissible counts:
// one dynamic programming pass over positions, guided by the sets of positions where a first,
// a later and a last pulse may stand.
#include <cstdint>

#include "processing/known.h"

namespace tessaline {

// Joint detection and identification with an unknown count. Returns 1, or PROCESSING_FAILED after
// an allocation failure (nothing written).
int detectUnknownPulses(MessageSink& messages, const ProcessingInput& input, ChainsHeader* chains,
                        SeriesHeader& series);

// Recognition with an unknown count; `chains` is required. Returns the recognised etalon number,
// 65535 when none was accepted, or PROCESSING_FAILED without a result record or after an
// allocation failure (nothing written).
int recognizeUnknownPulses(MessageSink& messages, const ProcessingInput& input, ChainsHeader* chains,
                           SeriesHeader& series);

}  // namespace tessaline
