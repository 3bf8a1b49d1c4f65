// The error measures of one simulation repeat: the restored error energy of a series against the
// pulses that restore it, the position deviation, and their accumulation into a cell.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "model/series.h"
#include "platform/headless.h"
#include "simulation/measures.h"

namespace tessaline {
namespace {

// A series record of four pulse slots holding only what the measures read.
struct DeviationSeries {
    DeviationSeries(std::vector<uint16_t> placed, std::vector<int16_t> found)
        : positions(std::move(placed)), foundPositions(std::move(found)) {
        series.wReservedPulses = static_cast<uint16_t>(positions.size());
        series.lpPositions = positions.data();
        series.lpFoundPositions = foundPositions.data();
    }
    std::vector<uint16_t> positions;
    std::vector<int16_t> foundPositions;
    SeriesHeader series{};
};

TEST(PositionDeviationTest, ScalesTheSquaredDeviationsPerPulseRoundedHalfUp) {
    DeviationSeries s({10, 20, 30, 40}, {9, 20, 31, 38});
    EXPECT_EQ(positionDeviation(s.series, 4, 4), 6);
    EXPECT_EQ(scaledPositionDeviation(6, 4), 192);  // (4 + 1536) div 8
    ChainsHeader chains{};
    chains.wSeekingPulsesQuantity = 4;
    EXPECT_EQ(scaledPositionDeviation(s.series, chains, 4), 192);
    // 128 x 1 / 3 = 42.67 rounds to 43; 128 x 1 / 256 = 0.5 rounds up to 1.
    EXPECT_EQ(scaledPositionDeviation(1, 3), 43);
    EXPECT_EQ(scaledPositionDeviation(1, 256), 1);
}

TEST(PositionDeviationTest, ComparesOnlyThePulsesBothSidesHave) {
    DeviationSeries s({10, 20, 30, 40}, {9, 20, 31, 38});
    // Fewer sought pulses than the cell's count: only the first two are compared.
    EXPECT_EQ(positionDeviation(s.series, 4, 2), 1);
    ChainsHeader chains{};
    chains.wSeekingPulsesQuantity = 2;
    EXPECT_EQ(scaledPositionDeviation(s.series, chains, 4), 32);  // (4 + 256) div 8
    // A smaller cell count limits it the same way; a run that sought more than the record holds
    // reads no further than its per-pulse arrays.
    EXPECT_EQ(positionDeviation(s.series, 3, 4), 2);
    EXPECT_EQ(positionDeviation(s.series, 9, 9), 6);
    // A run that sought nothing, or a cell of no pulses, deviates by nothing.
    EXPECT_EQ(positionDeviation(s.series, 4, 0), 0);
    EXPECT_EQ(positionDeviation(s.series, 0, 4), 0);
    EXPECT_EQ(scaledPositionDeviation(6, 0), 0);
    EXPECT_EQ(scaledPositionDeviation(s.series, chains, 0), 0);
}

TEST(PositionDeviationTest, ReadsPositionsAsSigned) {
    // A placed position of 65535 is -1; a found -1 (nothing found yet) then matches it, and
    // against a placed 3 deviates by 4, not by 65539 or 65532.
    DeviationSeries s({65535, 3}, {-1, -1});
    EXPECT_EQ(positionDeviation(s.series, 1, 1), 0);
    EXPECT_EQ(positionDeviation(s.series, 2, 2), 16);
}

TEST(CellAccumulationTest, RoundsTheMeanRestoredErrorAndScalesTheDeviationSum) {
    EXPECT_EQ(cellRestoredError(10 + 11 + 11, 3), 11);  // (64 + 3) div 6
    EXPECT_EQ(cellRestoredError(10 + 11, 2), 11);       // 10.5 rounds up
    EXPECT_EQ(cellDetectionError(3 * 192), 4);          // 576 div 128
}

TEST(CellAccumulationTest, NoRepeatsStoreZeroAndLargeMeansDoNotWrap) {
    EXPECT_EQ(cellRestoredError(12345, 0), 0);
    const int64_t huge = int64_t{1} << 40;
    EXPECT_EQ(cellRestoredError(huge, 1), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(cellDetectionError(huge * 128), std::numeric_limits<int32_t>::max());
}

// A series record holding placed and found pulses (positions and etalons) and the least gap.
struct PairingSeries {
    PairingSeries(uint16_t Tmin, std::vector<uint16_t> placed, std::vector<uint16_t> placedEtalons,
                  std::vector<int16_t> found, std::vector<uint16_t> foundEtalons)
        : positions(std::move(placed)),
          etalons(std::move(placedEtalons)),
          foundPositions(std::move(found)),
          foundEtalons(std::move(foundEtalons)) {
        series.wImpulseQuantity = static_cast<uint16_t>(positions.size());
        const std::size_t slots = std::max(positions.size(), foundPositions.size());
        positions.resize(slots);
        etalons.resize(slots);
        foundPositions.resize(slots);
        this->foundEtalons.resize(slots);
        series.wTmin = Tmin;
        series.wReservedPulses = static_cast<uint16_t>(slots);
        series.lpPositions = positions.data();
        series.lpEtalonNumbers = etalons.data();
        series.lpFoundPositions = foundPositions.data();
        series.lpFoundEtalonNumbers = this->foundEtalons.data();
    }
    std::vector<uint16_t> positions, etalons;
    std::vector<int16_t> foundPositions;
    std::vector<uint16_t> foundEtalons;
    SeriesHeader series{};
};

TEST(RecognitionMeasureTest, JointRunsPairPlacedAndFoundPulsesByAMergeInPositionOrder) {
    struct Case {
        const char* what;
        std::vector<uint16_t> placed, placedEtalons;
        std::vector<int16_t> found;
        std::vector<uint16_t> foundEtalons;
        int misrecognised;
    };
    // Tmin 41: pulses pair when at most 20 samples apart.
    const Case cases[] = {
        {"all found and identified", {100, 200, 300}, {1, 2, 3}, {101, 199, 300}, {1, 2, 3}, 0},
        {"one identified as another etalon", {100, 200, 300}, {1, 2, 3}, {100, 200, 300}, {1, 3, 3}, 1},
        {"20 apart pairs, 21 does not", {100, 200}, {1, 2}, {120, 221}, {1, 2}, 1},
        {"a missed pulse shifts nothing", {100, 200, 300}, {1, 2, 3}, {100, 300}, {1, 3}, 1},
        {"an extra found pulse is passed over", {100, 200}, {1, 2}, {100, 150, 200}, {1, 1, 2}, 0},
        {"nothing found", {100, 200}, {1, 2}, {}, {}, 2},
        {"found pulses out of order are sorted", {100, 200, 300}, {1, 2, 3}, {300, 100, 200}, {3, 1, 2}, 0},
        {"a found pulse pairs once", {100, 110}, {1, 1}, {105}, {1}, 1},
    };
    for (const Case& c : cases) {
        PairingSeries s(41, c.placed, c.placedEtalons, c.found, c.foundEtalons);
        s.series.wFoundPulses = static_cast<uint16_t>(c.found.size());
        EXPECT_EQ(misrecognisedPulses(s.series), c.misrecognised) << c.what;
        EXPECT_EQ(repeatRecognitionErrors(TASK_JOINT, s.series, 1, 0), c.misrecognised) << c.what;
    }
}

TEST(RecognitionMeasureTest, RecognitionComparesTheFirstFoundPulseAndTuplesTheirNumber) {
    PairingSeries s(40, {100, 200}, {2, 2}, {100, 200}, {2, 3});
    s.series.wFoundPulses = 2;
    EXPECT_EQ(repeatRecognitionErrors(TASK_RECOGNITION, s.series, 2, 2), 0);
    EXPECT_EQ(repeatRecognitionErrors(TASK_RECOGNITION, s.series, 2, 3), 1);
    s.series.wFoundPulses = 0;  // nothing found: misrecognised whatever the algorithm returned
    EXPECT_EQ(repeatRecognitionErrors(TASK_RECOGNITION, s.series, 2, 2), 1);
    EXPECT_EQ(repeatRecognitionErrors(TASK_TUPLES_RECOGNITION, s.series, 2, 2), 0);
    EXPECT_EQ(repeatRecognitionErrors(TASK_TUPLES_RECOGNITION, s.series, 1, 2), 1);
    for (uint16_t task : {TASK_DETECTION, TASK_TUPLES_DETECTION, TASK_SERIES_PROCESSING})
        EXPECT_EQ(repeatRecognitionErrors(task, s.series, 1, 2), 0) << task;
}

class MeasuresTest : public testing::Test {
protected:
    void SetUp() override {
        alphabet[0] = {4, 4, 1, first};
        alphabet[1] = {4, 4, 2, second};
        GeneratorStates states;
        std::vector<uint16_t> sequence{1, 2, 1, 2};
        SeriesRequest request{alphabet, 4, 8, 12, 40, 4, sequence, 64, 50};
        series = getCutOffSeries(window, request, nullptr, states);
        ASSERT_NE(series, nullptr);
    }
    void TearDown() override { freeSeriesHeader(series); }

    int64_t pureEnergy() const {
        int64_t energy = 0;
        for (uint32_t t = 0; t < series->dwSeriesSize; ++t)
            energy += int64_t{series->lpPureData[t]} * series->lpPureData[t];
        return energy;
    }
    // The placed pulses as found pulses.
    void findPlacedPulses() {
        series->wFoundPulses = series->wImpulseQuantity;
        for (int p = 0; p < series->wImpulseQuantity; ++p) {
            series->lpFoundPositions[p] = static_cast<int16_t>(series->lpPositions[p]);
            series->lpFoundEtalonNumbers[p] = series->lpEtalonNumbers[p];
            series->lpFoundCutBegins[p] = series->lpCutBegins[p];
            series->lpFoundCutEnds[p] = series->lpCutEnds[p];
        }
    }

    int16_t first[4] = {10, 20, 30, 40};
    int16_t second[4] = {-5, 7, -9, 3};
    PulseHeader alphabet[2] = {};
    HeadlessWindow window;
    SeriesHeader* series = nullptr;
};

TEST_F(MeasuresTest, PlacedPulsesRestoreTheSeriesExactlyAndNoPulsesLeaveItsEnergy) {
    series->wFoundPulses = 0;
    EXPECT_EQ(restoredErrorEnergy(*series), pureEnergy());
    findPlacedPulses();
    EXPECT_EQ(restoredErrorEnergy(*series), 0);
}

TEST_F(MeasuresTest, WrongCutsEtalonsAndPositionsCountTheirDifference) {
    findPlacedPulses();
    // Pulse 0 is etalon 1 at position 1 keeping samples 1..3 (20, 30, 40): keeping all four adds
    // sample 0 (10) where the series holds 0.
    series->lpFoundCutBegins[0] = 0;
    EXPECT_EQ(restoredErrorEnergy(*series), 100);
    findPlacedPulses();
    // Pulse 1 (etalon 2, samples 1..2 = 7, -9) restored from an unknown etalon: zeros there.
    series->lpFoundEtalonNumbers[1] = 9;
    EXPECT_EQ(restoredErrorEnergy(*series), 49 + 81);
    findPlacedPulses();
    // One sample late: every kept sample of pulse 3 (7, -9, 3 at 31..33) misses its place.
    series->lpFoundPositions[3] = static_cast<int16_t>(series->lpPositions[3] + 1);
    const int64_t shifted = (7 - 0) * (7 - 0) + (-9 - 7) * (-9 - 7) + (3 + 9) * (3 + 9) + 3 * 3;
    EXPECT_EQ(restoredErrorEnergy(*series), shifted);
}

}  // namespace
}  // namespace tessaline

namespace tessaline {
namespace {

// The restored error energy as the walk over the series defines it: from the first sample on, the
// current pulse is left for the next once its last sample is passed, and it restores the samples
// its used range covers.
int64_t restoredByTheWalk(const SeriesHeader& series, const RestoringPulses& pulses) {
    const int64_t n = series.wImpulseSize;
    int64_t energy = 0;
    int current = 0;
    for (int64_t t = 0; t < series.dwSeriesSize; ++t) {
        while (current < pulses.count && t > int64_t{pulses.positions[current]} + n - 1) ++current;
        int32_t restored = 0;
        if (current < pulses.count) {
            const int64_t u = t - pulses.positions[current];
            if (u >= 0 && u >= pulses.cutBegins[current] && u <= pulses.cutEnds[current]) {
                restored = seriesEtalonSample(series, pulses.etalons[current], u);
            }
        }
        const int64_t difference = int64_t{series.lpPureData[t]} - restored;
        energy += difference * difference;
    }
    return energy;
}

// Pulses overlapping, out of order, before the series and past its end, with cuts beyond the
// etalon and etalon numbers outside the alphabet: the measure is the walk's, sample for sample.
TEST(RestoredErrorTest, EveryArrangementOfPulsesGivesTheWalksEnergy) {
    std::mt19937 random(20261207u);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    std::vector<int16_t> first{10, -20, 30, 32767, -32768, 7}, second{-5, 7, -9};
    const PulseHeader alphabet[2] = {{6, 6, 1, first.data()}, {3, 3, 2, second.data()}};
    const PulseHeader* list[2] = {&alphabet[0], &alphabet[1]};
    for (int c = 0; c < 3000; ++c) {
        const int N = pick(0, 120);
        std::vector<int16_t> pure(static_cast<std::size_t>(N));
        for (int16_t& x : pure)
            x = static_cast<int16_t>(pick(0, 3) == 0 ? pick(-32768, 32767) : pick(-50, 50));
        SeriesHeader series{};
        series.dwSeriesSize = static_cast<uint32_t>(N);
        series.wImpulseSize = static_cast<uint16_t>(pick(0, 8));
        series.lpPureData = pure.data();
        series.lpPulsesList = list;
        series.wEtalons = series.wReservedEtalons = 2;
        const int count = pick(0, 10);
        std::vector<int16_t> positions(count), etalons(count), begins(count), ends(count);
        int position = pick(-10, 10);
        for (int i = 0; i < count; ++i) {
            position += pick(0, 4) == 0 ? -pick(0, 30) : pick(0, 30);
            positions[i] = static_cast<int16_t>(position);
            etalons[i] = static_cast<int16_t>(pick(-1, 3));
            begins[i] = static_cast<int16_t>(pick(-2, 7));
            ends[i] = static_cast<int16_t>(pick(-2, 9));
        }
        const RestoringPulses pulses{count, positions.data(), etalons.data(), begins.data(), ends.data()};
        ASSERT_EQ(restoredErrorEnergy(series, pulses), restoredByTheWalk(series, pulses)) << "case " << c;
    }
}

}  // namespace
}  // namespace tessaline
