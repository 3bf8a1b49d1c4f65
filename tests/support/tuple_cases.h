#pragma once
// Random tuples processing cases made deterministically from a seed: an alphabet and settings as
// the processing cases draw them, a tuple series (the series makers with a subset in use, so that
// the pulses really follow a tuple) with noise added, the tuple to detect and the candidate tuples
// to recognise. Two cases made from the same seed are identical.
#include <cstdint>
#include <string>
#include <vector>

#include "processing/tuples.h"
#include "tests/support/processing_cases.h"

namespace tessaline::cases {

struct TupleCase {
    ProcessingCase base;        // alphabet, settings and the series record
    std::vector<int32_t> made;  // the tuple the series was made of
    uint16_t employment = 0;    // its employment mode and init position
    uint16_t initPosition = 1;
    std::vector<int32_t> tuple;                    // the tuple given to detection
    std::vector<std::vector<int32_t>> candidates;  // the candidate tuples given to recognition
    std::vector<int32_t> sizes;                    // their sizes as given (now and then 0 or negative)
    std::vector<const int32_t*> rows;              // their rows (now and then null)
    uint16_t proceeding = 1;
    bool withFlag = false;    // the diagnostics flag is passed
    int32_t flagAtStart = 0;  // its value before each run
    int32_t flag = 0;

    SeriesHeader& series() { return *base.series; }
    // The input of one run; the flag, when passed, is reset to its starting value.
    TuplesInput input();
    std::string describe() const;
};

// Small case: the settings of makeSmallCase (1..8 etalons of 1..8 samples, series of 10..200
// samples, Tmin <= Tmax, levels 0..100, noise 0..150, gaps now and then off the series' own) with
// a tuple series. False when the seed's settings admit no series.
bool makeSmallTupleCase(uint64_t seed, TupleCase& out);

// Default-sized case: the settings of makeDefaultCase (default alphabet, series 1200, Tmin 40,
// Tmax 181, noise 0..150, lost data 0, 25 or 50 percent) with a tuple series. Every phase is tried
// in a quarter of them (half of the small ones), which keeps the reference runs short.
bool makeDefaultTupleCase(uint64_t seed, TupleCase& out);

// Wide case: the default alphabet, whole pulses, a series of 6000 samples with gaps 2600..3000 and
// the diagnostics flag set: 2 or 3 pulses, and so many positions where a chain can only start
// that the diagnostic texts run past their limit.
bool makeWideTupleCase(uint64_t seed, TupleCase& out);

}  // namespace tessaline::cases
