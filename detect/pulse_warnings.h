#pragma once
// What the found pulses say about the automatic settings: when their residuals lie far above the
// noise the etalons are not the pulses' shapes, and when no pulse was found but the shape rule
// refused places that would have paid for one, the etalons may not be the recording's. Each warning
// says what to try.
#include <string>
#include <vector>

#include "detect/automatic_cost.h"
#include "detect/detection.h"

namespace tessaline {

// The found pulses' residual per degree of freedom, over the noise variance, above which they are
// said to differ from their etalons.
inline constexpr double MISFIT_RATIO = 9.0;

std::vector<std::string> pulseWarnings(const DetectSamples& samples, const DetectResult& result,
                                       const FitSettings& fit, const AutomaticCost& cost);

// The median over the found pulses of their residual per degree of freedom over the noise variance
// (0 without pulses).
double medianMisfit(const DetectSamples& samples, const DetectResult& result, const FitSettings& fit,
                    double noiseVariance);

}  // namespace tessaline
