#include "detect/detection.h"

#include <algorithm>
#include <cmath>

namespace tessaline {
namespace {

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

// The fit's own settings: gain bounds, the segments only the shape fit cuts, the pulse's cost.
std::string checkFit(const DetectRequest& r, const DetectNames& names) {
    constexpr double GAIN_LIMIT = 1e6, PENALTY_LIMIT = 1e15;
    if (!std::isfinite(r.gainLeast) || !std::isfinite(r.gainMost) || r.gainLeast > r.gainMost ||
        std::abs(r.gainLeast) > GAIN_LIMIT || std::abs(r.gainMost) > GAIN_LIMIT)
        return std::string(names.gain) + " must be LEAST..MOST with -1e6 <= LEAST <= MOST <= 1e6";
    if (r.fit != FitKind::Shape && r.energy < 100)
        return std::string(names.energy) + " below 100 cuts etalons, which only the shape fit does: give " +
               names.fit + " shape";
    if (r.penalty && !(*r.penalty >= 0.0 && *r.penalty <= PENALTY_LIMIT))
        return std::string(names.penalty) + " must be a number in 0..1e15 or auto";
    return {};
}

std::string checkRanges(const DetectRequest& r, const DetectNames& names) {
    if (r.tmin < 1 || r.tmin > DETECT_GAP_LIMIT) return notIn(names.tmin, r.tmin, 1, DETECT_GAP_LIMIT);
    if (r.tmax && (*r.tmax < 1 || *r.tmax > DETECT_GAP_LIMIT))
        return notIn(names.tmax, *r.tmax, 1, DETECT_GAP_LIMIT);
    if (r.count && (*r.count < 1 || *r.count > DETECT_GAP_LIMIT))
        return notIn(names.count, *r.count, 1, DETECT_GAP_LIMIT);
    if (r.energy < 0 || r.energy > 100) return notIn(names.energy, r.energy, 0, 100);
    if (r.chains < 1 || r.chains > DETECT_CHAINS_LIMIT)
        return notIn(names.chains, r.chains, 1, DETECT_CHAINS_LIMIT);
    if (r.tmax && r.tmin > *r.tmax)
        return std::string(names.tmin) + " " + std::to_string(r.tmin) + " is above " + names.tmax + " " +
               std::to_string(*r.tmax);
    if (r.countRange) {
        const auto [least, most] = *r.countRange;
        if (r.count) return std::string("give ") + names.count + " or " + names.countRange + ", not both";
        if (least < 1 || least > most || most > DETECT_GAP_LIMIT) {
            return std::string(names.countRange) +
                   " must be LEAST..MOST with 1 <= LEAST <= MOST <= " + std::to_string(DETECT_GAP_LIMIT) +
                   ", not " + std::to_string(least) + ".." + std::to_string(most);
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
        const auto [lo, hi] = pulseRange(p, count, N, n, r.tmin, r.tmax.value_or(N));
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

// " in FILE" when the samples came from a file.
std::string inFile(const char* file) { return file != nullptr ? std::string(" in ") + file : std::string(); }

// The most etalons a tuple of the request holds (1 without tuples).
int64_t longestTuple(const DetectRequest& r) {
    std::size_t longest = 1;
    for (const std::vector<int32_t>& tuple : r.tuples) longest = std::max(longest, tuple.size());
    return static_cast<int64_t>(longest);
}

// The tables that grow with more than the series' length: one per pulse with the count constrained,
// one per tuple element with the count free. Refused beyond what a run may take; what grows with
// the length alone is left to the memory there is.
std::string checkWorkingMemory(const DetectRequest& r, const DetectSamples& s, const DetectNames& names,
                               int least, int most) {
    const ChainGeometry g = detectGeometry(r, s, least, most);
    const int64_t states = longestTuple(r);
    const int64_t bytes = chainTableBytes(g, states);
    const int64_t beyondLength = g.countFree ? bytes - chainTableBytes(g, 1) : bytes;
    if (beyondLength <= CHAIN_TABLE_LIMIT) return {};
    const auto mib = [](int64_t b) { return std::to_string((b + (int64_t{1} << 20) - 1) >> 20); };
    std::string text = "the run needs " + mib(bytes) + " MiB of working tables, more than the " +
                       mib(CHAIN_TABLE_LIMIT) + " MiB a detection takes: ";
    if (!g.countFree)
        return text + "give a narrower " + (r.count ? names.count : names.countRange) + " or none";
    return text + "give shorter " + names.tuples;
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
    if (error.empty()) error = checkFit(request, names);
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
    if (n > DETECT_ETALON_LENGTH_LIMIT)
        return "the etalons have " + std::to_string(n) + " samples; at most " +
               std::to_string(DETECT_ETALON_LENGTH_LIMIT) + " are taken";
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
    // Without a greatest gap the gaps may span the series: its first and last pulse stand anywhere.
    const auto Tmin = static_cast<uint32_t>(r.tmin),
               Tmax = static_cast<uint32_t>(r.tmax.value_or(static_cast<int>(std::max<uint32_t>(N, Tmin))));
    const std::string series = "a series of " + std::to_string(N) + " samples" + inFile(names.seriesFile) +
                               " with etalons of " + std::to_string(n) + " samples" +
                               inFile(names.etalonsFile) + " and gaps " + std::to_string(Tmin) + ".." +
                               (r.tmax ? std::to_string(Tmax) : std::string());
    if (n > N)
        return "the etalons (" + std::to_string(n) + " samples)" + inFile(names.etalonsFile) +
               " are longer than the series (" + std::to_string(N) + " samples)" + inFile(names.seriesFile);
    if (r.tmax && n > Tmax) {
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
    if (std::string error = checkWorkingMemory(r, s, names, first, last); !error.empty()) return error;
    least = first;
    most = last;
    return {};
}

ChainGeometry detectGeometry(const DetectRequest& r, const DetectSamples& s, int least, int most) {
    ChainGeometry g;
    g.samples = std::ssize(s.series);
    g.length = std::ssize(s.etalons.front());
    g.tmin = r.tmin;
    // Without a greatest gap any gap up to the series' length (and at least the least gap) is taken.
    g.tmax = r.tmax.value_or(static_cast<int>(std::max<int64_t>(g.samples, r.tmin)));
    g.least = least;
    g.most = most;
    const auto N = static_cast<uint32_t>(g.samples), n = static_cast<uint32_t>(g.length);
    g.countFree = !r.count &&
                  least == static_cast<int>(leastPulseCount(N, n, static_cast<uint32_t>(g.tmax))) &&
                  most == static_cast<int>(mostPulseCount(N, n, static_cast<uint32_t>(r.tmin)));
    return g;
}

}  // namespace tessaline
