// Detection on own samples: the checks refuse what admits no run, naming the settings as the
// caller's user spells them, and leave the counts alone when they refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "detect/detection.h"
#include "platform/alloc.h"
#include "support/case_random.h"

namespace tessaline {
namespace {

constexpr DetectNames CHECK_NAMES = KEYWORD_NAMES;

DetectRequest gaps(int tmin, int tmax) {
    DetectRequest request;
    request.tmin = tmin;
    request.tmax = tmax;
    return request;
}

DetectRequest unbounded(int tmin) {
    DetectRequest request;
    request.tmin = tmin;
    return request;
}

TEST(DetectionChecksTest, RequestRefusalsNameTheSetting) {
    const auto with = [](auto change) {
        DetectRequest request = gaps(10, 20);
        change(request);
        return request;
    };
    const struct {
        DetectRequest request;
        const char* said;  // empty: accepted
    } cases[] = {
        {gaps(10, 20), ""},
        {gaps(0, 20), "tmin 0 is not in 1..2147483647"},
        {gaps(10, 0), "tmax 0 is not in 1..2147483647"},
        {gaps(21, 20), "tmin 21 is above tmax 20"},
        {with([](DetectRequest& r) { r.energy = -1; }), "energy -1 is not in 0..100"},
        {with([](DetectRequest& r) { r.chains = 1001; }), "chains 1001 is not in 1..1000"},
        {with([](DetectRequest& r) {
             r.countRange = std::pair{5, 4};
         }),
         "count_range must be"},
        {with([](DetectRequest& r) {
             r.count = 3, r.countRange = std::pair{1, 4};
         }),
         "give count or count_range"},
        {with([](DetectRequest& r) { r.tuples = {{1}}; }), "tuples goes with task"},
        {with([](DetectRequest& r) { r.task = TASK_TUPLES_RECOGNITION; }), "needs its tuples"},
        {with([](DetectRequest& r) {
             r.task = TASK_TUPLES_RECOGNITION, r.tuples = {{1, 0}};
         }),
         "from 1"},
        {with([](DetectRequest& r) {
             r.task = TASK_TUPLES_DETECTION, r.tuples = {{1}, {2}};
         }),
         "one tuple"},
        {with([](DetectRequest& r) { r.task = 99; }), "task must be"},
    };
    for (const auto& c : cases) {
        const std::string said = checkDetectRequest(c.request, CHECK_NAMES);
        if (c.said[0] == '\0') {
            EXPECT_EQ(said, "");
        } else {
            EXPECT_NE(said.find(c.said), std::string::npos) << said << " / " << c.said;
        }
    }
}

TEST(DetectionChecksTest, SamplesAndCountsThatAdmitNoChainAreRefused) {
    const DetectSamples samples{std::vector<int16_t>(100),
                                {std::vector<int16_t>(10), std::vector<int16_t>(10)}};
    const auto counted = [](std::optional<int> count, std::optional<std::pair<int, int>> range) {
        DetectRequest request = gaps(10, 20);
        request.count = count;
        request.countRange = range;
        return request;
    };
    const struct {
        DetectRequest request;
        const char* said;
        int least, most;  // the counts when accepted
    } cases[] = {
        {counted(std::nullopt, std::nullopt), "", 5, 10},
        {counted(7, std::nullopt), "", 7, 7},
        {counted(std::nullopt, std::pair{6, 8}), "", 6, 8},
        {counted(11, std::nullopt), "count 11 admits no chain: a series of 100 samples", 0, 0},
        {counted(std::nullopt, std::pair{4, 8}), "count_range 4..8 admits no chain", 0, 0},
        {gaps(10, 9), "longer than tmax 9", 0, 0},
        {counted(std::nullopt, std::pair{5, 10}), "", 5, 10},
        {counted(std::nullopt, std::pair{1, 60000}), "count_range 1..60000 admits no chain", 0, 0},
        // Counting from 0 admits the empty chain, also where the gaps alone would ask for pulses.
        {counted(std::nullopt, std::pair{0, 3}), "", 0, 3},
        {unbounded(10), "", 0, 10},
        {gaps(5, 20), "tmin 5 is below the etalons' length 10: consecutive pulses would overlap", 0, 0},
        {unbounded(9), "give tmin 10 or more", 0, 0},
    };
    for (const auto& c : cases) {
        int least = 0, most = 0;
        const std::string said = checkDetectCounts(c.request, samples, CHECK_NAMES, least, most);
        EXPECT_NE(said.find(c.said), std::string::npos) << said << " / " << c.said;
        EXPECT_EQ(said.empty(), c.said[0] == '\0') << said;
        EXPECT_EQ(least, c.least) << c.said;
        EXPECT_EQ(most, c.most) << c.said;
    }
    const DetectSamples ragged{std::vector<int16_t>(100),
                               {std::vector<int16_t>(10), std::vector<int16_t>(9)}};
    EXPECT_EQ(checkDetectSamples(ragged), "");
    EXPECT_NE(checkDetectSamples({{}, ragged.etalons}).find("no samples"), std::string::npos);
    EXPECT_EQ(checkDetectSamples({ragged.series, {{1}, {}}}), "etalon 2 has no samples");
    EXPECT_NE(checkDetectSamples({std::vector<int16_t>(40000), {std::vector<int16_t>(32768)}})
                  .find("at most 32767"),
              std::string::npos);
}

// Six pulses of a short etalon, 30 samples apart, on a silent series; etalons scaled far above the
// pulses make every total large and positive.
DetectSamples sixPulses(int16_t etalonAmplitude) {
    DetectSamples samples{std::vector<int16_t>(200), {std::vector<int16_t>(4, etalonAmplitude)}};
    for (int p = 5; p < 180; p += 30) std::fill_n(samples.series.begin() + p, 4, int16_t{100});
    samples.etalons.push_back({etalonAmplitude, 0, 0, etalonAmplitude});
    return samples;
}

DetectResult detected(const DetectRequest& request, const DetectSamples& samples, DetectOutcome expected,
                      std::string* failure = nullptr, const std::atomic<bool>* cancel = nullptr) {
    DetectResult result;
    EXPECT_EQ(checkDetectCounts(request, samples, CHECK_NAMES, result.least, result.most), "");
    std::string said;
    EXPECT_EQ(runDetection(request, samples, result, said, cancel), expected) << said;
    if (failure != nullptr) *failure = said;
    return result;
}

TEST(DetectionRunTest, EveryWorkingTableThatCannotBeHadIsSaidAndCancelStops) {
    DetectRequest request = gaps(25, 35);
    request.task = TASK_RECOGNITION;
    request.energy = 50;
    const DetectSamples samples = sixPulses(100);
    const int64_t outstanding = memory::outstandingBlocks();
    const int64_t before = memory::allocationCalls();
    detected(request, samples, DetectOutcome::Done);
    const int64_t calls = memory::allocationCalls() - before;
    ASSERT_GT(calls, 2);
    std::vector<std::string> said;
    for (int64_t nth = 1; nth <= calls; ++nth) {
        const memory::FailureInjection failing(nth);
        std::string failure;
        DetectResult result;
        ASSERT_EQ(checkDetectCounts(request, samples, CHECK_NAMES, result.least, result.most), "");
        const DetectOutcome outcome = runDetection(request, samples, result, failure);
        if (outcome == DetectOutcome::Done) continue;
        EXPECT_EQ(outcome, DetectOutcome::OutOfMemory);
        EXPECT_EQ(failure.rfind("no memory for the ", 0), 0u) << failure;
        said.push_back(failure);
    }
    for (const char* table : {"no memory for the fit rows", "no memory for the chain tables"})
        EXPECT_NE(std::find(said.begin(), said.end(), table), said.end()) << table;
    EXPECT_EQ(memory::outstandingBlocks(), outstanding);

    const std::atomic<bool> cancel{true};
    detected(request, samples, DetectOutcome::Cancelled, nullptr, &cancel);

    const DetectResult result = detected(request, samples, DetectOutcome::Done);
    DetectPicture picture;
    std::string failure;
    {
        const memory::FailureInjection failing(1, true);
        EXPECT_FALSE(makeDetectPicture(samples, result, 0, 99, picture, failure));
    }
    EXPECT_EQ(failure, "no memory for the picture's series record");
    DetectPicture stretch;
    ASSERT_TRUE(makeDetectPicture(samples, result, 30, 99, stretch, failure));
    ASSERT_EQ(stretch.record->wFoundPulses, 3);  // the pulses at 35, 65 and 95; 125 lies past the stretch
    EXPECT_EQ(stretch.record->lpFoundPositions[0], 5);
}

// A picture keeps its own etalons: its record reads the samples the picture was made from even
// after those samples are gone, or have been refilled by the caller.
TEST(DetectionRunTest, PictureOwnsTheEtalonsItsRecordReads) {
    DetectRequest request = gaps(25, 35);
    request.task = TASK_RECOGNITION;
    const DetectPicture picture = [&] {
        DetectSamples samples = sixPulses(100);
        const DetectResult result = detected(request, samples, DetectOutcome::Done);
        DetectPicture made;
        std::string failure;
        EXPECT_TRUE(makeDetectPicture(samples, result, 0, 99, made, failure)) << failure;
        for (std::vector<int16_t>& etalon : samples.etalons)
            std::fill(etalon.begin(), etalon.end(), int16_t{-7});
        return made;
    }();
    const DetectSamples original = sixPulses(100);
    ASSERT_TRUE(picture.record);
    ASSERT_EQ(picture.record->wEtalons, original.etalons.size());
    for (std::size_t e = 0; e < original.etalons.size(); ++e) {
        const PulseHeader& etalon = *picture.record->lpPulsesList[e];
        ASSERT_EQ(etalon.wSize, original.etalons[e].size());
        EXPECT_TRUE(std::equal(original.etalons[e].begin(), original.etalons[e].end(), etalon.lpData))
            << "etalon " << e + 1;
    }
}

// Positions where no pulse may stand are skipped by every search, and a chain that cannot avoid them
// does not exist.
TEST(DetectionRunTest, NoPulseStandsWhereItsFitIsRefused) {
    const int64_t X = NO_PULSE;
    const std::vector<int64_t> row = {5, X, -10, X, -3, -8, X, -1, X, -2};
    const int64_t* rows[] = {row.data()};
    const struct {
        ChainGeometry geometry;
        SearchOutcome outcome;
        std::vector<int32_t> positions;
    } cases[] = {
        {{10, 1, 1, 10, 1, 10, true}, SearchOutcome::Found, {2, 4, 5, 7, 9}},
        {{10, 1, 2, 10, 1, 5, true}, SearchOutcome::Found, {2, 5, 7, 9}},
        {{10, 1, 2, 2, 5, 5, false}, SearchOutcome::NoChain, {}},  // 0, 2, ..., 8 or 1, 3, ..., 9
        {{10, 1, 3, 3, 3, 3, false}, SearchOutcome::NoChain, {}},  // 1, 4, 7 or 2, 5, 8
        {{10, 1, 3, 4, 3, 3, false}, SearchOutcome::Found, {2, 5, 9}},
    };
    for (const auto& c : cases) {
        ChainFound found;
        SCOPED_TRACE(testing::Message() << "gaps " << c.geometry.tmin << ".." << c.geometry.tmax);
        ASSERT_EQ(searchChain(c.geometry, rows, 0, nullptr, found), c.outcome);
        EXPECT_EQ(found.positions, c.positions);
    }
}

}  // namespace
}  // namespace tessaline

namespace tessaline {
namespace {

// Scores and totals are proven inside 64 bits before a run, or the run is refused naming the
// setting to change; the ranked chains count in the working memory.
TEST(DetectionChecksTest, TotalsThatCouldPass64BitsAndRankedChainsPastTheLimitAreRefused) {
    // A full-scale etalon on a full-scale series; 15,000 places for pulses.
    DetectSamples samples{std::vector<int16_t>(150000, 32767), {std::vector<int16_t>(10, 32767)}};
    samples.series[0] = -32768;
    const auto request = [](auto change) {
        DetectRequest r = unbounded(10);
        r.fit = FitKind::GainOffset;
        change(r);
        return r;
    };
    const struct {
        DetectRequest request;
        const char* said;
    } cases[] = {
        {request([](DetectRequest&) {}), ""},
        {request([](DetectRequest& r) { r.gainLeast = r.gainMost = 1e6; }),
         "gain 1e+06..1e+06 would let one pulse's score pass 2^53"},
        {request([](DetectRequest& r) { r.penalty = 1e15; }),
         "penalty 1000000000000000 with up to 15000 pulses could take a chain's total past 64 bits"},
        {request([](DetectRequest& r) {
             r.penalty = 1e15;
             r.countRange = std::pair{0, 600};
         }),
         ""},
    };
    for (const auto& c : cases) {
        int least = 0, most = 0;
        const std::string said = checkDetectCounts(c.request, samples, CHECK_NAMES, least, most);
        EXPECT_NE(said.find(c.said), std::string::npos) << said << " / " << c.said;
        EXPECT_EQ(said.empty(), c.said[0] == '\0') << said << " / " << c.said;
    }
    // A thousand candidate tuples, each its best chain of up to 100,000 pulses kept for the ranking.
    DetectRequest ranked = unbounded(10);
    ranked.task = TASK_TUPLES_RECOGNITION;
    ranked.tuples.assign(1000, {1});
    ranked.chains = 1000;
    int least = 0, most = 0;
    const DetectSamples longSeries{std::vector<int16_t>(1000000), {std::vector<int16_t>(10, 1)}};
    EXPECT_NE(checkDetectCounts(ranked, longSeries, CHECK_NAMES, least, most)
                  .find("give fewer chains (the ranked "),
              std::string::npos);
    ranked.chains = 10;
    EXPECT_EQ(checkDetectCounts(ranked, longSeries, CHECK_NAMES, least, most), "");
}

// Pulses of two shapes, some smaller than others, in uniform noise: the automatic cost finds every
// pulse; noise alone holds no pulse; and a series scaled by 0.3 or 3 gives the same
// pulses (the scale of the cost follows the samples').
TEST(DetectionRunTest, AutomaticCostFindsThePulsesAndNothingInNoiseAlone) {
    cases::CaseRandom random(34);
    const auto recording = [&](double scale, bool pulses) {
        DetectSamples s{std::vector<int16_t>(20000), {std::vector<int16_t>(30), std::vector<int16_t>(30)}};
        for (int t = 0; t < 30; ++t) {  // a narrow bump and a wide dip
            s.etalons[0][t] = static_cast<int16_t>(3000.0 * std::exp(-std::pow((t - 15) / 3.0, 2.0)));
            s.etalons[1][t] = static_cast<int16_t>(-2500.0 * std::exp(-std::pow((t - 15) / 8.0, 2.0)));
        }
        for (int16_t& x : s.series)
            x = static_cast<int16_t>(scale * static_cast<double>(random.between(-500, 500)));
        for (int p = 100; pulses && p + 30 < 20000; p += 250) {
            const std::vector<int16_t>& e = s.etalons[static_cast<std::size_t>(p / 250 % 2)];
            const double gain = p / 250 % 3 == 0 ? 0.6 : 1.1;
            for (std::size_t t = 0; t < e.size(); ++t)
                s.series[p + t] = static_cast<int16_t>(s.series[p + t] + scale * gain * e[t]);
        }
        return s;
    };
    DetectRequest request = unbounded(30);
    request.fit = FitKind::GainOffset;
    request.gainLeast = 0.1;
    request.gainMost = 10.0;
    request.automaticPenalty = true;
    std::vector<int> expected;
    for (int p = 100; p + 30 < 20000; p += 250) expected.push_back(p);
    // Found pulses within 2 samples of a placed one, and of those with its etalon.
    const auto matched = [&](const DetectResult& r, bool labelled) {
        return std::count_if(r.pulses.begin(), r.pulses.end(), [&](const FoundPulse& p) {
            const int placed = 100 + (p.position + 25) / 250 * 250;
            return std::abs(p.position - placed) <= 2 && (!labelled || p.etalon == 1 + placed / 250 % 2);
        });
    };
    std::vector<std::vector<int>> positions;
    for (const double scale : {1.0, 0.3, 3.0}) {
        SCOPED_TRACE(scale);
        const DetectResult result = detected(request, recording(scale, true), DetectOutcome::Done);
        EXPECT_EQ(matched(result, false), std::ssize(expected));
        EXPECT_GE(matched(result, true), std::ssize(expected) * 95 / 100);
        // The cost lets false pulses be about one in twenty of those found.
        EXPECT_LE(std::ssize(result.pulses), std::ssize(expected) * 106 / 100);
        positions.emplace_back();
        for (const FoundPulse& p : result.pulses) {
            if (std::abs(p.position - 100 - (p.position + 25) / 250 * 250) <= 2)
                positions.back().push_back(p.position);
        }
        ASSERT_TRUE(result.noise);
        EXPECT_NEAR(*result.noise / scale, 500.0 / std::sqrt(3.0), 60.0);
    }
    // The scaled series give the same placed pulses, but for a shift of a sample or two where the rounding of
    // the samples tips a wide pulse's best start.
    for (std::size_t k = 1; k < positions.size(); ++k) {
        const auto near = [&](int p) {
            return std::any_of(positions[0].begin(), positions[0].end(),
                               [p](int q) { return std::abs(p - q) <= 2; });
        };
        EXPECT_GE(std::count_if(positions[k].begin(), positions[k].end(), near),
                  std::ssize(expected) * 97 / 100)
            << "scale " << k;
    }
    const DetectResult silent = detected(request, recording(1.0, false), DetectOutcome::Done);
    EXPECT_TRUE(silent.pulses.empty());
    EXPECT_EQ(silent.least, 0);
    ASSERT_EQ(silent.chains.size(), 1u);
    EXPECT_EQ(silent.chains[0].distance, 0);
}

}  // namespace
}  // namespace tessaline
