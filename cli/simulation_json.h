#pragma once
// The result of a statistical simulation as one JSON object and as tidy CSV rows. Other tools
// read both: names, order and meaning stay as they are.
#include <nlohmann/json.hpp>
#include <ostream>
#include <span>

#include "model/records.h"
#include "simulation/displayed.h"

namespace tessaline {

struct RestErrorHeader;

// {"wPulseValues","lpNoiseLevels","repeats","wSeriesType","wTaskType","lpTaskName",
//  "lpSeriesTypeName","wMakingEnergyLevel","wProcessingEnergyLevel","ifComplete","lpErrors",
//  "lpDetectionErrors","lpRecognitionErrors","series","displayed"}; matrices are indexed
// [noise-level row][pulse-count column].
nlohmann::ordered_json simulationJson(const RestErrorHeader& record, const SeriesHeader* series,
                                      const DisplayedErrors& displayed);

// The header line and one row per cell, pulse counts outer and noise levels inner:
// pulses,noise_level,errors,detection_errors,recognition_errors,restored_error,detection_error,
// recognition_error (the raw sums of the record, then the displayed relative errors).
void writeSimulationCsv(std::ostream& out, const RestErrorHeader& record, const DisplayedErrors& displayed);

}  // namespace tessaline
