// Detection on own samples is exact: on random series and etalons (every task, counts free, known
// and within ranges, Tmin = Tmax, etalons far above and below the pulses, the four series formats)
// the command line's every chain keeps the count range and the placement rules, its distance is
// the sum of its pulses' scores, each score is its segment's fit, and the chains' distances are
// the exact optima of a plain reference; a range that admits no chain is refused.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "support/case_random.h"
#include "support/cli_run.h"
#include "support/detect_reference.h"

namespace tessaline {
namespace {

using reference::Samples;
using ExactJson = nlohmann::json;

struct RandomCase {
    Samples series;
    std::vector<Samples> etalons;
    int tmin = 0, tmax = 0, energy = 100, chains = 1;
    bool bounded = true;  // a greatest gap is given
    std::string task, fit = "shape";
    double gainLeast = 0.25, gainMost = 4.0;
    int64_t penalty = 0;
    std::vector<std::vector<int>> tuples;
    std::optional<int> count;
    std::optional<std::pair<int, int>> range;
};

int64_t shortest(const RandomCase& c) {
    std::size_t n = c.etalons.front().size();
    for (const Samples& etalon : c.etalons) n = std::min(n, etalon.size());
    return static_cast<int64_t>(n);
}

int longest(const std::vector<Samples>& etalons) {
    std::size_t n = 0;
    for (const Samples& etalon : etalons) n = std::max(n, etalon.size());
    return static_cast<int>(n);
}

reference::Placement placementOf(const RandomCase& c) {
    const auto N = static_cast<int64_t>(c.series.size());
    return {N, shortest(c), c.tmin, c.bounded ? c.tmax : N};
}

// The score a pulse of the etalon gets at the position by the case's fit (the shape fit's segment
// given), with the pulse's cost.
int64_t pulseScore(const RandomCase& c, const Samples& etalon, int64_t position, int first, int last) {
    if (c.fit == "shape") return reference::segmentScore(c.series, etalon, position, first, last) + c.penalty;
    if (c.fit == "gain-trend")
        return reference::trendFit(c.series, etalon, position, c.gainLeast, c.gainMost) + c.penalty;
    return reference::gainFit(c.series, etalon, position, c.gainLeast, c.gainMost, c.fit == "gain-offset") +
           c.penalty;
}

int16_t clamped(int64_t value) { return static_cast<int16_t>(std::clamp<int64_t>(value, -32768, 32767)); }

std::vector<std::vector<int>> randomTuples(cases::CaseRandom& random, int count, int etalons) {
    std::vector<std::vector<int>> tuples(static_cast<std::size_t>(count));
    for (std::vector<int>& tuple : tuples) {
        tuple.resize(static_cast<std::size_t>(random.between(1, 4)));
        for (int& number : tuple) number = static_cast<int>(random.between(1, etalons));
    }
    return tuples;
}

// Pulses of the etalons, scaled far below or above them, at a chain of starts, in noise.
Samples randomSeries(cases::CaseRandom& random, const RandomCase& c, int64_t samples) {
    constexpr int64_t noises[] = {0, 5, 100, 3000};
    constexpr double scales[] = {0.02, 0.3, 1.0, 3.0, 40.0};
    const int64_t noise = noises[random.between(0, 3)];
    const double scale = scales[random.between(0, 4)];
    Samples series(static_cast<std::size_t>(samples));
    for (int16_t& x : series) x = clamped(random.between(-noise, noise));
    for (int64_t at = random.between(0, c.tmax - longest(c.etalons)); at + longest(c.etalons) <= samples;
         at += random.between(c.tmin, c.tmax)) {
        const Samples& e = c.etalons[static_cast<std::size_t>(random.between(0, std::ssize(c.etalons) - 1))];
        for (int64_t t = 0; t < std::ssize(e); ++t)
            series[at + t] = clamped(series[at + t] + static_cast<int64_t>(e[t] * scale));
    }
    return series;
}

RandomCase randomCase(cases::CaseRandom& random) {
    RandomCase c;
    // Etalons of one length, or each of its own; pulses never overlap (Tmin at least the longest).
    const auto n = static_cast<int>(random.between(1, 8));
    const bool ragged = random.oneIn(3);
    constexpr int64_t amplitudes[] = {1, 30, 1000, 32767};
    const int64_t amplitude = amplitudes[random.between(0, 3)];
    c.etalons.resize(static_cast<std::size_t>(random.between(1, 4)));
    for (Samples& etalon : c.etalons) {
        etalon.resize(static_cast<std::size_t>(ragged ? random.between(1, 8) : n));
        for (int16_t& e : etalon) e = clamped(random.between(-amplitude, amplitude));
    }
    c.tmin = static_cast<int>(random.between(longest(c.etalons), 25));
    c.tmax = random.oneIn(4) ? c.tmin : static_cast<int>(random.between(c.tmin, 40));
    c.series = randomSeries(random, c, random.between(longest(c.etalons), 100));
    c.bounded = !random.oneIn(4);
    constexpr const char* fits[] = {"shape", "shape", "gain", "gain-offset", "gain-trend"};
    c.fit = fits[random.between(0, 4)];
    constexpr std::pair<double, double> gains[] = {{0.25, 4.0}, {0.5, 1.5}, {-2.0, 2.0}, {1.0, 1.0}};
    std::tie(c.gainLeast, c.gainMost) = gains[random.between(0, 3)];
    c.penalty = random.oneIn(2) ? 0 : random.between(0, 2000000);
    c.energy = c.fit != "shape" || random.oneIn(2) ? 100 : static_cast<int>(random.between(0, 99));
    c.chains = static_cast<int>(random.between(1, 5));
    constexpr const char* tasks[] = {"joint", "recognition", "tuples-detection", "tuples-recognition"};
    c.task = tasks[random.between(0, 3)];
    const auto etalons = static_cast<int>(c.etalons.size());
    if (c.task == "tuples-detection") c.tuples = randomTuples(random, 1, etalons);
    if (c.task == "tuples-recognition")
        c.tuples = randomTuples(random, static_cast<int>(random.between(1, 3)), etalons);
    const auto most = static_cast<int>(c.series.size() / c.tmin + 2);
    switch (random.between(0, 2)) {
        case 1: c.count = static_cast<int>(random.between(1, most)); break;
        case 2: {
            const auto least = static_cast<int>(random.between(0, most));
            c.range = std::pair{least, static_cast<int>(random.between(least, most))};
            break;
        }
        default: break;
    }
    return c;
}

// --- Files in the four series formats -------------------------------------------------------

// The numbers separated by `separator`.
template <typename Numbers>
std::string joined(const Numbers& numbers, char separator) {
    std::string text;
    for (const auto number : numbers) {
        if (!text.empty()) text += separator;
        text += std::to_string(number);
    }
    return text;
}

std::string littleEndian(uint64_t value, int bytes) {
    std::string text;
    for (int b = 0; b < bytes; ++b) text += static_cast<char>((value >> (8 * b)) & 0xFF);
    return text;
}

std::string seriesBytes(const Samples& series, int format) {
    std::string body;
    switch (format) {
        case 0:
            for (const int16_t x : series) body += std::to_string(x) + "\n";
            return body;
        case 1: return joined(series, ',').append("\n");
        case 2: {
            for (const int16_t x : series) body += littleEndian(static_cast<uint16_t>(x), 2);
            const std::string fmt = littleEndian(1, 2) + littleEndian(1, 2) + littleEndian(8000, 4) +
                                    littleEndian(16000, 4) + littleEndian(2, 2) + littleEndian(16, 2);
            const std::string wave =
                "WAVEfmt " + littleEndian(16, 4) + fmt + "data" + littleEndian(body.size(), 4) + body;
            return "RIFF" + littleEndian(wave.size(), 4) + wave;
        }
        default: {
            for (const int16_t x : series) body += littleEndian(static_cast<uint32_t>(int32_t{x}), 4);
            const std::string header = "{'descr': '<i4', 'fortran_order': False, 'shape': (" +
                                       std::to_string(series.size()) + ",), }\n";
            return std::string("\x93NUMPY\x01\x00", 8) + littleEndian(header.size(), 2) + header + body;
        }
    }
}

std::string writeCaseFile(const std::string& name, const std::string& bytes) {
    const std::string path = testing::TempDir() + "tessaline_exact_" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// The files are named after the test (`tag`): tests may run side by side.
std::vector<std::string> argumentsOf(const RandomCase& c, int format, const std::string& tag) {
    std::string etalons;
    for (const Samples& etalon : c.etalons) etalons.append(joined(etalon, ',')).append("\n");
    std::vector<std::string> args = {
        "detect",
        "--series",
        writeCaseFile(tag + "_series", seriesBytes(c.series, format)),
        "--etalons",
        writeCaseFile(tag + "_etalons.csv", etalons),
        "--tmin",
        std::to_string(c.tmin),
        "--fit",
        c.fit,
        "--gain=" + std::to_string(c.gainLeast) + ".." + std::to_string(c.gainMost),
        "--penalty",
        std::to_string(c.penalty),
        "--task",
        c.task,
        "--energy",
        std::to_string(c.energy),
        "--chains",
        std::to_string(c.chains),
        "--json"};
    std::string tuples;
    for (const std::vector<int>& tuple : c.tuples) {
        if (!tuples.empty()) tuples += ';';
        tuples += joined(tuple, ',');
    }
    if (!tuples.empty()) args.insert(args.end(), {"--tuples", tuples});
    if (c.bounded) args.insert(args.end(), {"--tmax", std::to_string(c.tmax)});
    if (c.count) args.insert(args.end(), {"--count", std::to_string(*c.count)});
    if (c.range)
        args.insert(args.end(), {"--count-range",
                                 std::to_string(c.range->first) + ".." + std::to_string(c.range->second)});
    return args;
}

// --- What the reference expects ---------------------------------------------------------------

// One search the task makes: its candidate (etalon or tuple number, 0 in joint), its etalons in
// turn from the phase, and its best total.
struct Expected {
    int candidate, phase;
    std::vector<int> etalons;
    std::optional<int64_t> total;
};

std::vector<int64_t> fitRow(const RandomCase& c, const std::vector<int>& numbers) {
    std::vector<const Samples*> etalons;
    for (const int number : numbers) etalons.push_back(&c.etalons[static_cast<std::size_t>(number - 1)]);
    // Every row covers the shortest etalon's positions; where none of its etalons ends within the
    // series no pulse stands.
    constexpr int64_t NONE = std::numeric_limits<int64_t>::max();
    std::vector<int64_t> row;
    for (int64_t k = 0; k + shortest(c) <= std::ssize(c.series); ++k) {
        const bool fits = std::any_of(etalons.begin(), etalons.end(), [&](const Samples* e) {
            return k + std::ssize(*e) <= std::ssize(c.series);
        });
        if (!fits) {
            row.push_back(NONE);
        } else if (c.fit == "shape") {
            row.push_back(reference::bestFit(c.series, etalons, c.energy, k) + c.penalty);
        } else {
            int64_t best = NONE;
            for (const Samples* etalon : etalons) {
                if (k + std::ssize(*etalon) <= std::ssize(c.series))
                    best = std::min(best, pulseScore(c, *etalon, k, 0, static_cast<int>(etalon->size()) - 1));
            }
            row.push_back(best);
        }
    }
    return row;
}

std::vector<Expected> expectedSearches(const RandomCase& c, const reference::Placement& placement, int least,
                                       int most) {
    std::vector<Expected> searches;
    const auto search = [&](int candidate, int phase, const std::vector<int>& etalons,
                            const std::vector<std::vector<int64_t>>& rows) {
        searches.push_back(
            {candidate, phase, etalons, reference::bestChainTotal(placement, rows, phase, least, most)});
    };
    if (c.task == "joint") {
        std::vector<int> all;
        for (int e = 1; e <= std::ssize(c.etalons); ++e) all.push_back(e);
        search(0, 0, {}, {fitRow(c, all)});
    } else if (c.task == "recognition") {
        for (int e = 1; e <= std::ssize(c.etalons); ++e) search(e, 0, {e}, {fitRow(c, {e})});
    } else {
        for (std::size_t t = 0; t < c.tuples.size(); ++t) {
            std::vector<std::vector<int64_t>> rows;
            for (const int e : c.tuples[t]) rows.push_back(fitRow(c, {e}));
            const int phases = c.count ? static_cast<int>(c.tuples[t].size()) : 1;
            for (int phase = 0; phase < phases; ++phase)
                search(static_cast<int>(t) + 1, phase, c.tuples[t], rows);
        }
    }
    return searches;
}

// The counts a chain may have under the placement rules: m pulses fit when (m - 1) Tmin gaps fit
// before the last start and m Tmax - n reaches the last window; without a greatest gap also none.
// The least is none when the gaps admit no count.
std::pair<std::optional<int>, int> admittedCounts(const RandomCase& c) {
    const auto N = static_cast<int64_t>(c.series.size()), n = shortest(c);
    std::optional<int> least;
    if (!c.bounded) least = 0;
    const auto most = static_cast<int>((N - n) / c.tmin + 1);
    for (int64_t m = 1; m <= most && !least; ++m) {
        if (m * c.tmax - n >= N - c.tmax) least = static_cast<int>(m);
    }
    return {least, most};
}

// Whether the checks take the counts asked for: from 0 (the empty chain) whatever the gaps, else
// from the least the gaps admit, up to the most.
bool countsAdmitted(const RandomCase& c, std::optional<int> fewest, int most, std::pair<int, int> asked) {
    if (asked.second > most) return false;
    if (c.range && asked.first == 0) return true;
    return fewest && asked.first >= *fewest;
}

// The etalons of a chain follow a search's etalons from its phase.
bool follows(const ExactJson& pulses, const Expected& search) {
    for (std::size_t j = 0; j < pulses.size() && !search.etalons.empty(); ++j) {
        const std::size_t at = (static_cast<std::size_t>(search.phase) + j) % search.etalons.size();
        if (pulses[j]["etalon"] != search.etalons[at]) return false;
    }
    return true;
}

void expectChainSound(const RandomCase& c, const reference::Placement& placement, const ExactJson& chain,
                      int least, int most) {
    const ExactJson& pulses = chain["pulses"];
    ASSERT_GE(static_cast<int>(pulses.size()), least);
    if (pulses.empty()) {
        EXPECT_EQ(chain["distance"], 0);
        return;
    }
    ASSERT_LE(static_cast<int>(pulses.size()), most);
    std::vector<int64_t> starts;
    int64_t sum = 0;
    for (const ExactJson& pulse : pulses) {
        const int64_t position = pulse["position"];
        const int first = pulse["segment"][0], last = pulse["segment"][1];
        const Samples& etalon = c.etalons.at(static_cast<std::size_t>(pulse["etalon"].get<int>() - 1));
        EXPECT_TRUE(reference::segmentAdmissible(etalon, c.energy, first, last)) << pulse;
        EXPECT_EQ(pulse["score"].get<int64_t>(), pulseScore(c, etalon, position, first, last));
        starts.push_back(position);
        sum += pulse["score"].get<int64_t>();
    }
    EXPECT_TRUE(reference::placementKept(placement, starts)) << chain;
    EXPECT_EQ(chain["distance"].get<int64_t>(), sum);
}

void expectExact(const RandomCase& c, const ExactJson& result, int least, int most) {
    const reference::Placement placement = placementOf(c);
    std::vector<Expected> searches = expectedSearches(c, placement, least, most);
    // A candidate without a chain (a longer etalon that cannot stand where the counts need it) is
    // passed over.
    std::erase_if(searches, [](const Expected& search) { return !search.total; });
    ASSERT_FALSE(searches.empty()) << "the reference found no chain";
    std::stable_sort(searches.begin(), searches.end(),
                     [](const Expected& a, const Expected& b) { return *a.total < *b.total; });
    const ExactJson& chains = result["chains"];
    ASSERT_EQ(chains.size(), std::min<std::size_t>(searches.size(), static_cast<std::size_t>(c.chains)));
    for (std::size_t i = 0; i < chains.size(); ++i) {
        SCOPED_TRACE("chain " + std::to_string(i + 1));
        expectChainSound(c, placement, chains[i], least, most);
        EXPECT_EQ(chains[i]["distance"].get<int64_t>(), *searches[i].total);
        const bool someSearch = std::any_of(searches.begin(), searches.end(), [&](const Expected& s) {
            return *s.total == chains[i]["distance"] && follows(chains[i]["pulses"], s);
        });
        EXPECT_TRUE(someSearch) << "its etalons follow no search of the task";
    }
    EXPECT_EQ(result["pulses"], chains[0]["pulses"]);
    const bool recognises =
        (c.task == "recognition" || c.task == "tuples-recognition") && !chains[0]["pulses"].empty();
    EXPECT_EQ(result["recognized"], recognises ? ExactJson(searches.front().candidate) : ExactJson());
}

TEST(DetectExactTest, EveryChainKeepsTheRangeAndTheBestIsTheExactOptimum) {
    cases::CaseRandom random(23);
    const int count = cases::randomCaseCount(400);
    int accepted = 0;
    for (int i = 0; i < count; ++i) {
        const RandomCase c = randomCase(random);
        const std::vector<std::string> args = argumentsOf(c, i % 4, "chains");
        std::string said;
        for (const std::string& arg : args) said += arg + " ";
        SCOPED_TRACE("case " + std::to_string(i) + ": " + said);
        const auto [fewest, most] = admittedCounts(c);
        const std::pair<int, int> asked =
            c.count ? std::pair{*c.count, *c.count} : c.range.value_or(std::pair{fewest.value_or(1), most});
        const CliOutcome outcome = runCommandLineOf(args);
        if (!countsAdmitted(c, fewest, most, asked)) {
            EXPECT_EQ(outcome.status, 2) << outcome.out;
            EXPECT_NE(outcome.err.find(" admits "), std::string::npos) << outcome.err;
            continue;
        }
        const std::vector<Expected> searches = expectedSearches(c, placementOf(c), asked.first, asked.second);
        if (std::none_of(searches.begin(), searches.end(),
                         [](const Expected& e) { return e.total.has_value(); })) {
            // Only etalons longer than the shortest, which cannot stand where the counts need them.
            EXPECT_EQ(outcome.status, 2) << outcome.out;
            EXPECT_NE(outcome.err.find("no chain of "), std::string::npos) << outcome.err;
            continue;
        }
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        const ExactJson result = ExactJson::parse(outcome.out);
        EXPECT_EQ(result["count_range"], (std::vector<int>{asked.first, asked.second}));
        expectExact(c, result, asked.first, asked.second);
        ++accepted;
    }
    EXPECT_GT(accepted, count / 3);
}

// Long sparse series (past the 16-bit positions) with the count free: the best chain is the optimum
// of a plain programme over positions, with and without a greatest gap.
TEST(DetectExactTest, LongSeriesFindTheOptimumOfThePlainProgramme) {
    cases::CaseRandom random(26);
    const int count = std::max(2, cases::randomCaseCount(400) / 200);
    for (int i = 0; i < count; ++i) {
        RandomCase c;
        c.etalons = {Samples{300, 900, -600, 200}, Samples{-500, 500, 500, -500}};
        c.tmin = static_cast<int>(random.between(20, 60));
        c.tmax = c.tmin + static_cast<int>(random.between(0, 150));
        c.bounded = i % 2 == 0;
        c.fit = i % 3 == 0 ? "gain-offset" : "shape";
        c.penalty = c.fit == "shape" ? 0 : 200000;
        c.task = "joint";
        c.series = randomSeries(random, c, random.between(33000, 50000));
        SCOPED_TRACE("case " + std::to_string(i) + ": " + std::to_string(c.series.size()) +
                     " samples, gaps " + std::to_string(c.tmin) + ".." +
                     (c.bounded ? std::to_string(c.tmax) : "") + ", fit " + c.fit);
        const CliOutcome outcome = runCommandLineOf(argumentsOf(c, 3, "long"));
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        const ExactJson result = ExactJson::parse(outcome.out);
        const std::optional<int64_t> best =
            reference::bestFreeChainTotal(placementOf(c), fitRow(c, {1, 2}), !c.bounded);
        ASSERT_TRUE(best);
        EXPECT_EQ(result["chains"][0]["distance"].get<int64_t>(), *best);
        expectChainSound(c, placementOf(c), result["chains"][0], 0, std::numeric_limits<int>::max());
    }
}

}  // namespace
}  // namespace tessaline
