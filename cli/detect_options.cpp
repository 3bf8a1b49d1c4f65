#include "cli/detect_options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

#include "cli/image_painter.h"
#include "cli/run_options.h"
#include "model/codes.h"

namespace tessaline::cli {
namespace {

struct FitName {
    const char* name;
    FitKind kind;
};

constexpr FitName FITS[] = {{"shape", FitKind::Shape},
                            {"gain", FitKind::Gain},
                            {"gain-offset", FitKind::GainOffset},
                            {"gain-trend", FitKind::GainTrend}};

std::string readFit(const std::string& text, DetectSettings& s) {
    for (const FitName& fit : FITS) {
        if (text == fit.name) {
            s.request.fit = fit.kind;
            return {};
        }
    }
    return "--fit must be shape, gain, gain-offset or gain-trend, not \"" + text + "\"";
}

// A decimal number, the whole text of it.
std::optional<double> parseDecimalNumber(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// "A..B" read by `parse` on both sides; none when either side is not what it takes.
template <typename Number>
std::optional<std::pair<Number, Number>> parseRange(std::string_view text,
                                                    std::optional<Number> (*parse)(std::string_view)) {
    const std::size_t dots = text.find("..");
    if (dots == std::string_view::npos) return std::nullopt;
    const auto first = parse(text.substr(0, dots)), second = parse(text.substr(dots + 2));
    if (!first || !second) return std::nullopt;
    return std::pair{*first, *second};
}

std::string readGain(const std::string& text, DetectSettings& s) {
    const auto bounds = parseRange(text, parseDecimalNumber);
    if (!bounds) return "--gain must be LEAST..MOST, two decimal numbers, not \"" + text + "\"";
    std::tie(s.request.gainLeast, s.request.gainMost) = *bounds;
    return {};
}

std::string readPenalty(const std::string& text, DetectSettings& s) {
    if (text == "auto") {
        s.request.automaticPenalty = true;
        return {};
    }
    const std::optional<double> value = parseDecimalNumber(text);
    if (!value) return "--penalty must be a decimal number or auto, not \"" + text + "\"";
    s.request.penalty = *value;
    return {};
}

std::string readPlotRange(const std::string& text, DetectSettings& s) {
    const auto range = parseRange(text, parseDecimal);
    // A stretch before sample 0 would be read from outside the series; with 0 <= first <= last the
    // width cannot overflow.
    if (!range || range->first < 0 || range->first > range->second ||
        range->second - range->first >= DETECT_PICTURE_LIMIT)
        return "--plot-range must be FIRST..LAST, sample numbers from 0 at most " +
               std::to_string(DETECT_PICTURE_LIMIT) + " apart, not \"" + text + "\"";
    s.plotRange = std::pair<int64_t, int64_t>{range->first, range->second};
    return {};
}

std::string readTask(const std::string& text, DetectSettings& s) {
    if (const std::optional<uint16_t> task = detectTaskCode(text)) {
        s.request.task = *task;
        return {};
    }
    return "--task must be joint, recognition, tuples-detection or tuples-recognition, not \"" + text + "\"";
}

// "1,2;3": tuples separated by semicolons, their etalon numbers by commas.
std::string readTuples(const std::string& text, DetectSettings& s) {
    std::string_view rest = text;
    while (true) {
        const std::size_t end = rest.find(';');
        std::string_view tuple = rest.substr(0, end);
        std::vector<int32_t> numbers;
        while (true) {
            const std::size_t comma = tuple.find(',');
            const std::optional<int> number = parseDecimal(tuple.substr(0, comma));
            if (!number || *number < 1) {
                return "--tuples must be etalon numbers from 1 separated by commas, the tuples by semicolons "
                       "(\"1,2;3\"), not \"" +
                       text + "\"";
            }
            numbers.push_back(*number);
            if (comma == std::string_view::npos) break;
            tuple.remove_prefix(comma + 1);
        }
        s.request.tuples.push_back(std::move(numbers));
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return {};
}

std::string readCountRange(const std::string& text, DetectSettings& s) {
    const auto range = parseRange(text, parseDecimal);
    if (!range || range->first < 0 || range->first > range->second) {
        return "--count-range must be LEAST..MOST with 0 <= LEAST <= MOST, not \"" + text + "\"";
    }
    s.request.countRange = *range;
    return {};
}

std::string readScale(const std::string& text, DetectSettings& s) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || !std::isfinite(value) ||
        !(value > 0.0)) {
        return "--scale must be a decimal number above 0, not \"" + text + "\"";
    }
    s.scale = value;
    return {};
}

// The fit, its gain bounds and the cost of a pulse.
void addFitOptions(CLI::App& command, DetectArguments& a) {
    command.add_option(
        "--fit", a.fit,
        "shape (default: the etalon as it is), gain (scaled by a gain of its own per pulse) or "
        "gain-offset (a gain and a constant level per pulse) or gain-trend (a gain and a straight baseline "
        "per pulse)");
    command.add_option("--gain", a.gain,
                       "LEAST..MOST: the gain fits' bounds of a pulse's gain (default 0.25..4)");
    command.add_option(
        "--penalty", a.penalty,
        "The cost of a pulse in squared sample units, added to its score (default 0), or auto: "
        "each etalon's own, read off the series (the variance of the noise seen through the "
        "etalon times the square of the threshold that keeps false pulses to about one in "
        "twenty, at most the universal 2 ln(N / --tmin)); with a gain fit no pulse where the "
        "least-squares gain lies outside --gain, with gain-offset or gain-trend none where the etalon "
        "explains "
        "less than half of the samples beyond the noise");
}

// The scale of the samples and what is written: JSON, CSV, the picture.
void addOutputOptions(CLI::App& command, DetectArguments& a) {
    command.add_option(
        "--scale", a.scale,
        "Multiply every sample of both files by this number (above 0) and round it; needed for "
        "decimal text and float .npy input; a result outside -32768..32767 is refused");
    command.add_flag("--json", a.json, "The result as one JSON object");
    command.add_flag("--csv", a.csv, "The result as CSV: chain 0 the found pulses, then the best chains");
    command.add_option(
        "--plot", a.plot,
        "Also draw the series with the found pulses framed, and the found pulses, into this .png, "
        ".bmp or .pcx file");
    command.add_option("--size", a.plotSize, "WIDTHxHEIGHT of the --plot picture (default 1600x600)");
    command.add_option("--plot-range", a.plotRange,
                       "FIRST..LAST: the samples the --plot picture shows (default: the first 4000)");
}

}  // namespace

const char* fitName(FitKind kind) {
    for (const FitName& fit : FITS) {
        if (fit.kind == kind) return fit.name;
    }
    return "";
}

std::string readDetectSettings(const CLI::App& command, const DetectArguments& a, DetectSettings& s) {
    std::string error;
    DetectRequest& r = s.request;
    std::optional<int> tmin, energy, chains;
    if (!readNumberOption(command, "--tmin", a.tmin, 1, DETECT_GAP_LIMIT, tmin, error) ||
        !readNumberOption(command, "--tmax", a.tmax, 1, DETECT_GAP_LIMIT, r.tmax, error) ||
        !readNumberOption(command, "--count", a.count, 1, DETECT_GAP_LIMIT, r.count, error) ||
        !readNumberOption(command, "--energy", a.energy, 0, 100, energy, error) ||
        !readNumberOption(command, "--chains", a.chains, 1, DETECT_CHAINS_LIMIT, chains, error)) {
        return error;
    }
    r.tmin = *tmin;
    r.energy = energy.value_or(100);
    r.chains = chains.value_or(DETECT_DEFAULT_CHAINS);
    if (command.count("--count-range") > 0) {
        if (r.count) return "give --count or --count-range, not both";
        if (error = readCountRange(a.countRange, s); !error.empty()) return error;
    }
    if (error = readTask(a.task, s); !error.empty()) return error;
    if (command.count("--fit") > 0 && !(error = readFit(a.fit, s)).empty()) return error;
    if (command.count("--gain") > 0 && !(error = readGain(a.gain, s)).empty()) return error;
    if (command.count("--penalty") > 0 && !(error = readPenalty(a.penalty, s)).empty()) return error;
    if (command.count("--tuples") > 0 && isTuplesTask(r.task)) {
        if (error = readTuples(a.tuples, s); !error.empty()) return error;
    } else if (command.count("--tuples") > 0) {
        return "--tuples goes with --task tuples-detection or tuples-recognition";
    }
    if (error = checkDetectRequest(r, OPTION_NAMES); !error.empty()) return error;
    if (command.count("--scale") > 0) {
        if (error = readScale(a.scale, s); !error.empty()) return error;
    }
    if (a.json && a.csv) return "give --json or --csv, not both";
    if (command.count("--plot-range") > 0) {
        if (command.count("--plot") == 0) return "--plot-range goes with --plot";
        if (error = readPlotRange(a.plotRange, s); !error.empty()) return error;
    }
    if (command.count("--plot") > 0) return checkImageOptions(a.plotSize, a.plot, "--size", "--plot");
    if (command.count("--size") > 0) return "--size goes with --plot";
    return {};
}

void addDetectOptions(CLI::App& command, DetectArguments& a) {
    command
        .add_option(
            "--series", a.series,
            "Series file: text or CSV (one sample per line, or all in one row), 16-bit PCM mono WAV, or "
            "NumPy .npy of int16/int32/float32/float64")
        ->required();
    command
        .add_option(
            "--etalons", a.etalons,
            "Etalons file: text or CSV, one etalon per row, each of its own length (no padding needed)")
        ->required();
    command
        .add_option(
            "--tmin", a.tmin,
            "Least distance between consecutive pulse starts, the longest etalon's length..2147483647 "
            "(pulses never overlap)")
        ->required();
    command.add_option(
        "--tmax", a.tmax,
        "Greatest distance between consecutive pulse starts, --tmin..2147483647 (default: none; "
        "pauses of any length, the first and last pulse anywhere)");
    command.add_option("--count", a.count, "The pulse count, when known");
    command.add_option(
        "--count-range", a.countRange,
        "LEAST..MOST: the pulse count is unknown within these bounds (default: every count the "
        "series length, etalon length and gaps admit)");
    command.add_option("--task", a.task,
                       "joint (default), recognition, tuples-detection or tuples-recognition");
    command.add_option(
        "--tuples", a.tuples,
        "Tuples of etalon numbers, \"1,2;3\": one tuple for tuples-detection, the candidates for "
        "tuples-recognition");
    command.add_option(
        "--energy", a.energy,
        "Processing energy level 0..100 (default 100 = whole etalons; below 100 a cut-off segment "
        "keeping more than this percentage of an etalon's energy may explain a pulse)");
    command.add_option("--chains", a.chains, "How many best chains to report, 1..1000 (default 10)");
    addFitOptions(command, a);
    addOutputOptions(command, a);
}

}  // namespace tessaline::cli
