#pragma once
// How fast a running simulation goes and how long it still needs, from its progress and the time
// it has run: what both front ends show beside their progress bars.
#include "simulation/driver.h"

namespace tessaline {

struct ProgressRate {
    double seriesPerSecond = 0.0;  // series processed per second so far
    double secondsLeft = 0.0;      // the cells left at the pace of the cells done; 0 until one is done
};

// The rate and time left after `elapsedSeconds` of a run; nothing is known before time has passed
// or a cell is done, and nothing is left once every cell is.
ProgressRate progressRate(const SimulationProgress& progress, double elapsedSeconds) noexcept;

}  // namespace tessaline
