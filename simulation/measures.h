#pragma once
// Error measures of a processed series against the truth its generator placed in it.
#include <cstdint>

#include "model/records.h"
#include "processing/chains.h"

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

// Position deviation D of a series processed in a cell of `pulseCount` pulses: the sum over the
// first M pulses of (placed position - found position)^2, both read as signed 16-bit values, with
// M the smaller of the pulse count and the pulses sought by the run (`seekingPulses`, the result
// record's wSeekingPulsesQuantity). M never exceeds the per-pulse capacity of the record. A pulse
// count of 0 or below compares nothing.
int64_t positionDeviation(const SeriesHeader& series, int pulseCount, uint16_t seekingPulses);

// The deviation in fixed point with 7 fractional bits: (C + 256 D) div (2 C), that is 128 D / C
// rounded half up, for C = `pulseCount`. A pulse count of 0 or below contributes 0.
int64_t scaledPositionDeviation(int64_t deviation, int pulseCount);

// The same measured on a processed series and the result record of its run.
int64_t scaledPositionDeviation(const SeriesHeader& series, const ChainsHeader& chains, int pulseCount);

// The stored restored error of a cell: (2 errorSum + R) div (2 R), the mean restored error
// energy over its R repeats rounded half up. A cell without repeats stores 0. A mean beyond the
// 32-bit range stores the nearest 32-bit value rather than wrapping.
int32_t cellRestoredError(int64_t errorSum, uint32_t repeats);

// The stored detection error of a cell: the sum of the scaled deviations div 128 (the sum over the
// repeats of the mean squared deviation per pulse; not divided by R). Kept to the 32-bit range
// like the restored error.
int32_t cellDetectionError(int64_t scaledDeviationSum);

}  // namespace tessaline
