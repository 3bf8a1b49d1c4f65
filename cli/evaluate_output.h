#pragma once
// The scores of `tessaline-cli evaluate` as the user asked for them: one JSON object, whose keys and
// their order other tools read, or a few lines of text.
#include <nlohmann/json.hpp>

#include <ostream>
#include <string>

#include "detect/evaluation.h"

namespace tessaline::cli {

// The files scored and the request they made.
struct EvaluationFiles {
    const std::string& truthName;
    const std::string& foundName;
    const EvaluationRequest& request;
};

// {"truth":{"file","pulses"},"found":{"file","pulses"},"tolerance","offset","true_positives",
//  "false_positives","false_negatives","sensitivity","positive_predictivity","f1","agreement",
//  "confusion":{"shapes","etalons","counts"} or null,"pairs":[[true index, found index],...]}
nlohmann::ordered_json evaluationJson(const EvaluationFiles& files, const Evaluation& evaluation);

// The files, the tolerance and offset, the counts and rates, and the confusion table when there is one.
void writeEvaluationText(std::ostream& out, const EvaluationFiles& files, const Evaluation& evaluation);

}  // namespace tessaline::cli
