// The alphabet: the fixed shapes sample for sample at the default settings, the random etalons,
// buffer reuse and growth, and the release of everything taken when a buffer is refused.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "model/alphabet.h"
#include "model/random.h"
#include "platform/alloc.h"
#include "platform/headless.h"

namespace tessaline {
namespace {

constexpr int16_t DEFAULT_AMPLITUDE = 128;
constexpr uint16_t DEFAULT_LENGTH = 20;

std::vector<int16_t> samples(const PulseHeader& etalon) {
    return {etalon.lpData, etalon.lpData + etalon.wSize};
}

std::vector<int16_t> negated(std::vector<int16_t> values) {
    for (int16_t& value : values) value = static_cast<int16_t>(-value);
    return values;
}

class AlphabetTest : public testing::Test {
protected:
    void TearDown() override {
        releaseAlphabet(alphabet);
        EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);
    }

    std::span<PulseHeader> first(std::size_t k) { return std::span<PulseHeader>(alphabet).first(k); }

    int make(std::size_t k, uint16_t n, int16_t A = DEFAULT_AMPLITUDE) {
        return makeAlphabet(window, A, n, first(k), randomState);
    }

    HeadlessWindow window;
    std::array<PulseHeader, ALPHABET_CAPACITY> alphabet{};  // every lpData null, as the caller sets it
    uint16_t randomState = RANDOM_ETALON_SEED;
    const std::int64_t blocksAtStart = memory::outstandingBlocks();
};

TEST_F(AlphabetTest, DefaultFixedShapesSampleForSample) {
    ASSERT_EQ(make(20, DEFAULT_LENGTH), 1);
    EXPECT_TRUE(window.messages().empty());
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(alphabet[i].wNumber, i + 1);
        EXPECT_EQ(alphabet[i].wSize, DEFAULT_LENGTH);
        EXPECT_EQ(alphabet[i].wReservedSize, DEFAULT_LENGTH);
    }
    const std::vector<int16_t> constant(20, 60);
    const std::vector<int16_t> halfSine = {12, 24, 36, 47, 57, 65, 72, 78, 81, 83,
                                           83, 81, 78, 72, 65, 57, 47, 36, 24, 12};
    const std::vector<int16_t> oscillation = {0, 117, 87, -90, -147, 0, 112, 53, -40, -50,
                                              0, 29,  14, -10, -13,  0, 7,   3,  -2,  -3};
    const std::vector<int16_t> envelope = {0,  102, 115, 117, 118, 91, 71, 55, 43, 33,
                                           26, 20,  15,  12,  9,   7,  5,  4,  3,  2};
    EXPECT_EQ(samples(alphabet[0]), constant);
    EXPECT_EQ(samples(alphabet[2]), halfSine);
    EXPECT_EQ(samples(alphabet[6]), oscillation);
    EXPECT_EQ(samples(alphabet[8]), envelope);

    const std::vector<int16_t> fullSine = samples(alphabet[4]);
    const std::vector<int16_t> firstHalf = {24, 47, 65, 78, 83, 81, 72, 57, 36, 12};
    EXPECT_EQ(std::vector<int16_t>(fullSine.begin(), fullSine.begin() + 10), firstHalf);
    for (int j = 0; j < 10; ++j) EXPECT_EQ(fullSine[19 - j], -firstHalf[j]) << j;

    for (int i = 1; i < 10; i += 2) {
        EXPECT_EQ(samples(alphabet[i]), negated(samples(alphabet[i - 1]))) << "etalon " << i;
    }
}

TEST_F(AlphabetTest, DeterministicShapesHaveNearlyEqualEnergies) {
    ASSERT_EQ(make(20, DEFAULT_LENGTH), 1);
    EXPECT_EQ(etalonEnergy(alphabet[0]), 72000);
    EXPECT_EQ(etalonEnergy(alphabet[2]), 72834);
    EXPECT_EQ(etalonEnergy(alphabet[4]), 72834);
    EXPECT_EQ(etalonEnergy(alphabet[6]), 71797);
    EXPECT_EQ(etalonEnergy(alphabet[8]), 72156);
    for (int i = 1; i < 10; i += 2) EXPECT_EQ(etalonEnergy(alphabet[i]), etalonEnergy(alphabet[i - 1])) << i;
}

TEST_F(AlphabetTest, RandomEtalonsComeFromTheRandomEtalonStateWithinTheAmplitude) {
    ASSERT_EQ(make(20, DEFAULT_LENGTH), 1);
    const std::vector<int16_t> firstRandom = samples(alphabet[10]);
    const std::vector<int16_t> expected = {-55, 66, -105, -15, -9,  -47, 41, -92,
                                           -20, 41, -62,  96,  127, 9,   127};
    EXPECT_EQ(std::vector<int16_t>(firstRandom.begin(), firstRandom.begin() + 15), expected);
    for (int i = 10; i < 20; ++i) {
        for (int16_t sample : samples(alphabet[i])) {
            EXPECT_GE(sample, -DEFAULT_AMPLITUDE);
            EXPECT_LE(sample, DEFAULT_AMPLITUDE - 1);
        }
    }
    // Ten etalons of twenty variates of twelve steps each.
    uint16_t replay = RANDOM_ETALON_SEED;
    for (int step = 0; step < 10 * 20 * 12; ++step) lcgNext(replay);
    EXPECT_EQ(randomState, replay);
}

TEST_F(AlphabetTest, ShortAlphabetStopsAfterItsLastEtalonAndDrawsNothing) {
    ASSERT_EQ(make(3, DEFAULT_LENGTH), 1);
    EXPECT_EQ(samples(alphabet[2])[0], 12);
    EXPECT_EQ(alphabet[3].lpData, nullptr);
    EXPECT_EQ(randomState, RANDOM_ETALON_SEED);
}

TEST_F(AlphabetTest, SingleSampleEtalons) {
    ASSERT_EQ(make(12, 1), 1);
    EXPECT_EQ(alphabet[0].lpData[0], 60);
    EXPECT_EQ(alphabet[2].lpData[0], 84);  // the top of the half sine: H itself
    EXPECT_EQ(alphabet[4].lpData[0], 0);   // half a period: the sine is back at zero
    EXPECT_EQ(alphabet[6].lpData[0], 0);   // the oscillation starts at angle 0
    // Rise length -1: the envelope is already decaying, 118 * exp(-4 / 2 * 1).
    EXPECT_EQ(alphabet[8].lpData[0], 15);
    EXPECT_EQ(alphabet[9].lpData[0], -15);
    EXPECT_EQ(alphabet[10].lpData[0], -55);
}

TEST_F(AlphabetTest, SecondCallDrawsNewRandomEtalonsAndKeepsTheFixedShapes) {
    ASSERT_EQ(make(20, DEFAULT_LENGTH), 1);
    std::vector<std::vector<int16_t>> before;
    for (const PulseHeader& etalon : alphabet) before.push_back(samples(etalon));
    ASSERT_EQ(make(20, DEFAULT_LENGTH), 1);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(samples(alphabet[i]), before[i]) << i;
    for (int i = 10; i < 20; ++i) EXPECT_NE(samples(alphabet[i]), before[i]) << i;
}

TEST_F(AlphabetTest, LargeEnoughBuffersAreReused) {
    ASSERT_EQ(make(20, DEFAULT_LENGTH), 1);
    std::vector<int16_t*> buffers;
    for (const PulseHeader& etalon : alphabet) buffers.push_back(etalon.lpData);
    const std::int64_t calls = memory::allocationCalls();

    ASSERT_EQ(make(20, 12), 1);
    EXPECT_EQ(memory::allocationCalls(), calls);
    EXPECT_TRUE(window.messages().empty());
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(alphabet[i].lpData, buffers[i]);
        EXPECT_EQ(alphabet[i].wSize, 12);
        EXPECT_EQ(alphabet[i].wReservedSize, DEFAULT_LENGTH);
    }
    EXPECT_EQ(samples(alphabet[0]), std::vector<int16_t>(12, 60));
}

TEST_F(AlphabetTest, LongerEtalonsReplaceEveryBufferWithOneWarning) {
    ASSERT_EQ(make(20, 10), 1);
    const std::int64_t outstanding = memory::outstandingBlocks();
    ASSERT_EQ(make(20, DEFAULT_LENGTH), 1);
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(window.messages()[0].text, "Предварительное освобождение памяти!");
    EXPECT_EQ(window.messages()[0].caption, "Отладка");
    EXPECT_EQ(window.messages()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(memory::outstandingBlocks(), outstanding);
    for (const PulseHeader& etalon : alphabet) {
        EXPECT_EQ(etalon.wReservedSize, DEFAULT_LENGTH);
        EXPECT_EQ(etalon.wSize, DEFAULT_LENGTH);
    }
    EXPECT_EQ(samples(alphabet[8])[19], 2);

    // Only a short buffer of etalon 0 is announced; the others are replaced silently.
    window.clearRecords();
    releaseAlphabet(alphabet);
    ASSERT_EQ(make(20, 10), 1);
    memory::release(alphabet[0].lpData);
    ASSERT_EQ(make(20, DEFAULT_LENGTH), 1);
    EXPECT_TRUE(window.messages().empty());
    EXPECT_EQ(alphabet[1].wReservedSize, DEFAULT_LENGTH);
}

TEST_F(AlphabetTest, RefusedBufferReleasesTheBuffersBeforeIt) {
    for (int failing : {0, 1, 5, 19}) {
        SCOPED_TRACE(failing);
        window.clearRecords();
        releaseAlphabet(alphabet);
        int result;
        {
            memory::FailureInjection refuse(failing + 1);
            result = make(20, DEFAULT_LENGTH);
        }
        EXPECT_EQ(result, 0);
        ASSERT_EQ(window.messages().size(), 1u);
        EXPECT_EQ(window.messages()[0].text, "Не могу выделить память!");
        EXPECT_EQ(window.messages()[0].caption, "");
        EXPECT_EQ(window.messages()[0].icon, MessageIcon::Warning);
        for (const PulseHeader& etalon : alphabet) EXPECT_EQ(etalon.lpData, nullptr);
        EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);
        EXPECT_EQ(randomState, RANDOM_ETALON_SEED);
    }
}

TEST_F(AlphabetTest, RefusedBufferWhileGrowingReleasesReusedAndNewBuffers) {
    // Etalons 0..2 had buffers of 20 samples, etalon 3 gets its first one and is refused.
    ASSERT_EQ(make(3, DEFAULT_LENGTH), 1);
    {
        memory::FailureInjection refuse(1);
        EXPECT_EQ(make(6, DEFAULT_LENGTH), 0);
    }
    for (const PulseHeader& etalon : alphabet) EXPECT_EQ(etalon.lpData, nullptr);
    EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);

    // Longer etalons: 0 and 1 are replaced, 2 loses its short buffer and is refused, 3 keeps its own.
    window.clearRecords();
    ASSERT_EQ(make(4, 10), 1);
    int16_t* keptByThree = alphabet[3].lpData;
    {
        memory::FailureInjection refuse(3);
        EXPECT_EQ(make(4, DEFAULT_LENGTH), 0);
    }
    ASSERT_EQ(window.messages().size(), 2u);
    EXPECT_EQ(window.messages()[0].text, "Предварительное освобождение памяти!");
    EXPECT_EQ(window.messages()[1].text, "Не могу выделить память!");
    EXPECT_EQ(alphabet[0].lpData, nullptr);
    EXPECT_EQ(alphabet[1].lpData, nullptr);
    EXPECT_EQ(alphabet[2].lpData, nullptr);
    EXPECT_EQ(alphabet[3].lpData, keptByThree);
    EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart + 1);

    // The alphabet can be built again afterwards.
    window.clearRecords();
    ASSERT_EQ(make(4, DEFAULT_LENGTH), 1);
    EXPECT_EQ(samples(alphabet[2])[9], 83);
}

}  // namespace
}  // namespace tessaline
