#include "processing/window_minima.h"

#include <algorithm>

#include "processing/whole_scores.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TESSALINE_AVX2_WINDOWS 1
#endif

namespace tessaline {

#ifdef TESSALINE_AVX2_WINDOWS
namespace {

#define TESSALINE_AVX2 __attribute__((target("avx2")))

TESSALINE_AVX2 inline __m256i load8(const int32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
TESSALINE_AVX2 inline void store8(int32_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// The running minimum of eight lanes in three steps, each lane taking the lane `step` before it
// (forwards) or after it (backwards), or itself where there is none.
TESSALINE_AVX2 inline __m256i forwardInLanes(__m256i v) {
    v = _mm256_min_epi32(v, _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 0, 1, 2, 3, 4, 5, 6)));
    v = _mm256_min_epi32(v, _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 1, 0, 1, 2, 3, 4, 5)));
    return _mm256_min_epi32(v, _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 1, 2, 3, 0, 1, 2, 3)));
}
TESSALINE_AVX2 inline __m256i backwardInLanes(__m256i v) {
    v = _mm256_min_epi32(v, _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(1, 2, 3, 4, 5, 6, 7, 7)));
    v = _mm256_min_epi32(v, _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(2, 3, 4, 5, 6, 7, 6, 7)));
    return _mm256_min_epi32(v, _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(4, 5, 6, 7, 4, 5, 6, 7)));
}

// The running minimum from the first of `count` values on. The minimum carried from one group of
// eight to the next takes the group's own minimum apart from the stored values, so that the chain
// from group to group is a single comparison.
TESSALINE_AVX2 void forwardMinima(const int32_t* r, int64_t count, int32_t* out,
                                  int32_t from = UNREACHABLE_NARROW) {
    __m256i carry = _mm256_set1_epi32(from);
    int64_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i v = forwardInLanes(load8(r + i));
        store8(out + i, _mm256_min_epi32(v, carry));
        carry = _mm256_min_epi32(carry, _mm256_permutevar8x32_epi32(v, _mm256_set1_epi32(7)));
    }
    int32_t ahead = _mm256_cvtsi256_si32(carry);
    for (; i < count; ++i) {
        ahead = std::min(ahead, r[i]);
        out[i] = ahead;
    }
}

// The running minimum from the last of `count` values back.
TESSALINE_AVX2 void backwardMinima(const int32_t* r, int64_t count, int32_t* out) {
    __m256i carry = _mm256_set1_epi32(UNREACHABLE_NARROW);
    int64_t end = count;
    for (; end >= 8; end -= 8) {
        const __m256i v = backwardInLanes(load8(r + end - 8));
        store8(out + end - 8, _mm256_min_epi32(v, carry));
        carry = _mm256_min_epi32(carry, _mm256_permutevar8x32_epi32(v, _mm256_setzero_si256()));
    }
    int32_t behind = _mm256_cvtsi256_si32(carry);
    for (int64_t i = end - 1; i >= 0; --i) {
        behind = std::min(behind, r[i]);
        out[i] = behind;
    }
}

TESSALINE_AVX2 inline void addFit(__m128i least, const int64_t* fit, int64_t* cost) {
    const __m256i sum = _mm256_add_epi64(_mm256_cvtepi32_epi64(least),
                                         _mm256_loadu_si256(reinterpret_cast<const __m256i*>(fit)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(cost), sum);
}

// Window a takes the backward minimum at its start and the forward minimum at its end.
TESSALINE_AVX2 void combineWindows(const NarrowWindows& windows, int32_t noPredecessor, const int64_t* fit,
                                   int64_t* cost) {
    const int64_t count = windows.length - windows.w + 1;
    const int32_t* backward = windows.backward;
    const int32_t* forward = windows.forward + (windows.w - 1);
    const __m256i unreachable = _mm256_set1_epi32(UNREACHABLE_NARROW);
    const __m256i charge = _mm256_set1_epi32(noPredecessor);
    int64_t a = 0;
    for (; a + 8 <= count; a += 8) {
        __m256i least = _mm256_min_epi32(load8(backward + a), load8(forward + a));
        least = _mm256_blendv_epi8(least, charge, _mm256_cmpeq_epi32(least, unreachable));
        addFit(_mm256_castsi256_si128(least), fit + a, cost + a);
        addFit(_mm256_extracti128_si256(least, 1), fit + a + 4, cost + a + 4);
    }
    for (; a < count; ++a) {
        const int32_t least = std::min(backward[a], forward[a]);
        cost[a] = (least == UNREACHABLE_NARROW ? noPredecessor : least) + fit[a];
    }
}

TESSALINE_AVX2 void narrowWindowCostsWide(const NarrowWindows& windows, int32_t noPredecessor,
                                          const int64_t* fit, int64_t* cost) {
    // Windows start at 0..count-1 and end at w-1..length-1: the backward minima are needed up to
    // the last start, the forward ones from the first end, which in the first block is that
    // block's least value, its backward minimum at 0.
    const int64_t count = windows.length - windows.w + 1;
    if (count <= 0) return;
    for (int64_t start = 0; start < windows.length; start += windows.w) {
        const int64_t size = std::min(windows.w, windows.length - start);
        if (start < count) backwardMinima(windows.reach + start, size, windows.backward + start);
        if (start > 0) forwardMinima(windows.reach + start, size, windows.forward + start);
    }
    windows.forward[windows.w - 1] = windows.backward[0];
    combineWindows(windows, noPredecessor, fit, cost);
}

}  // namespace

void narrowWindowCosts(const NarrowWindows& windows, int32_t noPredecessor, const int64_t* fit,
                       int64_t* cost) {
    narrowWindowCostsWide(windows, noPredecessor, fit, cost);
}
#else
void narrowWindowCosts(const NarrowWindows&, int32_t, const int64_t*, int64_t*) {}
#endif

void forwardRunningMinima(const int32_t* r, int64_t count, int32_t carry, int32_t* out) {
#ifdef TESSALINE_AVX2_WINDOWS
    if (widestLanes()) {
        forwardMinima(r, count, out, carry);
        return;
    }
#endif
    for (int64_t i = 0; i < count; ++i) {
        carry = std::min(carry, r[i]);
        out[i] = carry;
    }
}

void backwardRunningMinima(const int32_t* r, int64_t count, int32_t* out) {
#ifdef TESSALINE_AVX2_WINDOWS
    if (widestLanes()) {
        backwardMinima(r, count, out);
        return;
    }
#endif
    int32_t behind = UNREACHABLE_NARROW;
    for (int64_t i = count - 1; i >= 0; --i) {
        behind = std::min(behind, r[i]);
        out[i] = behind;
    }
}

}  // namespace tessaline
