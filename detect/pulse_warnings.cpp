#include "detect/pulse_warnings.h"

#include <algorithm>
#include <cstdio>

#include "detect/level_sums.h"

namespace tessaline {
namespace {

// The residual a pulse's fit leaves per degree of freedom: the window's sum of squares (about its
// mean with an offset) less what the fit explains (its score without the cost, negated).
double residualPerFreedom(const DetectSamples& in, const FoundPulse& p, const FitSettings& fit) {
    const std::vector<int16_t>& etalon = in.etalons[static_cast<std::size_t>(p.etalon - 1)];
    const auto n = std::ssize(etalon);
    const LevelSums sums = levelSums(in.series.data() + p.position, etalon.data(), n);
    const Projected window = projected(fit.kind, sums);
    const double explained =
        static_cast<double>(etalonCost(fit, static_cast<std::size_t>(p.etalon - 1)) - p.score);
    const double freedom = static_cast<double>(std::max<int64_t>(n - fitFreeLevels(fit.kind), 1));
    return std::max(window.squares / window.scale - explained, 0.0) / freedom;
}

std::string fixed(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

double medianMisfit(const DetectSamples& in, const DetectResult& r, const FitSettings& fit,
                    double noiseVariance) {
    if (r.pulses.empty() || !(noiseVariance > 0.0)) return 0.0;
    std::vector<double> ratios;
    ratios.reserve(r.pulses.size());
    for (const FoundPulse& p : r.pulses) ratios.push_back(residualPerFreedom(in, p, fit) / noiseVariance);
    const auto middle = ratios.begin() + std::ssize(ratios) / 2;
    std::nth_element(ratios.begin(), middle, ratios.end());
    return *middle;
}

std::vector<std::string> pulseWarnings(const DetectSamples& in, const DetectResult& r, const FitSettings& fit,
                                       const AutomaticCost& cost) {
    std::vector<std::string> warnings;
    const double misfit = medianMisfit(in, r, fit, cost.noiseVariance);
    if (misfit > MISFIT_RATIO) {
        warnings.push_back(
            "the found pulses differ from their etalons: their residual per sample is about " +
            fixed("%.3g", misfit) +
            " times the noise variance; cut the etalons from this recording or average several "
            "of its pulses, and fit a gain and offset per pulse when the pulses vary in size or "
            "sit on a drifting baseline");
    }
    // A pulse the rules turn away is refused at many neighbouring starts: fewer than an etalon's
    // length of them are stray places of the noise.
    int64_t refused = 0;
    std::string rules;
    for (const auto& [rule, places] : r.refused) {
        refused += places;
        rules += (rules.empty() ? "" : ", ") + rule + " rule " + std::to_string(places);
    }
    if (r.pulses.empty() && refused > longestEtalon(in)) {
        warnings.push_back("no pulses found, but " + std::to_string(refused) +
                           " places that would have paid for a pulse were refused (" + rules +
                           "); check that the etalons have the shapes and sizes of this recording's pulses "
                           "(the gain rule takes pulses of the gain bounds' sizes only)");
    }
    return warnings;
}

}  // namespace tessaline
