#include "processing/segment_lanes.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "model/wide_lanes.h"

namespace tessaline {
namespace {

// One group of positions: 32 bytes of accumulators, eight 32-bit or four 64-bit lanes.
template <class Acc>
struct Lanes;

template <>
struct Lanes<int32_t> {
    typedef int32_t Scores __attribute__((vector_size(32)));
};

template <>
struct Lanes<int64_t> {
    typedef int64_t Scores __attribute__((vector_size(32)));
};

static_assert(sizeof(Lanes<int32_t>::Scores) == FIT_LANES<int32_t> * sizeof(int32_t));
static_assert(sizeof(Lanes<int64_t>::Scores) == FIT_LANES<int64_t> * sizeof(int64_t));

// Prefix scores of the group, C[t][k] = sum over s < t of e_s (e_s - 2 x_{k+s}), rows 0..n into
// `prefix` (n + 1 groups of lanes); the last row is the whole-etalon score.
template <class Acc>
void fillGroupPrefix(const EtalonSegments& etalon, const Acc* __restrict x,
                     const Acc* __restrict coefficients, Acc* __restrict prefix) {
    using Scores = typename Lanes<Acc>::Scores;
    const int n = etalon.n;
    Scores sum = {};
    std::memcpy(prefix, &sum, sizeof sum);
    for (std::ptrdiff_t t = 0; t < n; ++t) {
        Scores xt;
        std::memcpy(&xt, x + t, sizeof xt);
        sum += coefficients[2 * t] + coefficients[2 * t + 1] * xt;  // e_t (e_t - 2 x_{k+t})
        std::memcpy(prefix + static_cast<std::size_t>(t + 1) * FIT_LANES<Acc>, &sum, sizeof sum);
    }
}

// Lanes of `taken` where `mask` is set (all ones), of `kept` elsewhere: a bitwise blend, which the
// compiler keeps in vector registers for any lane count.
template <class Scores, class Mask>
void blend(const Mask& mask, const Scores& taken, Scores& kept) {
    kept = (taken & mask) | (kept & ~mask);
}

// Row `row` of the group's prefix scores (vectors pass by reference: their width is no part of the
// calling convention here).
template <class Acc>
void loadRow(const Acc* prefix, int row, typename Lanes<Acc>::Scores& scores) {
    std::memcpy(&scores, prefix + static_cast<std::size_t>(row) * FIT_LANES<Acc>, sizeof scores);
}

// Lanes of a block row at group offset k.
template <class Acc>
void loadLanes(const WorkArray<Acc>& row, int k, typename Lanes<Acc>::Scores& lanes) {
    std::memcpy(&lanes, row.data() + k, sizeof lanes);
}
template <class Acc>
void storeLanes(const typename Lanes<Acc>::Scores& lanes, int k, WorkArray<Acc>& row) {
    std::memcpy(row.data() + k, &lanes, sizeof lanes);
}

// The fit of one etalon on one group of positions (x holds the group's samples and n - 1 more),
// one lane each: score and cut. Segment ends j are taken from the last down with the running
// suffix minimum of the prefix scores (the earlier row on ties); each start m is tried once its
// first admissible end is reached, an equal score replacing the later start.
template <class Acc>
struct GroupFit {
    using Scores = typename Lanes<Acc>::Scores;
    Scores score = {};
    Scores first = {};
    Scores last = {};

    void fit(const EtalonSegments& etalon, const Acc* x, const Acc* coefficients, Acc* prefix) {
        const int n = etalon.n;
        fillGroupPrefix(etalon, x, coefficients, prefix);
        Scores whole;
        loadRow(prefix, n, whole);
        score = whole;
        first = Scores{};
        last = Scores{} + static_cast<Acc>(n - 1);
        if (etalon.lastStart < 0) return;
        Scores segment = Scores{} + std::numeric_limits<Acc>::max();
        Scores segmentFirst = first;
        Scores segmentLast = last;
        bestSegment(etalon, prefix, whole, segment, segmentFirst, segmentLast);
        const auto cut = segment < whole;  // the whole etalon stays on ties
        blend(cut, segment, score);
        blend(cut, segmentFirst, first);
        blend(cut, segmentLast, last);
    }

    static void bestSegment(const EtalonSegments& etalon, const Acc* prefix, const Scores& whole,
                            Scores& segment, Scores& segmentFirst, Scores& segmentLast) {
        const int n = etalon.n;
        Scores suffixMin = whole;
        Scores suffixEnd = Scores{} + static_cast<Acc>(n);
        int m = etalon.lastStart;
        for (int j = n; j >= 1 && m >= 0; --j) {
            if (j < n) {
                Scores row;
                loadRow(prefix, j, row);
                const auto lower = row <= suffixMin;
                blend(lower, row, suffixMin);
                blend(lower, Scores{} + static_cast<Acc>(j), suffixEnd);
            }
            for (; m >= 0 && etalon.firstEnd[m] + 1 == j; --m) {
                Scores start;
                loadRow(prefix, m, start);
                const Scores candidate = suffixMin - start;
                const auto take = candidate <= segment;
                blend(take, candidate, segment);
                blend(take, Scores{} + static_cast<Acc>(m), segmentFirst);
                blend(take, suffixEnd - 1, segmentLast);
            }
        }
    }

    // Into the block's best fit at group offset k: where strictly better, or equal with an
    // earlier slot; everywhere with `taken`.
    void fold(int slot, bool taken, int k, FitRows<Acc>& rows) const {
        const Scores slotLanes = Scores{} + static_cast<Acc>(slot);
        Scores heldScore = score, heldSlot = slotLanes, heldFirst = first, heldLast = last;
        if (!taken) {
            loadLanes(rows.blockScore, k, heldScore);
            loadLanes(rows.blockSlot, k, heldSlot);
            loadLanes(rows.blockFirst, k, heldFirst);
            loadLanes(rows.blockLast, k, heldLast);
            const auto take = (score < heldScore) | ((score == heldScore) & (slotLanes < heldSlot));
            blend(take, score, heldScore);
            blend(take, slotLanes, heldSlot);
            blend(take, first, heldFirst);
            blend(take, last, heldLast);
        }
        storeLanes(heldScore, k, rows.blockScore);
        storeLanes(heldSlot, k, rows.blockSlot);
        storeLanes(heldFirst, k, rows.blockFirst);
        storeLanes(heldLast, k, rows.blockLast);
    }
};

// Every group reads the widened samples; the last, partial one reads zeros beyond the block.
template <class Acc>
void fitBlock(const EtalonSegments& etalon, int slot, bool first, int count, FitRows<Acc>& rows) {
    Acc* coefficients = rows.coefficients.data();
    for (std::ptrdiff_t t = 0; t < etalon.n; ++t) {
        const Acc et = etalon.samples[t];
        coefficients[2 * t] = et * et;
        coefficients[2 * t + 1] = -2 * et;
    }
    const Acc* x = rows.samples.data();
    Acc* prefix = rows.prefix.data();
    for (int k = 0; k < count; k += FIT_LANES<Acc>) {
        GroupFit<Acc> group;
        group.fit(etalon, x + k, coefficients, prefix);
        group.fold(slot, first, k, rows);
    }
}

template <class Acc>
void widenBlock(const int16_t* x, int count, int n, FitRows<Acc>& rows) {
    Acc* samples = rows.samples.data();
    const int present = count + n - 1;
    for (int k = 0; k < present; ++k) samples[k] = x[k];
    std::fill_n(samples + present, FIT_LANES<Acc>, Acc{0});
}

template <class Acc>
void storeBlock(const FitRows<Acc>& rows, int count, const FitOutput& out) {
    for (int k = 0; k < count; ++k) {
        out.fit[k] = rows.blockScore[k];
        out.etalon[k] = static_cast<int16_t>(rows.blockSlot[k]);
        out.first[k] = static_cast<int16_t>(rows.blockFirst[k]);
        out.last[k] = static_cast<int16_t>(rows.blockLast[k]);
    }
}

}  // namespace

int lastAdmissibleStart(const uint16_t* firstEnd, int n) noexcept {
    int m = n - 1;
    while (m >= 0 && firstEnd[m] >= n) --m;
    return m;
}

TESSALINE_WIDE_FLAT_LANES void fitEtalonLanes(const EtalonSegments& etalon, int slot, bool first, int count,
                                              FitRows<int32_t>& rows) {
    fitBlock(etalon, slot, first, count, rows);
}

TESSALINE_WIDE_FLAT_LANES void fitEtalonLanes(const EtalonSegments& etalon, int slot, bool first, int count,
                                              FitRows<int64_t>& rows) {
    fitBlock(etalon, slot, first, count, rows);
}

TESSALINE_WIDE_FLAT_LANES void widenBlockSamples(const int16_t* x, int count, int n, FitRows<int32_t>& rows) {
    widenBlock(x, count, n, rows);
}

TESSALINE_WIDE_FLAT_LANES void widenBlockSamples(const int16_t* x, int count, int n, FitRows<int64_t>& rows) {
    widenBlock(x, count, n, rows);
}

// The narrow rows hold what a narrow run folded in already: its scores fit 32 bits.
TESSALINE_WIDE_FLAT_LANES void loadBlockFit(const FitOutput& out, int count, FitRows<int32_t>& rows) {
    for (int k = 0; k < count; ++k) {
        rows.blockScore[k] = static_cast<int32_t>(out.fit[k]);
        rows.blockSlot[k] = out.etalon[k];
        rows.blockFirst[k] = out.first[k];
        rows.blockLast[k] = out.last[k];
    }
}

TESSALINE_WIDE_FLAT_LANES void storeBlockFit(const FitRows<int32_t>& rows, int count, const FitOutput& out) {
    storeBlock(rows, count, out);
}

TESSALINE_WIDE_FLAT_LANES void storeBlockFit(const FitRows<int64_t>& rows, int count, const FitOutput& out) {
    storeBlock(rows, count, out);
}

}  // namespace tessaline
