#pragma once
// The sliding-window minimum of a known-count layer in 32-bit lanes: the least of the previous
// layer's costs over every predecessor window, eight positions at a time, for costs that provably
// stay within 32 bits.
#include <cstdint>

namespace tessaline {

// Marks a position outside the previous layer's range.
inline constexpr int32_t UNREACHABLE_NARROW = INT32_MAX;

// The pass needs the processor's wide lanes (see widestLanes in whole_scores.h).

// What one layer's narrow pass reads and writes. `reach` holds the previous layer's costs over the
// `length` positions the windows touch (UNREACHABLE_NARROW outside its range); `forward` and
// `backward` are working rows of `length`. Window a spans reach[a .. a + w - 1].
struct NarrowWindows {
    const int32_t* reach;
    int32_t* forward;
    int32_t* backward;
    int64_t length;
    int64_t w;
};

// out[i] = the least of carry and r[0..i], for i in [0, count).
void forwardRunningMinima(const int32_t* r, int64_t count, int32_t carry, int32_t* out);
// out[i] = the least of r[i..count-1], for i in [0, count).
void backwardRunningMinima(const int32_t* r, int64_t count, int32_t* out);

// cost[a] = (least of window a, or noPredecessor when all of it is unreachable) + fit[a] for a in
// [0, count), count = length - w + 1.
void narrowWindowCosts(const NarrowWindows& windows, int32_t noPredecessor, const int64_t* fit,
                       int64_t* cost);

}  // namespace tessaline
