#pragma once
// `tessaline-cli evaluate`: found pulses scored against a ground truth. The truth CSV and the found
// JSON are read (cli/evaluate_files.h), the tolerance settled (given in samples or seconds, or half
// the found file's tmin), the pulses matched and counted (detect/evaluation.h), and the scores
// written as text or one JSON object (cli/evaluate_output.h).
#include <ostream>

#include "cli/evaluate_options.h"

namespace CLI {
class App;
}  // namespace CLI

namespace tessaline::cli {

// Reads, checks, scores and writes the result on `out`; the exit status (a refusal is one line on
// `err`).
int runEvaluateCommand(const CLI::App& command, const EvaluateArguments& arguments, std::ostream& out,
                       std::ostream& err);

}  // namespace tessaline::cli
