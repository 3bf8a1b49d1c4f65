#pragma once
// What a whole-etalon fit sees of a window once the levels it sets per pulse are taken out: nothing
// for the shape and gain fits, the window's and the etalon's means for the gain-offset fit, their
// least-squares lines for the gain-trend fit (a drifting baseline, straight across the pulse, pays
// for nothing). The sums are exact whole numbers; each projected sum is `scale` times its value
// (n about the means, the Gram determinant n T2 - T1^2 of the line's regressors about the lines),
// exact in 128 bits and rounded once to a double.
#include <cstdint>

#include "detect/fit_rows.h"

namespace tessaline {

struct LevelSums {
    int64_t n = 0;
    int64_t etalonSum = 0, etalonMoment = 0, energy = 0;  // sum e, sum t e, sum e^2
    int64_t sum = 0, moment = 0, squares = 0;             // sum x, sum t x, sum x^2 over the window
    int64_t correlation = 0;                              // sum e x
};

struct Projected {
    double correlation, energy, squares;  // each times `scale`
    double scale;
};

Projected projected(FitKind kind, const LevelSums& s);

// The window's and the etalon's sums for an etalon at a position.
LevelSums levelSums(const int16_t* window, const int16_t* etalon, int64_t n);

// The same with the etalon's own sums taken from `etalonPart` (summed once for many windows).
LevelSums windowSums(const int16_t* window, const int16_t* etalon, const LevelSums& etalonPart);

}  // namespace tessaline
