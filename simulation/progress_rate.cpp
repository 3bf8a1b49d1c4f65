#include "simulation/progress_rate.h"

namespace tessaline {

ProgressRate progressRate(const SimulationProgress& progress, double elapsedSeconds) noexcept {
    ProgressRate rate;
    if (!(elapsedSeconds > 0.0)) return rate;  // also a time that is not a number
    rate.seriesPerSecond = static_cast<double>(progress.seriesProcessed) / elapsedSeconds;
    if (progress.cellsDone > 0 && progress.cellsDone < progress.cells) {
        const double cellsLeft = static_cast<double>(progress.cells) - progress.cellsDone;
        rate.secondsLeft = elapsedSeconds * cellsLeft / progress.cellsDone;
    }
    return rate;
}

}  // namespace tessaline
