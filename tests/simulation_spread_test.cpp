// The spread of the shown errors: each cell's sample standard deviation in the shown unit, taken
// through the root of the detection error, and the spread of the aggregates.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/codes.h"
#include "platform/headless.h"
#include "simulation/spread.h"
#include "simulation/statistics.h"

namespace tessaline {
namespace {

class SpreadTest : public testing::Test {
protected:
    // Pulse counts 2 and 4, one noise level, four repeats per cell.
    void SetUp() override {
        record = getRestErrHeader(window, 2, 1, 4, nullptr);
        ASSERT_NE(record, nullptr);
        ASSERT_EQ(initRestErrHeader(window, 2, 2, 2, 1, 10, 0, 4, record), 1);
        record->wTaskType = TASK_JOINT;
    }
    void TearDown() override { freeRestErrHeader(record); }

    void add(int j, SpreadMeasure measure, std::vector<int64_t> values) {
        for (int64_t value : values) addRepeatValue(cellRepeatSums(*record, 0, j)[measure], value);
    }

    HeadlessWindow window;
    RestErrorHeader* record = nullptr;
};

TEST_F(SpreadTest, CellsAndAggregatesInTheShownUnits) {
    add(0, SPREAD_RESTORED, {10, 12, 14, 16});       // variance 20 / 3
    add(0, SPREAD_DETECTION, {128, 128, 384, 384});  // q = 1, 1, 3, 3: variance 4 / 3
    add(0, SPREAD_RECOGNITION, {0, 1, 2, 1});        // variance 2 / 3, of 2 pulses
    add(1, SPREAD_RECOGNITION, {0, 0, 0, 4});        // variance 4, of 4 pulses
    const DisplayedSpread spread = displayedSpread(*record, {100, 1}, {{2.0, 0.0}}, {1.5});
    EXPECT_DOUBLE_EQ(spread.restored[0][0], std::sqrt(20.0 / 3) / 100);
    EXPECT_DOUBLE_EQ(spread.restored[0][1], 0.0);
    EXPECT_DOUBLE_EQ(spread.restoredAggregate[0], std::sqrt(20.0 / 3) / 100 / 2);
    // Through the root: sd(q) / (2 x shown value); a cell shown as 0 has no spread.
    EXPECT_DOUBLE_EQ(spread.detection[0][0], std::sqrt(4.0 / 3) / 4);
    EXPECT_DOUBLE_EQ(spread.detection[0][1], 0.0);
    EXPECT_DOUBLE_EQ(spread.detectionAggregate[0], std::sqrt(4.0 / 3) / 2 / 3);
    // Misrecognised pulses are shown as a share of the column's pulses, and so is their spread.
    EXPECT_DOUBLE_EQ(spread.recognition[0][0], std::sqrt(2.0 / 3) / 2);
    EXPECT_DOUBLE_EQ(spread.recognition[0][1], 0.5);
    EXPECT_DOUBLE_EQ(spread.recognitionAggregate[0], std::sqrt(2.0 / 3 / 4 + 4.0 / 16) / 2);

    record->wTaskType = TASK_RECOGNITION;  // misrecognised repeats: shown per repeat
    EXPECT_DOUBLE_EQ(displayedSpread(*record, {100, 1}, {{2.0, 0.0}}, {1.5}).recognition[0][1], 2.0);
}

TEST_F(SpreadTest, ZeroNormalisersAndSingleRepeatsShowNoSpread) {
    add(0, SPREAD_RESTORED, {10, 12, 14, 16});
    add(0, SPREAD_DETECTION, {128, 384, 128, 384});
    const DisplayedSpread unnormalised = displayedSpread(*record, {0, 0}, {{2.0, 0.0}}, {1.5});
    EXPECT_EQ(unnormalised.restored[0][0], 0.0);
    EXPECT_EQ(unnormalised.detection[0][0], 0.0);
    record->repeats = 1;
    EXPECT_EQ(displayedSpread(*record, {100, 1}, {{2.0, 0.0}}, {1.5}).restored[0][0], 0.0);
}

}  // namespace
}  // namespace tessaline
