#pragma once
// The workbench's random numbers: one 15-bit linear congruential generator run on separate
// generator states, a normal variate as the sum of twelve steps, and the C-library-style generator
// that draws etalon sequences. All bit-exact, so that every run reproduces the same series.
#include <cstdint>

namespace tessaline {

struct SeriesHeader;

// Initial values of the generator states.
inline constexpr uint16_t SEGMENT_START_SEED = 7737;
inline constexpr uint16_t SEGMENT_END_SEED = 3373;
inline constexpr uint16_t PLACEMENT_SEED = 12345;
inline constexpr uint16_t PULSE_COUNT_SEED = 13579;
inline constexpr uint16_t SUBSET_SEED = 11357;
inline constexpr uint16_t SUBSET_GAP_SEED = 11357;
inline constexpr uint16_t RANDOM_ETALON_SEED = 123;
inline constexpr int32_t NOISE_SEED = 10597;
inline constexpr uint32_t STD_RAND_SEED = 1;

// The generator states of one run. Each advances only by its own use and is never reset.
struct GeneratorStates {
    uint16_t wSegmentStartState = SEGMENT_START_SEED;
    uint16_t wSegmentEndState = SEGMENT_END_SEED;
    uint16_t wPlacementState = PLACEMENT_SEED;
    uint16_t wPulseCountState = PULSE_COUNT_SEED;
    uint16_t wSubsetState = SUBSET_SEED;
    uint16_t wSubsetGapState = SUBSET_GAP_SEED;
    uint16_t wRandomEtalonState = RANDOM_ETALON_SEED;
    int32_t dwNoiseSeed = NOISE_SEED;
    uint32_t dwRandState = STD_RAND_SEED;  // the C-library-style generator behind stdRand

    friend bool operator==(const GeneratorStates&, const GeneratorStates&) = default;
};

// The generator states of a run seeded with `seed`: a SplitMix64 stream started at the seed gives,
// in this order, the segment-start, segment-end, placement, pulse-count, subset, subset-gap and
// noise states (each output mod 32768) and the C-library-style generator's state (the eighth output
// mod 2^32). The random-etalon state keeps its initial value, so that the alphabet stays the same.
GeneratorStates seededGeneratorStates(uint64_t seed) noexcept;

// One step x <- (12869 x + 6925) mod 32768; stores and returns the new value (0..32767).
constexpr uint16_t lcgStep(uint32_t x) noexcept {
    return static_cast<uint16_t>((12869u * (x & 0x7FFFu) + 6925u) & 0x7FFFu);
}
inline uint16_t lcgNext(uint16_t& state) noexcept { return state = lcgStep(state); }
inline uint16_t lcgNext(int32_t& state) noexcept {
    const uint16_t next = lcgStep(static_cast<uint32_t>(state));
    state = next;
    return next;
}

// `steps` generator steps at once: x -> (a x + c) mod 32768, the composition of that many steps.
struct LcgJump {
    uint32_t a = 1;
    uint32_t c = 0;
    constexpr uint16_t apply(uint32_t x) const noexcept {
        return static_cast<uint16_t>((a * (x & 0x7FFFu) + c) & 0x7FFFu);
    }
};

constexpr LcgJump lcgJumpOf(uint64_t steps) noexcept {
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

// The steps addNoise takes on a series of `samples` samples: twelve per sample.
constexpr uint64_t noiseStepsOf(uint64_t samples) noexcept { return 12 * samples; }

// The highest noise level a series takes: beyond it the generator's product (S - 196608) * sigma
// leaves 32 bits and the noisy samples wrap, so the noise added is no longer of that level.
inline constexpr int32_t NOISE_LEVEL_LIMIT = 10922;

// Twelve steps summed: mean + ((S - 196608) * sigma) >> 15, an approximately normal variate.
int32_t gaussNoise(int32_t& state, int16_t mean, int16_t sigma) noexcept;
int32_t gaussNoise(uint16_t& state, int16_t mean, int16_t sigma) noexcept;

// lpNoisyData[i] = lpPureData[i] + gaussNoise(0, sigma), wrapped to 16 bits, for every sample in
// order; then wNoiseLevel = sigma. Sigma 0 copies the pure data and still advances the state.
// The samples' variates are drawn NOISE_LANES at a time, each lane starting from the state that
// the samples before it leave, so the series and the final state are those of the one-by-one
// draws.
void addNoise(uint16_t sigma, SeriesHeader& series, int32_t& noiseState) noexcept;

// Samples whose noise is drawn side by side.
inline constexpr uint32_t NOISE_LANES = 16;

// The C-library-style generator: state = state * 214013 + 2531011, result bits 16..30 (0..32767).
inline int32_t stdRand(uint32_t& state) noexcept {
    state = state * 214013u + 2531011u;
    return static_cast<int32_t>((state >> 16) & 0x7FFFu);
}

}  // namespace tessaline
