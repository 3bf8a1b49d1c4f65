#include "processing/segment_pairs.h"

#include <cassert>
#include <cstring>
#include <limits>

#include "model/wide_lanes.h"

#ifdef TESSALINE_AVX2_PASSES
#include <immintrin.h>
#endif

namespace tessaline {

#ifdef TESSALINE_AVX2_PASSES
namespace {

// Two 16-bit values as one 32-bit word, `low` in the low half: the layout a multiply-add pairs.
inline int32_t pairWord(int16_t low, int16_t high) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(low)) |
                                (static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16));
}

// The steps from prefix row 0 to row n: one sample at a time up to the last segment start (every
// start row is kept), two at a time while no segment can end (rows below the first admissible end
// plus one are not needed), then one at a time again, keeping every row a segment may end at.
// Without an admissible segment only row n is needed: pairs all the way.
struct PairPlan {
    int n;
    int lastStart;  // rows 0..lastStart are kept
    int endFrom;    // rows endFrom..n are kept
};

PairPlan planOf(const EtalonSegments& etalon) {
    const int n = etalon.n;
    if (etalon.lastStart < 0) return {n, -1, n};
    return {n, etalon.lastStart, etalon.firstEnd[0] + 1};
}

// -2 e_t, which fits 16 bits: on narrow rows of two samples or more every etalon sample is below
// 2^14 in magnitude (n E^2 < 2^29).
int16_t doubledDown(int16_t sample) {
    assert(sample > -16384 && sample < 16384);
    return static_cast<int16_t>(-2 * sample);
}

// The words a step at sample t multiplies by, (-2 e_t, -2 e_{t+1}) for two samples or (-2 e_t, 0)
// for one, into coefficients[0..n-1].
void fillPairWords(const EtalonSegments& etalon, const PairPlan& plan, int32_t* coefficients) {
    const int16_t* e = etalon.samples;
    int t = 0;
    for (; t < plan.lastStart; ++t) coefficients[t] = pairWord(doubledDown(e[t]), 0);
    for (; t + 2 <= plan.endFrom; t += 2)
        coefficients[t] = pairWord(doubledDown(e[t]), doubledDown(e[t + 1]));
    for (; t < plan.n; ++t) coefficients[t] = pairWord(doubledDown(e[t]), 0);
}

TESSALINE_AVX2 inline __m256i loadEight(const int32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
TESSALINE_AVX2 inline void storeEight(int32_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// GROUPS neighbouring lane groups go through every step together: they share the etalon's words
// and their independent sums keep the processor busy while each waits for its own.
constexpr int GROUPS = 2;
constexpr int GROUP_SPAN = GROUPS * FIT_LANES<int32_t>;  // positions fitted together
using Sums = __m256i[GROUPS];

// The kept prefix rows of the groups, row t of group g at rows + (t GROUPS + g) 8.
struct GroupRows {
    alignas(32) int32_t rows[(MOST_PAIRED_SAMPLES + 1) * GROUP_SPAN];

    static std::ptrdiff_t offset(int t, int g) {
        return std::ptrdiff_t{GROUP_SPAN} * t + std::ptrdiff_t{8} * g;
    }

    TESSALINE_AVX2 __m256i at(int t, int g) const {
        return _mm256_load_si256(reinterpret_cast<const __m256i*>(rows + offset(t, g)));
    }
    TESSALINE_AVX2 void put(int t, int g, __m256i row) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(rows + offset(t, g)), row);
    }
};

// Where each group's pairs begin.
using GroupPairs = const int32_t* [GROUPS];

// The sums d = -2 sum e_s x_{k+s} advanced by the step at sample t.
TESSALINE_AVX2 inline void step(Sums& d, const GroupPairs& pairs, const int32_t* coefficients, int t) {
    const __m256i word = _mm256_set1_epi32(coefficients[t]);
    for (int g = 0; g < GROUPS; ++g)
        d[g] = _mm256_add_epi32(d[g], _mm256_madd_epi16(loadEight(pairs[g] + t), word));
}

// Prefix row t, E_t + d: the partial energy less twice the correlation so far; with NEGATED also
// the negated etalon's, E_t - d. The sums wrap in 32 bits; the rows are narrow, so every partial
// energy and the rows themselves are exact in 32 bits.
template <bool NEGATED>
TESSALINE_AVX2 inline void keepRow(const Sums& d, const int64_t* energy, int t, GroupRows& rows,
                                   GroupRows& negatedRows) {
    const __m256i partial = _mm256_set1_epi32(static_cast<int32_t>(energy[t]));
    for (int g = 0; g < GROUPS; ++g) {
        rows.put(t, g, _mm256_add_epi32(partial, d[g]));
        if constexpr (NEGATED) negatedRows.put(t, g, _mm256_sub_epi32(partial, d[g]));
    }
}

// The kept prefix rows of the groups (and with NEGATED of the negated etalon's groups).
template <bool NEGATED>
TESSALINE_AVX2 inline void fillRows(const PairPlan& plan, const GroupPairs& pairs,
                                    const int32_t* coefficients, const int64_t* energy, GroupRows& rows,
                                    GroupRows& negatedRows) {
    Sums d;
    for (int g = 0; g < GROUPS; ++g) d[g] = _mm256_setzero_si256();
    keepRow<NEGATED>(d, energy, 0, rows, negatedRows);
    int t = 0;
    for (; t < plan.lastStart; ++t) {
        step(d, pairs, coefficients, t);
        keepRow<NEGATED>(d, energy, t + 1, rows, negatedRows);
    }
    for (; t + 2 <= plan.endFrom; t += 2) step(d, pairs, coefficients, t);
    if (t >= plan.endFrom) keepRow<NEGATED>(d, energy, t, rows, negatedRows);
    for (; t < plan.n; ++t) {
        step(d, pairs, coefficients, t);
        keepRow<NEGATED>(d, energy, t + 1, rows, negatedRows);
    }
}

// The groups' fit: score and cut word per lane.
struct PairFit {
    Sums score;
    Sums cut;
};

// Segment ends j from the last down with the running suffix minimum of the prefix rows (the
// earlier row on ties); the starts sharing a first admissible end f are tried once row f + 1 is
// in, from the later start to the earlier, an equal score replacing the later start. The whole
// etalon stays where no segment is strictly better.
TESSALINE_AVX2 inline void bestCut(const EtalonSegments& etalon, const GroupRows& rows, PairFit& fit) {
    const int n = etalon.n;
    const __m256i wholeCut = _mm256_set1_epi32(n - 1);
    Sums suffixMin, suffixLast, segment, segmentCut;
    for (int g = 0; g < GROUPS; ++g) {
        suffixMin[g] = rows.at(n, g);
        suffixLast[g] = wholeCut;  // the last sample of the segment ending at the minimum's row
        segment[g] = _mm256_set1_epi32(std::numeric_limits<int32_t>::max());
        segmentCut[g] = wholeCut;
    }
    __m256i last = wholeCut;  // j - 1 of row j
    __m256i start = _mm256_set1_epi32(pairWord(0, static_cast<int16_t>(etalon.lastStart)));
    int j = n;
    for (int m = etalon.lastStart; m >= 0;) {
        const int f = etalon.firstEnd[m];
        for (; j > f + 1; --j) {
            last = _mm256_sub_epi32(last, _mm256_set1_epi32(1));
            for (int g = 0; g < GROUPS; ++g) {
                const __m256i row = rows.at(j - 1, g);
                const __m256i above = _mm256_cmpgt_epi32(row, suffixMin[g]);
                suffixMin[g] = _mm256_min_epi32(row, suffixMin[g]);
                suffixLast[g] = _mm256_blendv_epi8(last, suffixLast[g], above);
            }
        }
        for (; m >= 0 && etalon.firstEnd[m] == f; --m) {
            for (int g = 0; g < GROUPS; ++g) {
                const __m256i candidate = _mm256_sub_epi32(suffixMin[g], rows.at(m, g));
                const __m256i worse = _mm256_cmpgt_epi32(candidate, segment[g]);
                segment[g] = _mm256_min_epi32(candidate, segment[g]);
                segmentCut[g] =
                    _mm256_blendv_epi8(_mm256_or_si256(suffixLast[g], start), segmentCut[g], worse);
            }
            start = _mm256_sub_epi32(start, _mm256_set1_epi32(pairWord(0, 1)));
        }
    }
    for (int g = 0; g < GROUPS; ++g) {
        const __m256i whole = rows.at(n, g);
        const __m256i cutBetter = _mm256_cmpgt_epi32(whole, segment[g]);
        fit.score[g] = _mm256_min_epi32(whole, segment[g]);
        fit.cut[g] = _mm256_blendv_epi8(wholeCut, segmentCut[g], cutBetter);
    }
}

// Into the block's best fit at offset k, the fit of the candidate slots in `slotLanes`: where
// strictly better, or equal with an earlier slot; everywhere when nothing is held. When every held
// slot is earlier, equal scores keep what is held.
template <HeldFit HELD>
TESSALINE_AVX2 inline void fold(__m256i score, __m256i cut, __m256i slotLanes, int k,
                                FitRows<int32_t>& rows) {
    __m256i slots = slotLanes;
    if constexpr (HELD != HeldFit::Nothing) {
        const __m256i heldScore = loadEight(rows.blockScore.data() + k);
        const __m256i heldSlot = loadEight(rows.blockSlot.data() + k);
        const __m256i heldCut = loadEight(rows.blockFirst.data() + k);
        __m256i take = _mm256_cmpgt_epi32(heldScore, score);
        if constexpr (HELD == HeldFit::AnySlots) {
            const __m256i earlier = _mm256_and_si256(_mm256_cmpeq_epi32(heldScore, score),
                                                     _mm256_cmpgt_epi32(heldSlot, slotLanes));
            take = _mm256_or_si256(take, earlier);
        }
        score = _mm256_blendv_epi8(heldScore, score, take);
        slots = _mm256_blendv_epi8(heldSlot, slotLanes, take);
        cut = _mm256_blendv_epi8(heldCut, cut, take);
    }
    storeEight(rows.blockScore.data() + k, score);
    storeEight(rows.blockSlot.data() + k, slots);
    storeEight(rows.blockFirst.data() + k, cut);
}

// The negated etalon's fit taken into the etalon's where strictly better (an equal score keeps
// the etalon, the earlier slot); its lanes' slot becomes slot + 1.
TESSALINE_AVX2 inline void takeNegated(const PairFit& negated, PairFit& fit, Sums& slots) {
    for (int g = 0; g < GROUPS; ++g) {
        const __m256i better = _mm256_cmpgt_epi32(fit.score[g], negated.score[g]);
        fit.score[g] = _mm256_min_epi32(fit.score[g], negated.score[g]);
        fit.cut[g] = _mm256_blendv_epi8(fit.cut[g], negated.cut[g], better);
        slots[g] = _mm256_sub_epi32(slots[g], better);  // all ones: one slot on
    }
}

// The etalon's fit of the groups at offset k folded in as candidate `slot`.
template <HeldFit HELD>
TESSALINE_AVX2 inline void fitGroups(const EtalonSegments& etalon, const GroupRows& groupRows, int slot,
                                     int k, int count, FitRows<int32_t>& rows) {
    PairFit fit;
    bestCut(etalon, groupRows, fit);
    for (int g = 0; g < GROUPS && k + 8 * g < count; ++g)
        fold<HELD>(fit.score[g], fit.cut[g], _mm256_set1_epi32(slot), k + 8 * g, rows);
}

// As fitGroups, the negated etalon's fit (candidate slot + 1) taken in before the fold.
template <HeldFit HELD>
TESSALINE_AVX2 inline void fitNegatedGroups(const EtalonSegments& etalon, const GroupRows& groupRows,
                                            const GroupRows& negatedRows, int slot, int k, int count,
                                            FitRows<int32_t>& rows) {
    PairFit fit;
    bestCut(etalon, groupRows, fit);
    PairFit negated;
    bestCut(etalon, negatedRows, negated);
    Sums slots;
    for (int g = 0; g < GROUPS; ++g) slots[g] = _mm256_set1_epi32(slot);
    takeNegated(negated, fit, slots);
    for (int g = 0; g < GROUPS && k + 8 * g < count; ++g)
        fold<HELD>(fit.score[g], fit.cut[g], slots[g], k + 8 * g, rows);
}

// The groups of the block, GROUPS at a time. A group that would begin beyond the block repeats the
// first group of its span instead (no sample beyond the padding is read) and is not folded in.
// With NEGATED the negated etalon, candidate slot + 1, is fitted from the same sums and taken into
// the etalon's fit before it is folded in.
template <HeldFit HELD, bool NEGATED = false>
TESSALINE_AVX2 void fitBlockPairs(const EtalonSegments& etalon, int slot, int count, FitRows<int32_t>& rows) {
    const PairPlan plan = planOf(etalon);
    const int32_t* coefficients = etalon.pairWords;
    if (coefficients == nullptr) {
        fillPairWords(etalon, plan, rows.coefficients.data());
        coefficients = rows.coefficients.data();
    }
    const int32_t* pairs = rows.samples.data();
    GroupRows groupRows;
    GroupRows negatedRows;
    for (int k = 0; k < count; k += GROUP_SPAN) {
        GroupPairs groupPairs;
        for (int g = 0; g < GROUPS; ++g) groupPairs[g] = pairs + (k + 8 * g < count ? k + 8 * g : k);
        fillRows<NEGATED>(plan, groupPairs, coefficients, etalon.energy, groupRows, negatedRows);
        if constexpr (NEGATED) {
            fitNegatedGroups<HELD>(etalon, groupRows, negatedRows, slot, k, count, rows);
        } else {
            fitGroups<HELD>(etalon, groupRows, slot, k, count, rows);
        }
    }
}

// Eight pair words (x_k, x_{k+1}) from the nine samples at x.
TESSALINE_AVX2 inline void pairEight(const int16_t* x, int32_t* pairs) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pairs), _mm_unpacklo_epi16(here, next));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pairs + 4), _mm_unpackhi_epi16(here, next));
}

// Pairs of `present` samples, all but the last: eight at a time while nine samples are there.
TESSALINE_AVX2 int pairSamplesWide(const int16_t* x, int present, int32_t* pairs) {
    int k = 0;
    for (; k + 9 <= present; k += 8) pairEight(x + k, pairs + k);
    return k;
}

}  // namespace

bool pairedSegments(int n) noexcept { return n >= 2 && n <= MOST_PAIRED_SAMPLES && widestLanes(); }

// The pair of the block's last sample has no second sample: it is read as zero, like the padding.
void pairBlockSamples(const int16_t* x, int count, int n, FitRows<int32_t>& rows) {
    int32_t* pairs = rows.samples.data();
    const int present = count + n - 1;
    assert(widestLanes());
    for (int k = pairSamplesWide(x, present, pairs); k + 1 < present; ++k)
        pairs[k] = pairWord(x[k], x[k + 1]);
    pairs[present - 1] = pairWord(x[present - 1], 0);
    std::memset(pairs + present, 0, sizeof(int32_t) * FIT_LANES<int32_t>);
}

void fitEtalonPairs(const EtalonSegments& etalon, int slot, HeldFit held, int count, FitRows<int32_t>& rows) {
    assert(etalon.n >= 2 && etalon.n <= MOST_PAIRED_SAMPLES && count >= 1 && count <= FIT_BLOCK);
    switch (held) {
        case HeldFit::Nothing: fitBlockPairs<HeldFit::Nothing>(etalon, slot, count, rows); break;
        case HeldFit::EarlierSlots: fitBlockPairs<HeldFit::EarlierSlots>(etalon, slot, count, rows); break;
        case HeldFit::AnySlots: fitBlockPairs<HeldFit::AnySlots>(etalon, slot, count, rows); break;
    }
}

void fitNegatedEtalonPairs(const EtalonSegments& etalon, [[maybe_unused]] const EtalonSegments& negated,
                           int slot, HeldFit held, int count, FitRows<int32_t>& rows) {
    assert(etalon.n >= 2 && etalon.n <= MOST_PAIRED_SAMPLES && count >= 1 && count <= FIT_BLOCK);
    assert(negated.n == etalon.n && negated.lastStart == etalon.lastStart);
    switch (held) {
        case HeldFit::Nothing: fitBlockPairs<HeldFit::Nothing, true>(etalon, slot, count, rows); break;
        case HeldFit::EarlierSlots:
            fitBlockPairs<HeldFit::EarlierSlots, true>(etalon, slot, count, rows);
            break;
        case HeldFit::AnySlots: fitBlockPairs<HeldFit::AnySlots, true>(etalon, slot, count, rows); break;
    }
}

void preparePairWords(const EtalonSegments& etalon, int32_t* words) {
    fillPairWords(etalon, planOf(etalon), words);
}

// The narrow rows hold what a narrow run folded in already: its scores fit 32 bits.
void loadBlockPairs(const FitOutput& out, int count, FitRows<int32_t>& rows) {
    for (int k = 0; k < count; ++k) {
        rows.blockScore[k] = static_cast<int32_t>(out.fit[k]);
        rows.blockSlot[k] = out.etalon[k];
        rows.blockFirst[k] = pairWord(out.last[k], out.first[k]);
    }
}

namespace {

// Eight 32-bit lanes of small values (slots, cut samples) as eight 16-bit values.
TESSALINE_AVX2 inline void storeEightNarrowed(int16_t* p, __m256i v) {
    const __m128i packed = _mm_packs_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), packed);
}

// Eight 32-bit scores as eight 64-bit ones.
TESSALINE_AVX2 inline void storeEightWidened(int64_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm256_cvtepi32_epi64(_mm256_castsi256_si128(v)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 4),
                        _mm256_cvtepi32_epi64(_mm256_extracti128_si256(v, 1)));
}

// The block's best fit into `out`: scores widened, slots and cut samples narrowed, eight positions
// at a time and the rest one by one. Pairs run only where the processor has AVX2.
TESSALINE_AVX2 void storeBlockPairsWide(const int32_t* __restrict score, const int32_t* __restrict slot,
                                        const int32_t* __restrict cut, int count, const FitOutput& out) {
    int64_t* __restrict fit = out.fit;
    int16_t* __restrict etalon = out.etalon;
    int16_t* __restrict first = out.first;
    int16_t* __restrict last = out.last;
    const __m256i lowHalf = _mm256_set1_epi32(0xFFFF);
    int k = 0;
    for (; k + 8 <= count; k += 8) {
        storeEightWidened(fit + k, loadEight(score + k));
        storeEightNarrowed(etalon + k, loadEight(slot + k));
        const __m256i cuts = loadEight(cut + k);
        storeEightNarrowed(first + k, _mm256_srli_epi32(cuts, 16));
        storeEightNarrowed(last + k, _mm256_and_si256(cuts, lowHalf));
    }
    for (; k < count; ++k) {
        const auto word = static_cast<uint32_t>(cut[k]);
        fit[k] = score[k];
        etalon[k] = static_cast<int16_t>(slot[k]);
        first[k] = static_cast<int16_t>(word >> 16);
        last[k] = static_cast<int16_t>(word & 0xFFFFu);
    }
}

}  // namespace

void storeBlockPairs(const FitRows<int32_t>& rows, int count, const FitOutput& out) {
    assert(widestLanes());
    storeBlockPairsWide(rows.blockScore.data(), rows.blockSlot.data(), rows.blockFirst.data(), count, out);
    for (int k = 0; k < count; ++k) assert(out.first[k] <= out.last[k]);
}

#else

// Without AVX2 the pairs are never chosen; these keep the lane groups' layout.
bool pairedSegments(int) noexcept { return false; }
void pairBlockSamples(const int16_t* x, int count, int n, FitRows<int32_t>& rows) {
    widenBlockSamples(x, count, n, rows);
}
void fitEtalonPairs(const EtalonSegments& etalon, int slot, HeldFit held, int count, FitRows<int32_t>& rows) {
    fitEtalonLanes(etalon, slot, held == HeldFit::Nothing, count, rows);
}
void fitNegatedEtalonPairs(const EtalonSegments& etalon, const EtalonSegments& negated, int slot,
                           HeldFit held, int count, FitRows<int32_t>& rows) {
    fitEtalonLanes(etalon, slot, held == HeldFit::Nothing, count, rows);
    fitEtalonLanes(negated, slot + 1, false, count, rows);
}
void preparePairWords(const EtalonSegments&, int32_t*) {}
void loadBlockPairs(const FitOutput& out, int count, FitRows<int32_t>& rows) {
    loadBlockFit(out, count, rows);
}
void storeBlockPairs(const FitRows<int32_t>& rows, int count, const FitOutput& out) {
    storeBlockFit(rows, count, out);
}

#endif

}  // namespace tessaline
