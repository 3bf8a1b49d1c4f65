// The generator, its normal variate and the noise added to a series, checked against worked values
// so that every run keeps reproducing the same alphabet and the same series.
#include <gtest/gtest.h>

#include <vector>

#include "model/random.h"
#include "model/records.h"

namespace tessaline {
namespace {

std::vector<int> fiveSteps(uint16_t state) {
    std::vector<int> values;
    for (int i = 0; i < 5; ++i) values.push_back(lcgNext(state));
    return values;
}

uint16_t stepped(uint16_t state, int steps) {
    for (int i = 0; i < steps; ++i) state = lcgStep(state);
    return state;
}

// A hand-made series of the given pure samples, with its own storage.
struct SmallSeries {
    std::vector<int16_t> pure, noisy;
    SeriesHeader header{};

    explicit SmallSeries(std::vector<int16_t> samples) : pure(std::move(samples)), noisy(pure.size(), 0) {
        header.dwReservedSize = header.dwSeriesSize = static_cast<uint32_t>(pure.size());
        header.lpPureData = pure.data();
        header.lpNoisyData = noisy.data();
    }
};

TEST(Generator, StepsFromKnownStates) {
    EXPECT_EQ(fiveSteps(0), (std::vector<int>{6925, 28558, 26707, 28524, 15145}));
    EXPECT_EQ(fiveSteps(12345), (std::vector<int>{15466, 6047, 1768, 18325, 54}));
    EXPECT_EQ(fiveSteps(123), (std::vector<int>{16948, 6929, 14498, 695, 5216}));

    // The step is stored in the state; the 32-bit noise state follows the same sequence.
    uint16_t state = 12345;
    EXPECT_EQ(lcgNext(state), 15466);
    EXPECT_EQ(state, 15466);
    int32_t wide = 12345;
    EXPECT_EQ(lcgNext(wide), 15466);
    EXPECT_EQ(wide, 15466);
}

TEST(NormalVariate, WorkedValueRoundsTowardsMinusInfinity) {
    uint16_t state = 123;
    int32_t sum = 0;
    uint16_t replay = 123;
    for (int i = 0; i < 12; ++i) sum += lcgNext(replay);
    ASSERT_EQ(sum, 168778);
    // (168778 - 196608) * 64 / 32768 = -54.36: the shift gives -55, not the truncated -54.
    EXPECT_EQ(gaussNoise(state, 0, 64), -55);
    EXPECT_EQ(state, 24047);

    uint16_t again = 123;
    EXPECT_EQ(gaussNoise(again, 10, 64), -45);
    int32_t wide = 123;
    EXPECT_EQ(gaussNoise(wide, 0, 64), -55);
    EXPECT_EQ(wide, 24047);
}

TEST(NormalVariate, ZeroSigmaGivesTheMeanAndStillTakesTwelveSteps) {
    for (uint16_t start : {uint16_t{0}, uint16_t{123}, uint16_t{32767}}) {
        uint16_t state = start;
        EXPECT_EQ(gaussNoise(state, -17, 0), -17);
        EXPECT_EQ(state, stepped(start, 12));
    }
}

TEST(NormalVariate, LargeSigmaDoesNotOverflow) {
    // Beyond sigma 10922 the product (S - 196608) * sigma leaves 32 bits; the variate must still be
    // floor((S - 196608) * sigma / 32768).
    for (uint16_t start = 0; start < 32768 - 97; start += 97) {
        uint16_t replay = start;
        int64_t sum = 0;
        for (int i = 0; i < 12; ++i) sum += lcgNext(replay);
        const int64_t product = (sum - 196608) * 30000;
        const int64_t expected = product >= 0 ? product / 32768 : -((-product + 32767) / 32768);
        uint16_t state = start;
        ASSERT_EQ(gaussNoise(state, 0, 30000), expected) << start;
    }
}

TEST(Noise, EverySampleGetsOneVariateInOrder) {
    SmallSeries series({0, 100, -100, 5, 0, 32000, -32000});
    int32_t state = NOISE_SEED;
    addNoise(9, series.header, state);

    int32_t replay = NOISE_SEED;
    for (std::size_t i = 0; i < series.pure.size(); ++i) {
        EXPECT_EQ(series.noisy[i], static_cast<int16_t>(series.pure[i] + gaussNoise(replay, 0, 9))) << i;
    }
    EXPECT_EQ(state, replay);
    EXPECT_EQ(series.header.wNoiseLevel, 9);
    EXPECT_EQ(series.pure, (std::vector<int16_t>{0, 100, -100, 5, 0, 32000, -32000}));
}

TEST(Noise, ZeroSigmaCopiesThePureDataAndAdvancesTheState) {
    SmallSeries series({3, -4, 5, 32767, -32768});
    series.header.wNoiseLevel = 12;
    int32_t state = NOISE_SEED;
    addNoise(0, series.header, state);
    EXPECT_EQ(series.noisy, series.pure);
    EXPECT_EQ(series.header.wNoiseLevel, 0);
    EXPECT_EQ(state, stepped(NOISE_SEED, 12 * 5));
}

TEST(Noise, SumBeyondTheSampleRangeWrapsInsteadOfClamping) {
    // Find a noise state whose first variate at sigma 64 is positive.
    int32_t start = 0;
    int32_t variate = 0;
    for (; start < 32768; ++start) {
        int32_t probe = start;
        variate = gaussNoise(probe, 0, 64);
        if (variate > 0) break;
    }
    ASSERT_GT(variate, 0);
    SmallSeries series({32767, -32768});
    int32_t state = start;
    addNoise(64, series.header, state);
    EXPECT_EQ(series.noisy[0], static_cast<int16_t>(32767 + variate));
    EXPECT_LT(series.noisy[0], 0);
}

}  // namespace
}  // namespace tessaline

namespace tessaline {
namespace {

// A jump of m steps lands where m single steps do, from every state; the noise of a series moves
// the noise state by exactly the jump of its steps.
TEST(GeneratorJump, EqualsTheStepsItStandsFor) {
    for (uint64_t steps : {0ull, 1ull, 2ull, 12ull, 14400ull, 123457ull}) {
        const LcgJump jump = lcgJumpOf(steps);
        for (uint16_t start : {uint16_t{0}, uint16_t{123}, uint16_t{10597}, uint16_t{32767}}) {
            uint16_t state = start;
            for (uint64_t i = 0; i < steps; ++i) lcgNext(state);
            EXPECT_EQ(jump.apply(start), state) << steps << " from " << start;
        }
    }
}

}  // namespace
}  // namespace tessaline

namespace tessaline {
namespace {

// A seed's states follow the rule the README gives (worked here by an independent SplitMix64); the
// alphabet's state is never seeded.
TEST(SeededStates, FollowTheWrittenRuleAndKeepTheAlphabet) {
    struct Case {
        uint64_t seed;
        std::vector<int> states;  // segment start, segment end, placement, pulse count, subset, gap, noise
        uint32_t rand;
    };
    const Case cases[] = {{0, {19887, 26100, 17743, 492, 29851, 8938, 13025}, 3373706044u},
                          {20240517, {15733, 13783, 16865, 20554, 10664, 5354, 1248}, 4097517920u}};
    for (const Case& c : cases) {
        const GeneratorStates s = seededGeneratorStates(c.seed);
        EXPECT_EQ((std::vector<int>{s.wSegmentStartState, s.wSegmentEndState, s.wPlacementState,
                                    s.wPulseCountState, s.wSubsetState, s.wSubsetGapState, s.dwNoiseSeed}),
                  c.states)
            << c.seed;
        EXPECT_EQ(s.dwRandState, c.rand) << c.seed;
        EXPECT_EQ(s.wRandomEtalonState, RANDOM_ETALON_SEED) << c.seed;
    }
    EXPECT_NE(seededGeneratorStates(1), seededGeneratorStates(32769));
}

}  // namespace
}  // namespace tessaline

namespace tessaline {
namespace {

// The noise one generator step at a time, as the series' samples draw it one after another: the
// reference the lanes of addNoise must reproduce sample for sample.
int32_t noiseBySingleSteps(uint16_t sigma, const std::vector<int16_t>& pure, std::vector<int16_t>& noisy,
                           int32_t state) {
    for (std::size_t i = 0; i < pure.size(); ++i) {
        int64_t sum = 0;
        for (int step = 0; step < 12; ++step) sum += lcgNext(state);
        const int64_t variate = ((sum - 196608) * static_cast<int16_t>(sigma)) >> 15;
        noisy[i] = static_cast<int16_t>(pure[i] + variate);
    }
    return state;
}

// Pure samples across the whole range, the extremes included, so that wrapping shows.
std::vector<int16_t> spreadSamples(std::size_t count) {
    std::vector<int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        samples[i] = i % 7 == 0    ? int16_t{32767}
                     : i % 11 == 0 ? int16_t{-32768}
                                   : static_cast<int16_t>((i * 7919) % 2001 - 1000);
    }
    return samples;
}

// Lengths around the lane blocks, noise levels on both sides of the 32-bit limit (and those that
// read as negative), and states beyond 15 bits: every sample and the final state are those of the
// single steps.
TEST(NoiseLanes, EverySeriesEqualsTheSingleSteps) {
    const std::size_t lengths[] = {0, 1, 15, 16, 17, 31, 32, 33, 100, 1200, 1201};
    const uint16_t sigmas[] = {0, 1, 9, 70, 140, 10922, 10923, 32767, 40000, 65535};
    const int32_t states[] = {0, 123, NOISE_SEED, 32767, 70000, -5};
    for (std::size_t length : lengths) {
        for (uint16_t sigma : sigmas) {
            for (int32_t start : states) {
                SmallSeries series(spreadSamples(length));
                std::vector<int16_t> expected(length);
                const int32_t expectedState =
                    length == 0 ? start : noiseBySingleSteps(sigma, series.pure, expected, start);
                int32_t state = start;
                addNoise(sigma, series.header, state);
                ASSERT_EQ(series.noisy, expected)
                    << length << " samples, sigma " << sigma << ", state " << start;
                ASSERT_EQ(state, expectedState)
                    << length << " samples, sigma " << sigma << ", state " << start;
                ASSERT_EQ(series.header.wNoiseLevel, sigma);
            }
        }
    }
}

// A series noised in two parts, the second from the state the first left, is the series noised at
// once, wherever the cut falls against the lane blocks.
TEST(NoiseLanes, PartsNoisedInTurnMatchTheWhole) {
    const std::vector<int16_t> pure = spreadSamples(200);
    SmallSeries whole(pure);
    int32_t wholeState = NOISE_SEED;
    addNoise(70, whole.header, wholeState);
    for (std::size_t cut : {std::size_t{1}, std::size_t{16}, std::size_t{37}, std::size_t{199}}) {
        SmallSeries head({pure.begin(), pure.begin() + static_cast<std::ptrdiff_t>(cut)});
        SmallSeries tail({pure.begin() + static_cast<std::ptrdiff_t>(cut), pure.end()});
        int32_t state = NOISE_SEED;
        addNoise(70, head.header, state);
        addNoise(70, tail.header, state);
        head.noisy.insert(head.noisy.end(), tail.noisy.begin(), tail.noisy.end());
        EXPECT_EQ(head.noisy, whole.noisy) << cut;
        EXPECT_EQ(state, wholeState) << cut;
    }
}

}  // namespace
}  // namespace tessaline
