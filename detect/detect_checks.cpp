#include "detect/detection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

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
        return std::string(names[DetectSetting::Gain]) +
               " must be LEAST..MOST with -1e6 <= LEAST <= MOST <= 1e6";
    if (r.fit != FitKind::Shape && r.energy < 100)
        return std::string(names[DetectSetting::Energy]) +
               " below 100 cuts etalons, which only the shape fit does: give " + names[DetectSetting::Fit] +
               " shape";
    if (r.penalty && !(*r.penalty >= 0.0 && *r.penalty <= PENALTY_LIMIT))
        return std::string(names[DetectSetting::Penalty]) + " must be a number in 0..1e15 or auto";
    return {};
}

std::string checkRanges(const DetectRequest& r, const DetectNames& names) {
    if (r.tmin < 1 || r.tmin > DETECT_GAP_LIMIT)
        return notIn(names[DetectSetting::Tmin], r.tmin, 1, DETECT_GAP_LIMIT);
    if (r.tmax && (*r.tmax < 1 || *r.tmax > DETECT_GAP_LIMIT))
        return notIn(names[DetectSetting::Tmax], *r.tmax, 1, DETECT_GAP_LIMIT);
    if (r.count && (*r.count < 1 || *r.count > DETECT_GAP_LIMIT))
        return notIn(names[DetectSetting::Count], *r.count, 1, DETECT_GAP_LIMIT);
    if (r.energy < 0 || r.energy > 100) return notIn(names[DetectSetting::Energy], r.energy, 0, 100);
    if (r.chains < 1 || r.chains > DETECT_CHAINS_LIMIT)
        return notIn(names[DetectSetting::Chains], r.chains, 1, DETECT_CHAINS_LIMIT);
    if (r.tmax && r.tmin > *r.tmax)
        return std::string(names[DetectSetting::Tmin]) + " " + std::to_string(r.tmin) + " is above " +
               names[DetectSetting::Tmax] + " " + std::to_string(*r.tmax);
    if (r.countRange) {
        const auto [least, most] = *r.countRange;
        if (r.count)
            return std::string("give ") + names[DetectSetting::Count] + " or " +
                   names[DetectSetting::CountRange] + ", not both";
        if (least < 0 || least > most || most > DETECT_GAP_LIMIT) {
            return std::string(names[DetectSetting::CountRange]) +
                   " must be LEAST..MOST with 0 <= LEAST <= MOST <= " + std::to_string(DETECT_GAP_LIMIT) +
                   ", not " + std::to_string(least) + ".." + std::to_string(most);
        }
    }
    return {};
}

std::string checkTuplesAgainstTask(const DetectRequest& r, const DetectNames& names) {
    const std::string task = std::string(names[DetectSetting::Task]) + " " + detectTaskName(r.task);
    if (!isTuplesTask(r.task)) {
        if (r.tuples.empty()) return {};
        return std::string(names[DetectSetting::Tuples]) + " goes with " + names[DetectSetting::Task] +
               " tuples-detection or tuples-recognition";
    }
    if (r.tuples.empty()) return task + " needs its tuples: give them with " + names[DetectSetting::Tuples];
    for (const std::vector<int32_t>& tuple : r.tuples) {
        const bool numbered = std::all_of(tuple.begin(), tuple.end(), [](int32_t e) { return e >= 1; });
        if (tuple.empty() || !numbered)
            return std::string(names[DetectSetting::Tuples]) +
                   " must list etalon numbers from 1 in every tuple";
    }
    if (r.task == TASK_TUPLES_DETECTION && r.tuples.size() != 1)
        return task + " looks for one tuple; " + names[DetectSetting::Tuples] + " gives " +
               std::to_string(r.tuples.size());
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
    const std::string said =
        std::string(names[DetectSetting::Count]) + " " + std::to_string(count) + " admits no chain: ";
    if (count < implied || count > holds) return said + bounds;
    const auto N = static_cast<int64_t>(s.series.size()), n = shortestEtalon(s);
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
                return std::string(names[DetectSetting::Tuples]) + " names etalon " + std::to_string(number) +
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

// The searches a run makes: one in joint detection, one per etalon in recognition, one per tuple and
// phase in the tuples tasks (every phase with a known count).
int64_t searchCount(const DetectRequest& r, std::size_t etalons) {
    if (r.task == TASK_RECOGNITION) return static_cast<int64_t>(etalons);
    if (!isTuplesTask(r.task)) return 1;
    int64_t searches = 0;
    for (const std::vector<int32_t>& tuple : r.tuples) searches += r.count ? std::ssize(tuple) : 1;
    return searches;
}

// The ranked chains kept beside the best one: up to --chains of them, each of up to `most` pulses.
int64_t rankedChainBytes(const DetectRequest& r, std::size_t etalons, int most) {
    const int64_t kept = std::min<int64_t>(r.chains, searchCount(r, etalons));
    return (kept - 1) * most * static_cast<int64_t>(sizeof(FoundPulse));
}

// The tables that grow with more than the series' length: one per pulse with the count constrained,
// one per tuple element with the count free, and the ranked chains beyond the best. Refused beyond
// what a run may take; what grows with the length alone is left to the memory there is.
std::string checkWorkingMemory(const DetectRequest& r, const DetectSamples& s, const DetectNames& names,
                               int least, int most) {
    const ChainGeometry g = detectGeometry(r, s, least, most);
    const int64_t states = longestTuple(r);
    const int64_t ranked = rankedChainBytes(r, s.etalons.size(), most);
    const int64_t bytes = chainTableBytes(g, states) + ranked;
    const int64_t beyondLength = g.countFree ? bytes - chainTableBytes(g, 1) : bytes;
    if (beyondLength <= CHAIN_TABLE_LIMIT) return {};
    const auto mib = [](int64_t b) { return std::to_string((b + (int64_t{1} << 20) - 1) >> 20); };
    std::string text = "the run needs " + mib(bytes) + " MiB of working tables, more than the " +
                       mib(CHAIN_TABLE_LIMIT) + " MiB a detection takes: ";
    if (ranked > CHAIN_TABLE_LIMIT / 2)
        return text + "give fewer " + names[DetectSetting::Chains] + " (the ranked chains take " +
               mib(ranked) + " MiB)";
    if (!g.countFree)
        return text + "give a narrower " +
               (r.count ? names[DetectSetting::Count] : names[DetectSetting::CountRange]) + " or none";
    return text + "give shorter " + names[DetectSetting::Tuples];
}

// One score is rounded from a double, exact below 2^53; a chain's total stays clear of the 64-bit
// limits (and of the search's marks at them).
constexpr double SCORE_LIMIT = 9007199254740992.0;
constexpr double TOTAL_LIMIT = 9.0e18;

// The most a whole-etalon fit's gain term can weigh against its correlation term: the shape fit
// E - 2C, the gain fit g^2 E - 2 g C, the gain-offset fit about the means (|C'| <= 4 A max|x|).
struct ScoreTerms {
    double gain, correlation;
};

ScoreTerms scoreTerms(const DetectRequest& r, std::size_t n) {
    const double gain = std::max(std::abs(r.gainLeast), std::abs(r.gainMost));
    switch (r.fit) {
        case FitKind::Shape: return {1.0, 2.0};
        case FitKind::Gain: return {gain, 2.0};
        case FitKind::GainOffset: return {gain, 8.0};
        case FitKind::GainTrend: break;
    }
    // About the lines |C''| <= |e''| |x| <= sqrt(E) sqrt(n) max|x| <= A sqrt(n) max|x|.
    return {gain, 2.0 * std::sqrt(static_cast<double>(n))};
}

double greatestSample(const DetectSamples& s) {
    int64_t most = 0;
    for (const int16_t x : s.series) most = std::max<int64_t>(most, std::abs(int64_t{x}));
    return static_cast<double>(most);
}

// The energy E and the sum of magnitudes A of an etalon.
std::pair<double, double> etalonSums(const std::vector<int16_t>& etalon) {
    double energy = 0.0, magnitude = 0.0;
    for (const int16_t e : etalon) {
        energy += static_cast<double>(e) * e;
        magnitude += std::abs(static_cast<double>(e));
    }
    return {energy, magnitude};
}

// The greatest magnitude any one score can take: G^2 E + c G A max|x| over the etalons (a cut-off
// segment's sums are below its etalon's).
double scoreBound(const DetectRequest& r, const DetectSamples& s) {
    const double x = greatestSample(s);
    double bound = 0.0;
    for (const std::vector<int16_t>& etalon : s.etalons) {
        const ScoreTerms terms = scoreTerms(r, etalon.size());
        const auto [energy, magnitude] = etalonSums(etalon);
        bound = std::max(bound,
                         terms.gain * terms.gain * energy + terms.correlation * terms.gain * magnitude * x);
    }
    return bound;
}

// The greatest gain magnitude whose scores stay within SCORE_LIMIT on these samples.
double greatestGain(const DetectRequest& r, const DetectSamples& s) {
    const double x = greatestSample(s);
    double least = std::numeric_limits<double>::infinity();
    for (const std::vector<int16_t>& etalon : s.etalons) {
        const double c = scoreTerms(r, etalon.size()).correlation;
        const auto [energy, magnitude] = etalonSums(etalon);
        const double b = c * magnitude * x;
        const double g = energy > 0.0 ? (std::sqrt(b * b + 4.0 * energy * SCORE_LIMIT) - b) / (2.0 * energy)
                                      : SCORE_LIMIT / std::max(b, 1.0);
        least = std::min(least, g);
    }
    return least;
}

std::string decimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string gainText(const DetectRequest& r) { return decimal(r.gainLeast) + ".." + decimal(r.gainMost); }

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
        return std::string(names[DetectSetting::Task]) +
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
    for (std::size_t e = 0; e < s.etalons.size(); ++e) {
        const std::size_t n = s.etalons[e].size();
        if (n == 0) return "etalon " + std::to_string(e + 1) + " has no samples";
        if (n > DETECT_ETALON_LENGTH_LIMIT)
            return "etalon " + std::to_string(e + 1) + " has " + std::to_string(n) + " samples; at most " +
                   std::to_string(DETECT_ETALON_LENGTH_LIMIT) + " are taken";
    }
    return {};
}

std::string checkDetectCounts(const DetectRequest& r, const DetectSamples& s, const DetectNames& names,
                              int& least, int& most) {
    const auto N = static_cast<uint32_t>(s.series.size());
    const auto n = static_cast<uint32_t>(shortestEtalon(s));
    const auto longest = static_cast<uint32_t>(longestEtalon(s));
    // Without a greatest gap the gaps may span the series: its first and last pulse stand anywhere.
    const auto Tmin = static_cast<uint32_t>(r.tmin),
               Tmax = static_cast<uint32_t>(r.tmax.value_or(static_cast<int>(std::max<uint32_t>(N, Tmin))));
    const std::string series = "a series of " + std::to_string(N) + " samples" + inFile(names.seriesFile) +
                               " with etalons of " + std::to_string(n) + " samples" +
                               inFile(names.etalonsFile) + " and gaps " + std::to_string(Tmin) + ".." +
                               (r.tmax ? std::to_string(Tmax) : std::string());
    const std::string lengthText = (n < longest ? "up to " : "") + std::to_string(longest);
    if (longest > N)
        return "the etalons (" + lengthText + " samples)" + inFile(names.etalonsFile) +
               " are longer than the series (" + std::to_string(N) + " samples)" + inFile(names.seriesFile);
    if (r.tmax && longest > Tmax) {
        return "the etalons (" + lengthText + " samples) are longer than " + names[DetectSetting::Tmax] +
               " " + std::to_string(Tmax) + ": consecutive pulses would overlap beyond the greatest gap";
    }
    if (longest > Tmin) {
        return std::string(names[DetectSetting::Tmin]) + " " + std::to_string(Tmin) +
               " is below the etalons' length " + std::to_string(longest) +
               ": consecutive pulses would overlap, each scored as if alone, so the same samples would be "
               "explained more than once; give " +
               names[DetectSetting::Tmin] + " " + std::to_string(longest) + " or more";
    }
    // Without a greatest gap a chain may hold no pulse; with one, the gaps must span the series.
    const int implied = r.tmax ? static_cast<int>(leastPulseCount(N, n, Tmax)) : 0;
    const auto holds = static_cast<int>(mostPulseCount(N, n, Tmin));
    const std::string bounds =
        series + " holds " + std::to_string(implied) + ".." + std::to_string(holds) + " pulses";
    int first = implied, last = holds;
    if (implied > holds && !(r.countRange && r.countRange->first == 0))
        return "no pulse count admits a chain: " + series + " holds none";
    if (r.count) {
        first = last = *r.count;
        if (std::string error = checkKnownCount(*r.count, bounds, series, implied, holds, r, s, names);
            !error.empty())
            return error;
    } else if (r.countRange) {
        std::tie(first, last) = *r.countRange;
        // Counting from 0 admits the empty chain whatever the gaps.
        if ((first < implied && first > 0) || last > holds) {
            return std::string(names[DetectSetting::CountRange]) + " " + std::to_string(first) + ".." +
                   std::to_string(last) + " admits no chain: " + bounds;
        }
    }
    if (std::string error = checkTupleNumbers(r, s.etalons.size(), names); !error.empty()) return error;
    if (std::string error = checkWorkingMemory(r, s, names, first, last); !error.empty()) return error;
    if (!r.automaticPenalty) {
        const int64_t penalty = std::llround(r.penalty.value_or(0.0));
        if (std::string error = checkTotalsFit(r, s, penalty, last, names); !error.empty()) return error;
    }
    least = first;
    most = last;
    return {};
}

ChainGeometry detectGeometry(const DetectRequest& r, const DetectSamples& s, int least, int most) {
    ChainGeometry g;
    g.samples = std::ssize(s.series);
    g.length = shortestEtalon(s);
    g.tmin = r.tmin;
    // Without a greatest gap any gap up to the series' length (and at least the least gap) is taken.
    g.tmax = r.tmax.value_or(static_cast<int>(std::max<int64_t>(g.samples, r.tmin)));
    g.least = least;
    g.most = most;
    const auto N = static_cast<uint32_t>(g.samples), n = static_cast<uint32_t>(g.length);
    // The free search keeps every count from the placement rules' least; counting from 0 only adds the
    // empty chain.
    g.countFree =
        !r.count &&
        (least == 0 || least == static_cast<int>(leastPulseCount(N, n, static_cast<uint32_t>(g.tmax)))) &&
        most == static_cast<int>(mostPulseCount(N, n, static_cast<uint32_t>(r.tmin)));
    return g;
}

int64_t shortestEtalon(const DetectSamples& s) noexcept {
    int64_t shortest = std::ssize(s.etalons.front());
    for (const std::vector<int16_t>& etalon : s.etalons) shortest = std::min(shortest, std::ssize(etalon));
    return shortest;
}

int64_t longestEtalon(const DetectSamples& s) noexcept {
    int64_t longest = 0;
    for (const std::vector<int16_t>& etalon : s.etalons) longest = std::max(longest, std::ssize(etalon));
    return longest;
}

std::string checkTotalsFit(const DetectRequest& r, const DetectSamples& s, int64_t penalty, int most,
                           const DetectNames& names) {
    const double bound = scoreBound(r, s);
    if (bound > SCORE_LIMIT) {
        return std::string(names[DetectSetting::Gain]) + " " + gainText(r) +
               " would let one pulse's score pass 2^53 with these etalons and samples: give bounds within -" +
               decimal(greatestGain(r, s)) + ".." + decimal(greatestGain(r, s));
    }
    const double perPulse = bound + static_cast<double>(penalty);
    if (static_cast<double>(most) * perPulse <= TOTAL_LIMIT) return {};
    if (penalty > 0 && static_cast<double>(most) * bound <= TOTAL_LIMIT) {
        return std::string(names[DetectSetting::Penalty]) + " " + std::to_string(penalty) + " with up to " +
               std::to_string(most) +
               " pulses could take a chain's total past 64 bits: give a cost of at most " +
               std::to_string(static_cast<int64_t>(TOTAL_LIMIT / static_cast<double>(most) - bound));
    }
    return "up to " + std::to_string(most) + " pulses could take a chain's total past 64 bits with these " +
           "samples: give a narrower " + names[r.count ? DetectSetting::Count : DetectSetting::CountRange] +
           (r.fit == FitKind::Shape ? std::string() : std::string(" or ") + names[DetectSetting::Gain]);
}

}  // namespace tessaline
