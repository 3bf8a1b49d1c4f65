#include "processing/fit.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace tessaline {
namespace {

// First admissible end of every segment start: the least i >= m whose segment [m, i] holds more
// than the threshold's energy; n when no end is admissible.
void fillFirstEnds(const int64_t* energy, int n, int64_t threshold, uint16_t* firstEnd) {
    int i = 0;
    for (int m = 0; m < n; ++m) {
        i = std::max(i, m);
        while (i < n && energy[i + 1] - energy[m] <= threshold) ++i;
        firstEnd[m] = static_cast<uint16_t>(i);
    }
}

// Prefix scores C[t][k] = sum over s < t of e_s (e_s - 2 x_{k+s}), one row per t, across positions.
template <class Acc>
void addPrefixRow(const Acc* __restrict previous, Acc et, const int16_t* __restrict xt, int P,
                  Acc* __restrict next) {
    for (int k = 0; k < P; ++k) next[k] = previous[k] + et * (et - 2 * Acc{xt[k]});
}

template <class Acc>
void fillPrefixRows(const int16_t* e, int n, const int16_t* x, int P, Acc* rows) {
    std::fill_n(rows, P, Acc{0});
    for (int t = 0; t < n; ++t) {
        const Acc* previous = rows + static_cast<std::size_t>(t) * P;
        addPrefixRow(previous, Acc{e[t]}, x + t, P, rows + static_cast<std::size_t>(t + 1) * P);
    }
}

// sm := the least prefix score from row j on (the earlier row on ties), with the row it came from.
template <class Acc>
void lowerSuffixMinimum(const Acc* __restrict Cj, int j, int P, Acc* __restrict sm,
                        int32_t* __restrict smEnd) {
    for (int k = 0; k < P; ++k) {
        const bool take = Cj[k] <= sm[k];
        sm[k] = take ? Cj[k] : sm[k];
        smEnd[k] = take ? j : smEnd[k];
    }
}

// The best segment starting at m (best end from the suffix minimum) replaces the best so far on
// ties too, since starts are visited from the last to the first.
template <class Acc>
void tryStart(const Acc* __restrict Cm, int m, const Acc* __restrict sm, const int32_t* __restrict smEnd,
              int P, Acc* __restrict best, int32_t* __restrict bestFirst, int32_t* __restrict bestLast) {
    for (int k = 0; k < P; ++k) {
        const Acc candidate = sm[k] - Cm[k];
        const Acc before = best[k];
        const int32_t firstBefore = bestFirst[k];
        const int32_t lastBefore = bestLast[k];
        const int32_t end = smEnd[k] - 1;
        const bool take = candidate <= before;
        best[k] = take ? candidate : before;
        bestFirst[k] = take ? m : firstBefore;
        bestLast[k] = take ? end : lastBefore;
    }
}

// The whole etalon stays unless the best segment is strictly better.
template <class Acc>
void preferWhole(const Acc* __restrict whole, int n, int P, Acc* __restrict best,
                 int32_t* __restrict bestFirst, int32_t* __restrict bestLast) {
    for (int k = 0; k < P; ++k) {
        const Acc segmentScore = best[k];
        const Acc wholeScore = whole[k];
        const int32_t first = bestFirst[k];
        const int32_t last = bestLast[k];
        const bool segment = segmentScore < wholeScore;
        best[k] = segment ? segmentScore : wholeScore;
        bestFirst[k] = segment ? first : 0;
        bestLast[k] = segment ? last : n - 1;
    }
}

// The best fit of one etalon at every position: its whole score, replaced by the best admissible
// segment only when strictly smaller. Segment starts are visited from the last to the first, with
// equal scores taking the earlier start, and each start's best end is the leftmost least prefix
// score at or after its first admissible end: the same choice as trying every start and end in
// ascending order with strict improvement.
// Returns the scores (the whole-etalon scores when no segment is admissible, the cuts then being
// the whole etalon).
template <class Acc>
const Acc* fitOneEtalon(const int16_t* e, int n, const uint16_t* firstEnd, const int16_t* x, int P,
                        FitRows<Acc>& rows, bool& wholeOnly) {
    int m = n - 1;
    while (m >= 0 && firstEnd[m] >= n) --m;  // starts without an admissible end
    Acc* C = rows.prefix.data();
    fillPrefixRows(e, n, x, P, C);
    wholeOnly = m < 0;
    if (wholeOnly) return C + static_cast<std::size_t>(n) * P;
    Acc* sm = rows.suffixMin.data();
    int32_t* smEnd = rows.suffixEnd.data();
    Acc* best = rows.segmentBest.data();
    int32_t* bestFirst = rows.segmentFirst.data();
    int32_t* bestLast = rows.segmentLast.data();
    const Acc* whole = C + static_cast<std::size_t>(n) * P;
    std::copy_n(whole, P, sm);
    std::fill_n(smEnd, P, n);
    std::fill_n(best, P, std::numeric_limits<Acc>::max());
    std::fill_n(bestFirst, P, 0);
    std::fill_n(bestLast, P, n - 1);

    for (int j = n; j >= 1 && m >= 0; --j) {
        if (j < n) lowerSuffixMinimum(C + static_cast<std::size_t>(j) * P, j, P, sm, smEnd);
        for (; m >= 0 && firstEnd[m] + 1 == j; --m) {
            tryStart(C + static_cast<std::size_t>(m) * P, m, sm, smEnd, P, best, bestFirst, bestLast);
        }
    }
    preferWhole(whole, n, P, best, bestFirst, bestLast);
    return best;
}

// Folds one etalon's fit into the best fit so far: it replaces where strictly smaller, or equal
// with an earlier candidate slot (the whole etalons of a narrow run are folded in first).
template <class Acc>
void mergeFit(const Acc* __restrict own, const FitRows<Acc>& rows, bool wholeOnly, int n, int start,
              int count, int slot, bool first, const FitOutput& out) {
    const int32_t* __restrict ownFirst = rows.segmentFirst.data();
    const int32_t* __restrict ownLast = rows.segmentLast.data();
    int64_t* __restrict fit = out.fit + start;
    int16_t* __restrict etalon = out.etalon + start;
    int16_t* __restrict cutFirst = out.first + start;
    int16_t* __restrict cutLast = out.last + start;
    const auto slot16 = static_cast<int16_t>(slot);
    const auto lastSample = static_cast<int16_t>(n - 1);
    if (wholeOnly) {
        for (int k = 0; k < count; ++k) {
            const bool take = first || own[k] < fit[k] || (own[k] == fit[k] && slot16 < etalon[k]);
            fit[k] = take ? own[k] : fit[k];
            etalon[k] = take ? slot16 : etalon[k];
            cutFirst[k] = take ? int16_t{0} : cutFirst[k];
            cutLast[k] = take ? lastSample : cutLast[k];
        }
        return;
    }
    for (int k = 0; k < count; ++k) {
        const bool take = first || own[k] < fit[k] || (own[k] == fit[k] && slot16 < etalon[k]);
        fit[k] = take ? own[k] : fit[k];
        etalon[k] = take ? slot16 : etalon[k];
        cutFirst[k] = take ? static_cast<int16_t>(ownFirst[k]) : cutFirst[k];
        cutLast[k] = take ? static_cast<int16_t>(ownLast[k]) : cutLast[k];
    }
}

// Positions are taken in blocks small enough for all rows of one etalon to stay in the fastest
// cache; every candidate is fitted and folded in on one block before the next. With `skipWhole`
// the candidates without an admissible segment are left out (their scores are already in `out`
// when `folded`).
template <class Acc>
void computeBestFitIn(const PreparedCandidates& candidates, const int16_t* x, int P, int onlySlot,
                      bool skipWhole, bool folded, FitRows<Acc>& rows, const FitOutput& out) {
    const int n = candidates.n;
    const int from = onlySlot >= 0 ? onlySlot : 0;
    const int to = onlySlot >= 0 ? onlySlot + 1 : candidates.count;
    const int32_t* wholeIndex = candidates.tables->wholeIndex.data();
    for (int start = 0; start < P; start += FIT_BLOCK) {
        const int count = std::min(FIT_BLOCK, P - start);
        bool first = !folded;
        for (int slot = from; slot < to; ++slot) {
            if (skipWhole && wholeIndex[slot] >= 0) continue;
            bool wholeOnly = false;
            const Acc* own = fitOneEtalon(candidates.samples(slot), n, candidates.firstEnd(slot), x + start,
                                          count, rows, wholeOnly);
            mergeFit(own, rows, wholeOnly, n, start, count, slot, first, out);
            first = false;
        }
    }
}

// Lists the candidate among those without an admissible segment, or marks it as not listed.
void noteWholeOnly(PreparedCandidates& prepared, CandidateTables& tables, int slot, bool wholeOnly) {
    if (!wholeOnly) {
        tables.wholeIndex[slot] = -1;
        return;
    }
    const int64_t energy = prepared.partialEnergy(slot)[prepared.n];
    tables.wholeIndex[slot] = prepared.wholeCount;
    tables.whole[prepared.wholeCount++] = {tables.samples[slot], static_cast<int32_t>(energy),
                                           static_cast<int16_t>(slot)};
}

}  // namespace

PreparedCandidates prepareCandidates(const ProcessingInput& input, int n, CandidateTables& tables) {
    PreparedCandidates prepared;
    prepared.n = n;
    prepared.tables = &tables;
    for (uint16_t number : input.candidates) {
        if (number < 1 || number > input.alphabet.size()) continue;
        const PulseHeader& etalon = input.alphabet[number - 1];
        if (etalon.lpData == nullptr || etalon.wSize < n) continue;
        const int slot = prepared.count++;
        tables.samples[slot] = etalon.lpData;
        tables.numbers[slot] = number;
        int64_t* energy = tables.partialEnergy.data() + static_cast<std::ptrdiff_t>(slot) * (n + 1);
        energy[0] = 0;
        for (int i = 0; i < n; ++i) energy[i + 1] = energy[i] + int64_t{etalon.lpData[i]} * etalon.lpData[i];
        const int64_t threshold = (int64_t{input.level} * energy[n]) / 100;
        tables.threshold[slot] = threshold;
        uint16_t* firstEnd = tables.firstEnd.data() + static_cast<std::ptrdiff_t>(slot) * n;
        fillFirstEnds(energy, n, threshold, firstEnd);
        noteWholeOnly(prepared, tables, slot,
                      std::all_of(firstEnd, firstEnd + n, [n](uint16_t end) { return end >= n; }));
    }
    return prepared;
}

int64_t fitBound(const PreparedCandidates& candidates, const int16_t* x, uint32_t L) {
    int32_t largestSample = 0;
    for (uint32_t k = 0; k < L; ++k) largestSample = std::max(largestSample, std::abs(int32_t{x[k]}));
    int64_t largestEtalon = 0;
    for (int slot = 0; slot < candidates.count; ++slot) {
        const int16_t* e = candidates.samples(slot);
        for (int t = 0; t < candidates.n; ++t)
            largestEtalon = std::max<int64_t>(largestEtalon, std::abs(int32_t{e[t]}));
    }
    const int64_t largestPrefix =
        int64_t{candidates.n} * largestEtalon * (largestEtalon + 2 * int64_t{largestSample});
    return 2 * largestPrefix;
}

bool fitsNarrowRows(const PreparedCandidates& candidates, const int16_t* x, uint32_t L) {
    return fitBound(candidates, x, L) < (int64_t{1} << 30);
}

namespace {

// The fit passes are whole-array loops across positions; on processors with AVX2 they run in its
// wider lanes, chosen once at load time, elsewhere in the baseline instructions.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__)
#define TESSALINE_WIDE_LANES __attribute__((target_clones("avx2", "default"), flatten))
#else
#define TESSALINE_WIDE_LANES
#endif

TESSALINE_WIDE_LANES void computeNarrowSegments(const PreparedCandidates& candidates, const int16_t* x, int P,
                                                int onlySlot, bool folded, PositionTables& tables,
                                                const FitOutput& out) {
    computeBestFitIn(candidates, x, P, onlySlot, true, folded, tables.narrow, out);
}

TESSALINE_WIDE_LANES void computeWideFit(const PreparedCandidates& candidates, const int16_t* x, int P,
                                         int onlySlot, PositionTables& tables, const FitOutput& out) {
    computeBestFitIn(candidates, x, P, onlySlot, false, false, tables.wide, out);
}

// Narrow rows: the candidates without an admissible segment in one pass of whole scores, then the
// others block by block.
void computeNarrowFit(const PreparedCandidates& candidates, const int16_t* x, int P, int onlySlot,
                      PositionTables& tables, const FitOutput& out) {
    const CandidateTables& candidateTables = *candidates.tables;
    const WholeEtalon* whole = candidateTables.whole.data();
    int wholeCount = candidates.wholeCount;
    if (onlySlot >= 0) {
        const int32_t at = candidateTables.wholeIndex[onlySlot];
        whole += at >= 0 ? at : 0;
        wholeCount = at >= 0 ? 1 : 0;
    }
    bestWholeScores(whole, wholeCount, candidates.n, x, P, out);
    const int segmented = onlySlot >= 0 ? 1 - wholeCount : candidates.count - wholeCount;
    if (segmented > 0) computeNarrowSegments(candidates, x, P, onlySlot, wholeCount > 0, tables, out);
}

}  // namespace

void computeBestFit(const PreparedCandidates& candidates, const int16_t* x, uint32_t L, bool narrow,
                    int onlySlot, PositionTables& tables) {
    computeBestFitInto(
        candidates, x, L, narrow, onlySlot, tables,
        {tables.fit.data(), tables.fitEtalon.data(), tables.fitFirst.data(), tables.fitLast.data()});
}

void computeBestFitInto(const PreparedCandidates& candidates, const int16_t* x, uint32_t L, bool narrow,
                        int onlySlot, PositionTables& tables, const FitOutput& out) {
    const int P = static_cast<int>(L) - candidates.n + 1;
    if (P <= 0 || candidates.count == 0) return;
    if (narrow) {
        computeNarrowFit(candidates, x, P, onlySlot, tables, out);
    } else {
        computeWideFit(candidates, x, P, onlySlot, tables, out);
    }
}

// Etalon numbers and cuts of the chain's pulses from the fit tables at their positions.
void fillChainPulses(const PreparedCandidates& candidates, const PositionTables& tables, ChainLists& chain) {
    for (int j = 0; j < chain.count; ++j) {
        const int k = chain.positions[j];
        chain.etalons[j] = static_cast<int16_t>(candidates.number(tables.fitEtalon[k]));
        chain.cutBegins[j] = tables.fitFirst[k];
        chain.cutEnds[j] = tables.fitLast[k];
    }
}

}  // namespace tessaline
