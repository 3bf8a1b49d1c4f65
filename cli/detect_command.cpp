#include "cli/detect_command.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "cli/commands.h"
#include "cli/run_options.h"
#include "cli/sample_readers.h"
#include "detect/detection.h"
#include "model/codes.h"
#include "platform/formatting.h"
#include "views/detection_picture.h"

namespace tessaline::cli {
namespace {

constexpr std::size_t SERIES_BYTE_LIMIT = std::size_t{16} << 30;  // the largest series file read
constexpr std::size_t ETALONS_BYTE_LIMIT = std::size_t{64} << 20;

// How the refusals name the settings: as the options.
constexpr DetectNames OPTION_NAMES{"--tmin",   "--tmax",   "--count",  "--count-range", "--task",
                                   "--tuples", "--energy", "--chains", nullptr,         nullptr,
                                   "--fit",    "--gain",   "--penalty"};

// The stretch a picture of a long series shows by default.
constexpr int64_t DEFAULT_PICTURE_SAMPLES = 4000;

// The options read and checked against each other, before any file is read.
struct DetectSettings {
    DetectRequest request;
    std::optional<double> scale;
    std::optional<std::pair<int64_t, int64_t>> plotRange;
};

struct FitName {
    const char* name;
    FitKind kind;
};

constexpr FitName FITS[] = {
    {"shape", FitKind::Shape}, {"gain", FitKind::Gain}, {"gain-offset", FitKind::GainOffset}};

const char* fitName(FitKind kind) {
    for (const FitName& fit : FITS) {
        if (fit.kind == kind) return fit.name;
    }
    return "";
}

std::string readFit(const std::string& text, DetectSettings& s) {
    for (const FitName& fit : FITS) {
        if (text == fit.name) {
            s.request.fit = fit.kind;
            return {};
        }
    }
    return "--fit must be shape, gain or gain-offset, not \"" + text + "\"";
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
    if (!range || range->first > range->second || range->second - range->first >= DETECT_PICTURE_LIMIT)
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
    if (!range || range->first < 1 || range->first > range->second) {
        return "--count-range must be LEAST..MOST with 1 <= LEAST <= MOST, not \"" + text + "\"";
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

std::string readSettings(const CLI::App& command, const DetectArguments& a, DetectSettings& s) {
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

// What was read from the files.
struct DetectInput {
    std::string seriesName, etalonsName;
    DetectSamples samples;
};

// --- Output -----------------------------------------------------------------------------------

nlohmann::ordered_json pulseJson(const FoundPulse& p, bool withLevel) {
    nlohmann::ordered_json pulse = {
        {"position", p.position}, {"etalon", p.etalon}, {"segment", {p.first, p.last}}, {"score", p.score}};
    if (withLevel) {
        pulse["gain"] = p.gain;
        pulse["offset"] = p.offset;
    }
    return pulse;
}

template <typename T>
nlohmann::ordered_json orNull(const std::optional<T>& value) {
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json();
}

nlohmann::ordered_json resultJson(const DetectSettings& s, const DetectInput& in, const DetectResult& r) {
    const DetectRequest& q = s.request;
    const bool level = q.fit != FitKind::Shape;
    nlohmann::ordered_json pulses = nlohmann::ordered_json::array(), tuples = nlohmann::ordered_json::array(),
                           chains = nlohmann::ordered_json::array();
    for (const FoundPulse& p : r.pulses) pulses.push_back(pulseJson(p, level));
    for (const auto& [first, last] : r.tuples) tuples.push_back({first, last});
    for (const FoundChain& c : r.chains) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const FoundPulse& p : c.pulses) list.push_back(pulseJson(p, level));
        chains.push_back({{"distance", c.distance}, {"pulses", std::move(list)}});
    }
    const DetectSamples& samples = in.samples;
    return {{"series", {{"file", in.seriesName}, {"samples", samples.series.size()}}},
            {"etalons",
             {{"file", in.etalonsName},
              {"count", samples.etalons.size()},
              {"length", samples.etalons.front().size()}}},
            {"scale", orNull(s.scale)},
            {"tmin", q.tmin},
            {"tmax", orNull(q.tmax)},
            {"count", orNull(q.count)},
            {"count_range", {r.least, r.most}},
            {"task", detectTaskName(q.task)},
            {"algorithm", algorithmName(r.algorithm)},
            {"energy", q.energy},
            {"fit", fitName(q.fit)},
            {"gain", level ? nlohmann::ordered_json{q.gainLeast, q.gainMost} : nlohmann::ordered_json()},
            {"penalty", r.penalty},
            {"recognized", orNull(r.recognised)},
            {"pulses", std::move(pulses)},
            {"tuples", std::move(tuples)},
            {"chains", std::move(chains)}};
}

// Gain fits add each pulse's gain and offset as two more columns.
void writeCsv(std::ostream& out, const DetectRequest& q, const DetectResult& r) {
    const bool level = q.fit != FitKind::Shape;
    std::string text = "chain,distance,pulse,position,etalon,segment_first,segment_last,score";
    text += level ? ",gain,offset\n" : "\n";
    const auto rows = [&](int chain, const std::string& distance, const std::vector<FoundPulse>& pulses) {
        for (std::size_t j = 0; j < pulses.size(); ++j) {
            const FoundPulse& p = pulses[j];
            appendf(text, "%d,%s,%zu,%d,%d,%d,%d,%lld", chain, distance.c_str(), j + 1, p.position, p.etalon,
                    p.first, p.last, static_cast<long long>(p.score));
            if (level) appendf(text, ",%.17g,%.17g", p.gain, p.offset);
            text += "\n";
        }
    };
    rows(0, "", r.pulses);
    for (std::size_t c = 0; c < r.chains.size(); ++c)
        rows(static_cast<int>(c + 1), std::to_string(r.chains[c].distance), r.chains[c].pulses);
    out << text;
}

void writeText(std::ostream& out, const DetectSettings& s, const DetectInput& in, const DetectResult& r) {
    std::string text;
    const DetectRequest& q = s.request;
    appendf(text, "series %s: %zu samples", in.seriesName.c_str(), in.samples.series.size());
    if (s.scale) appendf(text, " (scaled by %g)", *s.scale);
    appendf(text, "\netalons %s: %zu of %zu samples\n", in.etalonsName.c_str(), in.samples.etalons.size(),
            in.samples.etalons.front().size());
    const std::string greatest = q.tmax ? std::to_string(*q.tmax) : std::string();
    appendf(text, "%s; gaps %d..%s; pulses %d..%d; energy level %d; fit %s; penalty %lld; %.3f s\n",
            algorithmName(r.algorithm), q.tmin, greatest.c_str(), r.least, r.most, q.energy, fitName(q.fit),
            static_cast<long long>(r.penalty), r.seconds);
    if (r.recognised) {
        const bool tuple = isTuplesAlgorithm(r.algorithm);
        appendf(text, "recognized %s %d\n", tuple ? "tuple" : "etalon", *r.recognised);
    } else if (q.task == TASK_RECOGNITION || q.task == TASK_TUPLES_RECOGNITION) {
        text += "recognized nothing\n";
    }
    appendf(text, "found %zu pulses\n", r.pulses.size());
    if (!r.pulses.empty()) text += "pulse  position  etalon  segment          score\n";
    for (std::size_t j = 0; j < r.pulses.size(); ++j) {
        const FoundPulse& p = r.pulses[j];
        appendf(text, "%5zu  %8d  %6d  %5d..%-5d %12lld\n", j + 1, p.position, p.etalon, p.first, p.last,
                static_cast<long long>(p.score));
    }
    if (!r.tuples.empty()) {
        text += "tuples (pulses):";
        for (const auto& [first, last] : r.tuples) appendf(text, " %d-%d", first, last);
        text += "\n";
    }
    appendf(text, "best chains: %zu\n", r.chains.size());
    for (std::size_t c = 0; c < r.chains.size(); ++c) {
        appendf(text, "%3zu  distance %lld, %zu pulses:", c + 1, static_cast<long long>(r.chains[c].distance),
                r.chains[c].pulses.size());
        for (const FoundPulse& p : r.chains[c].pulses) appendf(text, " %d(%d)", p.position, p.etalon);
        text += "\n";
    }
    out << text;
}

int refuse(std::ostream& err, const std::string& reason) {
    err << "tessaline-cli: detect: " << reason << "\n";
    return EXIT_REFUSED;
}

// The stretch the picture shows: the one asked for, else the series' first samples.
std::string pictureStretch(const DetectSettings& s, const DetectInput& in, int64_t& first, int64_t& last) {
    const auto samples = static_cast<int64_t>(in.samples.series.size());
    const auto n = static_cast<int64_t>(in.samples.etalons.front().size());
    first = s.plotRange ? s.plotRange->first : 0;
    last = s.plotRange ? s.plotRange->second : std::min(samples, DEFAULT_PICTURE_SAMPLES) - 1;
    if (last >= samples || last - first + 1 < n)
        return "--plot-range " + std::to_string(first) + ".." + std::to_string(last) +
               " must lie in the series' samples 0.." + std::to_string(samples - 1) +
               " and hold an etalon of " + std::to_string(n);
    return {};
}

int plotDetection(const DetectArguments& a, const DetectSettings& s, const DetectInput& in,
                  const DetectResult& r, ImagePainter& painter, std::ostream& err) {
    int64_t first = 0, last = 0;
    if (std::string reason = pictureStretch(s, in, first, last); !reason.empty()) return refuse(err, reason);
    DetectPicture picture;
    if (std::string failure; !makeDetectPicture(in.samples, r, first, last, picture, failure)) {
        err << "tessaline-cli: detect: the picture could not get its working memory (" << failure << ")\n";
        return EXIT_FAILED;
    }
    std::string title = in.seriesName + ": " + std::to_string(in.samples.series.size()) + " samples; " +
                        algorithmName(r.algorithm) + "; " + std::to_string(r.pulses.size()) + " pulses found";
    if (first > 0 || last + 1 < static_cast<int64_t>(in.samples.series.size()))
        title += "; samples " + std::to_string(first) + ".." + std::to_string(last) + " shown";
    const auto draw = [&](Canvas& canvas) {
        const ImageSize size = *parseImageSize(a.plotSize);
        drawDetectionPicture(canvas, Rect{0, 0, size.width, size.height}, *picture.record, r.seriesType,
                             title, picture.first);
    };
    return painter.drawAndSave(*parseImageSize(a.plotSize), draw, a.plot, "detect", err);
}

}  // namespace

void addDetectOptions(CLI::App& command, DetectArguments& a) {
    command
        .add_option(
            "--series", a.series,
            "Series file: text or CSV (one sample per line, or all in one row), 16-bit PCM mono WAV, or "
            "NumPy .npy of int16/int32/float32/float64")
        ->required();
    command
        .add_option("--etalons", a.etalons,
                    "Etalons file: text or CSV, one etalon per row, all of one length")
        ->required();
    command.add_option("--tmin", a.tmin, "Least distance between consecutive pulse starts, 1..2147483647")
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
    command.add_option(
        "--fit", a.fit,
        "shape (default: the etalon as it is), gain (scaled by a gain of its own per pulse) or "
        "gain-offset (a gain and a constant level per pulse)");
    command.add_option("--gain", a.gain,
                       "LEAST..MOST: the gain fits' bounds of a pulse's gain (default 0.25..4)");
    command.add_option("--penalty", a.penalty,
                       "The cost of a pulse, added to its score (default 0), or auto: 2 ln(N / --tmin) times "
                       "the series' noise variance");
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

int runDetectCommand(const CLI::App& command, const DetectArguments& a, std::ostream& out, std::ostream& err,
                     ImagePainter* painter) {
    DetectSettings s;
    if (std::string reason = readSettings(command, a, s); !reason.empty()) return refuse(err, reason);
    if (!a.plot.empty() && painter == nullptr) return refuse(err, "--plot: this build draws no images");
    DetectInput in{a.series, a.etalons, {}};
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!readFileBytes(a.series, SERIES_BYTE_LIMIT, bytes, reason)) return refuse(err, reason);
    SeriesRead series = readSeries(bytes, {a.series, s.scale, DETECT_SERIES_LIMIT});
    bytes = {};
    if (!series.refusal.empty()) return refuse(err, series.refusal);
    in.samples.series = std::move(series.samples);
    if (!readFileBytes(a.etalons, ETALONS_BYTE_LIMIT, bytes, reason)) return refuse(err, reason);
    EtalonsRead etalons =
        readEtalons(bytes, {a.etalons, s.scale, DETECT_ETALON_LENGTH_LIMIT}, DETECT_ETALON_LIMIT);
    if (!etalons.refusal.empty()) return refuse(err, etalons.refusal);
    in.samples.etalons = std::move(etalons.etalons);

    DetectResult r;
    DetectNames names = OPTION_NAMES;
    names.seriesFile = a.series.c_str();
    names.etalonsFile = a.etalons.c_str();
    if (reason = checkDetectCounts(s.request, in.samples, names, r.least, r.most); !reason.empty())
        return refuse(err, reason);
    switch (runDetection(s.request, in.samples, r, reason)) {
        case DetectOutcome::Done: break;
        case DetectOutcome::NoChain: return refuse(err, reason);
        default:
            err << "tessaline-cli: detect: the processing could not get its working memory (" << reason
                << ")\n";
            return EXIT_FAILED;
    }
    if (a.json) {
        // File names need not be UTF-8: their bad bytes are shown replaced.
        out << resultJson(s, in, r).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
            << "\n";
    } else if (a.csv) {
        writeCsv(out, s.request, r);
    } else {
        writeText(out, s, in, r);
    }
    if (a.plot.empty()) return EXIT_DONE;
    return plotDetection(a, s, in, r, *painter, err);
}

}  // namespace tessaline::cli
