#include "detect/fit_rows.h"

#include <algorithm>
#include <vector>

namespace tessaline {
namespace {

constexpr int64_t BLOCK = 2048;  // positions whose correlations are summed together (they stay in cache)

bool cancelled(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

int64_t energyOf(std::span<const int16_t> etalon) {
    int64_t energy = 0;
    for (const int16_t e : etalon) energy += int64_t{e} * e;
    return energy;
}

// Whole-etalon scores E - 2 sum e_t x_{k+t} for every position, a block of positions at a time.
FitOutcome wholeScores(std::span<const int16_t> series, std::span<const int16_t> etalon,
                       const std::atomic<bool>* cancel, int64_t* score) {
    const auto n = static_cast<int64_t>(etalon.size());
    const int64_t positions = static_cast<int64_t>(series.size()) - n + 1;
    const int64_t energy = energyOf(etalon);
    int64_t sums[BLOCK];
    for (int64_t from = 0; from < positions; from += BLOCK) {
        if (cancelled(cancel)) return FitOutcome::Cancelled;
        const int64_t count = std::min(BLOCK, positions - from);
        std::fill_n(sums, count, int64_t{0});
        for (int64_t t = 0; t < n; ++t) {
            const int32_t e = etalon[static_cast<std::size_t>(t)];
            const int16_t* x = series.data() + from + t;
            // |e x| <= 2^30: the product fits 32 bits.
            for (int64_t i = 0; i < count; ++i) sums[i] += static_cast<int64_t>(e * int32_t{x[i]});
        }
        for (int64_t i = 0; i < count; ++i) score[from + i] = energy - 2 * sums[i];
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
    for (int64_t k = 0; k < row.positions; ++k) {
        if ((k & 1023) == 0 && cancelled(cancel)) return FitOutcome::Cancelled;
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

FitOutcome fillRow(std::span<const int16_t> series, std::span<const int16_t> etalon, int energy,
                   const std::atomic<bool>* cancel, FitRow& row) {
    if (energy >= 100) return wholeScores(series, etalon, cancel, row.score.data());
    return segmentScores(series, etalon, energy, cancel, row);
}

}  // namespace

FitOutcome computeFitRow(std::span<const int16_t> series, std::span<const int16_t> etalon, int energy,
                         const std::atomic<bool>* cancel, FitRow& row) {
    const auto n = static_cast<int32_t>(etalon.size());
    if (!allocateRow(static_cast<int64_t>(series.size()) - n + 1, n, energy < 100, false, row))
        return FitOutcome::OutOfMemory;
    return fillRow(series, etalon, energy, cancel, row);
}

FitOutcome computeBestRow(std::span<const int16_t> series, std::span<const std::span<const int16_t>> etalons,
                          int energy, const std::atomic<bool>* cancel, FitRow& row) {
    const auto n = static_cast<int32_t>(etalons.front().size());
    const int64_t positions = static_cast<int64_t>(series.size()) - n + 1;
    FitRow one;
    if (!allocateRow(positions, n, energy < 100, true, row) ||
        !allocateRow(positions, n, energy < 100, false, one))
        return FitOutcome::OutOfMemory;
    for (std::size_t e = 0; e < etalons.size(); ++e) {
        FitRow& target = e == 0 ? row : one;
        if (const FitOutcome outcome = fillRow(series, etalons[e], energy, cancel, target);
            outcome != FitOutcome::Done)
            return outcome;
        for (int64_t k = 0; e > 0 && k < positions; ++k) {
            if (one.score.data()[k] >= row.score.data()[k]) continue;
            row.score.data()[k] = one.score.data()[k];
            row.etalon.data()[k] = static_cast<int32_t>(e);
            if (energy < 100) {
                row.first.data()[k] = one.first.data()[k];
                row.last.data()[k] = one.last.data()[k];
            }
        }
    }
    return FitOutcome::Done;
}

int32_t rowFirst(const FitRow& row, int64_t position) noexcept {
    return row.first ? row.first.data()[position] : 0;
}

int32_t rowLast(const FitRow& row, int64_t position) noexcept {
    return row.last ? row.last.data()[position] : row.length - 1;
}

int32_t rowEtalon(const FitRow& row, int64_t position) noexcept {
    return row.etalon ? row.etalon.data()[position] : 0;
}

}  // namespace tessaline
