#pragma once
// Sliding-window minima in 32-bit lanes, for costs that provably stay within 32 bits: block-wise
// running minima forwards and backwards (eight positions at a time where the processor has the
// wide lanes), the least of the previous layer's costs over every predecessor window of a
// known-count layer, and the first position of a least cost.
#include <cstdint>

namespace tessaline {

// Marks a position outside the previous layer's range.
inline constexpr int32_t UNREACHABLE_NARROW = INT32_MAX;

// What one layer's narrow pass reads and writes. The windows touch `length` positions, window a
// spanning positions a .. a + w - 1; of these the previous layer holds [from, to), its costs
// `reachable[0 .. to - from - 1]`, and the rest are unreachable. `forward` and `backward` are
// working rows of `length`.
struct NarrowWindows {
    const int32_t* reachable;
    int32_t* forward;
    int32_t* backward;
    int64_t length;
    int64_t w;
    int64_t from;
    int64_t to;
};

// out[i] = the least of carry and r[0..i], for i in [0, count).
void forwardRunningMinima(const int32_t* r, int64_t count, int32_t carry, int32_t* out);
// out[i] = the least of r[i..count-1], for i in [0, count).
void backwardRunningMinima(const int32_t* r, int64_t count, int32_t* out);

// cost[a] = (least reachable cost of window a, or noPredecessor when it reaches none) + fit[a] for
// a in [0, count), count = length - w + 1 >= 1. The 64-bit fits must lie within 32 bits: they are
// narrowed as they are read.
void narrowWindowCosts(const NarrowWindows& windows, int32_t noPredecessor, const int32_t* fit,
                       int32_t* cost);
void narrowWindowCosts(const NarrowWindows& windows, int32_t noPredecessor, const int64_t* fit,
                       int32_t* cost);

// The first index of the least of values[0 .. count - 1], count >= 1.
int64_t leftmostLeast(const int32_t* values, int64_t count);

}  // namespace tessaline
