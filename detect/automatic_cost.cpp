#include "detect/automatic_cost.h"

#include "detect/level_sums.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace tessaline {
namespace {

constexpr double ROUNDING_VARIANCE = 1.0 / 12.0;
constexpr double MAD_TO_SIGMA = 1.4826;
constexpr double QUIET_SHARE = 0.1;       // the percentile of window variances taken as quiet
constexpr double QUIET_NORMAL = -1.2816;  // the standard normal's tenth percentile
constexpr double FALSE_SHARE = 0.05;      // the share of false pulses the cost allows for

// The positions looked at: all of a short series, every stride-th of a long one.
int64_t strideOf(int64_t positions) {
    return std::max<int64_t>(1, (positions + AUTOMATIC_SAMPLED - 1) / AUTOMATIC_SAMPLED);
}

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

// The levels the noise per sample is taken about (the means, or the lines for the gain-trend fit), and
// the degrees of freedom a window of n samples keeps about them.
FitKind noiseLevels(FitKind fit) {
    return fit == FitKind::GainTrend ? FitKind::GainTrend : FitKind::GainOffset;
}

double windowFreedom(int64_t n, FitKind fit) {
    return static_cast<double>(std::max<int64_t>(n - fitFreeLevels(noiseLevels(fit)) + 1, 1));
}

// The etalon's matched values z at the sampled positions, and the window variances about the levels
// the fit takes out (about the means, or about the lines for the gain-trend fit).
void sampleEtalon(std::span<const int16_t> series, std::span<const int16_t> etalon, FitKind fit,
                  int64_t stride, std::vector<double>& matched, std::vector<double>& variances) {
    const FitKind levels = noiseLevels(fit);
    const auto n = std::ssize(etalon);
    const double freedom = windowFreedom(n, fit);
    const int64_t positions = std::ssize(series) - n + 1;
    matched.clear();
    variances.clear();
    const LevelSums etalonPart = levelSums(etalon.data(), etalon.data(), n);
    for (int64_t k = 0; k < positions; k += stride) {
        const LevelSums sums = windowSums(series.data() + k, etalon.data(), etalonPart);
        const Projected own = projected(fit == FitKind::Shape ? FitKind::Gain : fit, sums);
        matched.push_back(own.energy > 0.0 ? own.correlation / std::sqrt(own.energy * own.scale) : 0.0);
        const Projected about = projected(levels, sums);
        variances.push_back(about.squares / about.scale / freedom);
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
            std::fill(out.begin() + static_cast<std::ptrdiff_t>(from),
                      out.begin() + static_cast<std::ptrdiff_t>(to), 1);
        }
        kept.clear();
        for (std::size_t i = 0; i < matched.size(); ++i) {
            if (out[i] == 0) kept.push_back(matched[i]);
        }
        // Too few left to say more than the round before (none at all of a very short series).
        if (kept.empty() || kept.size() < matched.size() / 4) break;
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
// the peaks above it is at most FALSE_SHARE (the false discovery rate), counting one false peak more
// than the decoys show (so that a few pulses never lower it into the noise). Pulses fit with a positive
// gain, so they raise peaks above the centre, and noise raises as many below it as above: the peaks
// below the centre count the false ones above (a decoy count, which sees the noise's colour and tails
// as they are, and takes a pulse's own swings below the centre for false ones too, erring towards
// fewer pulses). The universal threshold `ceiling` when no lower one keeps the share: a recording
// without pulses keeps it.
double discoveryThreshold(const Standardised& greatest, int64_t reach, double ceiling) {
    const std::vector<double> found = peaksOf(greatest.rising, reach),
                              decoys = peaksOf(greatest.falling, reach);
    double threshold = ceiling;
    std::size_t false_ = 0;
    for (std::size_t k = 0; k < found.size(); ++k) {
        while (false_ < decoys.size() && decoys[false_] >= found[k]) ++false_;
        if (static_cast<double>(false_ + 1) <= FALSE_SHARE * static_cast<double>(k + 1))
            threshold = std::min(threshold, found[k]);
    }
    return threshold;
}

// The etalon as the fit sees it: less its mean (gain-offset) or its least-squares line (gain-trend).
std::vector<double> fittedShape(std::span<const int16_t> etalon, FitKind fit) {
    const auto n = static_cast<double>(etalon.size());
    double sum = 0.0, moment = 0.0, t2 = 0.0;
    for (std::size_t t = 0; t < etalon.size(); ++t) {
        sum += etalon[t];
        moment += static_cast<double>(t) * etalon[t];
    }
    const double centre = (n - 1.0) / 2.0;
    for (std::size_t t = 0; t < etalon.size(); ++t)
        t2 += (static_cast<double>(t) - centre) * (static_cast<double>(t) - centre);
    const double mean = fit == FitKind::GainOffset || fit == FitKind::GainTrend ? sum / n : 0.0;
    const double slope = fit == FitKind::GainTrend && t2 > 0.0 ? (moment - centre * sum) / t2 : 0.0;
    std::vector<double> shape(etalon.size());
    for (std::size_t t = 0; t < etalon.size(); ++t)
        shape[t] = etalon[t] - mean - slope * (static_cast<double>(t) - centre);
    return shape;
}

// How many neighbouring starts the etalon's matched noise moves together over: the sum over lags
// of the squared autocorrelation of the etalon as the fit sees it (1 for a single spike; up to
// MOST_LAGS lags either side).
double correlatedStarts(std::span<const int16_t> etalon, FitKind fit) {
    constexpr std::size_t MOST_LAGS = 1024;
    const std::vector<double> shape = fittedShape(etalon, fit);
    double energy = 0.0;
    for (const double v : shape) energy += v * v;
    if (!(energy > 0.0)) return 1.0;
    double starts = 1.0;
    for (std::size_t lag = 1; lag < std::min(shape.size(), MOST_LAGS + 1); ++lag) {
        double product = 0.0;
        for (std::size_t t = 0; t + lag < shape.size(); ++t) product += shape[t] * shape[t + lag];
        starts += 2.0 * (product / energy) * (product / energy);
    }
    return starts;
}

// The squared universal threshold 2 ln M over M independent starts: noise alone passes it somewhere
// with a chance of about 1 / (t sqrt(2 pi)), a tenth for a recording's M, and more rarely still as M
// grows.
double universalThreshold(double starts) { return 2.0 * std::log(std::max(starts, 2.0)); }

}  // namespace

AutomaticCost automaticCost(std::span<const int16_t> series,
                            std::span<const std::span<const int16_t>> etalons, FitKind fit) {
    std::size_t shortest = 0;
    for (std::size_t e = 1; e < etalons.size(); ++e) {
        if (etalons[e].size() < etalons[shortest].size()) shortest = e;
    }
    const int64_t stride = strideOf(std::ssize(series) - std::ssize(etalons[shortest]) + 1);
    AutomaticCost cost;
    // Noise may raise a peak at any start, the matched values of neighbouring starts moving together:
    // the universal threshold counts the starts that move apart (for the etalon whose noise moves
    // together over the fewest).
    double together = std::numeric_limits<double>::infinity();
    for (const std::span<const int16_t> etalon : etalons)
        together = std::min(together, correlatedStarts(etalon, fit));
    const double starts =
        static_cast<double>(std::ssize(series) - std::ssize(etalons[shortest]) + 1) / together;
    const double threshold = universalThreshold(starts);
    std::vector<double> matched, variances;
    Standardised greatest;
    for (std::size_t e = 0; e < etalons.size(); ++e) {
        sampleEtalon(series, etalons[e], fit, stride, matched, variances);
        const int64_t reach = (std::ssize(etalons[e]) + stride - 1) / stride;
        const Spread spread = matchedSpread(matched, threshold, reach);
        cost.matchedVariances.push_back(std::max(ROUNDING_VARIANCE, spread.spread * spread.spread));
        takeGreatest(matched, spread, greatest);
        if (e != shortest) continue;
        const auto quiet = variances.begin() +
                           static_cast<std::ptrdiff_t>(QUIET_SHARE * static_cast<double>(variances.size()));
        std::nth_element(variances.begin(), quiet, variances.end());
        cost.noiseVariance = std::max(
            ROUNDING_VARIANCE, *quiet / quietPercentileShare(windowFreedom(std::ssize(etalons[e]), fit)));
    }
    const int64_t reach = (std::ssize(etalons[shortest]) + stride - 1) / stride;
    const double discovered = discoveryThreshold(greatest, reach, std::sqrt(threshold));
    for (const double variance : cost.matchedVariances)
        cost.penalties.push_back(std::llround(discovered * discovered * variance));
    return cost;
}

}  // namespace tessaline
