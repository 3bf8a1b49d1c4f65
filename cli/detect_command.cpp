#include "cli/detect_command.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <chrono>
#include <cmath>
#include <memory>
#include <optional>
#include <sstream>
#include <vector>

#include "cli/commands.h"
#include "cli/run_options.h"
#include "cli/sample_readers.h"
#include "model/codes.h"
#include "model/records.h"
#include "platform/formatting.h"
#include "platform/headless.h"
#include "processing/chains.h"
#include "processing/dispatch.h"
#include "views/detection_picture.h"

namespace tessaline::cli {
namespace {

constexpr std::size_t SERIES_BYTE_LIMIT = std::size_t{256} << 20;  // the largest series file read
constexpr std::size_t ETALONS_BYTE_LIMIT = std::size_t{64} << 20;
constexpr int GAP_LIMIT = 65535;
constexpr uint16_t EVERY_PHASE = 2;  // known-count tuples: the phase of the first pulse is not known

struct TaskName {
    const char* name;
    uint16_t code;
};

constexpr TaskName TASKS[] = {{"joint", TASK_JOINT},
                              {"recognition", TASK_RECOGNITION},
                              {"tuples-detection", TASK_TUPLES_DETECTION},
                              {"tuples-recognition", TASK_TUPLES_RECOGNITION}};

const char* algorithmName(Algorithm algorithm) {
    switch (algorithm) {
        case Algorithm::DetectKnownPulses: return "joint detection and identification, known count";
        case Algorithm::RecognizeKnownPulses: return "recognition, known count";
        case Algorithm::DetectUnknownPulses: return "joint detection and identification, unknown count";
        case Algorithm::RecognizeUnknownPulses: return "recognition, unknown count";
        case Algorithm::DetectKnownTuples: return "tuples detection, known count";
        case Algorithm::RecognizeKnownTuples: return "tuples recognition, known count";
        case Algorithm::DetectUnknownTuples: return "tuples detection, unknown count";
        case Algorithm::RecognizeUnknownTuples: return "tuples recognition, unknown count";
    }
    return "";
}

// The options read and checked against each other, before any file is read.
struct DetectSettings {
    int tmin = 0, tmax = 0;
    std::optional<int> count;
    std::optional<std::pair<int, int>> countRange;
    const TaskName* task = &TASKS[0];
    std::vector<std::vector<int32_t>> tuples;
    int energy = 100;
    int chains = DETECT_DEFAULT_CHAINS;
    std::optional<double> scale;
};

std::string readTask(const std::string& text, DetectSettings& s) {
    for (const TaskName& task : TASKS) {
        if (text == task.name) {
            s.task = &task;
            return {};
        }
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
        s.tuples.push_back(std::move(numbers));
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return {};
}

std::string readCountRange(const std::string& text, DetectSettings& s) {
    const std::size_t dots = text.find("..");
    const std::optional<int> least = parseDecimal(std::string_view(text).substr(0, dots));
    const std::optional<int> most =
        dots == std::string::npos ? std::nullopt : parseDecimal(std::string_view(text).substr(dots + 2));
    if (!least || !most || *least < 1 || *least > *most) {
        return "--count-range must be LEAST..MOST with 1 <= LEAST <= MOST, not \"" + text + "\"";
    }
    s.countRange = std::pair{*least, *most};
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
    std::optional<int> tmin, tmax, energy, chains;
    if (!readNumberOption(command, "--tmin", a.tmin, 1, GAP_LIMIT, tmin, error) ||
        !readNumberOption(command, "--tmax", a.tmax, 1, GAP_LIMIT, tmax, error) ||
        !readNumberOption(command, "--count", a.count, 1, GAP_LIMIT, s.count, error) ||
        !readNumberOption(command, "--energy", a.energy, 0, 100, energy, error) ||
        !readNumberOption(command, "--chains", a.chains, 1, DETECT_CHAINS_LIMIT, chains, error)) {
        return error;
    }
    s.tmin = *tmin;
    s.tmax = *tmax;
    s.energy = energy.value_or(100);
    s.chains = chains.value_or(DETECT_DEFAULT_CHAINS);
    if (s.tmin > s.tmax) return "--tmin " + a.tmin + " is above --tmax " + a.tmax;
    if (command.count("--count-range") > 0) {
        if (s.count) return "give --count or --count-range, not both";
        if (error = readCountRange(a.countRange, s); !error.empty()) return error;
    }
    if (error = readTask(a.task, s); !error.empty()) return error;
    const bool tuplesTask = isTuplesTask(s.task->code);
    if (command.count("--tuples") > 0) {
        if (!tuplesTask) return "--tuples goes with --task tuples-detection or tuples-recognition";
        if (error = readTuples(a.tuples, s); !error.empty()) return error;
    } else if (tuplesTask) {
        return "--task " + a.task + " needs its tuples: give them with --tuples";
    }
    if (s.task->code == TASK_TUPLES_DETECTION && s.tuples.size() != 1)
        return "--task tuples-detection looks for one tuple; --tuples gives " +
               std::to_string(s.tuples.size());
    if (command.count("--scale") > 0) {
        if (error = readScale(a.scale, s); !error.empty()) return error;
    }
    if (a.json && a.csv) return "give --json or --csv, not both";
    if (command.count("--plot") > 0) return checkImageOptions(a.plotSize, a.plot, "--size", "--plot");
    if (command.count("--size") > 0) return "--size goes with --plot";
    return {};
}

// --- The run ----------------------------------------------------------------------------------

struct SeriesDeleter {
    void operator()(SeriesHeader* record) const noexcept { freeSeriesHeader(record); }
};
struct ChainsDeleter {
    void operator()(ChainsHeader* record) const noexcept { freeChainsHeader(record); }
};

// What was read from the files.
struct DetectInput {
    std::string seriesName, etalonsName;
    std::vector<int16_t> series;
    std::vector<std::vector<int16_t>> etalons;
};

// Admissible range of pulse p of K in a series of N samples, as the series maker places them.
std::pair<int64_t, int64_t> pulseRange(int64_t p, int64_t K, int64_t N, int64_t n, int64_t Tmin,
                                       int64_t Tmax) {
    return {std::max({p * Tmin, N - Tmax * (K - p), int64_t{0}}),
            std::min(Tmax * (p + 1) - n, N - n - Tmin * (K - p - 1))};
}

// The pulse counts the run looks at, refused (with the bounds the series implies) when they admit
// no chain.
std::string checkCounts(const DetectSettings& s, const DetectInput& in, int& least, int& most) {
    const auto N = static_cast<uint32_t>(in.series.size());
    const auto n = static_cast<uint32_t>(in.etalons.front().size());
    const auto Tmin = static_cast<uint32_t>(s.tmin), Tmax = static_cast<uint32_t>(s.tmax);
    const std::string series = "a series of " + std::to_string(N) + " samples with etalons of " +
                               std::to_string(n) + " samples and gaps " + std::to_string(Tmin) + ".." +
                               std::to_string(Tmax);
    if (n > N)
        return "the etalons (" + std::to_string(n) + " samples) are longer than the series (" +
               std::to_string(N) + " samples)";
    if (n > Tmax) {
        return "the etalons (" + std::to_string(n) + " samples) are longer than --tmax " +
               std::to_string(Tmax) + ": consecutive pulses would overlap beyond the greatest gap";
    }
    const auto implied = static_cast<int>(leastPulseCount(N, n, Tmax));
    const auto holds = static_cast<int>(mostPulseCount(N, n, Tmin));
    if (implied > holds) return "no pulse count admits a chain: " + series + " holds none";
    const std::string bounds =
        series + " holds " + std::to_string(implied) + ".." + std::to_string(holds) + " pulses";
    if (s.count) {
        least = most = *s.count;
        if (*s.count < implied || *s.count > holds)
            return "--count " + std::to_string(*s.count) + " admits no chain: " + bounds;
        for (int p = 0; p < *s.count; ++p) {
            const auto [lo, hi] = pulseRange(p, *s.count, N, n, Tmin, Tmax);
            if (lo > hi)
                return "--count " + std::to_string(*s.count) + " admits no chain: pulse " +
                       std::to_string(p + 1) + " has no admissible position on " + series;
        }
    } else if (s.countRange) {
        std::tie(least, most) = *s.countRange;
        if (least < implied || most > holds) {
            return "--count-range " + std::to_string(least) + ".." + std::to_string(most) +
                   " admits no chain: " + bounds;
        }
    } else {
        least = implied;
        most = holds;
    }
    return {};
}

std::string checkTuples(const DetectSettings& s, std::size_t etalons) {
    for (const std::vector<int32_t>& tuple : s.tuples) {
        for (const int32_t number : tuple) {
            if (static_cast<std::size_t>(number) > etalons) {
                return "--tuples names etalon " + std::to_string(number) + "; the etalons file holds " +
                       std::to_string(etalons);
            }
        }
    }
    return {};
}

// The fit score sum e_t (e_t - 2 x_{k+t}) of the used segment at the position (smaller is better).
int64_t fitScore(const DetectInput& in, int position, int etalon, int first, int last) {
    if (etalon < 1 || static_cast<std::size_t>(etalon) > in.etalons.size() || position < 0) return 0;
    const std::vector<int16_t>& e = in.etalons[static_cast<std::size_t>(etalon - 1)];
    int64_t score = 0;
    for (int t = std::max(first, 0); t <= last && static_cast<std::size_t>(t) < e.size(); ++t) {
        const std::size_t at = static_cast<std::size_t>(position) + static_cast<std::size_t>(t);
        if (at >= in.series.size()) break;
        score += int64_t{e[static_cast<std::size_t>(t)]} *
                 (int64_t{e[static_cast<std::size_t>(t)]} - 2 * int64_t{in.series[at]});
    }
    return score;
}

struct FoundPulse {
    int position, etalon, first, last;
    int64_t score;
};

struct FoundChain {
    int64_t distance;
    std::vector<FoundPulse> pulses;
};

// The result of a run, in the terms the output uses.
struct DetectResult {
    Algorithm algorithm{};
    uint16_t seriesType = 0;
    int least = 0, most = 0;
    std::vector<FoundPulse> pulses;
    std::vector<std::pair<int, int>> tuples;  // 1-based pulse indices
    std::vector<FoundChain> chains;
    std::optional<int> recognised;  // etalon or tuple number of a recognition
    double seconds = 0.0;
};

// What a recognition returned, told apart from its "none accepted".
std::optional<int> recognisedNumber(Algorithm algorithm, int returned) {
    switch (algorithm) {
        case Algorithm::RecognizeKnownPulses: return returned >= 1 ? std::optional(returned) : std::nullopt;
        case Algorithm::RecognizeUnknownPulses:
            return returned >= 1 && returned != 65535 ? std::optional(returned) : std::nullopt;
        case Algorithm::RecognizeKnownTuples:
        case Algorithm::RecognizeUnknownTuples: return returned >= 1 ? std::optional(returned) : std::nullopt;
        default: return std::nullopt;
    }
}

void collectResult(const DetectInput& in, const SeriesHeader& series, const ChainsHeader& chains,
                   DetectResult& r) {
    for (int j = 0; j < series.wFoundPulses; ++j) {
        const FoundPulse pulse{series.lpFoundPositions[j], series.lpFoundEtalonNumbers[j],
                               series.lpFoundCutBegins[j], series.lpFoundCutEnds[j], 0};
        r.pulses.push_back(pulse);
        r.pulses.back().score = fitScore(in, pulse.position, pulse.etalon, pulse.first, pulse.last);
    }
    if (isTuplesAlgorithm(r.algorithm)) {
        for (int t = 0; t < series.wFoundTuples; ++t)
            r.tuples.emplace_back(series.lpTupleFirsts[t], series.lpTupleLasts[t]);
    }
    for (int c = 0; c < chains.wPretenders; ++c) {
        FoundChain chain{chains.distance[c], {}};
        for (int j = 0; j < chains.pulsesNumber[c]; ++j) {
            const FoundPulse pulse{chains.positionsList[c][j], chains.pulsesList[c][j],
                                   chains.cutBeginList[c][j], chains.cutEndList[c][j], 0};
            chain.pulses.push_back(pulse);
            chain.pulses.back().score = fitScore(in, pulse.position, pulse.etalon, pulse.first, pulse.last);
        }
        r.chains.push_back(std::move(chain));
    }
}

// What the algorithms read besides the series record; the lists stay alive for the run.
struct RunLists {
    std::vector<PulseHeader> alphabet;
    std::vector<uint16_t> candidates;  // every etalon, in file order
    std::vector<int32_t> sizes;
    std::vector<const int32_t*> rows;
};

// The series record of the samples for the counts of the run: for a known count, the admissible
// range of each pulse as the series maker places them.
void fillSeriesRecord(const DetectInput& in, const DetectSettings& s, const DetectResult& r,
                      const RunLists& lists, SeriesHeader& record) {
    const auto N = static_cast<uint32_t>(in.series.size());
    const auto n = static_cast<uint16_t>(in.etalons.front().size());
    std::copy(in.series.begin(), in.series.end(), record.lpNoisyData);
    record.wEtalons = static_cast<uint16_t>(lists.alphabet.size());
    for (std::size_t e = 0; e < lists.alphabet.size(); ++e) record.lpPulsesList[e] = &lists.alphabet[e];
    record.dwSeriesSize = N;
    record.wImpulseSize = n;
    record.wTmin = static_cast<uint16_t>(s.tmin);
    record.wTmax = static_cast<uint16_t>(s.tmax);
    record.wMinPulses = static_cast<uint16_t>(r.least);
    record.wMaxPulses = static_cast<uint16_t>(r.most);
    const bool known = s.count.has_value();
    record.wImpulseQuantity = known ? static_cast<uint16_t>(r.least) : 0;
    for (int p = 0; known && p < r.least; ++p) {
        const auto [lo, hi] = pulseRange(p, r.least, N, n, s.tmin, s.tmax);
        record.lpMinPositions[p] = static_cast<uint16_t>(lo);
        record.lpMaxPositions[p] = static_cast<uint16_t>(hi);
    }
}

ProcessingRequest makeRequest(const DetectSettings& s, DetectInput& in, RunLists& lists) {
    const auto n = static_cast<uint16_t>(in.etalons.front().size());
    for (std::size_t e = 0; e < in.etalons.size(); ++e) {
        lists.alphabet.push_back({n, n, static_cast<int16_t>(e + 1), in.etalons[e].data()});
        lists.candidates.push_back(static_cast<uint16_t>(e + 1));
    }
    for (const std::vector<int32_t>& tuple : s.tuples) {
        lists.sizes.push_back(static_cast<int32_t>(tuple.size()));
        lists.rows.push_back(tuple.data());
    }
    const auto Tmin = static_cast<uint16_t>(s.tmin), Tmax = static_cast<uint16_t>(s.tmax);
    const auto level = static_cast<uint16_t>(s.energy);
    ProcessingRequest request;
    request.pulses = {lists.alphabet, lists.candidates, Tmin, Tmax, level};
    request.tuples.alphabet = lists.alphabet;
    request.tuples.proceeding = EVERY_PHASE;
    request.tuples.Tmin = Tmin;
    request.tuples.Tmax = Tmax;
    request.tuples.level = level;
    if (!s.tuples.empty()) request.tuple = s.tuples.front();
    request.sizes = lists.sizes;
    request.rows = lists.rows;
    return request;
}

std::string lastMessage(const HeadlessWindow& messages, const char* otherwise) {
    return messages.messages().empty() ? otherwise : messages.messages().back().text;
}

using SeriesRecord = std::unique_ptr<SeriesHeader, SeriesDeleter>;

// Runs the algorithm on `series` (made here, kept for the picture); false (with the workbench's
// message in `failure`) when it could not run.
bool process(const DetectSettings& s, DetectInput& in, RunLists& lists, SeriesRecord& series, DetectResult& r,
             std::string& failure) {
    const bool whole = s.energy >= 100;
    r.seriesType = s.count ? (whole ? SERIES_FIXED_WHOLE : SERIES_FIXED_CUTOFF)
                           : (whole ? SERIES_UNFIXED_WHOLE : SERIES_UNFIXED_CUTOFF);
    r.algorithm = algorithmFor(s.task->code, r.seriesType);
    const ProcessingRequest request = makeRequest(s, in, lists);

    HeadlessWindow messages;
    series.reset(getCutOffSeriesHeader(messages, static_cast<uint16_t>(in.etalons.size()),
                                       static_cast<uint16_t>(in.etalons.front().size()),
                                       static_cast<uint16_t>(s.tmin), static_cast<uint16_t>(s.tmax),
                                       static_cast<uint32_t>(in.series.size()), nullptr));
    const std::unique_ptr<ChainsHeader, ChainsDeleter> chains(getChainsHeader(
        messages, static_cast<uint16_t>(s.chains), static_cast<uint16_t>(std::max(r.most, 1)), nullptr));
    if (!series || !chains || series->wReservedPulses < r.most) {
        failure = lastMessage(messages, "no memory for the series");
        return false;
    }
    fillSeriesRecord(in, s, r, lists, *series);
    const auto start = std::chrono::steady_clock::now();
    const int returned =
        runProcessing(messages, productionAlgorithms(), r.algorithm, request, chains.get(), *series);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (returned == PROCESSING_FAILED) {
        failure = lastMessage(messages, "the processing could not run");
        return false;
    }
    r.recognised = recognisedNumber(r.algorithm, returned);
    collectResult(in, *series, *chains, r);
    return true;
}

// --- Output -----------------------------------------------------------------------------------

nlohmann::ordered_json pulseJson(const FoundPulse& p, bool withScore) {
    nlohmann::ordered_json pulse = {
        {"position", p.position}, {"etalon", p.etalon}, {"segment", {p.first, p.last}}};
    if (withScore) pulse["score"] = p.score;
    return pulse;
}

nlohmann::ordered_json resultJson(const DetectSettings& s, const DetectInput& in, const DetectResult& r) {
    nlohmann::ordered_json pulses = nlohmann::ordered_json::array(), tuples = nlohmann::ordered_json::array(),
                           chains = nlohmann::ordered_json::array();
    for (const FoundPulse& p : r.pulses) pulses.push_back(pulseJson(p, true));
    for (const auto& [first, last] : r.tuples) tuples.push_back({first, last});
    for (const FoundChain& c : r.chains) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const FoundPulse& p : c.pulses) list.push_back(pulseJson(p, true));
        chains.push_back({{"distance", c.distance}, {"pulses", std::move(list)}});
    }
    return {{"series", {{"file", in.seriesName}, {"samples", in.series.size()}}},
            {"etalons",
             {{"file", in.etalonsName}, {"count", in.etalons.size()}, {"length", in.etalons.front().size()}}},
            {"scale", s.scale ? nlohmann::ordered_json(*s.scale) : nlohmann::ordered_json()},
            {"tmin", s.tmin},
            {"tmax", s.tmax},
            {"count", s.count ? nlohmann::ordered_json(*s.count) : nlohmann::ordered_json()},
            {"count_range", {r.least, r.most}},
            {"task", s.task->name},
            {"algorithm", algorithmName(r.algorithm)},
            {"energy", s.energy},
            {"recognized", r.recognised ? nlohmann::ordered_json(*r.recognised) : nlohmann::ordered_json()},
            {"pulses", std::move(pulses)},
            {"tuples", std::move(tuples)},
            {"chains", std::move(chains)}};
}

void writeCsv(std::ostream& out, const DetectResult& r) {
    std::string text = "chain,distance,pulse,position,etalon,segment_first,segment_last,score\n";
    const auto rows = [&text](int chain, const std::string& distance, const std::vector<FoundPulse>& pulses) {
        for (std::size_t j = 0; j < pulses.size(); ++j) {
            const FoundPulse& p = pulses[j];
            appendf(text, "%d,%s,%zu,%d,%d,%d,%d,%lld\n", chain, distance.c_str(), j + 1, p.position,
                    p.etalon, p.first, p.last, static_cast<long long>(p.score));
        }
    };
    rows(0, "", r.pulses);
    for (std::size_t c = 0; c < r.chains.size(); ++c)
        rows(static_cast<int>(c + 1), std::to_string(r.chains[c].distance), r.chains[c].pulses);
    out << text;
}

void writeText(std::ostream& out, const DetectSettings& s, const DetectInput& in, const DetectResult& r) {
    std::string text;
    appendf(text, "series %s: %zu samples", in.seriesName.c_str(), in.series.size());
    if (s.scale) appendf(text, " (scaled by %g)", *s.scale);
    appendf(text, "\netalons %s: %zu of %zu samples\n", in.etalonsName.c_str(), in.etalons.size(),
            in.etalons.front().size());
    appendf(text, "%s; gaps %d..%d; pulses %d..%d; energy level %d; %.3f s\n", algorithmName(r.algorithm),
            s.tmin, s.tmax, r.least, r.most, s.energy, r.seconds);
    if (r.recognised) {
        const bool tuple = isTuplesAlgorithm(r.algorithm);
        appendf(text, "recognized %s %d\n", tuple ? "tuple" : "etalon", *r.recognised);
    } else if (s.task->code == TASK_RECOGNITION || s.task->code == TASK_TUPLES_RECOGNITION) {
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
    command.add_option("--tmin", a.tmin, "Least distance between consecutive pulse starts, 1..65535")
        ->required();
    command.add_option("--tmax", a.tmax, "Greatest distance between consecutive pulse starts, --tmin..65535")
        ->required();
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
}

int runDetectCommand(const CLI::App& command, const DetectArguments& a, std::ostream& out, std::ostream& err,
                     ImagePainter* painter) {
    DetectSettings s;
    if (std::string reason = readSettings(command, a, s); !reason.empty()) return refuse(err, reason);
    if (!a.plot.empty() && painter == nullptr) return refuse(err, "--plot: this build draws no images");
    DetectInput in{a.series, a.etalons, {}, {}};
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!readFileBytes(a.series, SERIES_BYTE_LIMIT, bytes, reason)) return refuse(err, reason);
    SeriesRead series = readSeries(bytes, {a.series, s.scale, DETECT_SERIES_LIMIT});
    if (!series.refusal.empty()) return refuse(err, series.refusal);
    in.series = std::move(series.samples);
    if (!readFileBytes(a.etalons, ETALONS_BYTE_LIMIT, bytes, reason)) return refuse(err, reason);
    EtalonsRead etalons = readEtalons(bytes, {a.etalons, s.scale, DETECT_SERIES_LIMIT}, DETECT_ETALON_LIMIT);
    if (!etalons.refusal.empty()) return refuse(err, etalons.refusal);
    in.etalons = std::move(etalons.etalons);

    DetectResult r;
    if (reason = checkCounts(s, in, r.least, r.most); !reason.empty()) return refuse(err, reason);
    if (reason = checkTuples(s, in.etalons.size()); !reason.empty()) return refuse(err, reason);
    RunLists lists;
    SeriesRecord record;
    if (!process(s, in, lists, record, r, reason)) {
        err << "tessaline-cli: detect: the processing could not get its working memory (" << reason << ")\n";
        return EXIT_FAILED;
    }
    if (a.json) {
        out << resultJson(s, in, r).dump() << "\n";
    } else if (a.csv) {
        writeCsv(out, r);
    } else {
        writeText(out, s, in, r);
    }
    if (a.plot.empty()) return EXIT_DONE;
    const std::string title = in.seriesName + ": " + std::to_string(in.series.size()) + " samples; " +
                              algorithmName(r.algorithm) + "; " + std::to_string(r.pulses.size()) +
                              " pulses found";
    const auto draw = [&](Canvas& canvas) {
        const ImageSize size = *parseImageSize(a.plotSize);
        drawDetectionPicture(canvas, Rect{0, 0, size.width, size.height}, *record, r.seriesType, title);
    };
    return painter->drawAndSave(*parseImageSize(a.plotSize), draw, a.plot, "detect", err);
}

}  // namespace tessaline::cli
