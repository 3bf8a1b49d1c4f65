#include "processing/intervals.h"

#include <algorithm>

#include "platform/alloc.h"

namespace tessaline {
namespace {

// Moves intervals [from, count) `by` places up; the caller has checked the room.
void moveUp(IntervalsHeader& set, int from, int by) noexcept {
    for (int i = set.wIntervals - 1; i >= from; --i) {
        set.lpBegins[i + by] = set.lpBegins[i];
        set.lpEnds[i + by] = set.lpEnds[i];
    }
}

// Removes intervals [from, from + count), moving the rest down.
void removeRange(IntervalsHeader& set, int from, int count) noexcept {
    for (int i = from + count; i < set.wIntervals; ++i) {
        set.lpBegins[i - count] = set.lpBegins[i];
        set.lpEnds[i - count] = set.lpEnds[i];
    }
    set.wIntervals = static_cast<uint16_t>(set.wIntervals - count);
}

}  // namespace

IntervalsHeader* getIntervalsHeader(IntervalsHeader* set, uint16_t capacity) noexcept {
    if (set == nullptr) {
        set = memory::allocateZeroed<IntervalsHeader>(1);
        if (set == nullptr) return nullptr;
    }
    if (set->lpBegins != nullptr && set->wMaxIntervals < capacity) {
        memory::release(set->lpBegins);
        set->lpEnds = nullptr;
    }
    if (set->lpBegins == nullptr) {
        set->lpBegins = memory::allocateArray<uint16_t>(2 * std::size_t{capacity});
        if (set->lpBegins == nullptr) {
            memory::release(set);
            return nullptr;
        }
        set->lpEnds = set->lpBegins + capacity;
        set->wMaxIntervals = capacity;
    }
    set->wIntervals = 0;
    std::fill_n(set->lpBegins, 2 * std::size_t{set->wMaxIntervals}, uint16_t{0});
    return set;
}

IntervalsHeader* freeIntervalsHeader(IntervalsHeader* set) noexcept {
    if (set != nullptr) {
        memory::release(set->lpBegins);
        memory::release(set);
    }
    return nullptr;
}

IntervalsHeader* copyIntervalsHeader(IntervalsHeader* destination, const IntervalsHeader* source) noexcept {
    if (source == nullptr) return nullptr;
    destination = getIntervalsHeader(destination, source->wMaxIntervals);
    if (destination == nullptr) return nullptr;
    std::copy_n(source->lpBegins, source->wIntervals, destination->lpBegins);
    std::copy_n(source->lpEnds, source->wIntervals, destination->lpEnds);
    destination->wIntervals = source->wIntervals;
    return destination;
}

int uniteInterval(IntervalsHeader* set, uint16_t begin, uint16_t end) noexcept {
    if (set == nullptr || end < begin) return 0;
    const int count = set->wIntervals;
    int i = 0;
    while (i < count && set->lpEnds[i] < begin) ++i;  // intervals wholly before [begin, end]
    if (i == count || set->lpBegins[i] > end) {
        if (count >= set->wMaxIntervals) return 0;
        moveUp(*set, i, 1);
        set->lpBegins[i] = begin;
        set->lpEnds[i] = end;
        ++set->wIntervals;
        return 1;
    }
    // Interval i shares positions with [begin, end]; absorb every following one that starts by end.
    int last = i;
    while (last + 1 < count && set->lpBegins[last + 1] <= end) ++last;
    set->lpBegins[i] = std::min(begin, set->lpBegins[i]);
    set->lpEnds[i] = std::max(end, set->lpEnds[last]);
    removeRange(*set, i + 1, last - i);
    return 1;
}

int uniteIntervals(IntervalsHeader* set, const IntervalsHeader* other) noexcept {
    if (set == nullptr || other == nullptr) return 0;
    for (int i = 0; i < other->wIntervals; ++i) uniteInterval(set, other->lpBegins[i], other->lpEnds[i]);
    return 1;
}

int subtractInterval(IntervalsHeader* set, uint16_t begin, uint16_t end) noexcept {
    if (set == nullptr || end < begin) return 0;
    const int count = set->wIntervals;
    for (int i = 0; i < count; ++i) {
        if (set->lpBegins[i] < begin && set->lpEnds[i] > end) {
            // The one interval holding [begin, end] with positions on both sides; no other is touched.
            if (count >= set->wMaxIntervals) return 0;
            moveUp(*set, i + 1, 1);
            set->lpBegins[i + 1] = static_cast<uint16_t>(end + 1);
            set->lpEnds[i + 1] = set->lpEnds[i];
            set->lpEnds[i] = static_cast<uint16_t>(begin - 1);
            ++set->wIntervals;
            return 1;
        }
    }
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        uint16_t first = set->lpBegins[i];
        uint16_t last = set->lpEnds[i];
        if (last >= begin && first <= end) {
            if (first >= begin && last <= end) continue;  // wholly inside: removed
            if (first < begin) {
                last = static_cast<uint16_t>(begin - 1);
            } else {
                first = static_cast<uint16_t>(end + 1);
            }
        }
        set->lpBegins[kept] = first;
        set->lpEnds[kept] = last;
        ++kept;
    }
    set->wIntervals = static_cast<uint16_t>(kept);
    return 1;
}

int subtractIntervals(IntervalsHeader* set, const IntervalsHeader* other) noexcept {
    if (set == nullptr || other == nullptr) return 0;
    if (set == other) {  // a set minus itself; walking it while it shrinks would skip intervals
        set->wIntervals = 0;
        return 1;
    }
    for (int i = 0; i < other->wIntervals; ++i) subtractInterval(set, other->lpBegins[i], other->lpEnds[i]);
    return 1;
}

int crossInterval(IntervalsHeader* set, uint16_t begin, uint16_t end) noexcept {
    if (set == nullptr || end < begin) return 0;
    // Intervals ending before `begin` or starting after `end` go; only the first kept one can
    // start before `begin` and only the last kept one can end after `end`.
    int kept = 0;
    for (int i = 0; i < set->wIntervals; ++i) {
        if (set->lpEnds[i] < begin || set->lpBegins[i] > end) continue;
        set->lpBegins[kept] = std::max(set->lpBegins[i], begin);
        set->lpEnds[kept] = std::min(set->lpEnds[i], end);
        ++kept;
    }
    set->wIntervals = static_cast<uint16_t>(kept);
    return 1;
}

int crossIntervals(IntervalsHeader* set, const IntervalsHeader* other) noexcept {
    if (set == nullptr || other == nullptr) return 0;
    // Both working sets are made before the set is touched; refilling `piece` from `before` later
    // needs no memory, as they have the same capacity.
    IntervalsHeader* before = copyIntervalsHeader(nullptr, set);
    if (before == nullptr) return 0;
    IntervalsHeader* piece = getIntervalsHeader(nullptr, before->wMaxIntervals);
    if (piece == nullptr) {
        freeIntervalsHeader(before);
        return 0;
    }
    const IntervalsHeader* cutter = other == set ? before : other;
    set->wIntervals = 0;
    for (int i = 0; i < cutter->wIntervals; ++i) {
        copyIntervalsHeader(piece, before);
        crossInterval(piece, cutter->lpBegins[i], cutter->lpEnds[i]);
        uniteIntervals(set, piece);
    }
    freeIntervalsHeader(piece);
    freeIntervalsHeader(before);
    return 1;
}

}  // namespace tessaline
