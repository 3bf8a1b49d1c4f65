#include "model/random.h"

#include "model/records.h"

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

LcgJump lcgJumpOf(uint64_t steps) noexcept {
    // Affine maps compose as (a2, c2) after (a1, c1) = (a2 a1, a2 c1 + c2), all mod 32768; the
    // jump is built by squaring the single step.
    LcgJump result;
    LcgJump power{12869u, 6925u};
    for (; steps != 0; steps >>= 1) {
        if ((steps & 1u) != 0)
            result = {(power.a * result.a) & 0x7FFFu, (power.a * result.c + power.c) & 0x7FFFu};
        power = {(power.a * power.a) & 0x7FFFu, (power.a * power.c + power.c) & 0x7FFFu};
    }
    return result;
}

void addNoise(uint16_t sigma, SeriesHeader& series, int32_t& noiseState) noexcept {
    const int16_t signedSigma = static_cast<int16_t>(sigma);
    const uint32_t count = series.dwSeriesSize;
    for (uint32_t i = 0; i < count; ++i) {
        const int32_t noisy = series.lpPureData[i] + gaussNoise(noiseState, 0, signedSigma);
        series.lpNoisyData[i] = static_cast<int16_t>(noisy);
    }
    series.wNoiseLevel = sigma;
}

}  // namespace tessaline
