#include "cli/simulation_json.h"

#include <iomanip>

#include "cli/state_json.h"
#include "simulation/statistics.h"

namespace tessaline {
namespace {

using Json = nlohmann::ordered_json;

Json displayedJson(const DisplayedErrors& shown) {
    Json json;
    json["E"] = shown.reference.E;
    json["q"] = shown.reference.q;
    json["Rmin"] = shown.reference.Rmin;
    json["Rmax"] = shown.reference.Rmax;
    json["normalisers"] = {{"restored", shown.normalisers.restored},
                           {"detection", shown.normalisers.detection}};
    json["componentwise"] = {
        {"restored", shown.restored}, {"detection", shown.detection}, {"recognition", shown.recognition}};
    json["aggregate"] = {{"restored", shown.restoredAggregate},
                         {"detection", shown.detectionAggregate},
                         {"recognition", shown.recognitionAggregate}};
    json["recognitionDistances"] = {{"d1", shown.distances.d1}, {"d2", shown.distances.d2}};
    json["P1"] = shown.firstCurve;
    json["P2"] = shown.secondCurve;
    json["aggregateSd"] = {{"restored", shown.spread.restoredAggregate},
                           {"detection", shown.spread.detectionAggregate},
                           {"recognition", shown.spread.recognitionAggregate}};
    return json;
}

}  // namespace

Json simulationJson(const StudyResult& result, const SeriesHeader* series) {
    Json json;
    json["wPulseValues"] = result.pulseCounts;
    json["lpNoiseLevels"] = result.noiseLevels;
    json["repeats"] = result.repeats;
    json["wSeriesType"] = result.seriesType;
    json["wTaskType"] = result.taskType;
    json["lpTaskName"] = result.taskName;
    json["lpSeriesTypeName"] = result.seriesTypeName;
    json["wMakingEnergyLevel"] = result.makingLevel;
    json["wProcessingEnergyLevel"] = result.processingLevel;
    json["ifComplete"] = 1;
    json["lpErrors"] = result.errors;
    json["lpDetectionErrors"] = result.detectionErrors;
    json["lpRecognitionErrors"] = result.recognitionErrors;
    json["series"] = seriesJson(series);
    json["displayed"] = displayedJson(result.shown);
    json["lpErrorsSd"] = result.shown.spread.restored;
    json["lpDetectionErrorsSd"] = result.shown.spread.detection;
    json["lpRecognitionErrorsSd"] = result.shown.spread.recognition;
    return json;
}

void writeSimulationCsv(std::ostream& out, const StudyResult& result) {
    const DisplayedErrors& shown = result.shown;
    out << "pulses,noise_level,errors,detection_errors,recognition_errors,restored_error,detection_error,"
           "recognition_error,restored_error_sd,detection_error_sd,recognition_error_sd\n";
    out << std::setprecision(17);
    for (std::size_t j = 0; j < result.pulseCounts.size(); ++j) {
        for (std::size_t k = 0; k < result.noiseLevels.size(); ++k) {
            out << result.pulseCounts[j] << ',' << result.noiseLevels[k] << ',' << result.errors[k][j] << ','
                << result.detectionErrors[k][j] << ',' << result.recognitionErrors[k][j] << ','
                << shown.restored[k][j] << ',' << shown.detection[k][j] << ',' << shown.recognition[k][j]
                << ',' << shown.spread.restored[k][j] << ',' << shown.spread.detection[k][j] << ','
                << shown.spread.recognition[k][j] << '\n';
        }
    }
}

}  // namespace tessaline
