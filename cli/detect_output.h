#pragma once
// The result of `tessaline-cli detect` as the user asked for it: a JSON object, CSV rows (chain 0
// the found pulses, then the best chains) or text for reading.
#include <nlohmann/json.hpp>

#include <ostream>
#include <string>

#include "cli/detect_options.h"
#include "detect/detection.h"

namespace tessaline::cli {

// What was read from the files.
struct DetectInput {
    std::string seriesName, etalonsName;
    DetectSamples samples;
};

// The settings, the files and the result as one JSON object.
nlohmann::ordered_json detectResultJson(const DetectSettings& s, const DetectInput& in,
                                        const DetectResult& r);

// Gain fits add each pulse's gain and offset as two more columns.
void writeDetectCsv(std::ostream& out, const DetectRequest& q, const DetectResult& r);

// The files, the settings in use, the found pulses, tuples and best chains.
void writeDetectText(std::ostream& out, const DetectSettings& s, const DetectInput& in,
                     const DetectResult& r);

}  // namespace tessaline::cli
