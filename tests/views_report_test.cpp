// The text of the processing result view: the derived values, the description of the series and
// the run, the found pulses, the table of chains with the truth row, and the plain-text form.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/codes.h"
#include "platform/headless.h"
#include "processing/chains.h"
#include "views/report.h"

namespace tessaline {
namespace {

using Lines = std::vector<std::string>;

int16_t etalonA[4] = {10, 20, 20, 10};
int16_t etalonB[4] = {-10, 30, -30, 10};
const PulseHeader alphabet[2] = {{4, 4, 1, etalonA}, {4, 4, 2, etalonB}};

int count(const std::string& text, const std::string& part) {
    int found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++found;
    return found;
}

class ReportTest : public testing::Test {
protected:
    void TearDown() override {
        freeSeriesHeader(series);
        freeChainsHeader(chains);
    }

    // A series of 4-sample pulses of the two etalons above, without pulses yet.
    void makeSeries(uint32_t N = 100, uint16_t Tmin = 25, uint16_t Tmax = 35) {
        series = getCutOffSeriesHeader(window, 2, 4, Tmin, Tmax, N, nullptr);
        ASSERT_NE(series, nullptr);
        series->wImpulseSize = 4;
        series->wAmplitude = 30;
        series->lpPulsesList[0] = &alphabet[0];
        series->lpPulsesList[1] = &alphabet[1];
    }
    // Places the used samples of an etalon into both the pure and the noisy series.
    void place(uint16_t etalon, uint16_t position, uint16_t first = 0, uint16_t last = 3) {
        const int i = series->wImpulseQuantity++;
        series->lpEtalonNumbers[i] = etalon;
        series->lpPositions[i] = position;
        series->lpCutBegins[i] = first;
        series->lpCutEnds[i] = last;
        for (int u = first; u <= last; ++u) {
            series->lpPureData[position + u] = series->lpNoisyData[position + u] =
                alphabet[etalon - 1].lpData[u];
        }
    }
    void find(uint16_t etalon, int16_t position, uint16_t first = 0, uint16_t last = 3) {
        const int i = series->wFoundPulses++;
        series->lpFoundEtalonNumbers[i] = etalon;
        series->lpFoundPositions[i] = position;
        series->lpFoundCutBegins[i] = first;
        series->lpFoundCutEnds[i] = last;
    }
    void makeChains(uint16_t seeking, uint16_t chainsCapacity = 10, uint16_t pulses = 25) {
        chains = getChainsHeader(window, chainsCapacity, pulses, nullptr);
        ASSERT_NE(chains, nullptr);
        clearChainsHeader(*chains, seeking, pulses);
    }
    void offer(int64_t distance, std::vector<int16_t> etalons, std::vector<int16_t> positions,
               std::vector<int16_t> firsts, std::vector<int16_t> lasts) {
        ASSERT_GE(insertChain(*chains, {distance, etalons, positions, firsts, lasts}), 0);
    }
    void describe(uint16_t seriesType, uint16_t task) {
        addToChainsHeader(window, seriesType, task, 75, 60, chains);
    }

    // The small cut-off series: etalon 1 whole at 10, etalon 2 cut to 1..2 at 40, a little noise;
    // processing found the first pulse right and kept one sample too many of the second.
    void makeHandMadeRun(uint16_t task) {
        makeSeries();
        place(1, 10);
        place(2, 40, 1, 2);
        series->lpNoisyData[11] += 2;
        series->lpNoisyData[42] -= 1;
        series->lpNoisyData[70] += 3;
        series->wNoiseLevel = 2;
        find(1, 10);
        find(2, 40, 1, 3);
        makeChains(2);
        offer(-2500, {1, 1}, {11, 40}, {0, 0}, {3, 3});
        offer(-2900, {1, 2}, {10, 40}, {0, 1}, {3, 3});
        describe(SERIES_FIXED_CUTOFF, task);
    }

    ProcessingReport build() const { return buildProcessingReport(series, chains); }
    Lines texts() const {
        Lines result;
        for (const ReportLine& line : build().report) result.push_back(line.text);
        return result;
    }
    Lines rights() const {
        Lines result;
        for (const ReportLine& line : build().report) result.push_back(line.right);
        return result;
    }

    HeadlessWindow window;
    SeriesHeader* series = nullptr;
    ChainsHeader* chains = nullptr;
};

// Chain measures beyond the 32-bit range on either side are printed whole, in their order.
TEST_F(ReportTest, MeasuresBeyondThirtyTwoBitsArePrintedWhole) {
    makeHandMadeRun(TASK_JOINT);
    offer(-3000000000, {1}, {10}, {0}, {3});
    offer(5000000000, {1}, {40}, {0}, {3});
    const Lines lines = texts();
    EXPECT_EQ(Lines(lines.begin() + 3, lines.begin() + 7),
              (Lines{" 1.   -3000000000", " 2.     -2900", " 3.     -2500", " 4.   5000000000"}));
}

TEST_F(ReportTest, HandMadeJointRunGivesItsExactValuesAndText) {
    makeHandMadeRun(TASK_JOINT);
    const ProcessingValues values = processingValues(*series, chains);
    EXPECT_EQ(values.signalEnergy, 2800);
    EXPECT_EQ(values.noiseEnergy, 14);
    EXPECT_EQ(values.pulsesNoiseEnergy, 5);  // the noise at sample 70 lies under no pulse
    EXPECT_EQ(values.trueMeasure, -1080 - 1860);
    EXPECT_EQ(values.restoreError, 100);  // sample 43 of the best chain's second pulse is restored wrongly
    EXPECT_EQ(values.stripAmplitude, 33);

    const ProcessingReport report = build();
    EXPECT_EQ(
        report.description,
        (Lines{
            " joint detection and identification for series with known number of cut-off pulses ",
            " series length 100, Tmin=25, Tmax=35,  amplitude 30, noise level 2, allN/S 0.005,  N/S 0.00179",
            " pulses number 2 [2-4], length 4, saved energy level for making/processing 75/60",
            " pulses: 10a[0..3]  40b[1..2] "}));
    EXPECT_EQ(texts(), (Lines{"Detected 2 pulses:  10a[0..3] 40b[1..3]", "Restore Error 100. ",
                              " n  measure ", " 1.     -2900", " 2.     -2500", " 0.     -2940"}));
    EXPECT_EQ(rights(),
              (Lines{"", "", "  positions and names of etalons in series", "  10a [0..3]   40b [1..3] ",
                     "  11a [0..3]   40a [0..3] ", "  10a [0..3]   40b [1..2] "}));
    EXPECT_TRUE(report.report.back().gapBefore);
    EXPECT_EQ(std::count_if(report.report.begin(), report.report.end(), [](auto& l) { return l.gapBefore; }),
              1);

    EXPECT_EQ(processingReportText(report),
              (Lines{report.description[0], report.description[1], report.description[2],
                     report.description[3], "", "Detected 2 pulses:  10a[0..3] 40b[1..3]",
                     "Restore Error 100. ", " n  measure      positions and names of etalons in series",
                     " 1.     -2900    10a [0..3]   40b [1..3] ", " 2.     -2500    11a [0..3]   40a [0..3] ",
                     "", " 0.     -2940    10a [0..3]   40b [1..2] "}));

    chains->wSeekingPulsesQuantity = 1;  // only the best chain's first pulse restores the series
    EXPECT_EQ(processingValues(*series, chains).restoreError, 900 + 900);
}

// A line too long for its room may be cut only where a whole pulse (or tuple) ends.
TEST_F(ReportTest, LinesOfPulsesTellWhereEachEntryEnds) {
    makeHandMadeRun(TASK_JOINT);
    const ProcessingReport report = build();
    using Ends = std::vector<std::size_t>;
    const auto pieces = [](const std::string& text, const Ends& ends) {
        Lines cut;
        std::size_t from = 0;
        for (const std::size_t end : ends) {
            cut.push_back(text.substr(from, end - from));
            from = end;
        }
        return cut;
    };
    ASSERT_EQ(report.descriptionEntries.size(), report.description.size());
    EXPECT_TRUE(report.descriptionEntries[1].empty());
    EXPECT_EQ(pieces(report.description[3], report.descriptionEntries[3]),
              (Lines{" pulses:", " 10a[0..3] ", " 40b[1..2] "}));
    EXPECT_EQ(pieces(report.report[0].text, report.report[0].textEntries),
              (Lines{"Detected 2 pulses: ", " 10a[0..3]", " 40b[1..3]"}));
    EXPECT_EQ(pieces(report.report[3].right, report.report[3].rightEntries),
              (Lines{"  10a [0..3] ", "  40b [1..3] "}));
    EXPECT_TRUE(report.report[3].textEntries.empty());

    // Tuples are whole entries.
    series->wFoundTuples = 1;
    series->lpTupleFirsts[0] = 1;
    series->lpTupleLasts[0] = 2;
    describe(SERIES_FIXED_TUPLES, TASK_TUPLES_DETECTION);
    const ReportLine found = build().report[0];
    EXPECT_EQ(pieces(found.text, found.textEntries), (Lines{"Detected 2 pulses: ", " {10a 40b} "}));
}

TEST_F(ReportTest, LettersFollowTheTaskOnceTheRunIsDescribed) {
    makeHandMadeRun(TASK_RECOGNITION);  // one etalon per chain: a column of its own, none in the rows
    EXPECT_EQ(texts()[2], " n et  measure ");
    EXPECT_EQ(texts()[3], " 1.  a     -2900");
    EXPECT_EQ(texts()[5], " 0.  a     -2940");
    EXPECT_EQ(rights()[2], "  positions of etalons in series");
    EXPECT_EQ(rights()[3], "  10 [0..3]   40 [1..3] ");
    EXPECT_EQ(build().description[3], " pulses: 10a[0..3]  40b[1..2] ");

    describe(SERIES_FIXED_CUTOFF, TASK_DETECTION);  // found etalons are set, yet detection names none
    EXPECT_FALSE(processingValues(*series, chains).letters);
    EXPECT_EQ(build().description[3], " pulses: 10[0..3]  40[1..2] ");
    EXPECT_EQ(texts()[0], "Detected 2 pulses:  10[0..3] 40[1..3]");
    EXPECT_EQ(texts()[2], " n  measure ");
    EXPECT_EQ(rights()[3], "  10 [0..3]   40 [1..3] ");

    chains->wHeaderKind = chains->wSeriesType = 0;  // undescribed: letters when processing found etalons
    EXPECT_EQ(rights()[3], "  10a  40b");
    EXPECT_EQ(rights()[2], "  positions and names of etalons in series");
    series->lpFoundEtalonNumbers[0] = 0;
    EXPECT_EQ(rights()[3], "  10  40");
}

TEST_F(ReportTest, CutBoundsAndEnergyLevelsOnlyForCutOffSeries) {
    makeHandMadeRun(TASK_JOINT);
    describe(SERIES_FIXED_WHOLE, TASK_JOINT);
    const ProcessingReport whole = build();
    EXPECT_EQ(whole.description[0],
              " joint detection and identification for series with known number of whole pulses ");
    EXPECT_EQ(whole.description[2], " pulses number 2 [2-4], length 4");
    EXPECT_EQ(whole.description[3], " pulses: 10a 40b");
    EXPECT_EQ(whole.report[0].text, "Detected 2 pulses:  10a 40b");
    EXPECT_EQ(whole.report.back().right, "  10a  40b");

    describe(SERIES_UNFIXED_CUTOFF, TASK_SERIES_PROCESSING);  // a task without a name
    const ProcessingReport cut = build();
    EXPECT_EQ(cut.description[0], "  for series with unknown number of cut-off pulses ");
    EXPECT_EQ(cut.description[3], " pulses: 10a[0..3]  40b[1..2] ");
}

TEST_F(ReportTest, AmplitudesAndNoiseRatios) {
    makeSeries();
    place(1, 10);
    series->wAmplitude = 128;  // no noise added
    ProcessingValues values = processingValues(*series, nullptr);
    EXPECT_EQ(values.allNoiseToSignal, 0.0);
    EXPECT_EQ(values.noiseToSignal, 0.0);
    EXPECT_EQ(values.stripAmplitude, 144);
    EXPECT_NE(build().description[0].find("allN/S 0,  N/S 0"), std::string::npos);

    series->wAmplitude = 0;
    series->wNoiseLevel = 300;
    values = processingValues(*series, nullptr);
    EXPECT_EQ(values.amplitude, 512);
    EXPECT_EQ(values.stripAmplitude, 900);
    series->wNoiseLevel = 128;  // not below the noise level: 128 itself
    EXPECT_EQ(processingValues(*series, nullptr).amplitude, 128);

    std::fill_n(series->lpPureData, 100, int16_t{0});  // no signal at all: no ratio, not a division by zero
    std::fill_n(series->lpNoisyData, 100, int16_t{0});
    series->lpNoisyData[5] = 7;
    values = processingValues(*series, nullptr);
    EXPECT_EQ(values.noiseEnergy, 49);
    EXPECT_EQ(values.allNoiseToSignal, 0.0);
}

TEST_F(ReportTest, LongListsAreCutWithAnEllipsis) {
    makeSeries(1000, 40, 60);
    for (int i = 0; i < 20; ++i) place(1 + i % 2, static_cast<uint16_t>(10 + 45 * i));
    for (int i = 0; i < 10; ++i) find(1, static_cast<int16_t>(10 + 45 * i));
    makeChains(20, 10, 25);
    std::vector<int16_t> ones(20, 1), positions(20), zeros(20, 0), threes(20, 3);
    for (int i = 0; i < 20; ++i) positions[i] = static_cast<int16_t>(10 + 45 * i);
    offer(-5, ones, positions, zeros, threes);
    describe(SERIES_FIXED_WHOLE, TASK_JOINT);

    const ProcessingReport report = build();
    const std::string& pulses = report.description[3];
    EXPECT_EQ(count(pulses, "a") + count(pulses, "b"), 19);
    EXPECT_EQ(pulses.substr(pulses.size() - 8), " 820a...");
    EXPECT_EQ(report.report[0].text,
              "Detected 10 (20) pulses:  10a 55a 100a 145a 190a 235a 280a 325a 370a ... ");
    EXPECT_EQ(count(report.report[3].right, "a"), 19);
    EXPECT_EQ(report.report[3].right.substr(report.report[3].right.size() - 11), "  820a ... ");
    EXPECT_EQ(report.report[4].right.substr(report.report[4].right.size() - 11), "  820a ... ");
    EXPECT_EQ(report.report[4].right.find("865"), std::string::npos);

    series->wImpulseQuantity = 19;  // nineteen fit
    EXPECT_EQ(build().description[3].find("..."), std::string::npos);
}

TEST_F(ReportTest, OneFoundPulseOfTwoPlaced) {
    makeSeries();
    place(1, 10);
    place(2, 50);
    find(2, 50);
    EXPECT_EQ(build().report[0].text, "Detected 1 (2) pulse:  50b");
}

TEST_F(ReportTest, TableShowsTheSixBestChainsAndTheTruth) {
    makeHandMadeRun(TASK_JOINT);
    for (int32_t d = 1; d <= 6; ++d) offer(-3000 + 100 * d, {1}, {static_cast<int16_t>(d)}, {0}, {3});
    ASSERT_EQ(chains->wPretenders, 8);
    const Lines lines = texts();
    ASSERT_EQ(lines.size(), 3u + 6 + 1);
    EXPECT_EQ(lines[3], " 1.     -2900");
    EXPECT_EQ(lines[4], " 2.     -2900");
    EXPECT_EQ(lines[8], " 6.     -2500");
    EXPECT_EQ(lines[9], " 0.     -2940");
}

TEST_F(ReportTest, TupleRunsListFoundTuples) {
    makeSeries(1000, 40, 60);
    for (int i = 0; i < 22; ++i) find(1 + i % 2, static_cast<int16_t>(10 + 40 * i));
    auto tuple = [&](uint16_t first, uint16_t last) {
        series->lpTupleFirsts[series->wFoundTuples] = first;
        series->lpTupleLasts[series->wFoundTuples++] = last;
    };
    tuple(1, 2);
    tuple(3, 5);
    makeChains(0);
    describe(SERIES_UNFIXED_TUPLES, TASK_TUPLES_RECOGNITION);
    EXPECT_EQ(texts()[0], "Detected 22 (0) pulses:  {10a 50b}  {90a 130b 170a} ");

    tuple(19, 30);  // cut to the found pulses
    tuple(20, 21);  // starts after the 19th pulse
    tuple(1, 1);
    EXPECT_EQ(texts()[0], "Detected 22 (0) pulses:  {10a 50b}  {90a 130b 170a}  {730a 770b 810a 850b}  ... ");

    describe(SERIES_FIXED_WHOLE, TASK_TUPLES_RECOGNITION);  // not a tuple series: pulse by pulse
    EXPECT_EQ(count(texts()[0], "{"), 0);
}

TEST_F(ReportTest, WithoutResultOrSeries) {
    EXPECT_TRUE(build().description.empty());
    EXPECT_TRUE(build().report.empty());
    EXPECT_TRUE(processingReportText(build()).empty());

    makeHandMadeRun(TASK_JOINT);
    freeChainsHeader(chains);
    chains = nullptr;
    const ProcessingReport report = build();
    ASSERT_EQ(report.description.size(), 3u);
    EXPECT_EQ(report.description[1], " pulses number 2 [2-4], length 4");
    EXPECT_EQ(report.description[2], " pulses: 10a 40b");  // letters from the found etalons
    ASSERT_EQ(report.report.size(), 1u);
    EXPECT_EQ(report.report[0].text, "Detected 2 pulses:  10a 40b");
    EXPECT_FALSE(processingValues(*series, nullptr).restoreError.has_value());
}

}  // namespace
}  // namespace tessaline
