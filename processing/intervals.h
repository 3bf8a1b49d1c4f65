#pragma once
// Sets of sample positions kept as sorted lists of disjoint closed intervals. The algorithms for an
// unknown pulse count describe with them where a first, a later and a last pulse may stand.
//
// Intervals that only touch (end + 1 = next begin) stay two intervals; only intervals sharing a
// position are merged. No operation shows a message.
#include <cstdint>

namespace tessaline {

struct IntervalsHeader {
    uint16_t wMaxIntervals;  // capacity in intervals
    uint16_t wIntervals;     // intervals in use
    uint16_t* lpBegins;      // [wMaxIntervals] first positions; owns lpEnds too
    uint16_t* lpEnds;        // [wMaxIntervals] last positions, the second half of lpBegins' block
};

// Returns the set emptied, with room for at least `capacity` intervals (a larger capacity is kept).
// A null set gets a new record. Null on failure; the record, also one passed in, is then released.
IntervalsHeader* getIntervalsHeader(IntervalsHeader* set, uint16_t capacity) noexcept;

// Releases the arrays and the record; null is accepted. Returns null.
IntervalsHeader* freeIntervalsHeader(IntervalsHeader* set) noexcept;

// Makes or reuses `destination` with the source's capacity and copies the source's intervals.
// Null when the source is null or memory fails (the destination is then released).
IntervalsHeader* copyIntervalsHeader(IntervalsHeader* destination, const IntervalsHeader* source) noexcept;

// set := set ∪ [begin, end]. 0 (set unchanged) when the set is null, end < begin, or the result
// would need more intervals than the capacity.
int uniteInterval(IntervalsHeader* set, uint16_t begin, uint16_t end) noexcept;

// set := set ∪ other, interval by interval; an interval that does not fit is dropped. 0 when
// either is null.
int uniteIntervals(IntervalsHeader* set, const IntervalsHeader* other) noexcept;

// set := set − [begin, end]. 0 (set unchanged) when the set is null, end < begin, or splitting an
// interval would need more intervals than the capacity.
int subtractInterval(IntervalsHeader* set, uint16_t begin, uint16_t end) noexcept;

// set := set − other, interval by interval; a split that does not fit is skipped. 0 when either
// is null.
int subtractIntervals(IntervalsHeader* set, const IntervalsHeader* other) noexcept;

// set := set ∩ [begin, end]. 0 when the set is null or end < begin.
int crossInterval(IntervalsHeader* set, uint16_t begin, uint16_t end) noexcept;

// set := set ∩ other: the union, over the intervals of other, of the set as it was cut to each.
// 0 when either is null or the working copies cannot be made (set unchanged).
int crossIntervals(IntervalsHeader* set, const IntervalsHeader* other) noexcept;

}  // namespace tessaline
