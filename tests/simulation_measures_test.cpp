// The restored error energy of a series against the pulses that restore it.
#include <gtest/gtest.h>

#include <vector>

#include "model/series.h"
#include "platform/headless.h"
#include "simulation/measures.h"

namespace tessaline {
namespace {

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
        for (uint32_t t = 0; t < series->dwSeriesSize; ++t) energy += int64_t{series->lpPureData[t]} * series->lpPureData[t];
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
