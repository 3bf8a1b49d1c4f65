#pragma once
// Error measures of a processed series against the truth its generator placed in it.
#include <cstdint>

#include "model/codes.h"
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

// Recognition of single etalons (task 2): 1 when no pulse was found or the first found pulse
// carries another etalon than the placed one, `placed`; else 0.
int recognitionMismatch(const SeriesHeader& series, int placed) noexcept;

// Joint detection and identification (task 4): the placed pulses that were misrecognised. The
// placed and the found pulses, each in ascending position, are paired by a merge: a placed and a
// found position at most Tmin div 2 apart pair and both lists advance, else the list with the
// smaller position advances. A placed pulse without a pair, or whose pair carries another etalon,
// is misrecognised.
int misrecognisedPulses(const SeriesHeader& series);

// Whether a run of `taskType` counts misrecognised pulses per repeat (joint detection and
// identification) rather than misrecognised repeats (recognition, tuple recognition).
constexpr bool countsMisrecognisedPulses(uint16_t taskType) noexcept { return taskType == TASK_JOINT; }

// The recognition measure of one processed repeat of a run of `taskType`: for tuple recognition 1
// when the tuple recognised, `recognised`, is not the placed one, `expected`; for recognition
// recognitionMismatch against the placed etalon `expected`; for joint detection and
// identification the misrecognised pulses; 0 for the other tasks.
int64_t repeatRecognitionErrors(uint16_t taskType, const SeriesHeader& series, int recognised, int expected);

// The stored restored error of a cell: (2 errorSum + R) div (2 R), the mean restored error
// energy over its R repeats rounded half up. A cell without repeats stores 0. A mean beyond the
// 32-bit range stores the nearest 32-bit value rather than wrapping.
int32_t cellRestoredError(int64_t errorSum, uint32_t repeats);

// The stored detection error of a cell: the sum of the scaled deviations div 128 (the sum over the
// repeats of the mean squared deviation per pulse; not divided by R). Kept to the 32-bit range
// like the restored error.
int32_t cellDetectionError(int64_t scaledDeviationSum);

}  // namespace tessaline
