#pragma once
// The spread of the errors a finished simulation shows: for every cell the sample standard
// deviation over its repeats of the measure behind each shown value, in the units of that value, so
// that value ± 1.96 sd / sqrt(R) is its 95% interval; and the same for the aggregate values.
#include <vector>

#include "simulation/references.h"

namespace tessaline {

struct RestErrorHeader;

struct DisplayedSpread {
    // [noise-level row][pulse-count column]
    std::vector<std::vector<double>> restored, detection, recognition;
    // one value per noise-level row
    std::vector<double> restoredAggregate, detectionAggregate, recognitionAggregate;
};

// From the record's exact repeat sums, per cell:
// - restored: sd of the restored error energy / N_C;
// - recognition: sd of the recognition errors, divided by the column's pulse count where the run
//   counts misrecognised pulses;
// - detection: the shown value is sqrt(mean q) with q = d / (128 N_h) per repeat (d the scaled
//   position deviation), so its sd is sd(q) / (2 shown value) to first order (0 where it shows 0).
// An aggregate is the mean of a row's cells (the detection one under its root): its sd is
// sqrt(sum of the cells' variances) / J, taken through the root in the same way. `detection` and
// `detectionAggregate` are the shown detection values. Zero normalisers, pulse counts or fewer than
// two repeats give 0.
DisplayedSpread displayedSpread(const RestErrorHeader& record, const ErrorNormalisers& normalisers,
                                const std::vector<std::vector<double>>& detection,
                                const std::vector<double>& detectionAggregate);

}  // namespace tessaline
