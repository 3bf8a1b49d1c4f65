#include "simulation/spread.h"

#include <cmath>

#include "simulation/measures.h"
#include "simulation/statistics.h"

namespace tessaline {
namespace {

// One measure of one row: each cell's variance scaled to the shown unit (sd = sqrt(variance) x
// scale), and the spread of their mean.
struct RowSpread {
    std::vector<double> cells;
    double aggregate = 0.0;
};

template <typename Scale>
RowSpread rowSpread(const RestErrorHeader& record, int k, SpreadMeasure measure, Scale scaleOf) {
    RowSpread row;
    double variances = 0.0;
    const int J = record.wVariousPulses;
    for (int j = 0; j < J; ++j) {
        const double scale = scaleOf(j);
        const double variance = sampleVariance(cellRepeatSums(record, k, j)[measure], record.repeats);
        row.cells.push_back(std::sqrt(variance) * scale);
        variances += variance * scale * scale;
    }
    row.aggregate = J > 0 ? std::sqrt(variances) / J : 0.0;
    return row;
}

// The spread of sqrt(m) from the spread of m, to first order.
double throughRoot(double spread, double root) { return root > 0.0 ? spread / (2.0 * root) : 0.0; }

}  // namespace

DisplayedSpread displayedSpread(const RestErrorHeader& record, const ErrorNormalisers& normalisers,
                                const std::vector<std::vector<double>>& detection,
                                const std::vector<double>& detectionAggregate) {
    DisplayedSpread spread;
    const double restoredScale =
        normalisers.restored > 0 ? 1.0 / static_cast<double>(normalisers.restored) : 0.0;
    const double detectionScale =
        normalisers.detection > 0 ? 1.0 / (128.0 * static_cast<double>(normalisers.detection)) : 0.0;
    const bool perPulse = countsMisrecognisedPulses(record.wTaskType);
    for (int k = 0; k < record.wNoiseLevels; ++k) {
        RowSpread restored = rowSpread(record, k, SPREAD_RESTORED, [&](int) { return restoredScale; });
        RowSpread deviation = rowSpread(record, k, SPREAD_DETECTION, [&](int) { return detectionScale; });
        RowSpread recognition = rowSpread(record, k, SPREAD_RECOGNITION, [&](int j) {
            const int pulses = record.wPulseValues[j];
            return !perPulse ? 1.0 : pulses > 0 ? 1.0 / pulses : 0.0;
        });
        for (std::size_t j = 0; j < deviation.cells.size(); ++j)
            deviation.cells[j] = throughRoot(deviation.cells[j], detection[k][j]);
        spread.restored.push_back(std::move(restored.cells));
        spread.detection.push_back(std::move(deviation.cells));
        spread.recognition.push_back(std::move(recognition.cells));
        spread.restoredAggregate.push_back(restored.aggregate);
        spread.detectionAggregate.push_back(throughRoot(deviation.aggregate, detectionAggregate[k]));
        spread.recognitionAggregate.push_back(recognition.aggregate);
    }
    return spread;
}

}  // namespace tessaline
