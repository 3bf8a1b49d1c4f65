#include "cli/evaluate_command.h"

#include <cmath>
#include <vector>

#include "cli/commands.h"
#include "cli/evaluate_files.h"
#include "cli/evaluate_output.h"
#include "cli/messages.h"
#include "cli/sample_readers.h"
#include "platform/formatting.h"

namespace tessaline::cli {
namespace {

constexpr std::size_t FILE_BYTE_LIMIT = std::size_t{4} << 30;  // the largest truth or found file read

int refuseEvaluation(std::ostream& err, const std::string& reason) {
    err << cli_text::commandLine("evaluate", reason);
    return EXIT_REFUSED;
}

// The tolerance in samples: as given, seconds times the found file's rate, or half its tmin.
std::string settleTolerance(const ToleranceOption& given, const FoundRead& found, const std::string& name,
                            int64_t& tolerance) {
    const auto limit = static_cast<double>(EVALUATION_POSITION_LIMIT);
    if (given.samples) {
        tolerance = *given.samples;
    } else if (given.seconds) {
        if (!found.rate)
            return "--tolerance in seconds needs the sampling rate, and " + name + " has no numeric rate";
        const double samples = std::round(*given.seconds * *found.rate);
        if (!(*found.rate > 0.0) || !(samples >= 0.0 && samples <= limit))
            return formatted("--tolerance %gs at the rate of ", *given.seconds) + name +
                   " is not 0..2^62 samples";
        tolerance = static_cast<int64_t>(samples);
    } else if (!found.tmin) {
        return "give --tolerance: " + name + " has no numeric tmin to take half of";
    } else if (const double tmin = *found.tmin; tmin >= 0.0 && tmin <= limit && std::floor(tmin) == tmin) {
        tolerance = static_cast<int64_t>(tmin) / 2;
    } else {
        return "give --tolerance: the tmin of " + name + " is not a whole number 0..2^62";
    }
    return {};
}

}  // namespace

int runEvaluateCommand(const CLI::App& command, const EvaluateArguments& a, std::ostream& out,
                       std::ostream& err) {
    EvaluateSettings s;
    if (std::string reason = readEvaluateSettings(command, a, s); !reason.empty())
        return refuseEvaluation(err, reason);
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!readFileBytes(a.truth, FILE_BYTE_LIMIT, bytes, reason)) return refuseEvaluation(err, reason);
    const PulsesRead truth = readTruthCsv(bytes, a.truth);
    if (!truth.refusal.empty()) return refuseEvaluation(err, truth.refusal);
    if (!readFileBytes(a.found, FILE_BYTE_LIMIT, bytes, reason)) return refuseEvaluation(err, reason);
    const FoundRead found = readFoundJson(bytes, a.found);
    bytes = {};
    if (!found.pulses.refusal.empty()) return refuseEvaluation(err, found.pulses.refusal);

    EvaluationRequest request{{truth.positions, truth.shapes}, {found.pulses.positions, found.pulses.shapes}};
    request.offset = s.offset;
    if (reason = settleTolerance(s.tolerance, found, a.found, request.tolerance); !reason.empty())
        return refuseEvaluation(err, reason);
    const EvaluationNames names{a.truth.c_str(), a.found.c_str(), "--tolerance", "--offset"};
    if (reason = checkEvaluationRequest(request, names); !reason.empty())
        return refuseEvaluation(err, reason);
    const Evaluation evaluation = evaluateDetections(request);
    const EvaluationFiles files{a.truth, a.found, request};
    if (a.json) {
        // File names need not be UTF-8: their bad bytes are shown replaced.
        out << evaluationJson(files, evaluation)
                   .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
            << "\n";
    } else {
        writeEvaluationText(out, files, evaluation);
    }
    return EXIT_DONE;
}

}  // namespace tessaline::cli
