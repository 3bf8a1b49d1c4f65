#pragma once
// Processing of a series whose pulse count K is known: joint detection and identification (each
// pulse its own etalon and cut) and recognition (all pulses one etalon), by dynamic programming
// over K layers with consecutive starts Tmin..Tmax apart.
#include <cstdint>
#include <span>

#include "model/records.h"
#include "processing/outcome.h"

namespace tessaline {

class MessageSink;
struct ChainsHeader;

// What every processing algorithm reads besides the series record.
struct ProcessingInput {
    std::span<const PulseHeader> alphabet;  // etalons addressed by 1-based number
    std::span<const uint16_t> candidates;   // candidate etalon numbers, tried in this order
    uint16_t Tmin = 0;
    uint16_t Tmax = 0;
    uint16_t level = 100;  // processing energy level c in percent
};

// Scores, totals and the distances of the result record are all 64-bit, so that no noise level
// or series length can overflow them and the result record ranks chains by their true totals.

// Joint detection and identification of wImpulseQuantity pulses in their admissible ranges.
// Writes the found pulses into the series record and offers the chain to `chains` when given.
// Returns 1, or PROCESSING_FAILED after an allocation failure (nothing written).
int detectKnownPulses(MessageSink& messages, const ProcessingInput& input, ChainsHeader* chains,
                      SeriesHeader& series);

// Recognition: one chain per candidate etalon; the best total is recognised. Returns the
// recognised etalon number, -1 when no candidate was accepted, or PROCESSING_FAILED after an
// allocation failure (nothing written).
int recognizeKnownPulses(MessageSink& messages, const ProcessingInput& input, ChainsHeader* chains,
                         SeriesHeader& series);

}  // namespace tessaline
