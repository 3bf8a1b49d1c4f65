#pragma once
// A plain reference for detection on own samples: the fit of every used segment summed afresh, and
// the best chain by a dynamic programme over pulses that tries every predecessor, for every pulse
// count of a range. Slow and obvious; the tests hold the detection's answers against it.
#include <cstdint>
#include <optional>
#include <vector>

namespace tessaline::reference {

using Samples = std::vector<int16_t>;

// Sum e_t (e_t - 2 x_{position+t}) over t = first..last.
int64_t segmentScore(const Samples& series, const Samples& etalon, int64_t position, int first, int last);

// Whether [first, last] may explain a pulse at the energy level: the whole etalon always, a
// shorter segment when its energy is above (level x the etalon's energy) / 100 and the level is
// below 100.
bool segmentAdmissible(const Samples& etalon, int energy, int first, int last);

// The least score at the position over the etalons' admissible segments (of the etalons that end
// within the series there).
int64_t bestFit(const Samples& series, const std::vector<const Samples*>& etalons, int energy,
                int64_t position);

// The gain fits of the whole etalon at a position, rounded: min over g in [least, most] of
// g^2 E - 2 g C, the etalon and the samples taken about their means when `offset`.
int64_t gainFit(const Samples& series, const Samples& etalon, int64_t position, double least, double most,
                bool offset);

// The gain-trend fit of the whole etalon at a position, rounded: min over g in [least, most] of
// g^2 E'' - 2 g C'', the etalon and the samples taken about their least-squares lines.
int64_t trendFit(const Samples& series, const Samples& etalon, int64_t position, double least, double most);

struct Placement {
    int64_t samples, length, tmin, tmax;
};

// Whether the starts keep the placement rules: the first within Tmax - n of the start, gaps
// Tmin..Tmax, the last within Tmax of the end and the pulse inside the series.
bool placementKept(const Placement& placement, const std::vector<int64_t>& starts);

// The least total of a chain of least..most pulses, pulse j scored by rows[(phase + j) mod rows]
// (each the best fit at every start position, the int64 maximum where no pulse may stand), or none
// when no such chain exists; counting from 0 the empty chain's total is 0.
std::optional<int64_t> bestChainTotal(const Placement& placement,
                                      const std::vector<std::vector<int64_t>>& rows, int phase, int64_t least,
                                      int64_t most);

// The least total of a chain of any count under the placement rules (the empty chain's 0 among
// them when `empty`), every pulse scored by `row`: a plain programme over positions that looks at
// every predecessor in reach.
std::optional<int64_t> bestFreeChainTotal(const Placement& placement, const std::vector<int64_t>& row,
                                          bool empty);

}  // namespace tessaline::reference
