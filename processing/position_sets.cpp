#include "processing/position_sets.h"

#include <algorithm>

namespace tessaline {
namespace {

// One range W(k, m), in 64 bits so that no product of a count and a gap can overflow.
struct Range {
    int64_t lower;
    int64_t upper;

    bool empty() const noexcept { return upper < lower || upper < 0; }
};

// W(k, m), cut to the 16-bit positions the sets hold.
Range pulseRange(int64_t k, int64_t m, int64_t L, int64_t n, int64_t Tmin, int64_t Tmax) noexcept {
    const int64_t upper = std::min((k + 1) * Tmax - n, L - n - (m - 1 - k) * Tmin);
    return {std::max({L - (m - k) * Tmax, k * Tmin, int64_t{0}}), std::min<int64_t>(upper, UINT16_MAX)};
}

// Calls visit(set index, range) for every non-empty range, in the order the sets are built:
// m ascending, and for each m the first pulse, the later pulses in order, the last pulse.
template <class Visit>
void forEachRange(uint32_t L, uint16_t n, uint16_t Tmin, uint16_t Tmax, uint16_t Mn, uint16_t Mx,
                  Visit visit) {
    for (int64_t m = Mn; m <= Mx; ++m) {
        if (m < 1) continue;  // a chain has at least one pulse
        auto offer = [&](int which, int64_t k) {
            const Range range = pulseRange(k, m, L, n, Tmin, Tmax);
            if (!range.empty()) visit(which, range);
        };
        offer(0, 0);
        for (int64_t k = 1; k <= m - 1; ++k) offer(1, k);
        offer(2, m - 1);
    }
}

}  // namespace

bool buildPositionSets(uint32_t L, uint16_t n, uint16_t Tmin, uint16_t Tmax, uint16_t Mn, uint16_t Mx,
                       PositionSets& sets) {
    freePositionSets(sets);
    // A set never holds more intervals than ranges united into it, nor more than it has positions.
    uint64_t ranges[3] = {0, 0, 0};
    forEachRange(L, n, Tmin, Tmax, Mn, Mx, [&](int which, const Range&) { ++ranges[which]; });
    const uint64_t positions = L >= n ? uint64_t{L} - n + 1 : 1;
    IntervalsHeader** made[3] = {&sets.first, &sets.later, &sets.last};
    for (int which = 0; which < 3; ++which) {
        const uint64_t capacity =
            std::clamp<uint64_t>(ranges[which], 1, std::min<uint64_t>(positions, UINT16_MAX));
        *made[which] = getIntervalsHeader(nullptr, static_cast<uint16_t>(capacity));
        if (*made[which] == nullptr) {
            freePositionSets(sets);
            return false;
        }
    }
    forEachRange(L, n, Tmin, Tmax, Mn, Mx, [&](int which, const Range& range) {
        uniteInterval(*made[which], static_cast<uint16_t>(range.lower), static_cast<uint16_t>(range.upper));
    });
    return true;
}

namespace {

// A copy of `a` with room for every interval that cutting it by `b` can leave: each interval of b
// splits at most one interval of a in two.
IntervalsHeader* roomyCopy(const IntervalsHeader* a, const IntervalsHeader* b) noexcept {
    const uint64_t capacity = std::min<uint64_t>(uint64_t{a->wIntervals} + b->wIntervals + 1, UINT16_MAX);
    IntervalsHeader* copy = getIntervalsHeader(nullptr, static_cast<uint16_t>(capacity));
    if (copy == nullptr) return nullptr;
    uniteIntervals(copy, a);
    return copy;
}

}  // namespace

IntervalsHeader* setDifference(const IntervalsHeader* a, const IntervalsHeader* b) noexcept {
    IntervalsHeader* result = roomyCopy(a, b);
    if (result != nullptr) subtractIntervals(result, b);
    return result;
}

IntervalsHeader* setIntersection(const IntervalsHeader* a, const IntervalsHeader* b) noexcept {
    IntervalsHeader* result = roomyCopy(a, b);
    if (result != nullptr && crossIntervals(result, b) == 0) result = freeIntervalsHeader(result);
    return result;
}

namespace {

void markSet(const IntervalsHeader* set, uint8_t flag, uint8_t* membership, int64_t positions) noexcept {
    for (int i = 0; i < set->wIntervals; ++i) {
        const int64_t to = std::min<int64_t>(set->lpEnds[i], positions - 1);
        for (int64_t k = set->lpBegins[i]; k <= to; ++k) membership[k] |= flag;
    }
}

}  // namespace

void markPositionSets(const PositionSets& sets, uint8_t* membership, int64_t positions) noexcept {
    std::fill_n(membership, positions, uint8_t{0});
    markSet(sets.first, IN_FIRST, membership, positions);
    markSet(sets.later, IN_LATER, membership, positions);
    markSet(sets.last, IN_LAST, membership, positions);
}

void freePositionSets(PositionSets& sets) noexcept {
    sets.first = freeIntervalsHeader(sets.first);
    sets.later = freeIntervalsHeader(sets.later);
    sets.last = freeIntervalsHeader(sets.last);
}

}  // namespace tessaline
