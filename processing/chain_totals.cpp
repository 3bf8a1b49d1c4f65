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

// As takeWindowsOneByOne for windows inside the series, eight positions at a time; returns where
// it stopped.
__attribute__((target("avx2"))) int64_t takeWindowsWide(const NarrowChainPass& pass, uint8_t phase,
                                                        int32_t start, int64_t from, int64_t to) {
    const __m256i marks = _mm256_set1_epi32(FIRST_OR_LATER);
    const __m256i wanted = _mm256_set1_epi32(phase);
    const __m256i charge = _mm256_set1_epi32(start);
    int64_t k = from;
    for (; k + 8 <= to; k += 8) {
        const __m256i least =
            _mm256_min_epi32(load(pass.backward + (k - pass.Tmax)), load(pass.forward + (k - pass.Tmin)));
        const __m256i taken = _mm256_add_epi32(_mm256_min_epi32(least, charge), load(pass.fit + k));
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pass.membership + k));
        const __m256i inPhase =
            _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_cvtepu8_epi32(bytes), marks), wanted);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pass.total + k),
                            _mm256_blendv_epi8(load(pass.total + k), taken, inPhase));
    }
    return k;
}
#endif

// Positions [from, to) take their windows; every window lies in the final totals before `from`.
// Windows reaching before position 0 (k < Tmax) read the forward minima alone.
void takeWindows(const NarrowChainPass& pass, uint8_t phase, int32_t start, int64_t from, int64_t to) {
    const int64_t inside = std::clamp(pass.Tmax, from, to);
    takeWindowsOneByOne(pass, phase, start, from, inside);
    int64_t k = inside;
#ifdef TESSALINE_AVX2_CHAINS
    if (widestLanes()) k = takeWindowsWide(pass, phase, start, inside, to);
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

bool narrowChainsFit(int64_t positions, int64_t Tmin, int64_t Tmax, int64_t largestFit, int64_t unset) {
    if (Tmin < 1 || Tmax < Tmin || positions <= 0 || unset < 0 || unset >= INT32_MAX / 2) return false;
    const int64_t pulses = positions / Tmin + 2;
    return largestFit >= 0 && largestFit < (INT32_MAX / 2 - unset) / pulses;
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

int64_t narrowPredecessor(const NarrowChainPass& pass, int64_t k) {
    assert(k >= 0 && k < pass.positions);
    const uint8_t phase = pass.membership[k] & FIRST_OR_LATER;
    if (phase != FIRST_OR_LATER && phase != IN_LATER) return -1;
    const bool firstPhase = phase == FIRST_OR_LATER;
    const int32_t start = firstPhase ? 0 : pass.unset;
    int32_t best = start;
    int64_t predecessor = -2;
    for (int64_t l = std::max<int64_t>(k - pass.Tmax, 0); l <= k - pass.Tmin; ++l) {
        const bool unsetThen = firstPhase && (pass.membership[l] & FIRST_OR_LATER) == IN_LATER;
        const int32_t total = unsetThen ? pass.unset : pass.total[l];
        if (total < best) {
            best = total;
            predecessor = l;
        }
    }
    return predecessor;
}

}  // namespace tessaline
