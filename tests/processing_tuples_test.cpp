// The tuples algorithms, production and reference alike, on hand-made series: tuple bounds for
// every phase, ties between phases and candidates, the tuple of one etalon against joint
// detection, tuples longer than the most pulses, chains that cannot end, unusable tuples, the
// diagnostic texts; and every allocation failure of the reference versions.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/processing_scene.h"
#include "tests/support/result_comparison.h"
#include "tests/support/tuple_cases.h"

namespace tessaline {
namespace {

using cases::List;
using cases::Shape;
using Tuple = std::vector<int32_t>;
using Bounds = std::vector<std::pair<int, int>>;

// Scenes for the tuples algorithms: the proceeding mode and the diagnostics flag given with each
// run, the found tuple bounds read back.
class TuplesScene : public cases::ProcessingScene {
protected:
    TuplesInput input(uint16_t proceeding = 1, uint16_t level = 100) {
        return {alphabet, proceeding, series->wTmin, series->wTmax, level, withFlag ? &flag : nullptr};
    }

    int detectKnown(const Tuple& tuple, uint16_t proceeding = 1) {
        return run().detectKnownTuples(window, input(proceeding), tuple, chains, *series);
    }
    int detectUnknown(const Tuple& tuple) {
        return run().detectUnknownTuples(window, input(), tuple, chains, *series);
    }
    // Candidate tuples; a size given beside a tuple overrides its own, a null row is kept null.
    int recognize(bool known, const std::vector<Tuple>& tuples, uint16_t proceeding = 1,
                  std::vector<int32_t> sizes = {}, std::vector<const int32_t*> rows = {}) {
        if (sizes.empty()) {
            for (const Tuple& t : tuples) sizes.push_back(static_cast<int32_t>(t.size()));
        }
        if (rows.empty()) {
            for (const Tuple& t : tuples) rows.push_back(t.data());
        }
        return (known ? run().recognizeKnownTuples : run().recognizeUnknownTuples)(
            window, input(proceeding), sizes, rows, chains, *series);
    }

    Bounds tuples() const {
        Bounds bounds;
        for (int i = 0; i < series->wFoundTuples; ++i)
            bounds.emplace_back(series->lpTupleFirsts[i], series->lpTupleLasts[i]);
        return bounds;
    }

    bool withFlag = false;
    int32_t flag = 0;
};

// Energies 600, 900 and 1000: each fits itself far better than the others.
const Shape A = {10, 20, 10};
const Shape B = {20, -10, 20};
const Shape C = {-10, -30, 0};
constexpr int EA = 600, EB = 900, EC = 1000;

class KnownTuplesScene : public TuplesScene {
protected:
    // Seven pulses 10 apart from position 5 (gaps 8..12), the shapes repeated in turn.
    void sevenPulses(const std::vector<const Shape*>& shapes) {
        setEtalons({A, B, C});
        newSeries(70, 3, 8, 12, 7);
        for (int j = 0; j < 7; ++j) place(5 + 10 * j, *shapes[static_cast<std::size_t>(j) % shapes.size()]);
        newChains();
    }
};

using KnownTuplesTest = cases::OnBothImplementations<KnownTuplesScene>;
RUN_ON_BOTH_IMPLEMENTATIONS(KnownTuplesTest);

TEST_P(KnownTuplesTest, CompleteProceedingTriesPhaseZeroOnly) {
    sevenPulses({&A, &B, &C});
    EXPECT_EQ(detectKnown({1, 2, 3}), 1);
    EXPECT_EQ(positions(), (List{5, 15, 25, 35, 45, 55, 65}));
    EXPECT_EQ(etalons(), (List{1, 2, 3, 1, 2, 3, 1}));
    EXPECT_EQ(tuples(), (Bounds{{1, 3}, {4, 6}, {7, 7}}));
    ASSERT_EQ(chains->wPretenders, 1);
    EXPECT_EQ(chains->distance[0], -(3 * EA + 2 * EB + 2 * EC));
    EXPECT_EQ(chains->wQuanPulses, 7);
    EXPECT_EQ(chains->wSeekingPulsesQuantity, 7);
    EXPECT_EQ(row(chains->pulsesList, 0), etalons());
    EXPECT_TRUE(window.messages().empty());
}

TEST_P(KnownTuplesTest, ShiftedProceedingFindsThePhaseAndCutsTheFirstTuple) {
    sevenPulses({&C, &A, &B});  // the tuple 1, 2, 3 from its third element
    series->wFoundSubset = 5;
    for (uint16_t proceeding : {2, 0, 3}) {  // every mode but 1 tries every phase
        EXPECT_EQ(detectKnown({1, 2, 3}, proceeding), 1);
        EXPECT_EQ(etalons(), (List{3, 1, 2, 3, 1, 2, 3})) << proceeding;
        EXPECT_EQ(tuples(), (Bounds{{1, 1}, {2, 4}, {5, 7}})) << proceeding;
        ASSERT_EQ(chains->wPretenders, 3);
        EXPECT_EQ(chains->distance[0], -(3 * EC + 2 * EA + 2 * EB));
        EXPECT_EQ(row(chains->pulsesList, 0), etalons());
        EXPECT_LE(chains->distance[1], chains->distance[2]);
    }
    EXPECT_EQ(series->wFoundSubset, 5);  // detection recognises no tuple

    // Phase 0 alone: the etalons follow the tuple from its first element.
    EXPECT_EQ(detectKnown({1, 2, 3}, 1), 1);
    EXPECT_EQ(etalons(), (List{1, 2, 3, 1, 2, 3, 1}));
    EXPECT_EQ(tuples(), (Bounds{{1, 3}, {4, 6}, {7, 7}}));
    EXPECT_EQ(chains->wPretenders, 1);
}

TEST_P(KnownTuplesTest, EqualPhasesKeepTheEarlierAndRecordBothEarlierFirst) {
    setEtalons({A, A});
    newSeries(40, 3, 10, 20, 3);
    place(2, A);
    place(15, A);
    place(30, A);
    newChains();
    EXPECT_EQ(detectKnown({1, 2}, 2), 1);
    EXPECT_EQ(etalons(), (List{1, 2, 1}));
    EXPECT_EQ(tuples(), (Bounds{{1, 2}, {3, 3}}));
    ASSERT_EQ(chains->wPretenders, 2);
    EXPECT_EQ(chains->distance[0], -3 * EA);
    EXPECT_EQ(chains->distance[1], -3 * EA);
    EXPECT_EQ(row(chains->pulsesList, 0), (List{1, 2, 1}));
    EXPECT_EQ(row(chains->pulsesList, 1), (List{2, 1, 2}));

    // Two candidate tuples of equal totals: the earlier is recognised, its phase 1 chain included.
    EXPECT_EQ(recognize(true, {{2, 1}, {1, 2}}, 2), 1);
    EXPECT_EQ(series->wFoundSubset, 1);
    EXPECT_EQ(etalons(), (List{2, 1, 2}));
    EXPECT_EQ(tuples(), (Bounds{{1, 2}, {3, 3}}));
    ASSERT_EQ(chains->wPretenders, 4);
    EXPECT_EQ(row(chains->pulsesList, 0), (List{2, 1, 2}));
    EXPECT_EQ(row(chains->pulsesList, 1), (List{1, 2, 1}));
    EXPECT_EQ(row(chains->pulsesList, 2), (List{1, 2, 1}));
    EXPECT_EQ(chains->wSeekingPulsesQuantity, 3);
}

TEST_P(KnownTuplesTest, TupleLongerThanTheSeriesTakesEveryPhase) {
    setEtalons({A, B, C});
    newSeries(30, 3, 15, 20, 2);
    ASSERT_EQ(series->wMaxPulses, 2);
    place(3, A);
    place(18, B);
    newChains();
    EXPECT_EQ(detectKnown({3, 3, 1, 2}, 2), 1);
    EXPECT_EQ(etalons(), (List{1, 2}));
    EXPECT_EQ(tuples(), (Bounds{{1, 2}}));  // phase 2 of a tuple of four: its first tuple ends at 2
    EXPECT_EQ(chains->wPretenders, 4);
}

TEST_P(KnownTuplesTest, RecognitionTakesTheStoredRangesAndSkipsUnusableTuples) {
    sevenPulses({&C, &A, &B});
    const Tuple good = {1, 2, 3};
    const Tuple unknownNumber = {1, 4, 3};
    EXPECT_EQ(recognize(true, {good, good, unknownNumber, good}, 2, {3, 0, 3, 3},
                        {nullptr, good.data(), unknownNumber.data(), good.data()}),
              4);
    EXPECT_EQ(series->wFoundSubset, 4);
    EXPECT_EQ(etalons(), (List{3, 1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(tuples(), (Bounds{{1, 1}, {2, 4}, {5, 7}}));
    EXPECT_EQ(chains->wPretenders, 3);  // the phases of the one usable tuple
    EXPECT_EQ(chains->wSeekingPulsesQuantity, 7);

    // A single candidate is recognised as 1; a narrow stored range moves the first pulse.
    setRange(0, 0, 3);
    EXPECT_EQ(recognize(true, {good}, 2), 1);
    EXPECT_EQ(positions()[0], 3);
    EXPECT_EQ(series->wFoundSubset, 1);
    // Detection works out its own ranges and does not look at the stored ones.
    EXPECT_EQ(detectKnown(good, 2), 1);
    EXPECT_EQ(positions()[0], 5);

    // Nothing usable: nothing offered, nothing recognised.
    EXPECT_EQ(recognize(true, {unknownNumber}), 0);
    EXPECT_EQ(series->wFoundPulses, 0);
    EXPECT_EQ(series->wFoundTuples, 0);
    EXPECT_EQ(series->wFoundSubset, 0);
    EXPECT_EQ(chains->wPretenders, 0);
    EXPECT_EQ(chains->wSeekingPulsesQuantity, 0);
    EXPECT_EQ(chains->wQuanPulses, 7);
}

// Fits of 5.4e7 on a series of -30000: above the known-count end threshold.
const Shape HEAVY_TUPLES = {300, 300, 300};

TEST_P(KnownTuplesTest, ChainsThatCannotEndOrUnusableTuplesGiveTheEmptyChain) {
    setEtalons({A, HEAVY_TUPLES, {1, 2}});  // etalon 3 is shorter than the pulses
    newSeries(40, 3, 10, 20, 2);
    newChains();
    fill(-30000);
    series->wFoundTuples = 4;
    EXPECT_EQ(detectKnown({2}), 1);
    EXPECT_EQ(series->wFoundPulses, 0);
    EXPECT_EQ(series->wFoundTuples, 0);
    ASSERT_EQ(chains->wPretenders, 1);
    EXPECT_EQ(chains->distance[0], 9999999);
    EXPECT_EQ(chains->pulsesNumber[0], 0);
    EXPECT_EQ(recognize(true, {{2}, {2, 2}}, 2), 0);
    EXPECT_EQ(chains->wPretenders, 3);
    EXPECT_EQ(chains->distance[2], 9999999);

    fill(0);
    place(4, A);
    place(20, A);
    for (const Tuple& unusable : {Tuple{}, Tuple{1, 0}, Tuple{1, -1}, Tuple{1, 4}, Tuple{3, 1}}) {
        series->wFoundTuples = 4;
        EXPECT_EQ(detectKnown(unusable, 2), 1);
        EXPECT_EQ(series->wFoundPulses, 0);
        EXPECT_EQ(series->wFoundTuples, 0);
        ASSERT_EQ(chains->wPretenders, 1);
        EXPECT_EQ(chains->distance[0], 9999999);
    }

    // The last pulse is reachable only without a predecessor: back-tracking finds no position.
    setEtalons({A});
    newSeries(40, 3, 10, 20, 2);
    place(1, A);
    place(30, A);
    setRange(0, 0, 2);
    setRange(1, 28, 32);
    EXPECT_EQ(recognize(true, {{1}}), 0);
    EXPECT_EQ(series->wFoundPulses, 0);
    EXPECT_EQ(chains->distance[0], 9999999);

    // No pulses to find.
    series->wImpulseQuantity = 0;
    EXPECT_EQ(detectKnown({1}), 1);
    EXPECT_EQ(series->wFoundPulses, 0);
    EXPECT_EQ(chains->distance[0], 9999999);
    EXPECT_TRUE(window.messages().empty());
}

// A tuple of one etalon is joint detection with that etalon alone, tuple by tuple one pulse (where
// joint detection with an unknown count finds a chain).
class TuplesOfOneEtalonTest : public testing::TestWithParam<const cases::Algorithms*> {};
RUN_ON_BOTH_IMPLEMENTATIONS(TuplesOfOneEtalonTest);

TEST_P(TuplesOfOneEtalonTest, FollowJointDetection) {
    const cases::Algorithms& run = *GetParam();
    int compared = 0;
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        cases::TupleCase c, joint;
        if (!cases::makeSmallTupleCase(seed, c) || !cases::makeSmallTupleCase(seed, joint)) continue;
        const PulseHeader& etalon = c.base.alphabet[static_cast<std::size_t>(c.made[0]) - 1];
        if (etalon.lpData == nullptr || etalon.wSize < c.series().wImpulseSize) continue;
        const Tuple tuple = {c.made[0]};
        const std::vector<uint16_t> candidates = {static_cast<uint16_t>(c.made[0])};
        SeriesHeader& s = c.series();
        HeadlessWindow window;
        ChainsHeader* tupleChains = getChainsHeader(window, 3, s.wMaxPulses, nullptr);
        ChainsHeader* jointChains = getChainsHeader(window, 3, s.wMaxPulses, nullptr);
        for (bool known : {true, false}) {
            TuplesInput in = c.input();
            ProcessingInput jointIn = joint.base.input();
            jointIn.candidates = candidates;
            if (known) {  // the series' own gaps, from which its admissible ranges were made
                in.Tmin = jointIn.Tmin = s.wTmin;
                in.Tmax = jointIn.Tmax = s.wTmax;
                run.detectKnownTuples(window, in, tuple, tupleChains, s);
                run.detectKnownPulses(window, jointIn, jointChains, joint.series());
            } else {
                run.detectUnknownTuples(window, in, tuple, tupleChains, s);
                run.detectUnknownPulses(window, jointIn, jointChains, joint.series());
            }
            SCOPED_TRACE(c.describe() + (known ? " known" : " unknown"));
            ASSERT_EQ(tupleChains->wPretenders, 1);
            ASSERT_EQ(jointChains->wPretenders, 1);
            const int64_t distance = tupleChains->distance[0];
            if (!known && distance >= 9999999) {
                EXPECT_EQ(joint.series().wFoundPulses, 0);
                EXPECT_EQ(jointChains->distance[0], 9999999);
                continue;
            }
            ++compared;
            EXPECT_EQ(distance, jointChains->distance[0]);
            const SeriesHeader& j = joint.series();
            ASSERT_EQ(s.wFoundPulses, j.wFoundPulses);
            ASSERT_EQ(s.wFoundTuples, s.wFoundPulses);
            for (int i = 0; i < s.wFoundPulses; ++i) {
                EXPECT_EQ(s.lpFoundPositions[i], j.lpFoundPositions[i]);
                EXPECT_EQ(s.lpFoundEtalonNumbers[i], j.lpFoundEtalonNumbers[i]);
                EXPECT_EQ(s.lpFoundCutBegins[i], j.lpFoundCutBegins[i]);
                EXPECT_EQ(s.lpFoundCutEnds[i], j.lpFoundCutEnds[i]);
                EXPECT_EQ(s.lpTupleFirsts[i], i + 1);
                EXPECT_EQ(s.lpTupleLasts[i], i + 1);
            }
        }
        freeChainsHeader(tupleChains);
        freeChainsHeader(jointChains);
    }
    EXPECT_GT(compared, 300);
}

// What a reference run writes into the series record does not depend on whether it is given a
// result record: the differential tests hold production runs without one to the reference run
// with one, so this premise is the reference's alone.
TEST(TuplesWithoutResultRecordTest, WriteTheSameSeriesResults) {
    const cases::TupleCaseRun runs[] = {
        cases::detectOn<literal::detectKnownTuples>,
        cases::recognizeOn<literal::recognizeKnownTuples>,
        cases::detectOn<literal::detectUnknownTuples>,
        cases::recognizeOn<literal::recognizeUnknownTuples>,
    };
    int made = 0;
    for (uint64_t seed = 1; seed <= 150; ++seed) {
        cases::TupleCase with, without;
        if (!cases::makeSmallTupleCase(seed, with) || !cases::makeSmallTupleCase(seed, without)) continue;
        ++made;
        HeadlessWindow withWindow, withoutWindow;
        ChainsHeader* chains = getChainsHeader(withWindow, 4, with.series().wMaxPulses, nullptr);
        for (cases::TupleCaseRun run : runs) {
            EXPECT_EQ(run(withWindow, with, chains), run(withoutWindow, without, nullptr));
            SCOPED_TRACE(with.describe());
            cases::Differences d;
            cases::compareSeries(d, with.series(), without.series());
            EXPECT_EQ(d.text(), "");
            EXPECT_EQ(with.flag, without.flag);
            ASSERT_EQ(withWindow.messages().size(), withoutWindow.messages().size());
        }
        freeChainsHeader(chains);
    }
    EXPECT_GT(made, 100);
}

// L = 30, n = 3, gaps 15..20: counts 1..2, start positions 0..14, start-or-continue 15..17,
// continue 18..27, last 10..27.
class UnknownTuplesScene : public TuplesScene {
protected:
    void twoPulses() {
        setEtalons({A, B, C});
        newSeries(30, 3, 15, 20, 1);
        ASSERT_EQ(series->wMinPulses, 1);
        ASSERT_EQ(series->wMaxPulses, 2);
        place(2, A);
        place(20, B);
        newChains();
    }
};

using UnknownTuplesTest = cases::OnBothImplementations<UnknownTuplesScene>;
RUN_ON_BOTH_IMPLEMENTATIONS(UnknownTuplesTest);

TEST_P(UnknownTuplesTest, ChainFollowsTheTupleLayersWithDiagnostics) {
    twoPulses();
    withFlag = true;
    flag = 1;
    EXPECT_EQ(detectUnknown({1, 2}), 1);
    EXPECT_EQ(positions(), (List{2, 20}));
    EXPECT_EQ(etalons(), (List{1, 2}));
    EXPECT_EQ(tuples(), (Bounds{{1, 2}}));
    ASSERT_EQ(chains->wPretenders, 1);
    EXPECT_EQ(chains->distance[0], -(EA + EB));
    EXPECT_EQ(chains->wQuanPulses, 0);
    EXPECT_EQ(chains->wSeekingPulsesQuantity, 2);
    EXPECT_EQ(flag, 0);

    // Layer 0 at the start positions: the pulse at 2 fits -600, its neighbours -200, the rest
    // +400 or +600. In the overlap layer 0 starts afresh (600, no predecessor); layer 1 is out at
    // 15 and follows the negative totals at 1 and 2 at 16 and 17.
    ASSERT_EQ(window.messages().size(), 2u);
    EXPECT_EQ(window.messages()[0].text,
              "omega_minus - omega_tilda:  [0..14] \n + - -600 - + + + + + + + + + + +\n ");
    EXPECT_EQ(window.messages()[1].text,
              "omega_minus x omega_tilda:  [15..17] \nl=1\n  + + +\n l=2\n  + +[1] +[2]\n ");
    for (const ShownMessage& message : window.messages()) {
        EXPECT_EQ(message.caption, " About TuplesDetection ");
        EXPECT_EQ(message.icon, MessageIcon::None);
    }

    // Cleared flag, null flag, and the known-count runs: no diagnostics, the flag left alone.
    window.clearRecords();
    EXPECT_EQ(detectUnknown({1, 2}), 1);
    withFlag = false;
    EXPECT_EQ(detectUnknown({1, 2}), 1);
    withFlag = true;
    flag = 1;
    EXPECT_EQ(detectKnown({1, 2}), 1);
    EXPECT_EQ(recognize(true, {{1, 2}}), 1);
    EXPECT_EQ(flag, 1);
    EXPECT_TRUE(window.messages().empty());

    // Recognition shows both texts for every candidate tuple.
    EXPECT_EQ(recognize(false, {{3}, {1, 2}, {2, 1}}), 2);
    EXPECT_EQ(window.messages().size(), 6u);
    EXPECT_EQ(flag, 0);
}

TEST_P(UnknownTuplesTest, TupleLongerThanTheMostPulsesUsesItsFirstElementsAsLayers) {
    twoPulses();
    withFlag = true;
    flag = 1;
    EXPECT_EQ(detectUnknown({1, 2, 3}), 1);
    EXPECT_EQ(etalons(), (List{1, 2}));
    EXPECT_EQ(tuples(), (Bounds{{1, 2}}));
    ASSERT_EQ(window.messages().size(), 2u);
    const std::string& layers = window.messages()[1].text;
    EXPECT_NE(layers.find("l=2\n"), std::string::npos);
    EXPECT_EQ(layers.find("l=3\n"), std::string::npos);
}

TEST_P(UnknownTuplesTest, RecognitionKeepsTheEarlierOfEqualTotalsAndSkipsUnusableTuples) {
    setEtalons({A, A, B});
    newSeries(30, 3, 15, 20, 1);
    place(2, A);
    place(20, A);
    newChains();
    const Tuple first = {1}, second = {2}, unknownNumber = {9};
    EXPECT_EQ(recognize(false, {unknownNumber, first, second, first}, 1, {1, 1, 1, 0}), 2);
    EXPECT_EQ(series->wFoundSubset, 2);
    EXPECT_EQ(etalons(), (List{1, 1}));
    ASSERT_EQ(chains->wPretenders, 2);
    EXPECT_EQ(row(chains->pulsesList, 0), (List{1, 1}));
    EXPECT_EQ(row(chains->pulsesList, 1), (List{2, 2}));
    EXPECT_EQ(chains->distance[0], chains->distance[1]);
    EXPECT_EQ(chains->wSeekingPulsesQuantity, 2);

    EXPECT_EQ(recognize(false, {second}), 1);  // one candidate
    EXPECT_EQ(etalons(), (List{2, 2}));
    EXPECT_EQ(series->wFoundSubset, 1);
    EXPECT_TRUE(window.messages().empty());
}

TEST_P(UnknownTuplesTest, TotalsUpToTheLimitAreAccepted) {
    // Fits of 5.4e7 on a series of -30000: no chain for joint detection, one pulse here.
    setEtalons({HEAVY_TUPLES});
    newSeries(30, 3, 15, 20, 1);
    fill(-30000);
    newChains();
    EXPECT_EQ(
        run().detectUnknownPulses(window, {alphabet, std::vector<uint16_t>{1}, 15, 20, 100}, chains, *series),
        1);
    EXPECT_EQ(series->wFoundPulses, 0);
    EXPECT_EQ(detectUnknown({1}), 1);
    EXPECT_EQ(positions(), (List{10}));  // the first position of the last set
    EXPECT_EQ(tuples(), (Bounds{{1, 1}}));
    ASSERT_EQ(chains->wPretenders, 1);
    EXPECT_EQ(chains->distance[0], 3 * 300 * (300 + 60000));
}

TEST_P(UnknownTuplesTest, NoEndBelowTheLimitGivesTheEmptyChain) {
    // Fits of 5.7e8 and 2.1e9 per pulse: above the detection limit 99999999.
    setEtalons({{3000, 3000, 3000}, {10000, 10000, 10000}});
    newSeries(30, 3, 15, 20, 1);
    newChains();
    fill(-30000);
    series->wFoundTuples = 3;
    EXPECT_EQ(detectUnknown({1}), 1);
    EXPECT_EQ(series->wFoundPulses, 0);
    EXPECT_EQ(series->wFoundTuples, 0);
    ASSERT_EQ(chains->wPretenders, 1);
    EXPECT_EQ(chains->distance[0], 99999999);
    EXPECT_EQ(chains->pulsesNumber[0], 0);
    EXPECT_EQ(chains->wSeekingPulsesQuantity, 0);

    // Recognition: 5.7e8 ends below 999999999, 2.1e9 does not.
    EXPECT_EQ(recognize(false, {{2}, {1}}), 2);
    EXPECT_EQ(series->wFoundPulses, 1);
    ASSERT_EQ(chains->wPretenders, 2);
    EXPECT_EQ(chains->distance[1], 999999999);
    EXPECT_EQ(recognize(false, {{2}}), 0);
    EXPECT_EQ(series->wFoundPulses, 0);
    EXPECT_EQ(series->wFoundSubset, 0);
    EXPECT_EQ(chains->distance[0], 999999999);

    // An unusable tuple: no pass, the empty chain all the same.
    fill(0);
    EXPECT_EQ(detectUnknown({1, 0}), 1);
    EXPECT_EQ(series->wFoundPulses, 0);
    ASSERT_EQ(chains->wPretenders, 1);
    EXPECT_EQ(chains->distance[0], 99999999);
    EXPECT_TRUE(window.messages().empty());
}

TEST_P(UnknownTuplesTest, LongDiagnosticTextIsCut) {
    // Counts 1..2 with gaps of 5999: a first pulse may stand at 0..5998, a later one at 5999 only.
    setEtalons({{1}});
    newSeries(6000, 1, 5999, 5999, 1);
    ASSERT_EQ(series->wMaxPulses, 2);
    withFlag = true;
    flag = 1;
    EXPECT_EQ(detectUnknown({1}), 1);
    ASSERT_EQ(window.messages().size(), 2u);
    const std::string& text = window.messages()[0].text;
    EXPECT_EQ(text.size(), 5000u + 3u);
    EXPECT_EQ(text.substr(0, 46), "omega_minus - omega_tilda:  [0..0]  [1..5998] ");
    EXPECT_EQ(text.substr(5000), "\xE2\x80\xA6");
    EXPECT_EQ(window.messages()[1].text, "omega_minus x omega_tilda: \nl=1\n \n ");
}

// Allocation failures stay with the reference versions: production reserves its working tables in
// another order, with messages of its own (see processing_workspace_test.cpp).
using ReferenceTuplesTest = TuplesScene;

struct TuplesRunFailureCase {
    const char* name;
    int nth;  // the allocation call that fails
    const char* message;
};

TEST_F(ReferenceTuplesTest, AllocationFailuresReportAndWriteNothing) {
    setEtalons({A, B});
    newSeries(30, 3, 15, 20, 2);
    place(2, A);
    place(20, B);
    newChains();
    withFlag = true;
    const TuplesRunFailureCase all[] = {
        {"detectKnown", 1, "Нет памяти для ppDw!"},
        {"detectKnown", 2, "Нет памяти для ppDw[m]!"},
        {"recognizeKnown", 1, "Нет памяти для ppDw!"},
        {"recognizeKnown", 2, "Нет памяти для ppDw[]!"},
        {"detectUnknown", 1, "Нет памяти для EtalonsPartialEnergy!"},
        {"recognizeUnknown", 1, "Нет памяти для EtalonsPartialEnergy!"},
    };
    auto run = [&](const std::string& name) {
        const Tuple tuple = {1, 2};
        if (name == "detectKnown") return detectKnown(tuple);
        if (name == "recognizeKnown") return recognize(true, {tuple});
        if (name == "detectUnknown") return detectUnknown(tuple);
        return recognize(false, {tuple});
    };
    auto check = [&](const std::string& name, int nth, const char* message) {
        leaveStaleResults();
        series->wFoundTuples = 1;
        series->lpTupleFirsts[0] = 7;
        series->wFoundSubset = 8;
        flag = 1;
        const std::int64_t blocks = memory::outstandingBlocks();
        int result = 0;
        {
            memory::FailureInjection guard(nth);
            result = run(name);
        }
        SCOPED_TRACE(name + " failing allocation " + std::to_string(nth));
        EXPECT_EQ(result, PROCESSING_FAILED);
        EXPECT_EQ(memory::outstandingBlocks(), blocks);
        expectFailureLeftStaleResults(message);
        EXPECT_EQ(series->wFoundTuples, 1);
        EXPECT_EQ(series->lpTupleFirsts[0], 7);
        EXPECT_EQ(series->wFoundSubset, 8);
        EXPECT_EQ(flag, 1);
    };
    for (const TuplesRunFailureCase& c : all) check(c.name, c.nth, c.message);

    // Every later allocation of the unknown-count runs (layer tables, position sets) is reported
    // as the layer tables'; past them the run succeeds.
    for (const char* name : {"detectUnknown", "recognizeUnknown"}) {
        int nth = 2;
        for (;; ++nth) {
            window.clearRecords();
            flag = 0;
            int result = 0;
            {
                memory::FailureInjection guard(nth);
                result = run(name);
            }
            if (result != PROCESSING_FAILED) break;
            check(name, nth, "Нет памяти для G_on_layers!");
        }
        EXPECT_GT(nth, 4) << name;  // the tables and at least the sets
        EXPECT_EQ(positions(), (List{2, 20}));
    }
}

}  // namespace
}  // namespace tessaline
