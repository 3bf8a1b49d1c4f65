#pragma once
// The fit of an etalon at every start position of a series, in 64 bits. A pulse's score is how much
// it lowers the sum of squares of the series once explained:
// - the shape fit: the least sum e_t (e_t - 2 x_{k+t}) over the etalon's used segments at k (the
//   whole etalon, or below energy level 100 a cut-off segment keeping more than that share of its
//   energy), with the segment; ties keep the whole etalon, then the segment with the smaller first
//   and last sample;
// - the gain fit: min over g in the gain bounds of g^2 E - 2 g C (E the etalon's energy, C its
//   correlation with the series at k), the etalon scaled by its own gain;
// - the gain-offset fit: the same with the etalon and the series both taken about their means over
//   the pulse, so that a constant level alone never pays for a pulse.
// Gain fits' scores are rounded to whole numbers. Every score carries the penalty of a pulse.
// The residual a fit leaves is the window's sum of squares (about its mean with an offset) plus the
// score; its degrees of freedom are n less the fit's free levels (0, 1 or 2).
// Between etalons folded into one row, the earlier one wins ties.
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

enum class FitKind { Shape, Gain, GainOffset };

struct FitSettings {
    FitKind kind = FitKind::Shape;
    int energy = 100;                         // shape fit: below 100 cut-off segments may explain a pulse
    double gainLeast = 0.25, gainMost = 4.0;  // gain fits: the bounds of a pulse's gain
    int64_t penalty = 0;                      // added to every pulse's score
    // When above 0, a whole-etalon fit that leaves more than this many times its degrees of freedom
    // of residual sum of squares explains no pulse there (its score is FIT_REFUSED): an artefact
    // the etalon does not have the shape of pays for no pulse, however much it lowers the residual.
    double residualLimit = 0.0;
};

// The score of a position where no pulse may stand (the chain search's NO_PULSE).
inline constexpr int64_t FIT_REFUSED = INT64_MAX;

enum class FitOutcome { Done, OutOfMemory, Cancelled };

// The row of one etalon over the series.
FitOutcome computeFitRow(std::span<const int16_t> series, std::span<const int16_t> etalon,
                         const FitSettings& settings, const std::atomic<bool>* cancel, FitRow& row);

// The row of the best of several etalons at each position (joint detection and identification).
FitOutcome computeBestRow(std::span<const int16_t> series, std::span<const std::span<const int16_t>> etalons,
                          const FitSettings& settings, const std::atomic<bool>* cancel, FitRow& row);

// The gain and offset a gain fit gives the whole etalon at a position (1 and 0 for the shape fit).
struct PulseLevel {
    double gain = 1.0, offset = 0.0;
};
PulseLevel pulseLevel(std::span<const int16_t> series, std::span<const int16_t> etalon, int64_t position,
                      const FitSettings& settings);

// The used segment [first, last] and the etalon (0-based) of the row's fit at a position.
int32_t rowFirst(const FitRow& row, int64_t position) noexcept;
int32_t rowLast(const FitRow& row, int64_t position) noexcept;
int32_t rowEtalon(const FitRow& row, int64_t position) noexcept;

}  // namespace tessaline
