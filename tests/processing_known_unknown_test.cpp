// The pulses algorithms, production and reference alike, on hand-made series: the single pulse,
// whole etalons at a level of 100, the tie rules, recognition with equal totals, runs without a
// result record, chains that cannot end; and every allocation failure of the reference versions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/processing_scene.h"

namespace tessaline {
namespace {

using cases::List;
using cases::Shape;

// Scenes for the pulses algorithms, the candidates and the level given with each run.
class PulsesScene : public cases::ProcessingScene {
protected:
    const ProcessingInput& input(std::vector<uint16_t> list, uint16_t level = 100) {
        candidates = std::move(list);
        in = {alphabet, candidates, series->wTmin, series->wTmax, level};
        return in;
    }

    std::vector<uint16_t> candidates;
    ProcessingInput in;
};

using PulsesTest = cases::OnBothImplementations<PulsesScene>;
RUN_ON_BOTH_IMPLEMENTATIONS(PulsesTest);

const Shape PEAK = {10, 20, 10};

TEST_P(PulsesTest, SinglePulseTakesTheBestFitOfItsRange) {
    setEtalons({PEAK});
    newSeries(30, 3, 5, 30, 1);
    place(7, PEAK);
    place(20, {5, 10, 5});
    newChains();
    EXPECT_EQ(run().detectKnownPulses(window, input({1}), chains, *series), 1);
    EXPECT_EQ(positions(), (List{7}));
    EXPECT_EQ(etalons(), (List{1}));
    ASSERT_EQ(chains->wPretenders, 1);
    EXPECT_EQ(chains->distance[0], -600);  // sum of e (e - 2x) over an exact copy: -energy
    EXPECT_EQ(chains->wQuanPulses, 1);
    EXPECT_EQ(chains->wSeekingPulsesQuantity, 1);

    setRange(0, 10, 27);  // the range decides: the weaker pulse at 20
    EXPECT_EQ(run().detectKnownPulses(window, input({1}), nullptr, *series), 1);
    EXPECT_EQ(positions(), (List{20}));
    EXPECT_TRUE(window.messages().empty());
}

TEST_P(PulsesTest, LevelOfHundredOrMoreFitsWholeEtalonsOnly) {
    const Shape wide = {0, 0, 40, 40, 0, 0};
    setEtalons({wide});
    newSeries(40, 6, 10, 20, 2);
    series->lpNoisyData[5] = 40;  // only the first half of the etalon's energy: a cut-off pulse
    series->lpNoisyData[20] = 40;
    series->lpNoisyData[21] = 40;
    for (uint16_t level : {100, 150}) {
        EXPECT_EQ(run().detectKnownPulses(window, input({1}, level), nullptr, *series), 1);
        ASSERT_EQ(series->wFoundPulses, 2);
        for (int j = 0; j < 2; ++j) {
            EXPECT_EQ(series->lpFoundCutBegins[j], 0) << level;
            EXPECT_EQ(series->lpFoundCutEnds[j], 5) << level;
        }
        EXPECT_EQ(run().recognizeKnownPulses(window, input({1}, level), nullptr, *series), 1);
        EXPECT_EQ(series->lpFoundCutEnds[0], 5);
    }
    // At 40 percent one sample of 40 is admissible: the half pulse is fitted by it alone.
    EXPECT_EQ(run().detectKnownPulses(window, input({1}, 40), nullptr, *series), 1);
    EXPECT_EQ(positions(), (List{2, 18}));
    EXPECT_EQ(series->lpFoundCutBegins[0], 3);
    EXPECT_EQ(series->lpFoundCutEnds[0], 3);
    EXPECT_EQ(series->lpFoundCutBegins[1], 0);
    EXPECT_EQ(series->lpFoundCutEnds[1], 5);
}

TEST_P(PulsesTest, EqualTotalsTakeTheSmallerPositionAtTheEndAndInBackTracking) {
    setEtalons({PEAK});
    newSeries(40, 3, 10, 13, 1);
    place(3, PEAK);
    place(12, PEAK);
    EXPECT_EQ(run().detectKnownPulses(window, input({1}), nullptr, *series), 1);
    EXPECT_EQ(positions(), (List{3}));

    newSeries(40, 3, 10, 13, 2);
    setRange(0, 0, 8);
    setRange(1, 10, 30);
    std::fill_n(series->lpNoisyData, 40, int16_t{0});
    place(2, PEAK);
    place(4, PEAK);
    place(15, PEAK);  // both 2 and 4 lie 10..13 before 15
    EXPECT_EQ(run().detectKnownPulses(window, input({1}), nullptr, *series), 1);
    EXPECT_EQ(positions(), (List{2, 15}));
}

TEST_P(PulsesTest, EqualFitsTakeTheEarlierCandidateAndUnusableOnesAreSkipped) {
    setEtalons({PEAK, PEAK, {10, 20}});  // etalon 3 is shorter than the pulses
    newSeries(30, 3, 5, 30, 1);
    place(7, PEAK);
    EXPECT_EQ(run().detectKnownPulses(window, input({0, 9, 3, 2, 1}), nullptr, *series), 1);
    EXPECT_EQ(etalons(), (List{2}));
    EXPECT_EQ(run().detectUnknownPulses(window, input({3, 2, 1}), nullptr, *series), 1);
    ASSERT_GE(series->wFoundPulses, 1);
    EXPECT_EQ(series->lpFoundEtalonNumbers[0], 2);

    // No usable candidate: no pulses, the empty chain.
    newChains();
    EXPECT_EQ(run().detectKnownPulses(window, input({3, 0}), chains, *series), 1);
    EXPECT_EQ(series->wFoundPulses, 0);
    ASSERT_EQ(chains->wPretenders, 1);
    EXPECT_EQ(chains->distance[0], 9999999);
    EXPECT_EQ(chains->pulsesNumber[0], 0);
    EXPECT_EQ(run().recognizeKnownPulses(window, input({3, 0}), chains, *series), -1);
    EXPECT_EQ(chains->wPretenders, 0);
}

TEST_P(PulsesTest, RecognitionWithEqualTotalsKeepsBothChainsEarlierFirst) {
    setEtalons({PEAK, {-10, -20, -10}, PEAK});
    newSeries(40, 3, 10, 20, 2);
    place(4, PEAK);
    place(18, PEAK);
    newChains();
    EXPECT_EQ(run().recognizeKnownPulses(window, input({3, 2, 1}), chains, *series), 3);
    EXPECT_EQ(positions(), (List{4, 18}));
    EXPECT_EQ(etalons(), (List{3, 3}));
    ASSERT_EQ(chains->wPretenders, 3);
    EXPECT_EQ(row(chains->pulsesList, 0), (List{3, 3}));
    EXPECT_EQ(row(chains->pulsesList, 1), (List{1, 1}));
    EXPECT_EQ(chains->distance[0], -1200);
    EXPECT_EQ(chains->distance[1], -1200);
    EXPECT_EQ(row(chains->pulsesList, 2), (List{2, 2}));

    EXPECT_EQ(run().recognizeUnknownPulses(window, input({3, 2, 1}), chains, *series), 3);
    EXPECT_EQ(chains->wQuanPulses, 2);
    ASSERT_EQ(chains->wPretenders, 3);
    EXPECT_EQ(row(chains->pulsesList, 0)[0], 3);
    EXPECT_EQ(row(chains->pulsesList, 1)[0], 1);
    EXPECT_EQ(chains->distance[0], chains->distance[1]);
    EXPECT_EQ(chains->wSeekingPulsesQuantity, chains->pulsesNumber[0]);
    EXPECT_EQ(series->wFoundPulses, chains->pulsesNumber[0]);
    EXPECT_EQ(positions(), row(chains->positionsList, 0));
    EXPECT_EQ(etalons(), row(chains->pulsesList, 0));
    EXPECT_TRUE(window.messages().empty());
}

TEST_P(PulsesTest, RunsWithoutResultRecordWriteOnlyTheSeries) {
    setEtalons({PEAK});
    newSeries(40, 3, 10, 20, 2);
    place(4, PEAK);
    place(18, PEAK);
    newChains();
    using Run = int (*)(MessageSink&, const ProcessingInput&, ChainsHeader*, SeriesHeader&);
    for (Run run :
         {Run{run().detectKnownPulses}, Run{run().recognizeKnownPulses}, Run{run().detectUnknownPulses}}) {
        EXPECT_EQ(run(window, input({1}), chains, *series), 1);
        const List withRecord = positions();
        const List withRecordEtalons = etalons();
        EXPECT_FALSE(withRecord.empty());
        series->wFoundPulses = 0;
        EXPECT_EQ(run(window, input({1}), nullptr, *series), 1);
        EXPECT_EQ(positions(), withRecord);
        EXPECT_EQ(etalons(), withRecordEtalons);
    }
    EXPECT_EQ(positions(), (List{4, 18, 28}));  // the last pulse can stand no earlier than 20
    EXPECT_TRUE(window.messages().empty());

    // Unknown-count recognition needs the record: a message, and nothing written.
    series->wFoundPulses = 7;
    EXPECT_EQ(run().recognizeUnknownPulses(window, input({1}), nullptr, *series), PROCESSING_FAILED);
    EXPECT_EQ(series->wFoundPulses, 7);
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(window.messages()[0].text, "Не определен lpChainsHeader!");
    EXPECT_EQ(window.messages()[0].caption, " recognizeUnknownPulses ");
    EXPECT_EQ(window.messages()[0].icon, MessageIcon::None);
}

// L = 20, n = 1, gaps 5..10: first pulses at 0..9, later ones at 5..19, last ones at 10..19.
TEST_P(PulsesTest, UnknownCountChainsStartAfreshUnlessThePredecessorTotalIsNegative) {
    setEtalons({{10}});
    newSeries(20, 1, 5, 10, 2);
    ASSERT_EQ(series->wMinPulses, 2);
    ASSERT_EQ(series->wMaxPulses, 4);
    std::fill_n(series->lpNoisyData, 20, int16_t{0});  // every fit 100, a pulse -100
    series->lpNoisyData[2] = 10;
    series->lpNoisyData[8] = 10;
    newChains();
    EXPECT_EQ(run().detectUnknownPulses(window, input({1}), chains, *series), 1);
    EXPECT_EQ(positions(), (List{2, 8, 13}));  // 13..18 tie at -100: the smallest ends the chain
    ASSERT_EQ(chains->wPretenders, 1);
    EXPECT_EQ(chains->distance[0], -100);
    EXPECT_EQ(chains->wQuanPulses, 0);
    EXPECT_EQ(chains->wSeekingPulsesQuantity, 3);

    // Without the pulse at 2 every predecessor of 8 totals 100: 8 starts a chain of its own.
    series->lpNoisyData[2] = 0;
    EXPECT_EQ(run().detectUnknownPulses(window, input({1}), chains, *series), 1);
    EXPECT_EQ(positions(), (List{8, 13}));
    EXPECT_EQ(chains->distance[0], 0);
    EXPECT_EQ(chains->wSeekingPulsesQuantity, 2);
}

// Fits of about 5.4e7 on a series of -30000: below the table fill, above the end threshold.
const Shape HEAVY = {300, 300, 300};

TEST_P(PulsesTest, SingleAdmissiblePulseCount) {
    setEtalons({PEAK, HEAVY});
    newSeries(100, 3, 30, 90, 1);
    ASSERT_EQ(series->wMinPulses, 1);
    series->wMaxPulses = 1;  // one pulse, anywhere in [10, 87]
    place(10, PEAK);
    place(50, {20, 40, 20});
    newChains();
    EXPECT_EQ(run().detectUnknownPulses(window, input({1}), chains, *series), 1);
    EXPECT_EQ(positions(), (List{50}));
    EXPECT_EQ(chains->distance[0], 600 - 2 * (10 * 20 + 20 * 40 + 10 * 20));

    std::fill_n(series->lpNoisyData, 100, int16_t{-30000});
    EXPECT_EQ(run().detectUnknownPulses(window, input({2}), chains, *series), 1);
    EXPECT_EQ(series->wFoundPulses, 0);
    ASSERT_EQ(chains->wPretenders, 1);
    EXPECT_EQ(chains->distance[0], 9999999);
    EXPECT_EQ(chains->pulsesNumber[0], 0);
    EXPECT_EQ(chains->wSeekingPulsesQuantity, 0);
}

TEST_P(PulsesTest, ChainsThatCannotEndWriteNoPulses) {
    setEtalons({PEAK, HEAVY});
    newSeries(40, 3, 10, 20, 2);
    newChains();
    std::fill_n(series->lpNoisyData, 40, int16_t{-30000});  // every total above 9999999
    EXPECT_EQ(run().detectKnownPulses(window, input({2}), chains, *series), 1);
    EXPECT_EQ(series->wFoundPulses, 0);
    ASSERT_EQ(chains->wPretenders, 1);
    EXPECT_EQ(chains->distance[0], 9999999);
    EXPECT_EQ(chains->pulsesNumber[0], 0);

    // The last pulse is reachable only without a predecessor: the end exists, back-tracking
    // finds no position.
    std::fill_n(series->lpNoisyData, 40, int16_t{0});
    place(1, PEAK);
    place(30, PEAK);
    setRange(0, 0, 2);
    setRange(1, 28, 32);
    EXPECT_EQ(run().detectKnownPulses(window, input({1}), chains, *series), 1);
    EXPECT_EQ(series->wFoundPulses, 0);
    EXPECT_EQ(chains->distance[0], 9999999);
    EXPECT_EQ(run().recognizeKnownPulses(window, input({1}), chains, *series), -1);
    EXPECT_EQ(series->wFoundPulses, 0);
    ASSERT_EQ(chains->wPretenders, 1);
    EXPECT_EQ(chains->distance[0], 999999999);

    // No pulses to find at all.
    series->wImpulseQuantity = 0;
    EXPECT_EQ(run().detectKnownPulses(window, input({1}), chains, *series), 1);
    EXPECT_EQ(series->wFoundPulses, 0);
    EXPECT_EQ(chains->distance[0], 9999999);
    EXPECT_TRUE(window.messages().empty());
}

TEST_P(PulsesTest, ChainLongerThanTheRecordRowsIsNotStored) {
    setEtalons({PEAK});
    newSeries(40, 3, 10, 20, 2);
    place(4, PEAK);
    place(18, PEAK);
    newChains(1);
    EXPECT_EQ(run().detectKnownPulses(window, input({1}), chains, *series), 1);
    EXPECT_EQ(positions(), (List{4, 18}));
    EXPECT_EQ(chains->wPretenders, 0);
}

// Allocation failures stay with the reference versions: production reserves its working tables in
// another order, with messages of its own (see processing_workspace_test.cpp), and reports the
// later position tables as a failure where the reference tries no candidate.
using ReferencePulsesTest = PulsesScene;

struct FailureCase {
    const char* name;
    cases::PulsesRun run;
    int nth;  // the allocation call that fails
    const char* message;
};

TEST_F(ReferencePulsesTest, AllocationFailuresReportAndWriteNothing) {
    setEtalons({PEAK});
    newSeries(40, 3, 10, 20, 2);
    place(4, PEAK);
    place(18, PEAK);
    newChains();
    const FailureCase all[] = {
        {"detectKnown", literal::detectKnownPulses, 1, "Нет памяти для ppDw!"},
        {"detectKnown", literal::detectKnownPulses, 2, "Нет памяти для ppDw[m]!"},
        {"recognizeKnown", literal::recognizeKnownPulses, 1, "Нет памяти для ppDw!"},
        {"recognizeKnown", literal::recognizeKnownPulses, 2, "Нет памяти для indexes!"},
        {"detectUnknown", literal::detectUnknownPulses, 1, "Нет памяти для EtalonsPartialEnergy!"},
        {"detectUnknown", literal::detectUnknownPulses, 2, "Нет памяти для indexes!"},
        {"recognizeUnknown", literal::recognizeUnknownPulses, 1, "Нет памяти для indexes!"},
    };
    for (const FailureCase& c : all) {
        leaveStaleResults();
        const std::int64_t blocks = memory::outstandingBlocks();
        int result = 0;
        {
            memory::FailureInjection guard(c.nth);
            result = c.run(window, input({1}), chains, *series);
        }
        SCOPED_TRACE(std::string(c.name) + " failing allocation " + std::to_string(c.nth));
        EXPECT_EQ(result, PROCESSING_FAILED);
        EXPECT_EQ(memory::outstandingBlocks(), blocks);
        expectFailureLeftStaleResults(c.message);
    }
}

// Every later allocation (position tables, interval sets) either fails the run in the same way or
// leaves it to finish; nothing leaks either way.
TEST_F(ReferencePulsesTest, LaterAllocationFailuresLeakNothing) {
    setEtalons({PEAK});
    newSeries(40, 3, 10, 20, 2);
    place(4, PEAK);
    place(18, PEAK);
    newChains();
    EXPECT_EQ(literal::detectUnknownPulses(window, input({1}), chains, *series), 1);
    const List expected = positions();
    for (const bool detection : {true, false}) {
        for (int nth = 2; nth <= 40; ++nth) {
            window.clearRecords();
            series->wFoundPulses = 1;
            const std::int64_t blocks = memory::outstandingBlocks();
            int result = 0;
            {
                memory::FailureInjection guard(nth);
                result = (detection ? literal::detectUnknownPulses : literal::recognizeUnknownPulses)(
                    window, input({1}), chains, *series);
            }
            SCOPED_TRACE(std::string(detection ? "detectUnknown" : "recognizeUnknown") +
                         " failing allocation " + std::to_string(nth));
            EXPECT_EQ(memory::outstandingBlocks(), blocks);
            if (detection) {
                if (result == PROCESSING_FAILED) {
                    ASSERT_EQ(window.messages().size(), 1u);
                    EXPECT_EQ(window.messages()[0].text, "Нет памяти для indexes!");
                    EXPECT_EQ(series->wFoundPulses, 1);
                } else {
                    EXPECT_EQ(positions(), expected);
                }
            } else if (result == 65535) {
                // Without its tables the run tries no candidate and writes no pulses.
                EXPECT_TRUE(window.messages().empty());
                EXPECT_EQ(chains->wPretenders, 0);
                EXPECT_EQ(chains->wQuanPulses, 2);
                EXPECT_EQ(series->wFoundPulses, 0);
            } else {
                EXPECT_EQ(result, 1);
                EXPECT_EQ(positions(), expected);
            }
        }
    }
}

}  // namespace
}  // namespace tessaline
