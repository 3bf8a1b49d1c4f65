#include "simulation/displayed.h"

#include "simulation/measures.h"
#include "simulation/statistics.h"

namespace tessaline {
namespace {

double meanOf(const std::vector<double>& values) {
    if (values.empty()) return 0.0;
    double sum = 0.0;
    for (double value : values) sum += value;
    return sum / static_cast<double>(values.size());
}

}  // namespace

DisplayedErrors displayedErrors(const RestErrorHeader& record, const SeriesHeader& series,
                                std::span<const uint16_t> etalonList) {
    DisplayedErrors shown;
    shown.reference = referenceQuantities(series, etalonList, record.wSeriesType, record.wTaskType);
    shown.normalisers =
        errorNormalisers(shown.reference, series.wMaxPulses, series.wTmax, series.wImpulseSize);
    shown.distances = recognitionDistances(
        shown.reference, tupleBoundRun(record.wSeriesType, record.wTaskType), record.wMakingEnergyLevel);
    const std::size_t columns = record.wVariousPulses;
    const uint32_t R = record.repeats;
    const bool perPulse = countsMisrecognisedPulses(record.wTaskType);
    for (int k = 0; k < record.wNoiseLevels; ++k) {
        const std::span<const int32_t> errors(record.lpErrors[k], columns);
        const std::span<const int32_t> deviations(record.lpDetectionErrors[k], columns);
        const std::span<const int32_t> mismatches(record.lpRecognitionErrors[k], columns);
        std::vector<double>& restored = shown.restored.emplace_back();
        std::vector<double>& detection = shown.detection.emplace_back();
        std::vector<double>& recognition = shown.recognition.emplace_back();
        for (std::size_t j = 0; j < columns; ++j) {
            restored.push_back(restoredErrorValue(errors[j], shown.normalisers.restored));
            detection.push_back(detectionErrorValue(deviations[j], R, shown.normalisers.detection));
            recognition.push_back(perPulse
                                      ? pulseRecognitionErrorValue(mismatches[j], R, record.wPulseValues[j])
                                      : recognitionErrorValue(mismatches[j], R));
        }
        shown.restoredAggregate.push_back(restoredErrorAggregate(errors, shown.normalisers.restored));
        shown.detectionAggregate.push_back(
            detectionErrorAggregate(deviations, R, shown.normalisers.detection));
        shown.recognitionAggregate.push_back(perPulse ? meanOf(recognition)
                                                      : recognitionErrorAggregate(mismatches, R));
        const double sigma = record.lpNoiseLevels[k];
        shown.firstCurve.push_back(firstRecognitionCurve(shown.distances, series.wMaxPulses, sigma));
        shown.secondCurve.push_back(secondRecognitionCurve(shown.distances, series.wMinPulses, sigma));
    }
    shown.spread = displayedSpread(record, shown.normalisers, shown.detection, shown.detectionAggregate);
    return shown;
}

}  // namespace tessaline
