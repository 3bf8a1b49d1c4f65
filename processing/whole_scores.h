#pragma once
// The whole-etalon score of many etalons at every position in one pass over the series:
//   score(k) = E - 2 sum over t of e_t x_{k+t},
// E the etalon's energy: the same value as the prefix score of the whole etalon, without its rows.
#include <cstdint>

namespace tessaline {

// Where a best fit goes: per position its score, candidate slot, first and last used sample.
struct FitOutput {
    int64_t* fit;
    int16_t* etalon;
    int16_t* first;
    int16_t* last;
};

// One etalon of the pass: its samples, energy and candidate slot.
struct WholeEtalon {
    const int16_t* samples;
    int32_t energy;
    int16_t slot;
};

// Which instructions the pass uses: the widest the processor offers, or the portable loop. Both
// give the same scores; tests run both.
enum class ScoreLanes { Widest, Portable };
void useScoreLanes(ScoreLanes lanes) noexcept;
// True when the widest lanes are chosen and the processor has them (AVX2).
bool widestLanes() noexcept;

// The least whole score at positions 0..P-1 of x (P + n - 1 samples) over `count` etalons of n
// samples, in order, a tie keeping the earlier etalon; into `out` with the cut 0..n-1. Every
// score and every partial sum e_t x_{k+t} must fit 32 bits with room to spare (narrow rows).
void bestWholeScores(const WholeEtalon* etalons, int count, int n, const int16_t* x, int P,
                     const FitOutput& out);

}  // namespace tessaline
