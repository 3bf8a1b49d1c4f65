#pragma once
// The diagnostic texts of the unknown-count tuples runs: the intervals of a position set, then, per
// layer, one symbol per position of the set: the layer's least negative cost in full, "-" for any
// other negative cost, "+" otherwise, followed by "[p]" when the position has a predecessor p.
#include <cstdint>
#include <string>

#include "processing/intervals.h"

namespace tessaline {

// Longest text shown; a longer one is cut and ends in "…".
inline constexpr std::size_t DIAGNOSTICS_TEXT_LIMIT = 5000;

// costs and predecessors hold `layers` tables of `stride` positions. `startSet` selects the text of
// the start positions (layer 0 only, no layer headings) rather than the start-or-continue text.
std::string layerDiagnosticsText(const IntervalsHeader& set, int layers, const int64_t* costs,
                                 const int32_t* predecessors, int64_t stride, int64_t infinity,
                                 bool startSet);

}  // namespace tessaline
