#pragma once
// The fit of an etalon at every start position of a series, in 64 bits: for each position k the
// least score sum e_t (e_t - 2 x_{k+t}) over the etalon's used segments there (the whole etalon, or
// below energy level 100 a cut-off segment keeping more than that share of its energy), with the
// segment. Ties keep the whole etalon, then the segment with the smaller first and last sample;
// between etalons folded into one row, the earlier one.
#include <atomic>
#include <cstdint>
#include <span>

#include "platform/alloc.h"

namespace tessaline {

struct FitRow {
    memory::OwnedArray<int64_t> score;   // [positions]
    memory::OwnedArray<int32_t> first;   // [positions] first used sample; empty: the whole etalon
    memory::OwnedArray<int32_t> last;    // [positions] last used sample
    memory::OwnedArray<int32_t> etalon;  // [positions] 0-based etalon of a folded row; empty: one etalon
    int64_t positions = 0;               // N - n + 1
    int32_t length = 0;                  // n
};

enum class FitOutcome { Done, OutOfMemory, Cancelled };

// The row of one etalon over the series; `cut` asks for the used segments (energy level below 100).
FitOutcome computeFitRow(std::span<const int16_t> series, std::span<const int16_t> etalon, int energy,
                         const std::atomic<bool>* cancel, FitRow& row);

// The row of the best of several etalons at each position (joint detection and identification).
FitOutcome computeBestRow(std::span<const int16_t> series, std::span<const std::span<const int16_t>> etalons,
                          int energy, const std::atomic<bool>* cancel, FitRow& row);

// The used segment [first, last] and the etalon (0-based) of the row's fit at a position.
int32_t rowFirst(const FitRow& row, int64_t position) noexcept;
int32_t rowLast(const FitRow& row, int64_t position) noexcept;
int32_t rowEtalon(const FitRow& row, int64_t position) noexcept;

}  // namespace tessaline
