#pragma once
// Hand-made scenes for the processing algorithms' edge cases: an alphabet of given shapes, a silent
// series record with pulses placed by hand, a result record, and the algorithms to run on them
// (the reference ones unless a parametrised test picks). Every block is checked back in at the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/alloc.h"
#include "platform/headless.h"
#include "processing/chains.h"
#include "processing/workspace.h"
#include "tests/support/algorithms.h"

namespace tessaline::cases {

using Shape = std::vector<int16_t>;
using List = std::vector<int>;

class ProcessingScene : public testing::Test {
protected:
    void TearDown() override {
        freeChainsHeader(chains);
        freeSeriesHeader(series);
        EXPECT_EQ(blocksWithoutWorkspace(), blocksAtStart);
    }
    // The blocks outstanding once production's working tables, kept between runs, are released.
    static std::int64_t blocksWithoutWorkspace() {
        releaseProcessingWorkspace();
        return memory::outstandingBlocks();
    }

    const Algorithms& run() const { return *algorithms; }

    // Etalons numbered 1, 2, ... in the order given.
    void setEtalons(const std::vector<Shape>& shapes) {
        samples = shapes;
        alphabet.clear();
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const auto size = static_cast<uint16_t>(samples[i].size());
            alphabet.push_back({size, size, static_cast<int16_t>(i + 1), samples[i].data()});
        }
    }
    // A silent series of N samples for K pulses of n samples, gaps Tmin..Tmax, every pulse
    // admissible anywhere.
    void newSeries(uint32_t N, uint16_t n, uint16_t Tmin, uint16_t Tmax, uint16_t K) {
        series =
            getCutOffSeriesHeader(window, static_cast<uint16_t>(alphabet.size()), n, Tmin, Tmax, N, series);
        ASSERT_NE(series, nullptr);
        series->wImpulseSize = n;
        series->wImpulseQuantity = K;
        fill(0);
        for (int j = 0; j < K; ++j) setRange(j, 0, static_cast<int>(N - n));
    }
    void setRange(int j, int lo, int hi) {
        series->lpMinPositions[j] = static_cast<uint16_t>(lo);
        series->lpMaxPositions[j] = static_cast<uint16_t>(hi);
    }
    void place(int position, const Shape& shape) {
        for (std::size_t t = 0; t < shape.size(); ++t) series->lpNoisyData[position + t] = shape[t];
    }
    void fill(int16_t value) { std::fill_n(series->lpNoisyData, series->dwSeriesSize, value); }
    void newChains(uint16_t pulses = 10, uint16_t rows = 10) {
        chains = getChainsHeader(window, rows, pulses, chains);
        ASSERT_NE(chains, nullptr);
    }

    List found(const int16_t* values) const { return {values, values + series->wFoundPulses}; }
    List found(const uint16_t* values) const { return {values, values + series->wFoundPulses}; }
    List positions() const { return found(series->lpFoundPositions); }
    List etalons() const { return found(series->lpFoundEtalonNumbers); }
    List row(int16_t** list, int r) const { return {list[r], list[r] + chains->pulsesNumber[r]}; }

    // A stale chain, found pulses and the message log as an earlier run leaves them, so that a
    // failed run shows when it writes anything.
    void leaveStaleResults() {
        const int16_t previous[] = {9, 99};
        clearChainsHeader(*chains, 3, 3);
        insertChain(*chains, ChainView{5, previous, previous, previous, previous});
        series->wFoundPulses = 1;
        series->lpFoundPositions[0] = 33;
        window.clearRecords();
    }
    // One failure message without caption or icon, and the stale results untouched.
    void expectFailureLeftStaleResults(const char* message) {
        ASSERT_EQ(window.messages().size(), 1u);
        EXPECT_EQ(window.messages()[0].text, message);
        EXPECT_EQ(window.messages()[0].caption, "");
        EXPECT_EQ(window.messages()[0].icon, MessageIcon::None);
        EXPECT_EQ(series->wFoundPulses, 1);
        EXPECT_EQ(series->lpFoundPositions[0], 33);
        EXPECT_EQ(chains->wPretenders, 1);
        EXPECT_EQ(chains->wQuanPulses, 3);
        EXPECT_EQ(chains->distance[0], 5);
        EXPECT_EQ(row(chains->positionsList, 0), (List{9, 99}));
    }

    const Algorithms* algorithms = &REFERENCE;
    std::int64_t blocksAtStart = blocksWithoutWorkspace();
    HeadlessWindow window;
    std::vector<Shape> samples;
    std::vector<PulseHeader> alphabet;
    SeriesHeader* series = nullptr;
    ChainsHeader* chains = nullptr;
};

// A scene fixture whose tests run once on the reference and once on the production algorithms.
template <class Scene>
class OnBothImplementations : public Scene, public testing::WithParamInterface<const Algorithms*> {
protected:
    OnBothImplementations() { this->algorithms = this->GetParam(); }
};

inline std::string implementationName(const testing::TestParamInfo<const Algorithms*>& info) {
    return info.param->name;
}

}  // namespace tessaline::cases

// Runs the parametrised tests of `suite` on the reference and on the production algorithms.
#define RUN_ON_BOTH_IMPLEMENTATIONS(suite)                                                                 \
    INSTANTIATE_TEST_SUITE_P(Both, suite,                                                                  \
                             testing::Values(&tessaline::cases::REFERENCE, &tessaline::cases::PRODUCTION), \
                             tessaline::cases::implementationName)
