#include "model/pulse_lists.h"

#include <algorithm>

namespace tessaline {

int readablePulseEntries(const SeriesHeader& series, int count) noexcept {
    return std::clamp(count, 0, static_cast<int>(series.wReservedPulses));
}

std::vector<PulseEntry> placedPulses(const SeriesHeader& series) {
    std::vector<PulseEntry> pulses(
        static_cast<std::size_t>(readablePulseEntries(series, series.wImpulseQuantity)));
    for (std::size_t i = 0; i < pulses.size(); ++i) {
        pulses[i] = {series.lpPositions[i], series.lpEtalonNumbers[i], series.lpCutBegins[i],
                     series.lpCutEnds[i]};
    }
    return pulses;
}

std::vector<PulseEntry> foundPulses(const SeriesHeader& series) {
    std::vector<PulseEntry> pulses(
        static_cast<std::size_t>(readablePulseEntries(series, series.wFoundPulses)));
    for (std::size_t i = 0; i < pulses.size(); ++i) {
        pulses[i] = {series.lpFoundPositions[i], series.lpFoundEtalonNumbers[i], series.lpFoundCutBegins[i],
                     series.lpFoundCutEnds[i]};
    }
    return pulses;
}

}  // namespace tessaline
