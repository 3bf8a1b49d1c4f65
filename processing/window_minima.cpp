#include "processing/window_minima.h"

#include <algorithm>
#include <cassert>

#include "processing/whole_scores.h"

#include "model/wide_lanes.h"

#ifdef TESSALINE_AVX2_PASSES
#include <immintrin.h>
#endif

namespace tessaline {

#ifdef TESSALINE_AVX2_PASSES
namespace {

TESSALINE_AVX2 inline __m256i load8(const int32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
TESSALINE_AVX2 inline void store8(int32_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// The running minimum of eight lanes, each lane taking the lanes before it (forwards) or after it
// (backwards). Shifts within each half of four lanes are cheap; only one step crosses the halves:
// the far half takes the near half's minimum, broadcast.
TESSALINE_AVX2 inline __m256i forwardInLanes(__m256i v) {
    const __m256i none = _mm256_set1_epi32(UNREACHABLE_NARROW);
    v = _mm256_min_epi32(v, _mm256_alignr_epi8(v, none, 12));
    v = _mm256_min_epi32(v, _mm256_alignr_epi8(v, none, 8));
    return _mm256_min_epi32(v, _mm256_shuffle_epi32(_mm256_permute2x128_si256(v, none, 0x02), 0xFF));
}
TESSALINE_AVX2 inline __m256i backwardInLanes(__m256i v) {
    const __m256i none = _mm256_set1_epi32(UNREACHABLE_NARROW);
    v = _mm256_min_epi32(v, _mm256_alignr_epi8(none, v, 4));
    v = _mm256_min_epi32(v, _mm256_alignr_epi8(none, v, 8));
    return _mm256_min_epi32(v, _mm256_shuffle_epi32(_mm256_permute2x128_si256(v, none, 0x31), 0x00));
}
// Every lane the last lane (forwards) or the first (backwards).
TESSALINE_AVX2 inline __m256i lastOfLanes(__m256i v) {
    return _mm256_permute2x128_si256(_mm256_shuffle_epi32(v, 0xFF), v, 0x11);
}
TESSALINE_AVX2 inline __m256i firstOfLanes(__m256i v) {
    return _mm256_permute2x128_si256(_mm256_shuffle_epi32(v, 0x00), v, 0x00);
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
        carry = _mm256_min_epi32(carry, lastOfLanes(v));
    }
    if (i < count && count > 8) {  // the last eight again, from the minimum before them
        const int64_t at = count - 8;
        store8(out + at, _mm256_min_epi32(forwardInLanes(load8(r + at)), _mm256_set1_epi32(out[at - 1])));
        return;
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
        carry = _mm256_min_epi32(carry, firstOfLanes(v));
    }
    if (end > 0 && count > 8) {  // the first eight again, from the minimum after them
        store8(out, _mm256_min_epi32(backwardInLanes(load8(r)), _mm256_set1_epi32(out[8])));
        return;
    }
    int32_t behind = _mm256_cvtsi256_si32(carry);
    for (int64_t i = end - 1; i >= 0; --i) {
        behind = std::min(behind, r[i]);
        out[i] = behind;
    }
}

// Eight fits as eight 32-bit lanes: read as they are, or narrowed from 64 bits (the low half of
// each, gathered in order).
TESSALINE_AVX2 inline __m256i fitsAt(const int32_t* fit) { return load8(fit); }
TESSALINE_AVX2 inline __m256i fitsAt(const int64_t* fit) {
    const __m256 low = _mm256_castsi256_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(fit)));
    const __m256 high = _mm256_castsi256_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(fit + 4)));
    const __m256i halves = _mm256_castps_si256(_mm256_shuffle_ps(low, high, 0x88));  // 0 1 4 5 | 2 3 6 7
    return _mm256_permute4x64_epi64(halves, 0xD8);
}

// Windows [begin, end): window a takes the backward minimum at its start and the forward minimum
// at its end, or with FORWARD_ONLY the forward minimum alone; a last group short of eight is done
// again as the last eight of the stretch. Returns where it stopped.
template <bool FORWARD_ONLY, class Fit>
TESSALINE_AVX2 int64_t combineWide(const NarrowWindows& windows, int32_t noPredecessor, const Fit* fit,
                                   int32_t* cost, int64_t begin, int64_t end) {
    const int32_t* forward = windows.forward + (windows.w - 1);
    const __m256i unreachable = _mm256_set1_epi32(UNREACHABLE_NARROW);
    const __m256i charge = _mm256_set1_epi32(noPredecessor);
    auto combine = [&](int64_t a) TESSALINE_AVX2 {
        __m256i least = load8(forward + a);
        if constexpr (!FORWARD_ONLY) least = _mm256_min_epi32(load8(windows.backward + a), least);
        least = _mm256_blendv_epi8(least, charge, _mm256_cmpeq_epi32(least, unreachable));
        store8(cost + a, _mm256_add_epi32(least, fitsAt(fit + a)));
    };
    int64_t a = begin;
    for (; a + 8 <= end; a += 8) combine(a);
    if (a < end && end - begin > 8) {
        combine(end - 8);
        return end;
    }
    return a;
}

// The least of eight lanes in every lane.
TESSALINE_AVX2 inline __m256i leastOfLanes(__m256i v) {
    v = _mm256_min_epi32(v, _mm256_permute2x128_si256(v, v, 0x01));
    v = _mm256_min_epi32(v, _mm256_shuffle_epi32(v, 0x4E));
    return _mm256_min_epi32(v, _mm256_shuffle_epi32(v, 0xB1));
}

// The least value in groups of eight, then the first group holding it.
TESSALINE_AVX2 int64_t leftmostLeastWide(const int32_t* values, int64_t count) {
    __m256i least = _mm256_set1_epi32(UNREACHABLE_NARROW);
    int64_t i = 0;
    for (; i + 8 <= count; i += 8) least = _mm256_min_epi32(least, load8(values + i));
    int32_t value = _mm256_cvtsi256_si32(leastOfLanes(least));
    for (int64_t k = i; k < count; ++k) value = std::min(value, values[k]);
    const __m256i wanted = _mm256_set1_epi32(value);
    for (int64_t k = 0; k + 8 <= count; k += 8) {
        const int mask =
            _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(load8(values + k), wanted)));
        if (mask != 0) return k + __builtin_ctz(static_cast<unsigned>(mask));
    }
    while (values[i] != value) ++i;
    return i;
}

}  // namespace
#endif

void forwardRunningMinima(const int32_t* r, int64_t count, int32_t carry, int32_t* out) {
#ifdef TESSALINE_AVX2_PASSES
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
#ifdef TESSALINE_AVX2_PASSES
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

namespace {

void fill(int32_t* out, int64_t from, int64_t to, int32_t value) {
    if (from < to) std::fill(out + from, out + to, value);
}

// The block grid starts where the previous layer's range does, so that only its costs are scanned:
// every window spans at most two blocks, positions before `from` and from `to` on are unreachable.
void blockMinima(const NarrowWindows& windows) {
    const int64_t w = windows.w, length = windows.length, from = windows.from, to = windows.to;
    const int64_t count = length - w + 1;
    assert(w >= 1 && count >= 1 && 0 <= from && from <= to && to <= length);
    for (int64_t start = from; start < to; start += w) {
        const int64_t size = std::min(w, to - start);
        const int32_t* block = windows.reachable + (start - from);
        if (start < count) backwardRunningMinima(block, size, windows.backward + start);
        forwardRunningMinima(block, size, UNREACHABLE_NARROW, windows.forward + start);
    }
    // Backward minima are read at the window starts from..count-1 (the windows before `from` read
    // forward minima alone), forward ones at the ends w-1..length-1.
    fill(windows.backward, std::max(to, from), count, UNREACHABLE_NARROW);
    fill(windows.forward, w - 1, from, UNREACHABLE_NARROW);
    // Past `to`, the block that holds to - 1 keeps its minimum; later blocks reach nothing.
    const int64_t lastBlockEnd = std::min(from + (to - from + w - 1) / w * w, length);
    if (to > from) fill(windows.forward, to, lastBlockEnd, windows.forward[to - 1]);
    fill(windows.forward, std::max({to, lastBlockEnd, w - 1}), length, UNREACHABLE_NARROW);
}

// Windows [begin, end) as combineWide says, the widest lanes first.
template <bool FORWARD_ONLY, class Fit>
void combineStretch(const NarrowWindows& windows, int32_t noPredecessor, const Fit* fit, int32_t* cost,
                    int64_t begin, int64_t end) {
    const int64_t w = windows.w;
    int64_t a = begin;
#ifdef TESSALINE_AVX2_PASSES
    if (widestLanes()) a = combineWide<FORWARD_ONLY>(windows, noPredecessor, fit, cost, begin, end);
#endif
    for (; a < end; ++a) {
        int32_t least = windows.forward[a + w - 1];
        if constexpr (!FORWARD_ONLY) least = std::min(windows.backward[a], least);
        cost[a] = (least == UNREACHABLE_NARROW ? noPredecessor : least) + static_cast<int32_t>(fit[a]);
    }
}

// The windows that start before the previous layer's range (before `from`) hold no backward
// minimum: they take the forward minimum at their end alone.
template <class Fit>
void combineWindows(const NarrowWindows& windows, int32_t noPredecessor, const Fit* fit, int32_t* cost) {
    const int64_t count = windows.length - windows.w + 1;
    const int64_t split = std::min(windows.from, count);
    combineStretch<true>(windows, noPredecessor, fit, cost, 0, split);
    combineStretch<false>(windows, noPredecessor, fit, cost, split, count);
}

}  // namespace

void narrowWindowCosts(const NarrowWindows& windows, int32_t noPredecessor, const int32_t* fit,
                       int32_t* cost) {
    blockMinima(windows);
    combineWindows(windows, noPredecessor, fit, cost);
}

void narrowWindowCosts(const NarrowWindows& windows, int32_t noPredecessor, const int64_t* fit,
                       int32_t* cost) {
    blockMinima(windows);
    combineWindows(windows, noPredecessor, fit, cost);
}

int64_t leftmostLeast(const int32_t* values, int64_t count) {
    assert(count >= 1);
#ifdef TESSALINE_AVX2_PASSES
    if (widestLanes()) return leftmostLeastWide(values, count);
#endif
    int64_t chosen = 0;
    for (int64_t i = 1; i < count; ++i)
        if (values[i] < values[chosen]) chosen = i;
    return chosen;
}

}  // namespace tessaline
