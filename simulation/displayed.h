#pragma once
// The relative errors a finished simulation shows, worked out from its statistics record, the
// series record it ended with and the etalon list it used: per cell (componentwise) and per noise
// level over all pulse counts (aggregate), with the reference quantities, the normalisers and the
// theoretical recognition curves.
#include <cstdint>
#include <span>
#include <vector>

#include "model/records.h"
#include "simulation/references.h"
#include "simulation/spread.h"

namespace tessaline {

struct RestErrorHeader;

struct DisplayedErrors {
    ReferenceQuantities reference;
    ErrorNormalisers normalisers;
    RecognitionDistances distances;
    // [noise-level row][pulse-count column]
    std::vector<std::vector<double>> restored, detection, recognition;
    // one value per noise-level row
    std::vector<double> restoredAggregate, detectionAggregate, recognitionAggregate;
    std::vector<double> firstCurve, secondCurve;  // P1 and P2 at each row's noise level
    DisplayedSpread spread;                       // the sd of every value above but the curves
};

DisplayedErrors displayedErrors(const RestErrorHeader& record, const SeriesHeader& series,
                                std::span<const uint16_t> etalonList);

}  // namespace tessaline
