#pragma once
// Reference quantities of a statistical simulation, the normalisers built from them, the relative
// error values the statistics view plots, and the theoretical recognition curves.
#include <cstdint>
#include <span>

#include "model/records.h"

namespace tessaline {

// E: pulse energy; q: least squared sample of the first placed etalon; Rmin and Rmax: least and
// greatest correlation of the etalons (or tuple members) the run tells apart. Rmin is never
// positive and Rmax never negative.
struct ReferenceQuantities {
    int64_t E = 0;
    int64_t q = 0;
    int64_t Rmin = 0;
    int64_t Rmax = 0;
};

// Whether the reference quantities take the tuple form: tuple recognition (task 40) on a tuple
// series (series type 36 or 40).
bool tupleReferenceRun(uint16_t seriesType, uint16_t taskType) noexcept;

// Whether the second recognition curve takes its distance from E - Rmax: a series of type 36 or
// a tuple recognition run (task 40), whatever the other code.
bool tupleBoundRun(uint16_t seriesType, uint16_t taskType) noexcept;

// The reference quantities of a run from the series record as the run left it and the etalon
// list the run used. Etalons are read over the series' pulse length n (samples beyond an etalon's
// own length count as 0).
// - E and q from lpFirstEtalon (both 0 without it).
// - Rmin: the least of 0 and K(s) = sum over t < n - |s| of a(t + s) b(t), s = -n..n, a(i) = 0
//   for i < 0; a is the etalon of the list's first entry, b that of its second, falling back to
//   the first entry and then to the first placed etalon when an entry is missing or outside
//   1..wEtalons. Rmax = 0.
// - Tuple form (tupleReferenceRun): E is the greatest energy of a member of the stored tuples
//   (kept from the first etalon when no tuple has a valid member); Rmin and Rmax are the least
//   and greatest of 0 and sum over t < n of g1(t + s) g2(t), s = -n..n, g1 zero outside 0..n-1,
//   over every member g1 of a tuple and g2 of a later tuple. q stays from the first etalon.
ReferenceQuantities referenceQuantities(const SeriesHeader& series, std::span<const uint16_t> etalonList,
                                        uint16_t seriesType, uint16_t taskType);

// N_C = 2 wMaxPulses (E - Rmin) for the restored error and N_h = (wTmax - n)^2 for the detection
// error; the same for every pulse count.
struct ErrorNormalisers {
    int64_t restored = 0;
    int64_t detection = 0;
};

ErrorNormalisers errorNormalisers(const ReferenceQuantities& reference, uint16_t maxPulses, uint16_t Tmax,
                                  uint16_t n) noexcept;

// The plotted error values of one noise level. `cell` is one stored cell, `row` the J stored cells
// of the level (one per pulse count), R the repeats per cell. Whenever a normaliser, R or J is 0
// the value is 0: such a run has nothing to show, and a zero line is drawn instead of a division
// by zero.
// Restored error: cell / N_C; aggregate (1 / J) sum cell / N_C.
double restoredErrorValue(int32_t cell, int64_t restoredNormaliser) noexcept;
double restoredErrorAggregate(std::span<const int32_t> row, int64_t restoredNormaliser) noexcept;
// Detection error: sqrt(cell / R / N_h); aggregate sqrt(sum cell / (J N_h R)).
double detectionErrorValue(int32_t cell, uint32_t repeats, int64_t detectionNormaliser) noexcept;
double detectionErrorAggregate(std::span<const int32_t> row, uint32_t repeats,
                               int64_t detectionNormaliser) noexcept;
// Recognition error: cell / R; aggregate sum cell / (R J).
double recognitionErrorValue(int32_t cell, uint32_t repeats) noexcept;
double recognitionErrorAggregate(std::span<const int32_t> row, uint32_t repeats) noexcept;
// Recognition error of a run that counts misrecognised pulses (joint detection and
// identification): the share cell / (R C) of the pulses of a column of C pulses; its aggregate is
// the mean of a row's values.
double pulseRecognitionErrorValue(int32_t cell, uint32_t repeats, int pulses) noexcept;

// Distances of the theoretical recognition curves: d1 = (4 (E - Rmin) + 4) div 8, (E - Rmin) / 2
// rounded; d2 = (4 X + 8) div 16, X / 4 rounded, with X = E - Rmax for a tuple run
// (tupleBoundRun) and otherwise the greater of (E x making level + 50) div 100 and q.
struct RecognitionDistances {
    int64_t d1 = 0;
    int64_t d2 = 0;
};

RecognitionDistances recognitionDistances(const ReferenceQuantities& reference, bool tupleRun,
                                          uint16_t makingEnergyLevel) noexcept;

// P1(sigma) = 0.5 - 0.5 sqrt(1 - exp(-d1 wMaxPulses / sigma^2)) and
// P2(sigma) = 0.5 exp(-d2 wMinPulses / sigma^2); both 0 for sigma = 0.
double firstRecognitionCurve(const RecognitionDistances& distances, uint16_t maxPulses,
                             double sigma) noexcept;
double secondRecognitionCurve(const RecognitionDistances& distances, uint16_t minPulses,
                              double sigma) noexcept;

}  // namespace tessaline
