#include "simulation/measures.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <vector>

namespace tessaline {
namespace {

int32_t toStored(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The indices 0..count-1 in ascending position, equal positions in list order.
template <typename Position>
std::vector<int> ascendingOrder(int count, Position position) {
    std::vector<int> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return position(a) < position(b); });
    return order;
}

// One restoring pulse as the measure reads it.
struct RestoringPulse {
    int64_t position;
    int32_t etalon;
    int64_t cutBegin;
    int64_t cutEnd;
};

int64_t pureEnergy(const int16_t* x, int64_t N) {
    int64_t energy = 0;
    for (int64_t t = 0; t < N; ++t) {
        const int32_t square = int32_t{x[t]} * x[t];  // a square of 16 bits fits 32
        energy += square;
    }
    return energy;
}

// The restored series holds at sample t the pulse that is current there: the first in list order
// whose last sample, position + n - 1, is not before t (a walk from the first sample that moves on
// to the next pulse once the current one's last sample is passed finds exactly that one). So pulse
// i restores the samples after every earlier pulse's last and up to its own, where its used samples
// fall; the error energy is the pure energy changed there by (x - r)^2 - x^2.
template <class PulseAt>
int64_t restoredError(const SeriesHeader& series, int count, PulseAt pulseAt) {
    const int64_t N = series.dwSeriesSize;
    const int64_t n = series.wImpulseSize;
    int64_t energy = pureEnergy(series.lpPureData, N);
    int64_t covered = -1;  // the last sample of the pulses before
    for (int i = 0; i < count && covered < N - 1; ++i) {
        const RestoringPulse pulse = pulseAt(i);
        const int64_t last = pulse.position + n - 1;
        const int64_t from = std::max({covered + 1, pulse.position + std::max<int64_t>(0, pulse.cutBegin)});
        const int64_t to = std::min({last, pulse.position + pulse.cutEnd, N - 1});
        for (int64_t t = from; t <= to; ++t) {
            const int64_t x = series.lpPureData[t];
            const int64_t difference = x - seriesEtalonSample(series, pulse.etalon, t - pulse.position);
            energy += difference * difference - x * x;
        }
        covered = std::max(covered, last);
    }
    return energy;
}

}  // namespace

int64_t restoredErrorEnergy(const SeriesHeader& series, const RestoringPulses& pulses) {
    return restoredError(series, pulses.count, [&pulses](int i) {
        return RestoringPulse{pulses.positions[i], pulses.etalons[i], pulses.cutBegins[i], pulses.cutEnds[i]};
    });
}

int64_t restoredErrorEnergy(const SeriesHeader& series) {
    return restoredError(series, series.wFoundPulses, [&series](int i) {
        return RestoringPulse{
            series.lpFoundPositions[i], static_cast<int16_t>(series.lpFoundEtalonNumbers[i]),
            static_cast<int16_t>(series.lpFoundCutBegins[i]), static_cast<int16_t>(series.lpFoundCutEnds[i])};
    });
}

int64_t positionDeviation(const SeriesHeader& series, int pulseCount, uint16_t seekingPulses) {
    if (pulseCount <= 0 || series.lpPositions == nullptr || series.lpFoundPositions == nullptr) return 0;
    const int compared = std::min({pulseCount, int{seekingPulses}, int{series.wReservedPulses}});
    int64_t deviation = 0;
    for (int m = 0; m < compared; ++m) {
        const int64_t placed = static_cast<int16_t>(series.lpPositions[m]);
        const int64_t difference = placed - series.lpFoundPositions[m];
        deviation += difference * difference;
    }
    return deviation;
}

int64_t scaledPositionDeviation(int64_t deviation, int pulseCount) {
    if (pulseCount <= 0) return 0;
    const int64_t C = pulseCount;
    return (C + 256 * deviation) / (2 * C);
}

int64_t scaledPositionDeviation(const SeriesHeader& series, const ChainsHeader& chains, int pulseCount) {
    return scaledPositionDeviation(positionDeviation(series, pulseCount, chains.wSeekingPulsesQuantity),
                                   pulseCount);
}

int recognitionMismatch(const SeriesHeader& series, int placed) noexcept {
    if (series.wFoundPulses == 0 || series.lpFoundEtalonNumbers == nullptr) return 1;
    return series.lpFoundEtalonNumbers[0] != placed ? 1 : 0;
}

int misrecognisedPulses(const SeriesHeader& series) {
    const int placedCount = std::min<int>(series.wImpulseQuantity, series.wReservedPulses);
    const int foundCount = std::min<int>(series.wFoundPulses, series.wReservedPulses);
    const std::vector<int> placed = ascendingOrder(placedCount, [&](int i) { return series.lpPositions[i]; });
    const std::vector<int> found =
        ascendingOrder(foundCount, [&](int i) { return series.lpFoundPositions[i]; });
    const int64_t reach = series.wTmin / 2;
    int paired = 0, p = 0, f = 0;
    while (p < placedCount && f < foundCount) {
        const int64_t at = series.lpPositions[placed[p]];
        const int64_t seen = series.lpFoundPositions[found[f]];
        if (std::abs(at - seen) <= reach) {
            if (series.lpFoundEtalonNumbers[found[f]] == series.lpEtalonNumbers[placed[p]]) ++paired;
            ++p;
            ++f;
        } else if (at < seen) {
            ++p;
        } else {
            ++f;
        }
    }
    return placedCount - paired;
}

int64_t repeatRecognitionErrors(uint16_t taskType, const SeriesHeader& series, int recognised, int expected) {
    switch (taskType) {
        case TASK_TUPLES_RECOGNITION: return recognised != expected ? 1 : 0;
        case TASK_RECOGNITION: return recognitionMismatch(series, expected);
        case TASK_JOINT: return misrecognisedPulses(series);
        default: return 0;
    }
}

int32_t cellRestoredError(int64_t errorSum, uint32_t repeats) {
    if (repeats == 0) return 0;
    const int64_t R = repeats;
    return toStored((2 * errorSum + R) / (2 * R));
}

int32_t cellDetectionError(int64_t scaledDeviationSum) { return toStored(scaledDeviationSum / 128); }

}  // namespace tessaline
