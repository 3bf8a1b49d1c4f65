#pragma once
// Random processing cases made deterministically from a seed: an alphabet, a candidate list, the
// processing settings and a series made by the series makers with noise added. Two cases made
// from the same seed are identical, so two implementations can each run on their own copy.
#include <cstdint>
#include <string>
#include <vector>

#include "model/records.h"
#include "processing/known.h"
#include "tests/support/case_random.h"

namespace tessaline::cases {

struct ProcessingCase {
    uint64_t seed = 0;
    bool defaultSized = false;
    bool fixedCount = false;                    // made with a given pulse count (else the count was drawn)
    std::vector<std::vector<int16_t>> samples;  // the etalons' samples
    std::vector<PulseHeader> alphabet;          // lpData points into `samples`
    std::vector<uint16_t> candidates;
    uint16_t Tmin = 0, Tmax = 0;  // the gaps the algorithms are given
    uint16_t level = 100;         // processing energy level
    uint16_t makingLevel = 100;   // energy level the series was made with
    uint16_t noise = 0;
    SeriesHeader* series = nullptr;

    ProcessingCase() = default;
    ProcessingCase(const ProcessingCase&) = delete;
    ProcessingCase& operator=(const ProcessingCase&) = delete;
    ~ProcessingCase() { freeSeriesHeader(series); }

    ProcessingInput input() const { return {alphabet, candidates, Tmin, Tmax, level}; }
    // One line naming the seed and the settings, for failure reports.
    std::string describe() const;
};

// Small case: 1..8 etalons of 1..8 samples (now and then one without usable samples), a series of
// 10..200 samples, 1 <= Tmin <= Tmax, energy levels 0..100 (processing now and then above),
// noise 0..150, 1..6 candidates with repeats (now and then an unknown number), the gaps given to
// the algorithms now and then off the series' own. False when the seed's settings admit no series.
bool makeSmallCase(uint64_t seed, ProcessingCase& out);

// Default-sized case: the default alphabet (amplitude 128, 20 etalons of 20 samples), series
// length 1200, Tmin 40, Tmax 181, noise 0..150, lost data 0, 25 or 50 percent (both energy levels
// 100 minus it), 1..6 candidates.
bool makeDefaultCase(uint64_t seed, ProcessingCase& out);

}  // namespace tessaline::cases
