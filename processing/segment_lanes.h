#pragma once
// The best fit of one etalon over a block of positions, a group of neighbouring positions at a
// time in vector lanes: the group's prefix scores stay in a few cache lines and its running
// suffix minima and best segments in registers, instead of whole rows of the block in memory.
#include <cstdint>

#include "processing/whole_scores.h"
#include "processing/workspace.h"

namespace tessaline {

// One etalon of n samples. Segment starts 0..lastStart have an admissible end (firstEnd[m] < n);
// lastStart < 0 means no segment is admissible and the fit is the whole etalon. energy[t] is the
// energy of samples 0..t-1 (n + 1 of them). pairWords, when not null, holds the words of the fit in
// sample pairs (segment_pairs.h), made once for the run; the lane groups do not read it.
struct EtalonSegments {
    const int16_t* samples;
    int n;
    const uint16_t* firstEnd;
    int lastStart;
    const int64_t* energy;
    const int32_t* pairWords;
};

// The last segment start with an admissible end, or -1.
int lastAdmissibleStart(const uint16_t* firstEnd, int n) noexcept;

// The block's samples, positions 0..count-1 of x (count + n - 1 samples, none read beyond),
// widened into rows.samples for every etalon fitted on the block.
void widenBlockSamples(const int16_t* x, int count, int n, FitRows<int32_t>& rows);
void widenBlockSamples(const int16_t* x, int count, int n, FitRows<int64_t>& rows);

// Folds the fit of the etalon (candidate `slot`) at the block's positions 0..count-1 into the
// block's best fit in `rows`: its whole score, replaced by the best admissible segment only when
// strictly smaller, where it is strictly below the best so far or equal with an earlier slot;
// with `first` it is taken everywhere. Segment starts are taken from the last to the first, equal
// scores taking the earlier start, and each start's end is the leftmost least prefix score at or
// after its first admissible end.
void fitEtalonLanes(const EtalonSegments& etalon, int slot, bool first, int count, FitRows<int32_t>& rows);
void fitEtalonLanes(const EtalonSegments& etalon, int slot, bool first, int count, FitRows<int64_t>& rows);

// The block's best fit from `out` at positions 0..count-1 into `rows`, and back.
void loadBlockFit(const FitOutput& out, int count, FitRows<int32_t>& rows);
void storeBlockFit(const FitRows<int32_t>& rows, int count, const FitOutput& out);
void storeBlockFit(const FitRows<int64_t>& rows, int count, const FitOutput& out);

}  // namespace tessaline
