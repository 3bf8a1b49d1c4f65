#include "model/random.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "model/records.h"
#include "model/wide_lanes.h"

namespace tessaline {
namespace {

// S is 0..393204 and |sigma| <= 32768, so the product needs 64 bits beyond sigma 10922; where the
// 32-bit product fits, the 64-bit one is the same number.
int32_t scaledVariate(int32_t sum, int16_t mean, int16_t sigma) noexcept {
    const int64_t product = static_cast<int64_t>(sum - 196608) * sigma;
    return static_cast<int32_t>(mean + (product >> 15));
}

template <class State>
int32_t twelveStepVariate(State& state, int16_t mean, int16_t sigma) noexcept {
    int32_t sum = 0;
    for (int step = 0; step < 12; ++step) sum += lcgNext(state);
    return scaledVariate(sum, mean, sigma);
}

// Where lane j starts (12 j steps on) and how far every lane moves from one block of samples to the
// next (12 NOISE_LANES steps), and the twelve steps of a variate, each as one jump from the state
// its sample starts from, so that the lanes' steps do not wait on each other.
struct NoiseJumps {
    LcgJump lane[NOISE_LANES];
    LcgJump block;
    LcgJump step[12];
};

constexpr NoiseJumps noiseJumps() noexcept {
    NoiseJumps jumps;
    for (uint32_t j = 0; j < NOISE_LANES; ++j) jumps.lane[j] = lcgJumpOf(noiseStepsOf(j));
    jumps.block = lcgJumpOf(noiseStepsOf(NOISE_LANES));
    for (uint32_t k = 0; k < 12; ++k) jumps.step[k] = lcgJumpOf(k + 1);
    return jumps;
}

constexpr NoiseJumps NOISE_JUMPS = noiseJumps();

// The lanes as vectors: sixteen 16-bit states (whose arithmetic wraps at 65536, and the low 15 bits
// of a x + c are the same in 16 bits as in 32) and the sixteen 32-bit sums of their variates.
using StateLanes = uint16_t __attribute__((vector_size(2 * NOISE_LANES)));
using SampleLanes = int16_t __attribute__((vector_size(2 * NOISE_LANES)));
using SumLanes = int32_t __attribute__((vector_size(4 * NOISE_LANES)));

// The noise of `blocks` blocks of NOISE_LANES samples from noise state `start` (0..32767); returns
// the state after them. Two steps summed stay below 65536, so pairs are added in 16 bits before
// they are widened. With |sigma| <= NOISE_LEVEL_LIMIT the product (S - 196608) * sigma fits 32 bits.
TESSALINE_WIDE_LANES uint16_t noiseInLanes(const int16_t* pure, int16_t* noisy, uint32_t blocks,
                                           int32_t sigma, uint16_t start) noexcept {
    const auto jump = [](const LcgJump& by, const StateLanes& from, StateLanes& to) {
        to = (static_cast<uint16_t>(by.a) * from + static_cast<uint16_t>(by.c)) & 0x7FFFu;
    };
    StateLanes state;
    for (uint32_t j = 0; j < NOISE_LANES; ++j) state[j] = NOISE_JUMPS.lane[j].apply(start);
    for (uint32_t b = 0; b < blocks; ++b, pure += NOISE_LANES, noisy += NOISE_LANES) {
        SumLanes sum = {};
        for (uint32_t k = 0; k < 12; k += 2) {
            StateLanes one, two;
            jump(NOISE_JUMPS.step[k], state, one);
            jump(NOISE_JUMPS.step[k + 1], state, two);
            sum += __builtin_convertvector(one + two, SumLanes);
        }
        SampleLanes samples;
        std::memcpy(&samples, pure, sizeof samples);
        const SumLanes sums = __builtin_convertvector(samples, SumLanes) + (((sum - 196608) * sigma) >> 15);
        samples = __builtin_convertvector(sums, SampleLanes);
        std::memcpy(noisy, &samples, sizeof samples);
        jump(NOISE_JUMPS.block, state, state);
    }
    return state[0];
}

// The next output of a SplitMix64 stream.
uint64_t splitMix64(uint64_t& x) noexcept {
    uint64_t z = (x += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

}  // namespace

GeneratorStates seededGeneratorStates(uint64_t seed) noexcept {
    GeneratorStates states;
    uint64_t stream = seed;
    const auto next15 = [&stream] { return static_cast<uint16_t>(splitMix64(stream) & 0x7FFFu); };
    for (uint16_t* state : {&states.wSegmentStartState, &states.wSegmentEndState, &states.wPlacementState,
                            &states.wPulseCountState, &states.wSubsetState, &states.wSubsetGapState}) {
        *state = next15();
    }
    states.dwNoiseSeed = next15();
    states.dwRandState = static_cast<uint32_t>(splitMix64(stream));
    return states;
}

int32_t gaussNoise(int32_t& state, int16_t mean, int16_t sigma) noexcept {
    return twelveStepVariate(state, mean, sigma);
}

int32_t gaussNoise(uint16_t& state, int16_t mean, int16_t sigma) noexcept {
    return twelveStepVariate(state, mean, sigma);
}

void addNoise(uint16_t sigma, SeriesHeader& series, int32_t& noiseState) noexcept {
    const int16_t signedSigma = static_cast<int16_t>(sigma);
    const uint32_t count = series.dwSeriesSize;
    uint32_t first = 0;
    if (signedSigma == 0 && count > 0) {
        std::copy_n(series.lpPureData, count, series.lpNoisyData);
        noiseState = lcgJumpOf(noiseStepsOf(count)).apply(static_cast<uint32_t>(noiseState));
        first = count;
    } else if (std::abs(int32_t{signedSigma}) <= NOISE_LEVEL_LIMIT && count >= NOISE_LANES) {
        first = count - count % NOISE_LANES;
        noiseState = noiseInLanes(series.lpPureData, series.lpNoisyData, first / NOISE_LANES, signedSigma,
                                  static_cast<uint16_t>(noiseState & 0x7FFF));
    }
    for (uint32_t i = first; i < count; ++i) {
        const int32_t noisy = series.lpPureData[i] + gaussNoise(noiseState, 0, signedSigma);
        series.lpNoisyData[i] = static_cast<int16_t>(noisy);
    }
    series.wNoiseLevel = sigma;
}

}  // namespace tessaline
