#pragma once
// Tuples processing: the pulses follow a tuple of etalon numbers repeated cyclically along the
// series. Detection finds the positions (and the phase) for a given tuple; recognition finds which
// of several candidate tuples the series is made of. Known and unknown pulse counts.
#include <cstdint>
#include <span>

#include "model/records.h"
#include "processing/outcome.h"

namespace tessaline {

class MessageSink;
struct ChainsHeader;

struct TuplesInput {
    std::span<const PulseHeader> alphabet;  // etalons addressed by 1-based number
    uint16_t proceeding = 1;                // 1: phase 0 only; otherwise every phase (known count)
    uint16_t Tmin = 0;
    uint16_t Tmax = 0;
    uint16_t level = 100;            // processing energy level c in percent
    int32_t* debugRepeat = nullptr;  // diagnostics flag: shown when set, cleared by the
                                     // unknown-count runs (null = no diagnostics)
};

// Every run returns PROCESSING_FAILED after an allocation failure, having written nothing.

// Known count. Returns 1.
int detectKnownTuples(MessageSink& messages, const TuplesInput& input, std::span<const int32_t> tuple,
                      ChainsHeader* chains, SeriesHeader& series);

// Known count, candidate tuple i being rows[i][0..sizes[i]-1]. Returns the recognised tuple's
// 1-based number, or 0 when none was accepted.
int recognizeKnownTuples(MessageSink& messages, const TuplesInput& input, std::span<const int32_t> sizes,
                         std::span<const int32_t* const> rows, ChainsHeader* chains, SeriesHeader& series);

// Unknown count (between the series' least and most pulses); one layer per tuple element.
// Returns 1.
int detectUnknownTuples(MessageSink& messages, const TuplesInput& input, std::span<const int32_t> tuple,
                        ChainsHeader* chains, SeriesHeader& series);

// Unknown count; returns the recognised tuple's 1-based number, or 0 when none was accepted.
int recognizeUnknownTuples(MessageSink& messages, const TuplesInput& input, std::span<const int32_t> sizes,
                           std::span<const int32_t* const> rows, ChainsHeader* chains, SeriesHeader& series);

}  // namespace tessaline
