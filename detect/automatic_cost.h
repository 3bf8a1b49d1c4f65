#pragma once
// The cost of a pulse and the noise the shape rule allows for, read off the series and the etalons
// themselves, so that a detection needs no number of the user's and gives the same answer whatever
// the recording's scale.
//
// - The matched noise: at every start position (a regular sample of at most AUTOMATIC_SAMPLED
//   positions of a long series) the etalon's correlation with the window, about both their means with
//   the gain-offset fit, over the etalon's norm: z = C' / sqrt(E'). Where no pulse stands z is the
//   noise seen through the etalon, whatever its colour; pulses are few among the positions, so the
//   robust spread 1.4826 MAD(z) is the noise's. A best fit lowers the sum of squares by z^2.
// - The cost of a pulse: 2 ln(N / Tmin) times the greatest matched noise variance of the etalons.
//   The largest of N / Tmin independent z^2 of noise alone is about that (the universal threshold),
//   so in noise alone about one place in a recording pays for a pulse.
// - The noise per sample, for the shape rule: the windows' variance about their means at the tenth
//   percentile (the quiet stretches between pulses), over the share of a white noise's variance that
//   percentile shows for the window's degrees of freedom.
// Both variances are at least 1/12, the rounding of the samples to whole numbers.
#include <cstdint>
#include <span>
#include <vector>

#include "detect/fit_rows.h"

namespace tessaline {

inline constexpr int64_t AUTOMATIC_SAMPLED = 16384;

struct AutomaticCost {
    double noiseVariance = 0.0;            // per sample
    std::vector<double> matchedVariances;  // each etalon's matched noise variance
    std::vector<int64_t> penalties;        // each etalon's cost of a pulse, rounded
};

AutomaticCost automaticCost(std::span<const int16_t> series,
                            std::span<const std::span<const int16_t>> etalons, FitKind fit);

}  // namespace tessaline
