#include "cli/evaluate_options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>

#include "detect/evaluation.h"

namespace tessaline::cli {
namespace {

// "0.15s": a decimal number of seconds, 0 or more.
std::optional<double> parseSeconds(std::string_view text) {
    if (text.size() < 2 || text.back() != 's') return std::nullopt;
    text.remove_suffix(1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value < 0.0)
        return std::nullopt;
    return value;
}

std::string readTolerance(const std::string& text, ToleranceOption& tolerance) {
    if (const std::optional<int64_t> samples = parseWholeNumber(text); samples && *samples >= 0) {
        tolerance.samples = samples;
        return {};
    }
    if ((tolerance.seconds = parseSeconds(text))) return {};
    return "--tolerance must be whole samples 0..2^62 or seconds such as 0.15s, not \"" + text + "\"";
}

std::string readOffset(const std::string& text, int64_t& offset) {
    const std::optional<int64_t> value = parseWholeNumber(text);
    if (!value) return "--offset must be whole samples in -2^62..2^62, not \"" + text + "\"";
    offset = *value;
    return {};
}

}  // namespace

std::optional<int64_t> parseWholeNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);  // from_chars takes a minus only
    if (text.empty() || text.front() == '+') return std::nullopt;
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value < -EVALUATION_POSITION_LIMIT || value > EVALUATION_POSITION_LIMIT) return std::nullopt;
    return value;
}

std::string readEvaluateSettings(const CLI::App& command, const EvaluateArguments& a, EvaluateSettings& s) {
    if (command.count("--tolerance") > 0) {
        if (std::string error = readTolerance(a.tolerance, s.tolerance); !error.empty()) return error;
    }
    if (command.count("--offset") > 0) return readOffset(a.offset, s.offset);
    return {};
}

void addEvaluateOptions(CLI::App& command, EvaluateArguments& a) {
    command
        .add_option("--truth", a.truth,
                    "Ground truth: CSV, one true pulse per line, position or position,shape (an optional "
                    "header line)")
        ->required();
    command
        .add_option("--found", a.found,
                    "Found pulses: the JSON detect --json writes (a pulses array of position and etalon)")
        ->required();
    command.add_option(
        "--tolerance", a.tolerance,
        "Greatest distance of a found (with --offset) from a true position that pairs them: whole "
        "samples, or seconds such as 0.15s with the found file's rate (default: the found file's "
        "tmin / 2)");
    command.add_option("--offset", a.offset,
                       "Whole samples added to every found position before matching (default 0)");
    command.add_flag("--json", a.json, "The scores as one JSON object");
}

}  // namespace tessaline::cli
