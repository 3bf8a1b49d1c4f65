#pragma once
// The result of a statistical simulation as one JSON object and as tidy CSV rows. Other tools
// read both: names, order and meaning stay as they are.
#include <nlohmann/json.hpp>
#include <ostream>

#include "model/records.h"
#include "simulation/study.h"

namespace tessaline {

// {"wPulseValues","lpNoiseLevels","repeats","wSeriesType","wTaskType","lpTaskName",
//  "lpSeriesTypeName","wMakingEnergyLevel","wProcessingEnergyLevel","ifComplete","lpErrors",
//  "lpDetectionErrors","lpRecognitionErrors","series","displayed","lpErrorsSd",
//  "lpDetectionErrorsSd","lpRecognitionErrorsSd"}; matrices are indexed [noise-level row]
// [pulse-count column], the three spreads in the units of the displayed values. `series` is the
// series record the run ended with.
nlohmann::ordered_json simulationJson(const StudyResult& result, const SeriesHeader* series);

// The header line and one row per cell, pulse counts outer and noise levels inner:
// pulses,noise_level,errors,detection_errors,recognition_errors,restored_error,detection_error,
// recognition_error,restored_error_sd,detection_error_sd,recognition_error_sd (the raw sums of the
// record, then the displayed relative errors and their spreads).
void writeSimulationCsv(std::ostream& out, const StudyResult& result);

}  // namespace tessaline
