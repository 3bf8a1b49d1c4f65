#pragma once
// The positions where a pulse of a chain may stand when only the least and greatest pulse counts
// are known. For a chain of m pulses, pulse k (0-based) may start in
//   W(k, m) = [max(L - (m - k) Tmax, k Tmin, 0), min((k + 1) Tmax - n, L - n - (m - 1 - k) Tmin)],
// empty when the upper bound is below the lower one. Over m = Mn..Mx the first set unites W(0, m),
// the later set W(k, m) for k = 1..m - 1 and the last set W(m - 1, m).
#include <cstdint>

#include "processing/intervals.h"

namespace tessaline {

struct PositionSets {
    IntervalsHeader* first = nullptr;  // where a first pulse may stand
    IntervalsHeader* later = nullptr;  // where any pulse after the first may stand
    IntervalsHeader* last = nullptr;   // where a last pulse may stand
};

// Builds the three sets for series length L, pulse length n, gaps Tmin..Tmax and pulse counts
// Mn..Mx. Each set gets room for every range united into it, so none loses an interval. Sets
// already in `sets` are released first. False after an allocation failure, with all three
// released.
bool buildPositionSets(uint32_t L, uint16_t n, uint16_t Tmin, uint16_t Tmax, uint16_t Mn, uint16_t Mx,
                       PositionSets& sets);

// The positions of `a` outside `b`, and the positions in both, as new sets with room for every
// interval the result can have. Null when memory fails.
IntervalsHeader* setDifference(const IntervalsHeader* a, const IntervalsHeader* b) noexcept;
IntervalsHeader* setIntersection(const IntervalsHeader* a, const IntervalsHeader* b) noexcept;

// Releases the three sets and clears the pointers.
void freePositionSets(PositionSets& sets) noexcept;

// Which of the three sets hold a position, as flags.
inline constexpr uint8_t IN_FIRST = 1;
inline constexpr uint8_t IN_LATER = 2;
inline constexpr uint8_t IN_LAST = 4;

// membership[k] = the flags of position k, for k < positions.
void markPositionSets(const PositionSets& sets, uint8_t* membership, int64_t positions) noexcept;

// The three sets of one run, released when the run ends.
class OwnedPositionSets {
public:
    OwnedPositionSets() = default;
    ~OwnedPositionSets() { freePositionSets(sets_); }
    OwnedPositionSets(const OwnedPositionSets&) = delete;
    OwnedPositionSets& operator=(const OwnedPositionSets&) = delete;

    bool build(uint32_t L, uint16_t n, uint16_t Tmin, uint16_t Tmax, uint16_t Mn, uint16_t Mx) {
        return buildPositionSets(L, n, Tmin, Tmax, Mn, Mx, sets_);
    }
    const PositionSets& sets() const { return sets_; }

private:
    PositionSets sets_{};
};

}  // namespace tessaline
