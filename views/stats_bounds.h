#pragma once
// The scale of the statistics graph: the view codes, the greatest value a code's curves must hold
// (its need) from the run's errors, the upper bound rounded from it or fixed by the user, and the
// labels of the value axis and of the noise levels that follow from it.
#include <cstdint>
#include <string>

#include "simulation/references.h"
#include "simulation/statistics.h"

namespace tessaline {

// View codes of the statistics view.
inline constexpr int32_t STATS_RESTORED_COMPONENTWISE = 0;
inline constexpr int32_t STATS_RESTORED_AGGREGATE = 1;
inline constexpr int32_t STATS_DETECTION_COMPONENTWISE = 2;
inline constexpr int32_t STATS_DETECTION_AGGREGATE = 3;
inline constexpr int32_t STATS_RECOGNITION_COMPONENTWISE = 4;
inline constexpr int32_t STATS_RECOGNITION_AGGREGATE = 5;
inline constexpr int32_t STATS_RECOGNITION_COMPONENTWISE_BOUNDS = 12;
inline constexpr int32_t STATS_RECOGNITION_AGGREGATE_BOUNDS = 13;

// The upper bound the user may fix instead of the automatic one.
struct FixedUpperBound {
    bool fixed = false;       // "fixed upper bound"
    double upperBound = 0.0;  // "upper bound", in plotted units
};

// Q, the greatest value the graph must hold, in thousandths of the plotted value. Codes 0 to 3
// take it from the stored errors and the normalisers (a zero normaliser, repeat count or pulse
// count contributes 0, so the least bound of the code applies); 4, 5, 12, 13 hold 0.5; 7, 8, 10
// hold 0.99 and 9 holds 0.099. Codes without an automatic bound (6 and unknown codes) hold 1.
int32_t automaticBoundNeed(int32_t viewCode, const RestErrorHeader& record,
                           const ErrorNormalisers& normalisers);

// Z from Q: the least power of ten above Q, divided by 5 when still at least 5 Q, then halved
// while at least 2 Q (at most twice).
int32_t roundedUpperBound(int32_t need) noexcept;

// The graph's upper bound Z in thousandths of the plotted value: the fixed bound (truncated) when
// it is set, positive and at least one thousandth, otherwise the rounded automatic bound.
int32_t statisticsUpperBound(int32_t viewCode, const RestErrorHeader& record,
                             const ErrorNormalisers& normalisers, const FixedUpperBound& fixedBound);

// The label at height 2 i g (i = 0 .. 5) of a graph with upper bound Z: i (Z / 5) / 1000 with
// "%.2f", or "%.3f" when Z < 50.
std::string axisLabel(int32_t index, int32_t upperBound);

// Whether the noise level of row k carries a label under the graph: every fourth row from 0, or
// every `stride`-th where the labels must thin out.
inline constexpr bool noiseLevelLabelled(int32_t row, int32_t stride = 4) noexcept {
    return row % stride == 0;
}

}  // namespace tessaline
