#pragma once
// The options of `tessaline-cli evaluate`: declared on the parser, then read into the scoring's
// settings before any file is read. A refusal names the option.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace CLI {
class App;
}  // namespace CLI

namespace tessaline::cli {

// The options as the parser fills them.
struct EvaluateArguments {
    std::string truth, found, tolerance, offset;
    bool json = false;
};

void addEvaluateOptions(CLI::App& command, EvaluateArguments& arguments);

// --tolerance as given: whole samples, or seconds ("0.15s") that the found file's rate turns into
// samples; neither when it was not given (then half the found file's tmin).
struct ToleranceOption {
    std::optional<int64_t> samples;
    std::optional<double> seconds;
};

struct EvaluateSettings {
    ToleranceOption tolerance;
    int64_t offset = 0;
};

// Reads the options given on `command` into `settings`; the refusal, or empty when all are sound.
std::string readEvaluateSettings(const CLI::App& command, const EvaluateArguments& arguments,
                                 EvaluateSettings& settings);

// A whole decimal number with an optional sign, within -2^62..2^62; none for anything else.
std::optional<int64_t> parseWholeNumber(std::string_view text);

}  // namespace tessaline::cli
