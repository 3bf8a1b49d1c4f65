// Reference quantities, normalisers, plotted error values and the theoretical recognition curves
// of a statistical simulation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "simulation/references.h"

namespace tessaline {
namespace {

// An alphabet of etalons of length n and a series record pointing at it.
class ReferenceTest : public testing::Test {
protected:
    void use(std::vector<std::vector<int16_t>> shapes, uint16_t firstPlaced) {
        samples = std::move(shapes);
        alphabet.assign(samples.size(), PulseHeader{});
        pointers.clear();
        for (size_t e = 0; e < samples.size(); ++e) {
            alphabet[e] = {static_cast<uint16_t>(samples[e].size()), static_cast<uint16_t>(samples[e].size()),
                           static_cast<int16_t>(e + 1), samples[e].data()};
        }
        for (const PulseHeader& etalon : alphabet) pointers.push_back(&etalon);
        series.wImpulseSize = static_cast<uint16_t>(samples[0].size());
        series.wEtalons = static_cast<uint16_t>(alphabet.size());
        series.wReservedEtalons = series.wEtalons;
        series.lpPulsesList = pointers.data();
        series.lpFirstEtalon = &alphabet[firstPlaced - 1];
    }
    // Stores the tuples as the series record's selected subsets.
    void storeTuples(const std::vector<std::vector<uint16_t>>& tuples, uint16_t width) {
        const size_t count = tuples.size();
        subsetBlock.assign(count * (width + 1), 0);
        rows.assign(count, nullptr);
        for (size_t i = 0; i < count; ++i) {
            subsetBlock[i] = static_cast<uint16_t>(tuples[i].size());
            rows[i] = subsetBlock.data() + count + i * width;
            std::copy(tuples[i].begin(), tuples[i].end(), rows[i]);
        }
        series.wSubsets = series.wReservedSubsets = static_cast<uint16_t>(count);
        series.wReservedSubsetSize = width;
        series.selectedSubsetSize = subsetBlock.data();
        series.selectedSubsetList = rows.data();
    }

    std::vector<std::vector<int16_t>> samples;
    std::vector<PulseHeader> alphabet;
    std::vector<const PulseHeader*> pointers;
    std::vector<uint16_t> subsetBlock;
    std::vector<uint16_t*> rows;
    SeriesHeader series{};
};

TEST_F(ReferenceTest, SingleEntryListTakesTheAutocorrelationAndRminIsNeverPositive) {
    use({{3, -1, -2}, {1, 2, 3}}, 2);
    // K(2) = a(2) a(0) = -6 is the least shift of 3, -1, -2 with itself.
    std::vector<uint16_t> list{1};
    const ReferenceQuantities r = referenceQuantities(series, list, 1, 1);
    EXPECT_EQ(r.Rmin, -6);
    EXPECT_EQ(r.Rmax, 0);
    // E and q come from the first placed etalon, 1, 2, 3, not from the list.
    EXPECT_EQ(r.E, 14);
    EXPECT_EQ(r.q, 1);
    // 1, 2, 3 correlates positively at every shift (the outer shifts are empty sums): Rmin is 0.
    list = {2};
    EXPECT_EQ(referenceQuantities(series, list, 1, 1).Rmin, 0);
    // An entry outside the alphabet, and an empty list, fall back to the first placed etalon.
    list = {7};
    EXPECT_EQ(referenceQuantities(series, list, 1, 1).Rmin, 0);
    series.lpFirstEtalon = &alphabet[0];
    EXPECT_EQ(referenceQuantities(series, list, 1, 1).Rmin, -6);
    EXPECT_EQ(referenceQuantities(series, {}, 1, 1).Rmin, -6);
}

TEST_F(ReferenceTest, TwoEntriesCorrelateTheFirstShiftedAgainstTheSecond) {
    use({{3, -1, -2}, {1, 1, 1}}, 1);
    // a = 3, -1, -2 against b = 1, 1, 1: K(1) = -1 - 2 = -3 is the least.
    std::vector<uint16_t> list{1, 2};
    EXPECT_EQ(referenceQuantities(series, list, 1, 1).Rmin, -3);
    // The other order: K(-1) = a(-1) b(0) + a(0) b(1) = 0 + 1 x -1 = -1.
    list = {2, 1};
    EXPECT_EQ(referenceQuantities(series, list, 1, 1).Rmin, -1);
    // An invalid second entry falls back to the first: the autocorrelation of 3, -1, -2.
    list = {1, 9};
    EXPECT_EQ(referenceQuantities(series, list, 1, 1).Rmin, -6);
}

TEST_F(ReferenceTest, TupleRunsCorrelateOnlyMembersOfDifferentTuples) {
    use({{1, 2}, {2, -1}, {3, 3}, {-9, 9}}, 1);
    storeTuples({{1}, {2, 3}}, 2);
    const std::vector<uint16_t> list{4};
    // Pairs (1, 2): K(-1) = -1, K(0) = 0, K(1) = 4; (1, 3): 3, 9, 6. Etalons 2 and 3 share a
    // tuple (their K(1) = -3 does not count), and etalon 4 is no member (its -81 does not either).
    const ReferenceQuantities tuple = referenceQuantities(series, list, 40, 40);
    EXPECT_EQ(tuple.E, 18);
    EXPECT_EQ(tuple.q, 1);
    EXPECT_EQ(tuple.Rmin, -1);
    EXPECT_EQ(tuple.Rmax, 9);
    EXPECT_EQ(referenceQuantities(series, list, 36, 40).Rmax, 9);
    // Tuple detection, or tuple recognition on a plain series, keeps the plain form.
    const ReferenceQuantities plain = referenceQuantities(series, list, 36, 36);
    EXPECT_EQ(plain.E, 5);
    EXPECT_EQ(plain.Rmin, -81);
    EXPECT_EQ(plain.Rmax, 0);
    EXPECT_EQ(referenceQuantities(series, list, 1, 40).Rmax, 0);
    // A single tuple has no pairs.
    storeTuples({{1, 2, 3}}, 3);
    const ReferenceQuantities single = referenceQuantities(series, list, 40, 40);
    EXPECT_EQ(single.E, 18);
    EXPECT_EQ(single.Rmin, 0);
    EXPECT_EQ(single.Rmax, 0);
}

TEST(ErrorValuesTest, NormalisersAndPlottedValues) {
    const ErrorNormalisers N = errorNormalisers({14, 1, -6, 0}, 5, 12, 4);
    EXPECT_EQ(N.restored, 200);  // 2 x 5 x 20
    EXPECT_EQ(N.detection, 64);  // (12 - 4)^2
    const std::vector<int32_t> restored{50, 150};
    EXPECT_DOUBLE_EQ(restoredErrorValue(50, 200), 0.25);
    EXPECT_DOUBLE_EQ(restoredErrorAggregate(restored, 200), 0.5);
    const std::vector<int32_t> detection{32, 0};
    EXPECT_DOUBLE_EQ(detectionErrorValue(32, 2, 4), 2.0);
    EXPECT_DOUBLE_EQ(detectionErrorAggregate(detection, 2, 4), std::sqrt(2.0));
    const std::vector<int32_t> recognition{3, 1};
    EXPECT_DOUBLE_EQ(recognitionErrorValue(3, 4), 0.75);
    EXPECT_DOUBLE_EQ(recognitionErrorAggregate(recognition, 4), 0.5);
    EXPECT_DOUBLE_EQ(pulseRecognitionErrorValue(6, 4, 3), 0.5);  // 6 of 4 x 3 pulses
}

TEST(ErrorValuesTest, ZeroNormalisersRepeatsOrColumnsShowZero) {
    const ErrorNormalisers N = errorNormalisers({0, 0, 0, 0}, 5, 4, 4);
    EXPECT_EQ(N.restored, 0);
    EXPECT_EQ(N.detection, 0);
    const std::vector<int32_t> row{7, 9};
    EXPECT_EQ(restoredErrorValue(7, 0), 0.0);
    EXPECT_EQ(restoredErrorAggregate(row, 0), 0.0);
    EXPECT_EQ(detectionErrorValue(7, 2, 0), 0.0);
    EXPECT_EQ(detectionErrorAggregate(row, 2, 0), 0.0);
    EXPECT_EQ(detectionErrorAggregate(row, 0, 4), 0.0);
    EXPECT_EQ(recognitionErrorValue(7, 0), 0.0);
    EXPECT_EQ(recognitionErrorAggregate(row, 0), 0.0);
    EXPECT_EQ(recognitionErrorAggregate({}, 2), 0.0);
    EXPECT_EQ(pulseRecognitionErrorValue(7, 0, 3), 0.0);
    EXPECT_EQ(pulseRecognitionErrorValue(7, 4, 0), 0.0);
}

TEST(RecognitionCurvesTest, DistancesTakeTheGreaterOfMakingShareAndLeastSquare) {
    // d1 = (4 x 20 + 4) div 8 = 10; X = max((14 x 50 + 50) div 100, 1) = 7, d2 = 36 div 16 = 2.
    RecognitionDistances d = recognitionDistances({14, 1, -6, 0}, false, 50);
    EXPECT_EQ(d.d1, 10);
    EXPECT_EQ(d.d2, 2);
    // X = max((140 + 50) div 100, 4) = 4, d2 = 24 div 16 = 1.
    EXPECT_EQ(recognitionDistances({14, 4, -6, 0}, false, 10).d2, 1);
    // Tuple runs: X = E - Rmax = 80, d2 = 328 div 16 = 20 (the plain form would give 13).
    EXPECT_EQ(recognitionDistances({100, 1, -20, 20}, true, 50).d2, 20);
    EXPECT_EQ(recognitionDistances({100, 1, -20, 20}, false, 50).d2, 13);
    EXPECT_TRUE(tupleBoundRun(36, 2));
    EXPECT_TRUE(tupleBoundRun(1, 40));
    EXPECT_FALSE(tupleBoundRun(40, 36));
}

TEST(RecognitionCurvesTest, CurvesAtSomeNoiseLevels) {
    const RecognitionDistances d{10, 2};
    // sigma 10, wMaxPulses 5: 0.5 - 0.5 sqrt(1 - e^-0.5); wMinPulses 3: 0.5 e^-0.06.
    EXPECT_NEAR(firstRecognitionCurve(d, 5, 10), 0.186364, 1e-6);
    EXPECT_NEAR(secondRecognitionCurve(d, 3, 10), 0.470882, 1e-6);
    // sigma 5: 0.5 - 0.5 sqrt(1 - e^-2) and 0.5 e^-0.24.
    EXPECT_NEAR(firstRecognitionCurve(d, 5, 5), 0.035063, 1e-6);
    EXPECT_NEAR(secondRecognitionCurve(d, 3, 5), 0.393314, 1e-6);
    EXPECT_EQ(firstRecognitionCurve(d, 5, 0), 0.0);
    EXPECT_EQ(secondRecognitionCurve(d, 3, 0), 0.0);
}

}  // namespace
}  // namespace tessaline
