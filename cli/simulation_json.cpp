#include "cli/simulation_json.h"

#include <iomanip>

#include "cli/state_json.h"
#include "simulation/statistics.h"

namespace tessaline {
namespace {

using Json = nlohmann::ordered_json;

Json matrixJson(int32_t* const* matrix, const RestErrorHeader& record) {
    Json rows = Json::array();
    for (int k = 0; k < record.wNoiseLevels; ++k) {
        rows.push_back(std::vector<int32_t>(matrix[k], matrix[k] + record.wVariousPulses));
    }
    return rows;
}

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

const char* textOrEmpty(const char* text) { return text == nullptr ? "" : text; }

}  // namespace

Json simulationJson(const RestErrorHeader& record, const SeriesHeader* series,
                    const DisplayedErrors& displayed) {
    Json json;
    json["wPulseValues"] =
        std::vector<int16_t>(record.wPulseValues, record.wPulseValues + record.wVariousPulses);
    json["lpNoiseLevels"] =
        std::vector<int16_t>(record.lpNoiseLevels, record.lpNoiseLevels + record.wNoiseLevels);
    json["repeats"] = record.repeats;
    json["wSeriesType"] = record.wSeriesType;
    json["wTaskType"] = record.wTaskType;
    json["lpTaskName"] = textOrEmpty(record.lpTaskName);
    json["lpSeriesTypeName"] = textOrEmpty(record.lpSeriesTypeName);
    json["wMakingEnergyLevel"] = record.wMakingEnergyLevel;
    json["wProcessingEnergyLevel"] = record.wProcessingEnergyLevel;
    json["ifComplete"] = record.ifComplete;
    json["lpErrors"] = matrixJson(record.lpErrors, record);
    json["lpDetectionErrors"] = matrixJson(record.lpDetectionErrors, record);
    json["lpRecognitionErrors"] = matrixJson(record.lpRecognitionErrors, record);
    json["series"] = seriesJson(series);
    json["displayed"] = displayedJson(displayed);
    json["lpErrorsSd"] = displayed.spread.restored;
    json["lpDetectionErrorsSd"] = displayed.spread.detection;
    json["lpRecognitionErrorsSd"] = displayed.spread.recognition;
    return json;
}

void writeSimulationCsv(std::ostream& out, const RestErrorHeader& record, const DisplayedErrors& displayed) {
    out << "pulses,noise_level,errors,detection_errors,recognition_errors,restored_error,detection_error,"
           "recognition_error,restored_error_sd,detection_error_sd,recognition_error_sd\n";
    out << std::setprecision(17);
    for (int j = 0; j < record.wVariousPulses; ++j) {
        for (int k = 0; k < record.wNoiseLevels; ++k) {
            out << record.wPulseValues[j] << ',' << record.lpNoiseLevels[k] << ',' << record.lpErrors[k][j]
                << ',' << record.lpDetectionErrors[k][j] << ',' << record.lpRecognitionErrors[k][j] << ','
                << displayed.restored[k][j] << ',' << displayed.detection[k][j] << ','
                << displayed.recognition[k][j] << ',' << displayed.spread.restored[k][j] << ','
                << displayed.spread.detection[k][j] << ',' << displayed.spread.recognition[k][j] << '\n';
        }
    }
}

}  // namespace tessaline
