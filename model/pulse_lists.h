#pragma once
// The pulse lists of a series record read as plain entries: the placed pulses (the truth) and the
// pulses processing found. Counts are cut to the capacity of the per-pulse arrays, so a record
// with a count beyond its arrays is never read past them.
#include <vector>

#include "model/records.h"

namespace tessaline {

struct PulseEntry {
    int position;  // index of the pulse's first sample in the series
    int etalon;    // 1-based etalon number
    int first;     // first etalon sample kept (placed) or used (found)
    int last;      // last etalon sample kept or used
};

// Entries of a per-pulse array that may be read: `count`, within the arrays' capacity.
int readablePulseEntries(const SeriesHeader& series, int count) noexcept;

std::vector<PulseEntry> placedPulses(const SeriesHeader& series);
std::vector<PulseEntry> foundPulses(const SeriesHeader& series);

}  // namespace tessaline
