#include "detect/detection.h"

#include <algorithm>
#include <chrono>
#include <span>

#include "platform/headless.h"
#include "processing/chains.h"

namespace tessaline {
namespace {

constexpr uint16_t EVERY_PHASE = 2;  // known-count tuples: the phase of the first pulse is not known

struct TaskName {
    const char* name;
    uint16_t code;
};

constexpr TaskName TASKS[] = {{"joint", TASK_JOINT},
                              {"recognition", TASK_RECOGNITION},
                              {"tuples-detection", TASK_TUPLES_DETECTION},
                              {"tuples-recognition", TASK_TUPLES_RECOGNITION}};

std::string notIn(const char* name, int value, int least, int most) {
    return std::string(name) + " " + std::to_string(value) + " is not in " + std::to_string(least) + ".." +
           std::to_string(most);
}

std::string checkRanges(const DetectRequest& r, const DetectNames& names) {
    if (r.tmin < 1 || r.tmin > DETECT_GAP_LIMIT) return notIn(names.tmin, r.tmin, 1, DETECT_GAP_LIMIT);
    if (r.tmax < 1 || r.tmax > DETECT_GAP_LIMIT) return notIn(names.tmax, r.tmax, 1, DETECT_GAP_LIMIT);
    if (r.count && (*r.count < 1 || *r.count > DETECT_GAP_LIMIT))
        return notIn(names.count, *r.count, 1, DETECT_GAP_LIMIT);
    if (r.energy < 0 || r.energy > 100) return notIn(names.energy, r.energy, 0, 100);
    if (r.chains < 1 || r.chains > DETECT_CHAINS_LIMIT)
        return notIn(names.chains, r.chains, 1, DETECT_CHAINS_LIMIT);
    if (r.tmin > r.tmax)
        return std::string(names.tmin) + " " + std::to_string(r.tmin) + " is above " + names.tmax + " " +
               std::to_string(r.tmax);
    if (r.countRange) {
        const auto [least, most] = *r.countRange;
        if (r.count) return std::string("give ") + names.count + " or " + names.countRange + ", not both";
        if (least < 1 || least > most || most > DETECT_GAP_LIMIT) {
            return std::string(names.countRange) +
                   " must be LEAST..MOST with 1 <= LEAST <= MOST <= 65535, not " + std::to_string(least) +
                   ".." + std::to_string(most);
        }
    }
    return {};
}

std::string checkTuplesAgainstTask(const DetectRequest& r, const DetectNames& names) {
    const std::string task = std::string(names.task) + " " + detectTaskName(r.task);
    if (!isTuplesTask(r.task)) {
        if (r.tuples.empty()) return {};
        return std::string(names.tuples) + " goes with " + names.task +
               " tuples-detection or tuples-recognition";
    }
    if (r.tuples.empty()) return task + " needs its tuples: give them with " + names.tuples;
    for (const std::vector<int32_t>& tuple : r.tuples) {
        const bool numbered = std::all_of(tuple.begin(), tuple.end(), [](int32_t e) { return e >= 1; });
        if (tuple.empty() || !numbered)
            return std::string(names.tuples) + " must list etalon numbers from 1 in every tuple";
    }
    if (r.task == TASK_TUPLES_DETECTION && r.tuples.size() != 1)
        return task + " looks for one tuple; " + names.tuples + " gives " + std::to_string(r.tuples.size());
    return {};
}

// Admissible range of pulse p of K in a series of N samples, as the series maker places them.
std::pair<int64_t, int64_t> pulseRange(int64_t p, int64_t K, int64_t N, int64_t n, int64_t Tmin,
                                       int64_t Tmax) {
    return {std::max({p * Tmin, N - Tmax * (K - p), int64_t{0}}),
            std::min(Tmax * (p + 1) - n, N - n - Tmin * (K - p - 1))};
}

std::string checkKnownCount(int count, const std::string& bounds, const std::string& series, int implied,
                            int holds, const DetectRequest& r, const DetectSamples& s,
                            const DetectNames& names) {
    const std::string said = std::string(names.count) + " " + std::to_string(count) + " admits no chain: ";
    if (count < implied || count > holds) return said + bounds;
    const auto N = static_cast<int64_t>(s.series.size()), n = static_cast<int64_t>(s.etalons.front().size());
    for (int p = 0; p < count; ++p) {
        const auto [lo, hi] = pulseRange(p, count, N, n, r.tmin, r.tmax);
        if (lo > hi) {
            std::string text = said + "pulse " + std::to_string(p + 1);
            return text.append(" has no admissible position on ").append(series);
        }
    }
    return {};
}

std::string checkTupleNumbers(const DetectRequest& r, std::size_t etalons, const DetectNames& names) {
    for (const std::vector<int32_t>& tuple : r.tuples) {
        for (const int32_t number : tuple) {
            if (static_cast<std::size_t>(number) > etalons) {
                return std::string(names.tuples) + " names etalon " + std::to_string(number) +
                       "; there are " + std::to_string(etalons);
            }
        }
    }
    return {};
}

// --- The run ----------------------------------------------------------------------------------

struct ChainsDeleter {
    void operator()(ChainsHeader* record) const noexcept { freeChainsHeader(record); }
};

// The fit score sum e_t (e_t - 2 x_{k+t}) of the used segment at the position (smaller is better).
int64_t fitScore(const DetectSamples& in, int position, int etalon, int first, int last) {
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

FoundPulse scoredPulse(const DetectSamples& in, int position, int etalon, int first, int last) {
    return {position, etalon, first, last, fitScore(in, position, etalon, first, last)};
}

// What a recognition returned, told apart from its "none accepted".
std::optional<int> recognisedNumber(Algorithm algorithm, int returned) {
    switch (algorithm) {
        case Algorithm::RecognizeKnownPulses:
        case Algorithm::RecognizeKnownTuples:
        case Algorithm::RecognizeUnknownTuples: return returned >= 1 ? std::optional(returned) : std::nullopt;
        case Algorithm::RecognizeUnknownPulses:
            return returned >= 1 && returned != 65535 ? std::optional(returned) : std::nullopt;
        default: return std::nullopt;
    }
}

void collectResult(const DetectSamples& in, const SeriesHeader& series, const ChainsHeader& chains,
                   DetectResult& r) {
    for (int j = 0; j < series.wFoundPulses; ++j) {
        r.pulses.push_back(scoredPulse(in, series.lpFoundPositions[j], series.lpFoundEtalonNumbers[j],
                                       series.lpFoundCutBegins[j], series.lpFoundCutEnds[j]));
    }
    if (isTuplesAlgorithm(r.algorithm)) {
        for (int t = 0; t < series.wFoundTuples; ++t)
            r.tuples.emplace_back(series.lpTupleFirsts[t], series.lpTupleLasts[t]);
    }
    for (int c = 0; c < chains.wPretenders; ++c) {
        FoundChain chain{chains.distance[c], {}};
        for (int j = 0; j < chains.pulsesNumber[c]; ++j) {
            chain.pulses.push_back(scoredPulse(in, chains.positionsList[c][j], chains.pulsesList[c][j],
                                               chains.cutBeginList[c][j], chains.cutEndList[c][j]));
        }
        r.chains.push_back(std::move(chain));
    }
}

// What the algorithms read besides the series record and the alphabet (kept in the result, where
// the record points); the lists stay alive for the run.
struct RunLists {
    std::vector<uint16_t> candidates;  // every etalon, in the order given
    std::vector<int32_t> sizes;
    std::vector<const int32_t*> rows;
};

// The series record of the samples for the counts of the run: for a known count, the admissible
// range of each pulse as the series maker places them.
void fillSeriesRecord(const DetectSamples& in, const DetectRequest& s, DetectResult& r,
                      SeriesHeader& record) {
    const auto N = static_cast<uint32_t>(in.series.size());
    const auto n = static_cast<uint16_t>(in.etalons.front().size());
    std::copy(in.series.begin(), in.series.end(), record.lpNoisyData);
    record.wEtalons = static_cast<uint16_t>(r.alphabet.size());
    for (std::size_t e = 0; e < r.alphabet.size(); ++e) record.lpPulsesList[e] = &r.alphabet[e];
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

ProcessingRequest makeRequest(const DetectRequest& s, const DetectSamples& in,
                              std::vector<PulseHeader>& alphabet, RunLists& lists) {
    const auto n = static_cast<uint16_t>(in.etalons.front().size());
    for (std::size_t e = 0; e < in.etalons.size(); ++e) {
        // The algorithms only read the etalons' samples.
        alphabet.push_back({n, n, static_cast<int16_t>(e + 1), const_cast<int16_t*>(in.etalons[e].data())});
        lists.candidates.push_back(static_cast<uint16_t>(e + 1));
    }
    for (const std::vector<int32_t>& tuple : s.tuples) {
        lists.sizes.push_back(static_cast<int32_t>(tuple.size()));
        lists.rows.push_back(tuple.data());
    }
    const auto Tmin = static_cast<uint16_t>(s.tmin), Tmax = static_cast<uint16_t>(s.tmax);
    const auto level = static_cast<uint16_t>(s.energy);
    ProcessingRequest request;
    request.pulses = {alphabet, lists.candidates, Tmin, Tmax, level};
    request.tuples.alphabet = alphabet;
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

}  // namespace

std::optional<uint16_t> detectTaskCode(std::string_view name) noexcept {
    for (const TaskName& task : TASKS) {
        if (name == task.name) return task.code;
    }
    return std::nullopt;
}

const char* detectTaskName(uint16_t task) noexcept {
    for (const TaskName& known : TASKS) {
        if (task == known.code) return known.name;
    }
    return "";
}

const char* algorithmName(Algorithm algorithm) noexcept {
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

std::string checkDetectRequest(const DetectRequest& request, const DetectNames& names) {
    if (detectTaskName(request.task)[0] == '\0')
        return std::string(names.task) +
               " must be joint, recognition, tuples-detection or tuples-recognition";
    std::string error = checkRanges(request, names);
    if (error.empty()) error = checkTuplesAgainstTask(request, names);
    return error;
}

std::string checkDetectSamples(const DetectSamples& s) {
    if (s.series.empty()) return "the series has no samples";
    if (s.series.size() > DETECT_SERIES_LIMIT)
        return "the series has " + std::to_string(s.series.size()) + " samples; at most " +
               std::to_string(DETECT_SERIES_LIMIT) + " are taken";
    if (s.etalons.empty()) return "there are no etalons";
    if (s.etalons.size() > DETECT_ETALON_LIMIT)
        return "there are " + std::to_string(s.etalons.size()) + " etalons; at most " +
               std::to_string(DETECT_ETALON_LIMIT) + " are taken";
    const std::size_t n = s.etalons.front().size();
    if (n == 0) return "the etalons have no samples";
    for (std::size_t e = 1; e < s.etalons.size(); ++e) {
        if (s.etalons[e].size() != n)
            return "etalon " + std::to_string(e + 1) + " has " + std::to_string(s.etalons[e].size()) +
                   " samples, etalon 1 has " + std::to_string(n) + ": all must be of one length";
    }
    return {};
}

std::string checkDetectCounts(const DetectRequest& r, const DetectSamples& s, const DetectNames& names,
                              int& least, int& most) {
    const auto N = static_cast<uint32_t>(s.series.size());
    const auto n = static_cast<uint32_t>(s.etalons.front().size());
    const auto Tmin = static_cast<uint32_t>(r.tmin), Tmax = static_cast<uint32_t>(r.tmax);
    const std::string series = "a series of " + std::to_string(N) + " samples with etalons of " +
                               std::to_string(n) + " samples and gaps " + std::to_string(Tmin) + ".." +
                               std::to_string(Tmax);
    if (n > N)
        return "the etalons (" + std::to_string(n) + " samples) are longer than the series (" +
               std::to_string(N) + " samples)";
    if (n > Tmax) {
        return "the etalons (" + std::to_string(n) + " samples) are longer than " + names.tmax + " " +
               std::to_string(Tmax) + ": consecutive pulses would overlap beyond the greatest gap";
    }
    const auto implied = static_cast<int>(leastPulseCount(N, n, Tmax));
    const auto holds = static_cast<int>(mostPulseCount(N, n, Tmin));
    if (implied > holds) return "no pulse count admits a chain: " + series + " holds none";
    const std::string bounds =
        series + " holds " + std::to_string(implied) + ".." + std::to_string(holds) + " pulses";
    int first = implied, last = holds;
    if (r.count) {
        first = last = *r.count;
        if (std::string error = checkKnownCount(*r.count, bounds, series, implied, holds, r, s, names);
            !error.empty())
            return error;
    } else if (r.countRange) {
        std::tie(first, last) = *r.countRange;
        if (first < implied || last > holds) {
            return std::string(names.countRange) + " " + std::to_string(first) + ".." + std::to_string(last) +
                   " admits no chain: " + bounds;
        }
    }
    if (std::string error = checkTupleNumbers(r, s.etalons.size(), names); !error.empty()) return error;
    least = first;
    most = last;
    return {};
}

bool runDetection(const DetectRequest& s, const DetectSamples& in, DetectResult& r, std::string& failure) {
    const bool whole = s.energy >= 100;
    r.seriesType = s.count ? (whole ? SERIES_FIXED_WHOLE : SERIES_FIXED_CUTOFF)
                           : (whole ? SERIES_UNFIXED_WHOLE : SERIES_UNFIXED_CUTOFF);
    r.algorithm = algorithmFor(s.task, r.seriesType);
    RunLists lists;
    const ProcessingRequest request = makeRequest(s, in, r.alphabet, lists);

    HeadlessWindow messages;
    r.record.reset(getCutOffSeriesHeader(messages, static_cast<uint16_t>(in.etalons.size()),
                                         static_cast<uint16_t>(in.etalons.front().size()),
                                         static_cast<uint16_t>(s.tmin), static_cast<uint16_t>(s.tmax),
                                         static_cast<uint32_t>(in.series.size()), nullptr));
    const std::unique_ptr<ChainsHeader, ChainsDeleter> chains(getChainsHeader(
        messages, static_cast<uint16_t>(s.chains), static_cast<uint16_t>(std::max(r.most, 1)), nullptr));
    if (!r.record || !chains || r.record->wReservedPulses < r.most) {
        failure = lastMessage(messages, "no memory for the series");
        return false;
    }
    fillSeriesRecord(in, s, r, *r.record);
    const auto start = std::chrono::steady_clock::now();
    const int returned =
        runProcessing(messages, productionAlgorithms(), r.algorithm, request, chains.get(), *r.record);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (returned == PROCESSING_FAILED) {
        failure = lastMessage(messages, "the processing could not run");
        return false;
    }
    r.recognised = recognisedNumber(r.algorithm, returned);
    collectResult(in, *r.record, *chains, r);
    return true;
}

}  // namespace tessaline
