#include "processing/chain_totals.h"

#include <algorithm>
#include <cassert>

#include "processing/position_sets.h"
#include "processing/whole_scores.h"
#include "processing/window_minima.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TESSALINE_AVX2_CHAINS 1
#endif

namespace tessaline {
namespace {

constexpr uint8_t FIRST_OR_LATER = IN_FIRST | IN_LATER;

// The least total of window k as its two block minima give it: the backward minimum at its start
// and the forward one at its end; a window reaching before position 0 is the forward minimum alone.
int32_t windowLeast(const NarrowChainPass& pass, int64_t k) {
    const int64_t end = k - pass.Tmin;
    if (end < 0) return UNREACHABLE_NARROW;
    const int64_t start = k - pass.Tmax;
    return start < 0 ? pass.forward[end] : std::min(pass.backward[start], pass.forward[end]);
}

void takeWindowsOneByOne(const NarrowChainPass& pass, uint8_t phase, int32_t start, int64_t from,
                         int64_t to) {
    for (int64_t k = from; k < to; ++k) {
        if ((pass.membership[k] & FIRST_OR_LATER) != phase) continue;
        const int32_t least = windowLeast(pass, k);
        pass.total[k] = (least < start ? least : start) + pass.fit[k];
    }
}

#ifdef TESSALINE_AVX2_CHAINS
__attribute__((target("avx2"))) inline __m256i load(const int32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
__attribute__((target("avx2"))) inline void store(int32_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// All ones in the lanes of the eight positions whose marks masked by `bits` equal `value`.
__attribute__((target("avx2"))) inline __m256i marksAre(const uint8_t* marks, uint8_t bits, uint8_t value) {
    const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(marks));
    const __m256i masked = _mm256_and_si256(_mm256_cvtepu8_epi32(bytes), _mm256_set1_epi32(bits));
    return _mm256_cmpeq_epi32(masked, _mm256_set1_epi32(value));
}

// As takeWindowsOneByOne for windows that end at or after position 0, eight positions at a time;
// windows reaching before it (`cut`) read the forward minima alone. Returns where it stopped.
__attribute__((target("avx2"))) int64_t takeWindowsWide(const NarrowChainPass& pass, uint8_t phase,
                                                        int32_t start, int64_t from, int64_t to, bool cut) {
    const __m256i charge = _mm256_set1_epi32(start);
    int64_t k = from;
    for (; k + 8 <= to; k += 8) {
        __m256i least = load(pass.forward + (k - pass.Tmin));
        if (!cut) least = _mm256_min_epi32(least, load(pass.backward + (k - pass.Tmax)));
        const __m256i taken = _mm256_add_epi32(_mm256_min_epi32(least, charge), load(pass.fit + k));
        const __m256i inPhase = marksAre(pass.membership + k, FIRST_OR_LATER, phase);
        store(pass.total + k, _mm256_blendv_epi8(load(pass.total + k), taken, inPhase));
    }
    return k;
}

__attribute__((target("avx2"))) int64_t startChainsWide(const NarrowChainPass& pass) {
    const __m256i unset = _mm256_set1_epi32(pass.unset);
    int64_t k = 0;
    for (; k + 8 <= pass.positions; k += 8) {
        const __m256i firstOnly = marksAre(pass.membership + k, FIRST_OR_LATER, IN_FIRST);
        store(pass.total + k, _mm256_blendv_epi8(unset, load(pass.fit + k), firstOnly));
    }
    return k;
}
#endif

// The first of `count` totals with the least view, where a total whose marks masked by `bits` equal
// `dropped` is seen as `replacement`; its view into `least`. One group of eight at a time.
struct MarkedView {
    uint8_t bits;
    uint8_t dropped;
    int32_t replacement;
    int32_t of(int32_t total, uint8_t marks) const { return (marks & bits) == dropped ? replacement : total; }
};

int64_t leftmostLeastOneByOne(const int32_t* totals, const uint8_t* marks, int64_t count, MarkedView view,
                              int32_t& least) {
    int64_t chosen = -1;
    least = UNREACHABLE_NARROW;
    for (int64_t l = 0; l < count; ++l) {
        const int32_t seen = view.of(totals[l], marks[l]);
        if (seen < least || chosen < 0) {
            least = seen;
            chosen = l;
        }
    }
    return chosen;
}

#ifdef TESSALINE_AVX2_CHAINS
__attribute__((target("avx2"))) inline __m256i viewOf(const int32_t* totals, const uint8_t* marks,
                                                      MarkedView view) {
    const __m256i drop = marksAre(marks, view.bits, view.dropped);
    return _mm256_blendv_epi8(load(totals), _mm256_set1_epi32(view.replacement), drop);
}

__attribute__((target("avx2"))) int64_t leftmostLeastWide(const int32_t* totals, const uint8_t* marks,
                                                          int64_t count, MarkedView view, int32_t& least) {
    __m256i lanes = _mm256_set1_epi32(UNREACHABLE_NARROW);
    int64_t l = 0;
    for (; l + 8 <= count; l += 8) lanes = _mm256_min_epi32(lanes, viewOf(totals + l, marks + l, view));
    lanes = _mm256_min_epi32(lanes, _mm256_permute2x128_si256(lanes, lanes, 0x01));
    lanes = _mm256_min_epi32(lanes, _mm256_shuffle_epi32(lanes, 0x4E));
    lanes = _mm256_min_epi32(lanes, _mm256_shuffle_epi32(lanes, 0xB1));
    least = _mm256_cvtsi256_si32(lanes);
    for (int64_t k = l; k < count; ++k) least = std::min(least, view.of(totals[k], marks[k]));
    const __m256i wanted = _mm256_set1_epi32(least);
    for (int64_t k = 0; k + 8 <= count; k += 8) {
        const __m256i equal = _mm256_cmpeq_epi32(viewOf(totals + k, marks + k, view), wanted);
        const int found = _mm256_movemask_ps(_mm256_castsi256_ps(equal));
        if (found != 0) return k + __builtin_ctz(static_cast<unsigned>(found));
    }
    while (view.of(totals[l], marks[l]) != least) ++l;
    return l;
}
#endif

int64_t leftmostLeastSeen(const int32_t* totals, const uint8_t* marks, int64_t count, MarkedView view,
                          int32_t& least) {
#ifdef TESSALINE_AVX2_CHAINS
    if (widestLanes()) return leftmostLeastWide(totals, marks, count, view, least);
#endif
    return leftmostLeastOneByOne(totals, marks, count, view, least);
}

// Positions [from, to) take their windows; every window lies in the final totals before `from`.
// Windows ending before position 0 (k < Tmin) reach nothing; those reaching before it (k < Tmax)
// read the forward minima alone.
void takeWindows(const NarrowChainPass& pass, uint8_t phase, int32_t start, int64_t from, int64_t to) {
    int64_t k = from;
#ifdef TESSALINE_AVX2_CHAINS
    if (widestLanes()) {
        const int64_t reaching = std::clamp(pass.Tmin, from, to),
                      inside = std::clamp(pass.Tmax, reaching, to);
        takeWindowsOneByOne(pass, phase, start, from, reaching);
        const int64_t cutEnd = takeWindowsWide(pass, phase, start, reaching, inside, true);
        takeWindowsOneByOne(pass, phase, start, cutEnd, inside);
        k = takeWindowsWide(pass, phase, start, inside, to, false);
    }
#endif
    takeWindowsOneByOne(pass, phase, start, k, to);
}

// The forward running minima over [done, to), continuing within each block of width w.
void extendForward(const NarrowChainPass& pass, int64_t w, int64_t done, int64_t to) {
    for (int64_t at = done; at < to;) {
        const int64_t blockEnd = std::min((at / w + 1) * w, to);
        const int32_t carry = at % w == 0 ? UNREACHABLE_NARROW : pass.forward[at - 1];
        forwardRunningMinima(pass.total + at, blockEnd - at, carry, pass.forward + at);
        at = blockEnd;
    }
}

}  // namespace

int64_t narrowChainsFitLimit(int64_t positions, int64_t Tmin, int64_t Tmax, int64_t unset) {
    if (Tmin < 1 || Tmax < Tmin || positions <= 0 || unset < 0 || unset >= INT32_MAX / 2) return 0;
    const int64_t pulses = positions / Tmin + 2;
    return (INT32_MAX / 2 - unset) / pulses;
}

bool narrowChainsFit(int64_t positions, int64_t Tmin, int64_t Tmax, int64_t largestFit, int64_t unset) {
    return largestFit >= 0 && largestFit < narrowChainsFitLimit(positions, Tmin, Tmax, unset);
}

void continueNarrowChains(const NarrowChainPass& pass, uint8_t phase, int32_t start) {
    assert(pass.Tmin >= 1 && pass.Tmax >= pass.Tmin && pass.positions > 0);
    const int64_t w = pass.Tmax - pass.Tmin + 1;
    int64_t forwardDone = 0;   // forward minima known before this position
    int64_t backwardDone = 0;  // backward minima known for the whole blocks before this position
    for (int64_t from = 0; from < pass.positions; from += pass.Tmin) {
        // Totals before `from` are final: the windows of [from, from + Tmin) end before it.
        extendForward(pass, w, forwardDone, from);
        forwardDone = from;
        for (; backwardDone + w <= from; backwardDone += w)
            backwardRunningMinima(pass.total + backwardDone, w, pass.backward + backwardDone);
        takeWindows(pass, phase, start, from, std::min(from + pass.Tmin, pass.positions));
    }
}

void startNarrowChains(const NarrowChainPass& pass) {
    int64_t k = 0;
#ifdef TESSALINE_AVX2_CHAINS
    if (widestLanes()) k = startChainsWide(pass);
#endif
    for (; k < pass.positions; ++k) {
        const bool firstOnly = (pass.membership[k] & FIRST_OR_LATER) == IN_FIRST;
        pass.total[k] = firstOnly ? pass.fit[k] : pass.unset;
    }
}

int64_t narrowChainEnd(const NarrowChainPass& pass, int64_t limit, int64_t& total) {
    total = limit;
    if (pass.positions <= 0) return -1;
    int32_t least = 0;
    const int64_t end = leftmostLeastSeen(pass.total, pass.membership, pass.positions,
                                          {IN_LAST, 0, UNREACHABLE_NARROW}, least);
    if (least >= limit) return -1;
    total = least;
    return end;
}

int64_t narrowPredecessor(const NarrowChainPass& pass, int64_t k) {
    assert(k >= 0 && k < pass.positions);
    const uint8_t phase = pass.membership[k] & FIRST_OR_LATER;
    if (phase != FIRST_OR_LATER && phase != IN_LATER) return -1;
    const int64_t from = std::max<int64_t>(k - pass.Tmax, 0), to = k - pass.Tmin;
    if (to < from) return -2;
    // The first phase saw the positions only a later pulse may take still unset.
    const bool firstPhase = phase == FIRST_OR_LATER;
    const MarkedView view =
        firstPhase ? MarkedView{FIRST_OR_LATER, IN_LATER, pass.unset} : MarkedView{0, 1, 0};
    int32_t least = 0;
    const int64_t at =
        leftmostLeastSeen(pass.total + from, pass.membership + from, to - from + 1, view, least);
    return least < (firstPhase ? 0 : pass.unset) ? from + at : -2;
}

}  // namespace tessaline
