#include "detect/fit_rows.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <vector>

#include "detect/cancel.h"
#include "detect/level_sums.h"
#include "model/wide_lanes.h"

namespace tessaline {
namespace {

constexpr int64_t BLOCK = 2048;  // positions whose correlations are summed together (they stay in cache)

// The sums of e_t x_{from+i+t} for i < count, in doubles: every product and partial sum is a whole
// number below 2^53 (at most 2^15 terms of at most 2^30), so they are exact.
TESSALINE_WIDE_LANES void correlateBlock(const double* x, const double* e, int64_t n, int64_t count,
                                         double* sums) {
    std::fill_n(sums, count, 0.0);
    for (int64_t t = 0; t < n; ++t) {
        const double et = e[t];
        const double* xt = x + t;
        for (int64_t i = 0; i < count; ++i) sums[i] += et * xt[i];
    }
}

// C_k = sum e_t x_{k+t} for every position, a block of positions at a time.
FitOutcome correlations(std::span<const int16_t> series, std::span<const int16_t> etalon,
                        const std::atomic<bool>* cancel, int64_t* out) {
    const auto n = static_cast<int64_t>(etalon.size());
    const int64_t positions = static_cast<int64_t>(series.size()) - n + 1;
    std::vector<double> e(etalon.begin(), etalon.end()), x(static_cast<std::size_t>(BLOCK + n)), sums(BLOCK);
    for (int64_t from = 0; from < positions; from += BLOCK) {
        if (cancelRequested(cancel)) return FitOutcome::Cancelled;
        const int64_t count = std::min(BLOCK, positions - from);
        std::copy_n(series.data() + from, count + n - 1, x.begin());
        correlateBlock(x.data(), e.data(), n, count, sums.data());
        for (int64_t i = 0; i < count; ++i) out[from + i] = static_cast<int64_t>(sums[i]);
    }
    return FitOutcome::Done;
}

// The least of g^2 energy - 2 g correlation over g in the bounds, and its g.
double boundedGain(double correlation, double energy, const FitSettings& s) {
    return energy > 0.0 ? std::clamp(correlation / energy, s.gainLeast, s.gainMost)
                        : std::clamp(1.0, s.gainLeast, s.gainMost);
}

double gainScore(double correlation, double energy, const FitSettings& s) {
    const double g = boundedGain(correlation, energy, s);
    return g * g * energy - 2.0 * g * correlation;
}

// The score of a whole-etalon fit from the etalon's and the window's sums, and the residual sum of
// squares it leaves.
struct WindowFit {
    double score, residual;
    bool gainInBounds = true;  // the least-squares gain lies within the bounds
};

bool inBounds(double correlation, double energy, const FitSettings& s) {
    if (!(energy > 0.0)) return true;
    const double g = correlation / energy;
    return g >= s.gainLeast && g <= s.gainMost;
}

WindowFit fitWindow(const FitSettings& s, const LevelSums& sums) {
    const Projected p = projected(s.kind, sums);
    if (s.kind == FitKind::Shape) {
        const auto score = static_cast<double>(sums.energy - 2 * sums.correlation);
        return {score, p.squares + score};
    }
    const double score = gainScore(p.correlation, p.energy, s) / p.scale;
    return {score, p.squares / p.scale + score, inBounds(p.correlation, p.energy, s)};
}

// Whether the shape rule refuses a fit: what the etalon leaves unexplained beyond the noise its
// degrees of freedom hold is more than what it explains (the etalon explains less than half of what
// the window holds above the noise).
bool shapeRefuses(const FitSettings& s, double residual, double explained, double noiseShare) {
    return s.shapeRule && residual - noiseShare > explained;
}

// Whole-etalon scores of every kind from the correlations (in place in `score`), refused where the
// shape or the gain rule says so; the refused fits that would have paid for their cost are counted.
FitOutcome wholeScores(std::span<const int16_t> series, std::span<const int16_t> etalon, const FitSettings& s,
                       const std::atomic<bool>* cancel, int64_t* score, FitRefusals& refusals) {
    if (const FitOutcome outcome = correlations(series, etalon, cancel, score); outcome != FitOutcome::Done)
        return outcome;
    const auto n = static_cast<int64_t>(etalon.size());
    const int64_t positions = static_cast<int64_t>(series.size()) - n + 1;
    // The window's sums run along the series: sum x, sum x^2 and sum t x (t from the window's start).
    LevelSums sums = levelSums(series.data(), etalon.data(), n);
    const double noiseShare =
        s.noiseVariance * static_cast<double>(std::max<int64_t>(n - fitFreeLevels(s.kind), 1));
    for (int64_t k = 0; k < positions; ++k) {
        if (k > 0) {
            const int64_t leaving = series[static_cast<std::size_t>(k - 1)],
                          entering = series[static_cast<std::size_t>(k + n - 1)];
            sums.moment += (n - 1) * entering - (sums.sum - leaving);
            sums.sum += entering - leaving;
            sums.squares += entering * entering - leaving * leaving;
        }
        sums.correlation = score[k];
        const WindowFit fit = fitWindow(s, sums);
        const bool byGain = s.gainRule && !fit.gainInBounds;
        const bool byShape = !byGain && shapeRefuses(s, fit.residual, -fit.score, noiseShare);
        const bool paying = fit.score + static_cast<double>(s.penalty) < 0.0;
        refusals.gain += byGain && paying ? 1 : 0;
        refusals.shape += byShape && paying ? 1 : 0;
        score[k] = byGain || byShape ? FIT_REFUSED : std::llround(fit.score);
    }
    return FitOutcome::Done;
}

// The cut-off segments an etalon admits at an energy level: for each first sample m whose energy to
// the end is above the threshold, the least end j (exclusive) of an admissible segment [m, j - 1].
struct Segments {
    std::vector<int64_t> partial;  // partial[i] = e_0^2 + ... + e_{i-1}^2
    std::vector<int32_t> firsts, leastEnds;
};

Segments admissibleSegments(std::span<const int16_t> etalon, int energy) {
    Segments s;
    const auto n = static_cast<int32_t>(etalon.size());
    s.partial.assign(static_cast<std::size_t>(n) + 1, 0);
    for (int32_t t = 0; t < n; ++t) s.partial[t + 1] = s.partial[t] + int64_t{etalon[t]} * etalon[t];
    const int64_t threshold = energy * s.partial[n] / 100;
    int32_t end = 1;
    for (int32_t m = 0; m < n; ++m) {
        if (s.partial[n] - s.partial[m] <= threshold) break;  // later starts keep still less
        end = std::max(end, m + 1);
        while (s.partial[end] - s.partial[m] <= threshold) ++end;
        s.firsts.push_back(m);
        s.leastEnds.push_back(end);
    }
    return s;
}

// At each position, the whole etalon's score replaced by an admissible segment's strictly smaller
// one: prefix sums C of the terms, the least C[j] over j >= each least end (the smallest such j on
// ties), against C[m].
FitOutcome segmentScores(std::span<const int16_t> series, std::span<const int16_t> etalon, int energy,
                         const std::atomic<bool>* cancel, FitRow& row) {
    const Segments s = admissibleSegments(etalon, energy);
    const auto n = static_cast<int32_t>(etalon.size());
    std::vector<int64_t> prefix(static_cast<std::size_t>(n) + 1), least(prefix.size());
    std::vector<int32_t> where(prefix.size());
    const int64_t positions = static_cast<int64_t>(series.size()) - n + 1;
    for (int64_t k = 0; k < positions; ++k) {
        if ((k & 1023) == 0 && cancelRequested(cancel)) return FitOutcome::Cancelled;
        for (int32_t t = 0; t < n; ++t) {
            const int64_t e = etalon[t];
            prefix[t + 1] = prefix[t] + e * (e - 2 * int64_t{series[static_cast<std::size_t>(k + t)]});
        }
        least[n] = prefix[n];
        where[n] = n;
        for (int32_t j = n - 1; j >= 1; --j) {
            const bool here = prefix[j] <= least[j + 1];
            least[j] = here ? prefix[j] : least[j + 1];
            where[j] = here ? j : where[j + 1];
        }
        int64_t best = prefix[n];
        int32_t first = 0, last = n - 1;
        for (std::size_t i = 0; i < s.firsts.size(); ++i) {
            const int32_t m = s.firsts[i], end = s.leastEnds[i];
            if (least[end] - prefix[m] < best) {
                best = least[end] - prefix[m];
                first = m;
                last = where[end] - 1;
            }
        }
        row.score.data()[k] = best;
        row.first.data()[k] = first;
        row.last.data()[k] = last;
    }
    return FitOutcome::Done;
}

// Whether etalon `e`'s fit explains more of the window than the best so far (etalon `best`), each
// score less its etalon's cost: the etalon of a place is the one that explains most of it, whatever
// it costs; the earlier wins ties. A refused fit explains nothing.
bool explainsMore(const FitSettings& s, int64_t score, std::size_t e, int64_t bestScore, int32_t best) {
    if (score == FIT_REFUSED) return false;
    if (bestScore == FIT_REFUSED) return true;
    return score - etalonCost(s, e) < bestScore - etalonCost(s, static_cast<std::size_t>(best));
}

bool allocateRow(int64_t positions, int32_t length, bool cut, bool folded, FitRow& row) {
    const auto count = static_cast<std::size_t>(positions);
    row.positions = positions;
    row.length = length;
    row.score = memory::allocateOwnedZeroed<int64_t>(count);
    if (cut) {
        row.first = memory::allocateOwnedZeroed<int32_t>(count);
        row.last = memory::allocateOwnedZeroed<int32_t>(count);
    }
    if (folded) row.etalon = memory::allocateOwnedZeroed<int32_t>(count);
    return row.score && (!cut || (row.first && row.last)) && (!folded || row.etalon);
}

// The etalon's scores with the cost of a pulse; the positions past the last start the etalon has in
// the series (a shorter etalon of the alphabet reaches further) hold no pulse of it.
FitOutcome fillRow(std::span<const int16_t> series, std::span<const int16_t> etalon, const FitSettings& s,
                   const std::atomic<bool>* cancel, FitRow& row) {
    const FitOutcome outcome = s.kind == FitKind::Shape && s.energy < 100
                                   ? segmentScores(series, etalon, s.energy, cancel, row)
                                   : wholeScores(series, etalon, s, cancel, row.score.data(), row.refused);
    if (outcome != FitOutcome::Done) return outcome;
    const int64_t own = static_cast<int64_t>(series.size()) - std::ssize(etalon) + 1;
    std::fill(row.score.data() + own, row.score.data() + row.positions, FIT_REFUSED);
    if (s.penalty == 0) return outcome;
    for (int64_t k = 0; k < own; ++k) {
        if (row.score.data()[k] != FIT_REFUSED) row.score.data()[k] += s.penalty;
    }
    return outcome;
}

bool cutsSegments(const FitSettings& s) { return s.kind == FitKind::Shape && s.energy < 100; }

}  // namespace

FitOutcome computeFitRow(std::span<const int16_t> series, std::span<const int16_t> etalon, int64_t positions,
                         const FitSettings& settings, const std::atomic<bool>* cancel, FitRow& row) {
    assert(positions >= std::ssize(series) - std::ssize(etalon) + 1);
    const auto n = static_cast<int32_t>(etalon.size());
    if (!allocateRow(positions, n, cutsSegments(settings), false, row)) return FitOutcome::OutOfMemory;
    return fillRow(series, etalon, settings, cancel, row);
}

FitOutcome computeBestRow(std::span<const int16_t> series, std::span<const std::span<const int16_t>> etalons,
                          int64_t positions, const FitSettings& settings, const std::atomic<bool>* cancel,
                          FitRow& row) {
    const auto n = static_cast<int32_t>(etalons.front().size());
    const bool cut = cutsSegments(settings);
    FitRow one;
    if (!allocateRow(positions, n, cut, true, row) || !allocateRow(positions, n, cut, false, one))
        return FitOutcome::OutOfMemory;
    for (std::size_t e = 0; e < etalons.size(); ++e) {
        FitRow& target = e == 0 ? row : one;
        one.refused = {};
        if (const FitOutcome outcome =
                fillRow(series, etalons[e], etalonSettings(settings, e), cancel, target);
            outcome != FitOutcome::Done)
            return outcome;
        if (e > 0) row.refused += one.refused;
        for (int64_t k = 0; e > 0 && k < positions; ++k) {
            if (!explainsMore(settings, one.score.data()[k], e, row.score.data()[k], rowEtalon(row, k)))
                continue;
            row.score.data()[k] = one.score.data()[k];
            row.etalon.data()[k] = static_cast<int32_t>(e);
            if (cut) {
                row.first.data()[k] = one.first.data()[k];
                row.last.data()[k] = one.last.data()[k];
            }
        }
    }
    return FitOutcome::Done;
}

PulseLevel pulseLevel(std::span<const int16_t> series, std::span<const int16_t> etalon, int64_t position,
                      const FitSettings& s) {
    if (s.kind == FitKind::Shape) return {};
    const auto n = std::ssize(etalon);
    const LevelSums sums = levelSums(series.data() + position, etalon.data(), n);
    const Projected p = projected(s.kind, sums);
    const double g = boundedGain(p.correlation, p.energy, s);
    if (s.kind == FitKind::Gain) return {g, 0.0};
    // The level under the pulse: the samples' mean less the scaled etalon's.
    return {g, (static_cast<double>(sums.sum) - g * static_cast<double>(sums.etalonSum)) /
                   static_cast<double>(n)};
}

int64_t etalonCost(const FitSettings& settings, std::size_t etalon) noexcept {
    return etalon < settings.penalties.size() ? settings.penalties[etalon] : settings.penalty;
}

FitSettings etalonSettings(const FitSettings& settings, std::size_t etalon) {
    FitSettings own = settings;
    own.penalty = etalonCost(settings, etalon);
    own.penalties.clear();
    return own;
}

int64_t fitFreeLevels(FitKind kind) noexcept {
    switch (kind) {
        case FitKind::Shape: return 0;
        case FitKind::Gain: return 1;
        case FitKind::GainOffset: return 2;
        case FitKind::GainTrend: break;
    }
    return 3;
}

int32_t rowFirst(const FitRow& row, int64_t position) noexcept {
    return row.first ? row.first.data()[position] : 0;
}

int32_t rowLast(const FitRow& row, int64_t position, int32_t length) noexcept {
    return row.last ? row.last.data()[position] : length - 1;
}

int32_t rowEtalon(const FitRow& row, int64_t position) noexcept {
    return row.etalon ? row.etalon.data()[position] : 0;
}

}  // namespace tessaline
