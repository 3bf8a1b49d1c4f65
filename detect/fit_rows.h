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
//   the pulse, so that a constant level alone never pays for a pulse;
// - the gain-trend fit: the same about their least-squares lines, so that neither a level nor a
//   baseline drifting straight across the pulse pays for one.
// Gain fits' scores are rounded to whole numbers. Every score carries the penalty of a pulse.
// The residual a fit leaves is the window's sum of squares (about its mean with an offset) plus the
// score; its degrees of freedom are n less the fit's free levels (0, 1, 2 or 3).
// A row covers the start positions of the shortest etalon of its alphabet; a longer etalon holds no
// pulse at the last positions, where it would reach past the series' end.
// Between etalons folded into one row, the one whose fit explains most (its score less its cost)
// takes the place, the earlier on ties; a place's score is then that etalon's, with its cost.
#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/alloc.h"

namespace tessaline {

// The fits the rules refused that would have paid for their cost, by rule.
struct FitRefusals {
    int64_t shape = 0, gain = 0;
    FitRefusals& operator+=(const FitRefusals& other) {
        shape += other.shape;
        gain += other.gain;
        return *this;
    }
};

struct FitRow {
    memory::OwnedArray<int64_t> score;   // [positions]
    memory::OwnedArray<int32_t> first;   // [positions] first used sample; empty: the whole etalon
    memory::OwnedArray<int32_t> last;    // [positions] last used sample
    memory::OwnedArray<int32_t> etalon;  // [positions] 0-based etalon of a folded row; empty: one etalon
    int64_t positions = 0;               // N - n + 1 for the shortest etalon n
    int32_t length = 0;                  // the (first) etalon's length
    FitRefusals refused;
};

enum class FitKind { Shape, Gain, GainOffset, GainTrend };

struct FitSettings {
    FitKind kind = FitKind::Shape;
    int energy = 100;                         // shape fit: below 100 cut-off segments may explain a pulse
    double gainLeast = 0.25, gainMost = 4.0;  // gain fits: the bounds of a pulse's gain
    int64_t penalty = 0;                      // added to every pulse's score
    std::vector<int64_t> penalties;           // when given, etalon e's own cost instead (0-based)
    // The shape rule: a whole-etalon fit that leaves more unexplained, beyond the noise its degrees
    // of freedom hold (`noiseVariance` per sample), than it explains holds no pulse (its score is
    // FIT_REFUSED). An artefact or a wave the etalon does not have the shape of pays for no pulse,
    // however much it lowers the residual; a pulse the etalon explains with a correlation above
    // 1/sqrt 2 is never refused.
    bool shapeRule = false;
    double noiseVariance = 0.0;
    // The gain rule: a place whose least-squares gain lies outside the gain bounds holds no pulse (a
    // wave smaller or larger than the pulses are is not one of them), rather than one fitted at the
    // bound.
    bool gainRule = false;
};

// The score of a position where no pulse may stand (the chain search's NO_PULSE).
inline constexpr int64_t FIT_REFUSED = INT64_MAX;

enum class FitOutcome { Done, OutOfMemory, Cancelled };

// The row of one etalon over `positions` start positions (at least its own N - n + 1).
FitOutcome computeFitRow(std::span<const int16_t> series, std::span<const int16_t> etalon, int64_t positions,
                         const FitSettings& settings, const std::atomic<bool>* cancel, FitRow& row);

// The row of the best of several etalons at each position (joint detection and identification).
FitOutcome computeBestRow(std::span<const int16_t> series, std::span<const std::span<const int16_t>> etalons,
                          int64_t positions, const FitSettings& settings, const std::atomic<bool>* cancel,
                          FitRow& row);

// The gain and offset a gain fit gives the whole etalon at a position (1 and 0 for the shape fit).
struct PulseLevel {
    double gain = 1.0, offset = 0.0;
};
PulseLevel pulseLevel(std::span<const int16_t> series, std::span<const int16_t> etalon, int64_t position,
                      const FitSettings& settings);

// Etalon e's (0-based) cost of a pulse, and the settings it is fitted with: its own cost when the
// settings give one per etalon.
int64_t etalonCost(const FitSettings& settings, std::size_t etalon) noexcept;
FitSettings etalonSettings(const FitSettings& settings, std::size_t etalon);

// The levels a fit sets per pulse beside the shape: none, a gain, a gain and an offset, a gain and a
// line.
int64_t fitFreeLevels(FitKind kind) noexcept;

// The used segment [first, last] of the row's fit at a position (of an etalon of `length` samples)
// and the etalon (0-based).
int32_t rowFirst(const FitRow& row, int64_t position) noexcept;
int32_t rowLast(const FitRow& row, int64_t position, int32_t length) noexcept;
int32_t rowEtalon(const FitRow& row, int64_t position) noexcept;

}  // namespace tessaline
