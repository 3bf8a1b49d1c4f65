#include "processing/fit.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <type_traits>

#include "model/wide_lanes.h"
#include "processing/segment_lanes.h"
#include "processing/segment_pairs.h"

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

// The passes over a block: lane groups of either width, or sample pairs (narrow rows only). Only
// narrow rows are ever folded into: a wide run scores every candidate in its blocks. The pairs fit
// an etalon and its negation together.
template <class Acc, bool PAIRED>
struct Blocks {
    static constexpr bool PAIRS = PAIRED;
    static void samples(const int16_t* x, int count, int n, FitRows<Acc>& rows) {
        if constexpr (PAIRED) pairBlockSamples(x, count, n, rows);
        if constexpr (!PAIRED) widenBlockSamples(x, count, n, rows);
    }
    static void fit(const EtalonSegments& etalon, int slot, HeldFit held, int count, FitRows<Acc>& rows) {
        if constexpr (PAIRED) fitEtalonPairs(etalon, slot, held, count, rows);
        if constexpr (!PAIRED) fitEtalonLanes(etalon, slot, held == HeldFit::Nothing, count, rows);
    }
    static void fitNegated(const EtalonSegments& etalon, const EtalonSegments& negated, int slot,
                           HeldFit held, int count, FitRows<Acc>& rows) {
        if constexpr (PAIRED) fitNegatedEtalonPairs(etalon, negated, slot, held, count, rows);
    }
    static void load(const FitOutput& out, int count, FitRows<Acc>& rows) {
        if constexpr (PAIRED) loadBlockPairs(out, count, rows);
        if constexpr (!PAIRED && std::is_same_v<Acc, int32_t>) loadBlockFit(out, count, rows);
    }
    static void store(const FitRows<Acc>& rows, int count, const FitOutput& out) {
        if constexpr (PAIRED) storeBlockPairs(rows, count, out);
        if constexpr (!PAIRED) storeBlockFit(rows, count, out);
    }
};

// The segments of candidate `slot`, with its pair words when `paired`.
EtalonSegments segmentsOf(const PreparedCandidates& candidates, int slot, bool paired) {
    const int n = candidates.n;
    const uint16_t* firstEnd = candidates.firstEnd(slot);
    return {candidates.samples(slot),
            n,
            firstEnd,
            candidates.tables->lastStart[slot],
            candidates.partialEnergy(slot),
            paired ? candidates.pairWords(slot) : nullptr};
}

// The pair words of the fitted candidates, made once for the run rather than once a block.
void preparePairWordsOf(const PreparedCandidates& candidates, int from, int to, bool skipWhole) {
    const int32_t* wholeIndex = candidates.tables->wholeIndex.data();
    for (int slot = from; slot < to; ++slot) {
        if (skipWhole && wholeIndex[slot] >= 0) continue;
        preparePairWords(segmentsOf(candidates, slot, false), candidates.pairWords(slot));
    }
}

// Positions are taken in blocks small enough for all rows of one etalon to stay in the fastest
// cache; every candidate is fitted and folded in on one block before the next. With `skipWhole`
// the candidates without an admissible segment are left out (their scores are already in `out`
// when `folded`, and only then may the wide rows be folded into). In pairs, a candidate that
// negates the one before it is fitted with it, from the same sums.
template <class Passes, class Acc>
void computeBestFitIn(const PreparedCandidates& candidates, const int16_t* x, int P, int onlySlot,
                      bool skipWhole, bool folded, FitRows<Acc>& rows, const FitOutput& out) {
    const int n = candidates.n;
    const int from = onlySlot >= 0 ? onlySlot : 0;
    const int to = onlySlot >= 0 ? onlySlot + 1 : candidates.count;
    const int32_t* wholeIndex = candidates.tables->wholeIndex.data();
    // The last slot scored whole before the others when `folded`: a later slot than any of those
    // holds only earlier slots' fits.
    const int lastWholeSlot = folded ? candidates.tables->whole[candidates.wholeCount - 1].slot : -1;
    auto heldBy = [lastWholeSlot](bool first, int slot) {
        return first ? HeldFit::Nothing : slot < lastWholeSlot ? HeldFit::AnySlots : HeldFit::EarlierSlots;
    };
    if constexpr (Passes::PAIRS) preparePairWordsOf(candidates, from, to, skipWhole);
    for (int start = 0; start < P; start += FIT_BLOCK) {
        const int count = std::min(FIT_BLOCK, P - start);
        assert(count >= 1 && count <= FIT_BLOCK);  // the rows are reserved for one block at most
        const FitOutput block{out.fit + start, out.etalon + start, out.first + start, out.last + start};
        if (folded) Passes::load(block, count, rows);
        Passes::samples(x + start, count, n, rows);
        bool first = !folded;
        for (int slot = from; slot < to; ++slot) {
            if (skipWhole && wholeIndex[slot] >= 0) continue;
            const EtalonSegments etalon = segmentsOf(candidates, slot, Passes::PAIRS);
            const HeldFit held = heldBy(first, slot);
            first = false;
            if (Passes::PAIRS && slot + 1 < to && candidates.negatesPrevious(slot + 1)) {
                assert(wholeIndex[slot + 1] < 0);  // the same energies: segments where the etalon has them
                Passes::fitNegated(etalon, segmentsOf(candidates, slot + 1, true), slot, held, count, rows);
                ++slot;
                continue;
            }
            Passes::fit(etalon, slot, held, count, rows);
        }
        if (!first) Passes::store(rows, count, block);
    }
}

// True when every sample of `e` is the negation of the same sample of `before`.
bool negates(const int16_t* e, const int16_t* before, int n) {
    for (int t = 0; t < n; ++t)
        if (int32_t{e[t]} != -int32_t{before[t]}) return false;
    return true;
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
        tables.lastStart[slot] = lastAdmissibleStart(firstEnd, n);
        noteWholeOnly(prepared, tables, slot, tables.lastStart[slot] < 0);
        tables.negatesPrevious[slot] =
            slot > 0 && negates(etalon.lpData, tables.samples[slot - 1], n) ? 1 : 0;
    }
    return prepared;
}

namespace {

// The greatest magnitude among the series' samples, a whole-array pass.
TESSALINE_WIDE_LANES int32_t largestMagnitude(const int16_t* x, uint32_t L) {
    int32_t largest = 0;
    for (uint32_t k = 0; k < L; ++k) largest = std::max(largest, std::abs(int32_t{x[k]}));
    return largest;
}

}  // namespace

int64_t fitBound(const PreparedCandidates& candidates, const int16_t* x, uint32_t L) {
    const int32_t largestSample = largestMagnitude(x, L);
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

TESSALINE_WIDE_FLAT_LANES void computeNarrowSegments(const PreparedCandidates& candidates, const int16_t* x,
                                                     int P, int onlySlot, bool folded, PositionTables& tables,
                                                     const FitOutput& out) {
    if (pairedSegments(candidates.n)) {
        computeBestFitIn<Blocks<int32_t, true>>(candidates, x, P, onlySlot, true, folded, tables.narrow, out);
    } else {
        computeBestFitIn<Blocks<int32_t, false>>(candidates, x, P, onlySlot, true, folded, tables.narrow,
                                                 out);
    }
}

TESSALINE_WIDE_FLAT_LANES void computeWideFit(const PreparedCandidates& candidates, const int16_t* x, int P,
                                              int onlySlot, PositionTables& tables, const FitOutput& out) {
    computeBestFitIn<Blocks<int64_t, false>>(candidates, x, P, onlySlot, false, false, tables.wide, out);
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
    assert(candidates.n >= 1 && onlySlot < candidates.count);
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
        assert(k >= 0 && tables.fitEtalon[k] >= 0 && tables.fitEtalon[k] < candidates.count);
        chain.etalons[j] = static_cast<int16_t>(candidates.number(tables.fitEtalon[k]));
        chain.cutBegins[j] = tables.fitFirst[k];
        chain.cutEnds[j] = tables.fitLast[k];
    }
}

}  // namespace tessaline
