#include "tests/support/detect_reference.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessaline::reference {

int64_t segmentScore(const Samples& series, const Samples& etalon, int64_t position, int first, int last) {
    int64_t score = 0;
    for (int t = first; t <= last; ++t) {
        const int64_t e = etalon[static_cast<std::size_t>(t)];
        score += e * (e - 2 * int64_t{series[static_cast<std::size_t>(position + t)]});
    }
    return score;
}

bool segmentAdmissible(const Samples& etalon, int energy, int first, int last) {
    const auto n = static_cast<int>(etalon.size());
    if (first < 0 || last >= n || first > last) return false;
    if (first == 0 && last == n - 1) return true;
    if (energy >= 100) return false;
    int64_t whole = 0, part = 0;
    for (int t = 0; t < n; ++t) {
        const int64_t square =
            int64_t{etalon[static_cast<std::size_t>(t)]} * etalon[static_cast<std::size_t>(t)];
        whole += square;
        if (t >= first && t <= last) part += square;
    }
    return part > energy * whole / 100;
}

int64_t bestFit(const Samples& series, const std::vector<const Samples*>& etalons, int energy,
                int64_t position) {
    int64_t best = std::numeric_limits<int64_t>::max();
    for (const Samples* etalon : etalons) {
        const auto n = static_cast<int>(etalon->size());
        if (position + n > std::ssize(series)) continue;  // it reaches past the series' end
        for (int first = 0; first < n; ++first) {
            for (int last = first; last < n; ++last) {
                if (segmentAdmissible(*etalon, energy, first, last))
                    best = std::min(best, segmentScore(series, *etalon, position, first, last));
            }
        }
    }
    return best;
}

int64_t gainFit(const Samples& series, const Samples& etalon, int64_t position, double least, double most,
                bool offset) {
    const auto n = static_cast<int64_t>(etalon.size());
    int64_t energy = 0, correlation = 0, etalonSum = 0, seriesSum = 0;
    for (int64_t t = 0; t < n; ++t) {
        const int64_t e = etalon[static_cast<std::size_t>(t)],
                      x = series[static_cast<std::size_t>(position + t)];
        energy += e * e;
        correlation += e * x;
        etalonSum += e;
        seriesSum += x;
    }
    // n times the centred sums are whole numbers: n E' = n E - (sum e)^2, n C' = n C - (sum e)(sum x).
    const double scale = offset ? static_cast<double>(n) : 1.0;
    const double E =
        offset ? static_cast<double>(n * energy - etalonSum * etalonSum) : static_cast<double>(energy);
    const double C = offset ? static_cast<double>(n * correlation - etalonSum * seriesSum)
                            : static_cast<double>(correlation);
    const double g = std::clamp(E > 0.0 ? C / E : 1.0, least, most);
    return std::llround((g * g * E - 2.0 * g * C) / scale);
}

int64_t trendFit(const Samples& series, const Samples& etalon, int64_t position, double least, double most) {
    using Wide = __int128;
    const auto n = static_cast<int64_t>(etalon.size());
    Wide t1 = 0, t2 = 0, sum = 0, moment = 0;
    for (int64_t t = 0; t < n; ++t) {
        t1 += t;
        t2 += t * t;
        sum += etalon[static_cast<std::size_t>(t)];
        moment += t * etalon[static_cast<std::size_t>(t)];
    }
    // The etalon less its least-squares line a + b t, times the Gram determinant d: whole numbers.
    const Wide d = n * t2 - t1 * t1, a = t2 * sum - t1 * moment, b = n * moment - t1 * sum;
    Wide c = 0, e = 0;
    for (int64_t t = 0; t < n; ++t) {
        const Wide off = d * etalon[static_cast<std::size_t>(t)] - a - b * t;
        c += off * series[static_cast<std::size_t>(position + t)];
        e += off * etalon[static_cast<std::size_t>(t)];
    }
    const auto C = static_cast<double>(c), E = static_cast<double>(e);
    const double g = std::clamp(E > 0.0 ? C / E : 1.0, least, most);
    return std::llround((g * g * E - 2.0 * g * C) / (d > 0 ? static_cast<double>(d) : 1.0));
}

bool placementKept(const Placement& p, const std::vector<int64_t>& starts) {
    if (starts.empty() || starts.front() < 0 || starts.front() > p.tmax - p.length) return false;
    if (starts.back() > p.samples - p.length || starts.back() < p.samples - p.tmax) return false;
    for (std::size_t j = 1; j < starts.size(); ++j) {
        const int64_t gap = starts[j] - starts[j - 1];
        if (gap < p.tmin || gap > p.tmax) return false;
    }
    return true;
}

std::optional<int64_t> bestChainTotal(const Placement& p, const std::vector<std::vector<int64_t>>& rows,
                                      int phase, int64_t least, int64_t most) {
    constexpr int64_t NONE = std::numeric_limits<int64_t>::max();
    const int64_t positions = p.samples - p.length + 1;
    const auto row = [&](int64_t j) -> const std::vector<int64_t>& {
        return rows[static_cast<std::size_t>((phase + j) % static_cast<int64_t>(rows.size()))];
    };
    std::vector<int64_t> totals(static_cast<std::size_t>(positions), NONE);
    for (int64_t k = 0; k < positions && k <= p.tmax - p.length; ++k) totals[k] = row(0)[k];
    // Counting from 0, the empty chain's total 0 is a total too.
    std::optional<int64_t> best = least == 0 ? std::optional<int64_t>(0) : std::nullopt;
    for (int64_t j = 0; j < most; ++j) {
        if (j > 0) {
            std::vector<int64_t> next(totals.size(), NONE);
            for (int64_t k = 0; k < positions; ++k) {
                for (int64_t q = std::max<int64_t>(0, k - p.tmax); q <= k - p.tmin; ++q) {
                    if (totals[q] != NONE && row(j)[k] != NONE)
                        next[k] = std::min(next[k], totals[q] + row(j)[k]);
                }
            }
            totals = std::move(next);
        }
        if (j + 1 < least) continue;
        for (int64_t k = std::max<int64_t>(0, p.samples - p.tmax); k < positions; ++k) {
            if (totals[k] != NONE && (!best || totals[k] < *best)) best = totals[k];
        }
    }
    return best;
}

std::optional<int64_t> bestFreeChainTotal(const Placement& p, const std::vector<int64_t>& row, bool empty) {
    constexpr int64_t NONE = std::numeric_limits<int64_t>::max();
    const auto positions = static_cast<int64_t>(row.size());
    std::vector<int64_t> totals(row.size(), NONE);
    std::optional<int64_t> best = empty ? std::optional<int64_t>(0) : std::nullopt;
    for (int64_t k = 0; k < positions; ++k) {
        if (row[k] == NONE) continue;
        int64_t before = k <= p.tmax - p.length ? 0 : NONE;
        for (int64_t q = std::max<int64_t>(0, k - p.tmax); q <= k - p.tmin; ++q)
            before = std::min(before, totals[q]);
        if (before == NONE) continue;
        totals[k] = before + row[k];
        if (k >= p.samples - p.tmax && (!best || totals[k] < *best)) best = totals[k];
    }
    return best;
}

}  // namespace tessaline::reference
