// The pace and the time left that both front ends show while a simulation runs.
#include <gtest/gtest.h>

#include <limits>

#include "simulation/progress_rate.h"

namespace tessaline {
namespace {

TEST(ProgressRate, PaceAndTimeLeftFromTheCellsDoneAndTheTimeRun) {
    const double notANumber = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        SimulationProgress progress;  // cells done, cells, series processed
        double elapsed;
        double perSecond, left;
    } cases[] = {
        {"no time has passed", {3, 10, 600}, 0.0, 0.0, 0.0},
        {"a clock that went back", {3, 10, 600}, -1.0, 0.0, 0.0},
        {"a time that is not a number", {3, 10, 600}, notANumber, 0.0, 0.0},
        {"no cell done yet", {0, 10, 250}, 5.0, 50.0, 0.0},
        {"a fifth done", {2, 10, 400}, 4.0, 100.0, 16.0},
        {"every cell done", {10, 10, 1000}, 20.0, 50.0, 0.0},
        {"more cells reported than the grid has", {12, 10, 1200}, 6.0, 200.0, 0.0},
        {"an empty grid", {0, 0, 0}, 2.0, 0.0, 0.0},
        {"more series than 32 bits count", {1, 2, 6'000'000'000}, 3.0, 2e9, 3.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgressRate rate = progressRate(c.progress, c.elapsed);
        EXPECT_DOUBLE_EQ(rate.seriesPerSecond, c.perSecond);
        EXPECT_DOUBLE_EQ(rate.secondsLeft, c.left);
    }
}

}  // namespace
}  // namespace tessaline
