#include "detect/automatic_cost.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace tessaline {
namespace {

constexpr double ROUNDING_VARIANCE = 1.0 / 12.0;
constexpr double MAD_TO_SIGMA = 1.4826;
constexpr double QUIET_SHARE = 0.1;      // the percentile of window variances taken as quiet
constexpr double QUIET_NORMAL = -1.2816; // the standard normal's tenth percentile
constexpr double FALSE_SHARE = 0.05;     // the share of false pulses the cost allows for

// The positions looked at: all of a short series, every stride-th of a long one.
int64_t strideOf(int64_t positions) { return std::max<int64_t>(1, (positions + AUTOMATIC_SAMPLED - 1) / AUTOMATIC_SAMPLED); }

double median(std::vector<double>& values) {
    const auto middle = values.begin() + std::ssize(values) / 2;
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The median and 1.4826 MAD: the centre and standard deviation of a normal sample, robust to the
// pulses among it.
struct Spread {
    double centre = 0.0, spread = 0.0;
};

Spread robustSpread(std::vector<double>& values) {
    const double centre = median(values);
    for (double& v : values) v = std::abs(v - centre);
    return {centre, MAD_TO_SIGMA * median(values)};
}

// The share of a white noise's variance that the QUIET_SHARE percentile of a window variance with
// `freedom` degrees of freedom shows (Wilson-Hilferty).
double quietPercentileShare(double freedom) {
    const double a = 2.0 / (9.0 * freedom);
    const double root = 1.0 - a + QUIET_NORMAL * std::sqrt(a);
    return std::max(root * root * root, 0.05);
}

struct WindowSums {
    double sum = 0.0, squares = 0.0, correlation = 0.0;
};

// Exact in doubles: every term and sum is a whole number below 2^53.
WindowSums windowSums(std::span<const int16_t> series, std::span<const int16_t> etalon, int64_t at) {
    WindowSums w;
    for (std::size_t t = 0; t < etalon.size(); ++t) {
        const double x = series[static_cast<std::size_t>(at) + t];
        w.sum += x;
        w.squares += x * x;
        w.correlation += x * etalon[t];
    }
    return w;
}

// The etalon's matched values z at the sampled positions, and the window variances about their means.
void sampleEtalon(std::span<const int16_t> series, std::span<const int16_t> etalon, FitKind fit, int64_t stride,
                  std::vector<double>& matched, std::vector<double>& variances) {
    const auto n = static_cast<double>(etalon.size());
    double etalonSum = 0.0, energy = 0.0;
    for (const int16_t e : etalon) {
        etalonSum += e;
        energy += static_cast<double>(e) * e;
    }
    const bool centred = fit == FitKind::GainOffset;
    const double norm = std::sqrt(centred ? energy - etalonSum * etalonSum / n : energy);
    const int64_t positions = std::ssize(series) - std::ssize(etalon) + 1;
    matched.clear();
    variances.clear();
    for (int64_t k = 0; k < positions; k += stride) {
        const WindowSums w = windowSums(series, etalon, k);
        const double c = centred ? w.correlation - etalonSum * w.sum / n : w.correlation;
        matched.push_back(norm > 0.0 ? c / norm : 0.0);
        variances.push_back((w.squares - w.sum * w.sum / n) / std::max(n - 1.0, 1.0));
    }
}

// The matched noise's spread with the places a pulse would pay for left out, and the positions that
// pulse's window shares with its neighbours: a recording's pulses, and the positions that overlap
// them, are no noise. Three rounds: each leaves out what the spread of the round before takes for a
// pulse.
Spread matchedSpread(const std::vector<double>& matched, double threshold, int64_t reach) {
    std::vector<double> kept(matched);
    Spread spread = robustSpread(kept);
    for (int round = 0; round < 3; ++round) {
        const double limit = threshold * spread.spread * spread.spread;
        std::vector<char> out(matched.size(), 0);
        for (std::size_t i = 0; i < matched.size(); ++i) {
            const double off = matched[i] - spread.centre;
            if (off * off <= limit) continue;
            const auto from = static_cast<std::size_t>(std::max<int64_t>(0, static_cast<int64_t>(i) - reach));
            const std::size_t to = std::min(matched.size(), i + static_cast<std::size_t>(reach) + 1);
            std::fill(out.begin() + static_cast<std::ptrdiff_t>(from), out.begin() + static_cast<std::ptrdiff_t>(to), 1);
        }
        kept.clear();
        for (std::size_t i = 0; i < matched.size(); ++i) {
            if (out[i] == 0) kept.push_back(matched[i]);
        }
        if (kept.size() < matched.size() / 4) break;  // too few left to say more than the round before
        spread = robustSpread(kept);
    }
    return spread;
}

// The standardised matched values (z - centre) / spread, the greatest over the etalons at each
// sampled position, above (`rising`) and below (`falling`, negated) the centre.
struct Standardised {
    std::vector<double> rising, falling;
};

void takeGreatest(const std::vector<double>& matched, Spread spread, Standardised& greatest) {
    constexpr double NONE = -std::numeric_limits<double>::infinity();
    if (greatest.rising.size() < matched.size()) {
        greatest.rising.resize(matched.size(), NONE);
        greatest.falling.resize(matched.size(), NONE);
    }
    const double scale = spread.spread > 0.0 ? 1.0 / spread.spread : 0.0;
    for (std::size_t i = 0; i < matched.size(); ++i) {
        const double w = (matched[i] - spread.centre) * scale;
        greatest.rising[i] = std::max(greatest.rising[i], w);
        greatest.falling[i] = std::max(greatest.falling[i], -w);
    }
}

// Whether values[i] is the greatest within `reach` positions either side (the earliest of equal ones).
bool isPeak(const std::vector<double>& values, int64_t i, int64_t reach) {
    const double v = values[static_cast<std::size_t>(i)];
    const int64_t last = std::min(std::ssize(values) - 1, i + reach);
    for (int64_t j = std::max<int64_t>(0, i - reach); j <= last; ++j) {
        const double w = values[static_cast<std::size_t>(j)];
        if (w > v || (w == v && j < i)) return false;
    }
    return true;
}

// The peaks of the values above 0, highest first, as a chain would take one pulse of a cluster.
std::vector<double> peaksOf(const std::vector<double>& values, int64_t reach) {
    std::vector<double> peaks;
    for (int64_t i = 0; i < std::ssize(values); ++i) {
        const double v = values[static_cast<std::size_t>(i)];
        if (v > 0.0 && isPeak(values, i, reach)) peaks.push_back(v);
    }
    std::sort(peaks.begin(), peaks.end(), std::greater<>());
    return peaks;
}

// The least threshold on the standardised matched values at which the share of false pulses among
// the peaks above it is at most FALSE_SHARE (the false discovery rate). Pulses fit with a positive
// gain, so they raise peaks above the centre, and noise raises as many below it as above: the peaks
// below the centre count the false ones above (a decoy count, which sees the noise's colour and tails
// as they are, and counts a pulse's own swings below the centre as false too, erring towards fewer
// pulses). The universal threshold `ceiling` when no lower one
// keeps the share: a recording without pulses keeps it.
double discoveryThreshold(const Standardised& greatest, int64_t reach, double ceiling) {
    const std::vector<double> found = peaksOf(greatest.rising, reach), decoys = peaksOf(greatest.falling, reach);
    double threshold = ceiling;
    std::size_t false_ = 0;
    for (std::size_t k = 0; k < found.size(); ++k) {
        while (false_ < decoys.size() && decoys[false_] >= found[k]) ++false_;
        if (static_cast<double>(false_) <= FALSE_SHARE * static_cast<double>(k + 1))
            threshold = std::min(threshold, found[k]);
    }
    return threshold;
}

}  // namespace

AutomaticCost automaticCost(std::span<const int16_t> series, std::span<const std::span<const int16_t>> etalons,
                            FitKind fit, int64_t tmin) {
    std::size_t shortest = 0;
    for (std::size_t e = 1; e < etalons.size(); ++e) {
        if (etalons[e].size() < etalons[shortest].size()) shortest = e;
    }
    const int64_t stride = strideOf(std::ssize(series) - std::ssize(etalons[shortest]) + 1);
    AutomaticCost cost;
    const double places = std::max(static_cast<double>(series.size()) / static_cast<double>(tmin), 2.0);
    const double threshold = 2.0 * std::log(places);
    std::vector<double> matched, variances;
    Standardised greatest;
    for (std::size_t e = 0; e < etalons.size(); ++e) {
        sampleEtalon(series, etalons[e], fit, stride, matched, variances);
        const int64_t reach = (std::ssize(etalons[e]) + stride - 1) / stride;
        const Spread spread = matchedSpread(matched, threshold, reach);
        cost.matchedVariances.push_back(std::max(ROUNDING_VARIANCE, spread.spread * spread.spread));
        takeGreatest(matched, spread, greatest);
        if (e != shortest) continue;
        const auto quiet = variances.begin() + static_cast<std::ptrdiff_t>(QUIET_SHARE * static_cast<double>(variances.size()));
        std::nth_element(variances.begin(), quiet, variances.end());
        const double freedom = std::max(static_cast<double>(etalons[e].size()) - 1.0, 1.0);
        cost.noiseVariance = std::max(ROUNDING_VARIANCE, *quiet / quietPercentileShare(freedom));
    }
    const int64_t reach = (std::ssize(etalons[shortest]) + stride - 1) / stride;
    const double discovered = discoveryThreshold(greatest, reach, std::sqrt(threshold));
    for (const double variance : cost.matchedVariances)
        cost.penalties.push_back(std::llround(discovered * discovered * variance));
    return cost;
}

}  // namespace tessaline
