#pragma once
// The narrow fit of one etalon over a block of positions in AVX2 sample pairs: the block's samples
// are kept as 32-bit pairs (x_k, x_{k+1}), so that one multiply-add gives -2 (e_t x_{k+t} +
// e_{t+1} x_{k+t+1}) in eight positions at once. Only the prefix rows a segment can start or end at are
// formed: between the last segment start and the first admissible end the samples go two at a time.
// The results equal those of the lane groups (segment_lanes.h) to the bit; the block's best fit
// keeps the cut as one word, first sample in the high half and last in the low one.
#include <cstdint>

#include "processing/segment_lanes.h"
#include "processing/whole_scores.h"
#include "processing/workspace.h"

namespace tessaline {

// The longest etalon fitted in pairs: the rows of a group span are held on the stack.
inline constexpr int MOST_PAIRED_SAMPLES = 64;

// True when the narrow fit of etalons of n samples runs in sample pairs: n is 2 to
// MOST_PAIRED_SAMPLES, the processor has AVX2 and the widest lanes are chosen (useScoreLanes).
bool pairedSegments(int n) noexcept;

// The block's samples, positions 0..count-1 of x (count + n - 1 samples, none read beyond), as
// pairs into rows.samples, zeros after.
void pairBlockSamples(const int16_t* x, int count, int n, FitRows<int32_t>& rows);

// What the block's best fit holds before an etalon is folded in: nothing (it is taken everywhere),
// only fits of earlier candidate slots, or fits of any slots (later ones among them).
enum class HeldFit { Nothing, EarlierSlots, AnySlots };

// As fitEtalonLanes, on the paired samples; etalon.energy holds its partial energies.
void fitEtalonPairs(const EtalonSegments& etalon, int slot, HeldFit held, int count, FitRows<int32_t>& rows);

// The etalon (candidate `slot`, folded in as `held` says) and `negated`, the next candidate, whose
// samples are the etalon's negated, fitted together: the negated etalon's prefix rows
// E_t + 2 sum e_s x_{k+s} come from the same sums, and the better of the two fits is folded in once.
void fitNegatedEtalonPairs(const EtalonSegments& etalon, const EtalonSegments& negated, int slot,
                           HeldFit held, int count, FitRows<int32_t>& rows);

// The words the etalon's fit in pairs multiplies by (n of them), into `words`, for
// EtalonSegments::pairWords; only on narrow rows (every sample below 2^14 in magnitude).
void preparePairWords(const EtalonSegments& etalon, int32_t* words);

// The block's best fit from `out` at positions 0..count-1 into the paired rows, and back.
void loadBlockPairs(const FitOutput& out, int count, FitRows<int32_t>& rows);
void storeBlockPairs(const FitRows<int32_t>& rows, int count, const FitOutput& out);

}  // namespace tessaline
