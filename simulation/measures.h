#pragma once
// Error measures of a processed series against the truth its generator placed in it.
#include <cstdint>

#include "model/records.h"

namespace tessaline {

// Pulses that restore a series: per pulse its position, etalon number and used samples.
struct RestoringPulses {
    int count = 0;
    const int16_t* positions = nullptr;
    const int16_t* etalons = nullptr;  // 1-based etalon numbers (an unknown number restores zeros)
    const int16_t* cutBegins = nullptr;
    const int16_t* cutEnds = nullptr;
};

// Sum over the series of (pure sample - restored sample)^2, the restored series holding the used
// samples of the given pulses and zeros elsewhere. Pulses are walked in list order once from the
// first sample: the next pulse becomes current when the last sample of the current one is passed.
// Summed in 64 bits, so that no series overflows it.
int64_t restoredErrorEnergy(const SeriesHeader& series, const RestoringPulses& pulses);

// The same for the series' own found pulses.
int64_t restoredErrorEnergy(const SeriesHeader& series);

}  // namespace tessaline
