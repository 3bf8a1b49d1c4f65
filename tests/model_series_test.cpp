// Series making: the worked series from the initial generator states, cut-off segments, pulse
// counts, refused settings, out-of-memory paths, and a randomized check of every placement rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "model/alphabet.h"
#include "model/random.h"
#include "model/records.h"
#include "model/series.h"
#include "model/subsets.h"
#include "platform/alloc.h"
#include "platform/headless.h"
#include "tests/support/record_image.h"

namespace tessaline {
namespace {

// Randomized cases: TESSALINE_RANDOM_CASES when set, fewer under the sanitizers.
int randomCaseCount() {
    if (const char* text = std::getenv("TESSALINE_RANDOM_CASES"); text != nullptr && *text != '\0') {
        return std::max(1, std::atoi(text));
    }
    return std::getenv("TESSALINE_SANITIZED") != nullptr ? 200 : 2000;
}

uint16_t steppedState(uint16_t state, int steps) {
    for (int i = 0; i < steps; ++i) state = lcgStep(state);
    return state;
}

// An alphabet with its own sample storage.
struct OwnedAlphabet {
    std::vector<std::vector<int16_t>> data;
    std::vector<PulseHeader> headers;

    explicit OwnedAlphabet(std::vector<std::vector<int16_t>> etalons) : data(std::move(etalons)) {
        for (std::size_t i = 0; i < data.size(); ++i) {
            const auto n = static_cast<uint16_t>(data[i].size());
            headers.push_back({n, n, static_cast<int16_t>(i + 1), data[i].data()});
        }
    }
};

// Energy of etalon samples first..last.
int64_t segmentEnergy(const std::vector<int16_t>& etalon, int first, int last) {
    int64_t energy = 0;
    for (int j = first; j <= last; ++j) energy += int64_t{etalon[j]} * etalon[j];
    return energy;
}

template <class T>
std::vector<int> firstEntries(const T* values, int count) {
    return std::vector<int>(values, values + count);
}

class SeriesTest : public testing::Test {
protected:
    void TearDown() override {
        freeSeriesHeader(record);
        EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);
    }

    // The small series worked out by hand: two etalons of four samples, four pulses in 40 samples.
    SeriesRequest workedRequest(uint16_t level) {
        SeriesRequest request;
        request.alphabet = worked.headers;
        request.n = 4;
        request.Tmin = 8;
        request.Tmax = 12;
        request.N = 40;
        request.K = 4;
        request.sequence = sequence;
        request.A = 128;
        request.level = level;
        return request;
    }

    HeadlessWindow window;
    SeriesHeader* record = nullptr;
    GeneratorStates states;
    OwnedAlphabet worked{{{10, 20, 30, 40}, {-5, 7, -9, 3}}};
    std::vector<uint16_t> sequence{1, 2, 1, 2};
    const std::int64_t blocksAtStart = memory::outstandingBlocks();
};

TEST_F(SeriesTest, WorkedSeriesFromTheInitialStates) {
    record = getCutOffSeries(window, workedRequest(50), nullptr, states);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(window.messages().empty());

    EXPECT_EQ(record->wImpulseQuantity, 4);
    EXPECT_EQ(record->wMinPulses, 3);
    EXPECT_EQ(record->wMaxPulses, 5);
    EXPECT_EQ(record->wImpulseSize, 4);
    EXPECT_EQ(record->wAmplitude, 128);
    EXPECT_EQ(record->wNoiseLevel, 0);
    EXPECT_EQ(record->wWholeBegin, 0);
    EXPECT_EQ(record->wWholeEnd, 3);
    // Pulse 2 is placed first: (15466 >> 2) mod 4 = 2.
    EXPECT_EQ(firstEntries(record->lpPositions, 4), (std::vector<int>{1, 9, 19, 30}));
    EXPECT_EQ(firstEntries(record->lpMinPositions, 4), (std::vector<int>{0, 8, 16, 28}));
    EXPECT_EQ(firstEntries(record->lpMaxPositions, 4), (std::vector<int>{8, 20, 28, 36}));
    EXPECT_EQ(firstEntries(record->lpCutBegins, 4), (std::vector<int>{1, 1, 2, 1}));
    EXPECT_EQ(firstEntries(record->lpCutEnds, 4), (std::vector<int>{3, 2, 3, 3}));
    EXPECT_EQ(firstEntries(record->lpEtalonNumbers, 4), (std::vector<int>{1, 2, 1, 2}));
    EXPECT_EQ(firstEntries(record->lpFoundPositions, 4), (std::vector<int>{-1, -1, -1, -1}));
    EXPECT_EQ(firstEntries(record->lpFoundEtalonNumbers, 4), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(firstEntries(record->lpFoundCutBegins, 4), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(firstEntries(record->lpFoundCutEnds, 4), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(record->lpFirstEtalon, &worked.headers[0]);
    EXPECT_EQ(record->lpPulsesList[1], &worked.headers[1]);

    std::vector<int16_t> pure(40, 0);
    pure[2] = 20, pure[3] = 30, pure[4] = 40;
    pure[10] = 7, pure[11] = -9;
    pure[21] = 30, pure[22] = 40;
    pure[31] = 7, pure[32] = -9, pure[33] = 3;
    EXPECT_EQ(std::vector<int16_t>(record->lpPureData, record->lpPureData + 40), pure);
    EXPECT_EQ(std::vector<int16_t>(record->lpNoisyData, record->lpNoisyData + 40), pure);

    GeneratorStates expected;  // only the placement and the two segment states move
    expected.wSegmentStartState = 21909;
    expected.wSegmentEndState = 31561;
    expected.wPlacementState = 54;
    EXPECT_EQ(states, expected);

    addNoise(3, *record, states.dwNoiseSeed);
    EXPECT_EQ(std::vector<int16_t>(record->lpNoisyData, record->lpNoisyData + 12),
              (std::vector<int16_t>{3, -2, 18, 29, 41, -2, -4, 0, -4, 2, 8, -2}));
    EXPECT_EQ(states.dwNoiseSeed, 31621);
    EXPECT_EQ(record->wNoiseLevel, 3);
    EXPECT_EQ(std::vector<int16_t>(record->lpPureData, record->lpPureData + 40), pure);
}

TEST_F(SeriesTest, WholeEtalonsStillAdvanceBothSegmentStatesOncePerPulse) {
    record = getCutOffSeries(window, workedRequest(100), nullptr, states);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(firstEntries(record->lpCutBegins, 4), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(firstEntries(record->lpCutEnds, 4), (std::vector<int>{3, 3, 3, 3}));
    EXPECT_EQ(states.wSegmentStartState, steppedState(SEGMENT_START_SEED, 4));
    EXPECT_EQ(states.wSegmentEndState, steppedState(SEGMENT_END_SEED, 4));
    EXPECT_EQ(states.wPlacementState, steppedState(PLACEMENT_SEED, 5));
    for (int p = 0; p < 4; ++p) {
        const auto& etalon = worked.data[sequence[p] - 1];
        const int x = record->lpPositions[p];
        EXPECT_EQ(std::vector<int16_t>(record->lpPureData + x, record->lpPureData + x + 4), etalon) << p;
    }
}

TEST_F(SeriesTest, EtalonNumbersOutsideTheAlphabetBecomeOneInTheCallersSequence) {
    sequence = {0, 3, 0xFFFF, 2, 0x0102};
    SeriesRequest request = workedRequest(100);
    request.K = 5;
    record = getCutOffSeries(window, request, nullptr, states);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(sequence, (std::vector<uint16_t>{1, 1, 1, 2, 1}));
    EXPECT_EQ(firstEntries(record->lpEtalonNumbers, 5), (std::vector<int>{1, 1, 1, 2, 1}));
}

TEST_F(SeriesTest, CutOffSegmentsOfTheEnvelopeKeepMoreThanTheSavedShare) {
    std::array<PulseHeader, 20> alphabet{};
    uint16_t randomState = RANDOM_ETALON_SEED;
    ASSERT_EQ(makeAlphabet(window, 128, 20, alphabet, randomState), 1);
    std::vector<uint16_t> envelopeOnly(60, 9);
    const std::vector<int16_t> envelope(alphabet[8].lpData, alphabet[8].lpData + 20);
    SeriesRequest request;
    request.alphabet = alphabet;
    request.n = 20;
    request.Tmin = 20;
    request.Tmax = 40;
    request.N = 2000;
    request.K = 60;
    request.sequence = envelopeOnly;
    request.A = 128;

    // Half the energy, 36078: only the first four samples can start a segment, and a segment from
    // sample 0 must reach sample 3.
    request.level = 50;
    record = getCutOffSeries(window, request, record, states);
    ASSERT_NE(record, nullptr);
    int cut = 0;
    for (int p = 0; p < 60; ++p) {
        const int first = record->lpCutBegins[p], last = record->lpCutEnds[p];
        EXPECT_LE(first, 3) << p;
        if (first == 0) {
            EXPECT_GE(last, 3) << p;
        }
        EXPECT_GT(segmentEnergy(envelope, first, last), 36078) << p;
        if (first != 0 || last != 19) ++cut;
    }
    EXPECT_GT(cut, 0);

    // Nothing need be saved: sample 0 is zero, so a segment from it must still reach sample 1.
    request.level = 0;
    record = getCutOffSeries(window, request, record, states);
    ASSERT_NE(record, nullptr);
    std::set<int> firsts;
    for (int p = 0; p < 60; ++p) {
        const int first = record->lpCutBegins[p], last = record->lpCutEnds[p];
        firsts.insert(first);
        if (first == 0) {
            EXPECT_GE(last, 1) << p;
        }
        EXPECT_GE(last, first) << p;
        EXPECT_GT(segmentEnergy(envelope, first, last), 0) << p;
    }
    EXPECT_GT(*firsts.rbegin(), 3);
    EXPECT_TRUE(window.messages().empty());
    releaseAlphabet(alphabet);
}

TEST_F(SeriesTest, EverySegmentKeepingMoreThanTheShareCanBeDrawn) {
    // Half of the energy to keep. Five unit samples: every segment of three or more samples keeps
    // more than 2.5, no shorter one does. 1, 0, 9, 0, 1: every segment holding the 9 keeps more
    // than 41, the 9 alone included.
    OwnedAlphabet etalons{{{1, 1, 1, 1, 1}, {1, 0, 9, 0, 1}}};
    std::vector<uint16_t> alternating(400);
    for (std::size_t p = 0; p < alternating.size(); ++p) alternating[p] = static_cast<uint16_t>(1 + p % 2);
    SeriesRequest request;
    request.alphabet = etalons.headers;
    request.n = 5;
    request.Tmin = 5;
    request.Tmax = 5;
    request.N = 2000;
    request.K = 400;
    request.sequence = alternating;
    request.level = 50;
    record = getCutOffSeries(window, request, nullptr, states);
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->wImpulseQuantity, 400);
    std::set<std::pair<int, int>> segments[2];
    for (int p = 0; p < 400; ++p) segments[p % 2].insert({record->lpCutBegins[p], record->lpCutEnds[p]});
    EXPECT_EQ(segments[0], (std::set<std::pair<int, int>>{{0, 2}, {0, 3}, {0, 4}, {1, 3}, {1, 4}, {2, 4}}));
    EXPECT_EQ(segments[1], (std::set<std::pair<int, int>>{
                               {0, 2}, {0, 3}, {0, 4}, {1, 2}, {1, 3}, {1, 4}, {2, 2}, {2, 3}, {2, 4}}));
}

TEST_F(SeriesTest, PulseCountsAtTheBoundsAreAcceptedAndBeyondThemRefused) {
    record = getCutOffSeries(window, workedRequest(50), nullptr, states);
    ASSERT_NE(record, nullptr);
    sequence = {1, 2, 1, 2, 1, 2};

    for (uint16_t K : {uint16_t{2}, uint16_t{6}}) {
        SCOPED_TRACE(K);
        window.clearRecords();
        const RecordImage before(*record);
        const GeneratorStates statesBefore = states;
        const std::vector<uint16_t> sequenceBefore = sequence;
        SeriesRequest request = workedRequest(50);
        request.K = K;
        EXPECT_EQ(makeExtSeries(window, request, *record, states), 0);
        ASSERT_EQ(window.messages().size(), 1u);
        const std::string expected =
            "Несовместимые входные параметры!\n\ndwSeriesSize: 40 [40]\n"
            "wImpulseSize: 4 [4]\nwMinPulses: 3 [3]\nwMaxPulses: 5 [5]\n"
            "wImpulseQuantity: " +
            std::to_string(K) + "\n\n";
        EXPECT_EQ(window.messages()[0].text, expected);
        EXPECT_EQ(window.messages()[0].caption, " makeExtSeries ");
        EXPECT_EQ(window.messages()[0].icon, MessageIcon::Warning);
        EXPECT_TRUE(before.sameAs(*record));
        EXPECT_EQ(states, statesBefore);
        EXPECT_EQ(sequence, sequenceBefore);

        // Through the record maker the refused count leaves the previous series in place too.
        window.clearRecords();
        EXPECT_EQ(getCutOffSeries(window, request, record, states), record);
        EXPECT_EQ(window.messages().size(), 1u);
        EXPECT_EQ(record->wImpulseQuantity, 4);
        EXPECT_EQ(std::vector<int16_t>(record->lpPureData, record->lpPureData + 40),
                  std::vector<int16_t>(before.block.begin(), before.block.begin() + 40));
        EXPECT_EQ(states, statesBefore);
    }
    for (uint16_t K : {uint16_t{3}, uint16_t{5}}) {
        window.clearRecords();
        SeriesRequest request = workedRequest(50);
        request.K = K;
        EXPECT_EQ(makeExtSeries(window, request, *record, states), 1) << K;
        EXPECT_EQ(record->wImpulseQuantity, K);
        EXPECT_TRUE(window.messages().empty());
    }
}

TEST_F(SeriesTest, UnfixedCountIsDrawnOverTheWholeAdmissibleRange) {
    std::set<int> counts;
    sequence.assign(5, 2);
    for (int series = 0; series < 40; ++series) {
        const uint16_t countState = states.wPulseCountState;
        record = getUnfixedCutOffSeries(window, workedRequest(100), record, states);
        ASSERT_NE(record, nullptr);
        const int K = record->wImpulseQuantity;
        EXPECT_EQ(K, 3 + (lcgStep(countState) >> 2) % 3);
        EXPECT_EQ(states.wPulseCountState, lcgStep(countState));
        counts.insert(K);
    }
    EXPECT_EQ(counts, (std::set<int>{3, 4, 5}));
    EXPECT_TRUE(window.messages().empty());
}

TEST_F(SeriesTest, UnfixedSeriesWithoutAnAdmissibleCountGivesNothingAndLeaksNothing) {
    // 19 samples, pulses of 10 exactly 10 apart: at least 2 are needed, at most 1 fits.
    record = getCutOffSeries(window, workedRequest(100), nullptr, states);
    ASSERT_NE(record, nullptr);
    OwnedAlphabet wide{{std::vector<int16_t>(10, 5)}};
    SeriesRequest request;
    request.alphabet = wide.headers;
    request.n = 10;
    request.Tmin = 10;
    request.Tmax = 10;
    request.N = 19;
    request.sequence = sequence;
    const GeneratorStates statesBefore = states;
    EXPECT_EQ(getUnfixedCutOffSeries(window, request, nullptr, states), nullptr);
    // The caller replaces its record with the result, so the record must not stay behind.
    record = getUnfixedCutOffSeries(window, request, record, states);
    EXPECT_EQ(record, nullptr);
    EXPECT_TRUE(window.messages().empty());
    EXPECT_EQ(states, statesBefore);
}

TEST_F(SeriesTest, BrokenSettingsAreRefusedByNameAndChangeNothing) {
    struct Case {
        uint16_t n, Tmin, Tmax;
        uint32_t N;
        const char* setting;
    };
    const Case cases[] = {
        {4, 0, 12, 40, "wTmin"},       {4, 13, 12, 40, "wTmin"},          {13, 8, 12, 40, "wImpulseSize"},
        {4, 8, 12, 3, "dwSeriesSize"}, {4, 8, 12, 32768, "dwSeriesSize"},
    };
    record = getCutOffSeries(window, workedRequest(50), nullptr, states);
    ASSERT_NE(record, nullptr);
    const RecordImage before(*record);
    const GeneratorStates statesBefore = states;
    const std::vector<uint16_t> sequenceBefore = sequence;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting);
        SeriesRequest request = workedRequest(50);
        request.n = c.n;
        request.Tmin = c.Tmin;
        request.Tmax = c.Tmax;
        request.N = c.N;
        window.clearRecords();
        const std::int64_t calls = memory::allocationCalls();
        EXPECT_EQ(getCutOffSeries(window, request, record, states), record);
        EXPECT_EQ(getUnfixedCutOffSeries(window, request, record, states), record);
        EXPECT_EQ(makeExtSeries(window, request, *record, states), 0);
        EXPECT_EQ(getCutOffSeries(window, request, nullptr, states), nullptr);
        EXPECT_EQ(memory::allocationCalls(), calls);
        ASSERT_EQ(window.messages().size(), 4u);
        for (const ShownMessage& message : window.messages()) {
            EXPECT_NE(message.text.find(c.setting), std::string::npos) << message.text;
        }
        EXPECT_TRUE(before.sameAs(*record));
        EXPECT_EQ(states, statesBefore);
        EXPECT_EQ(sequence, sequenceBefore);
    }

    // No etalons at all: nothing could be placed.
    window.clearRecords();
    SeriesRequest empty = workedRequest(50);
    empty.alphabet = {};
    EXPECT_EQ(getCutOffSeries(window, empty, record, states), record);
    EXPECT_EQ(window.messages().size(), 1u);
    EXPECT_TRUE(before.sameAs(*record));
    EXPECT_EQ(states, statesBefore);
}

TEST_F(SeriesTest, RefusedRecordIsReportedTwiceAndLeavesNothingBehind) {
    const char* recordTexts[] = {"Нет памяти для newSeriesHeader!",
                                 "Нет памяти для newSeriesHeader->lpPureData!",
                                 "Нет памяти для newSeriesHeader->lpPulsesList!"};
    for (int nth = 1; nth <= 3; ++nth) {
        SCOPED_TRACE(nth);
        window.clearRecords();
        const GeneratorStates statesBefore = states;
        SeriesHeader* made;
        {
            memory::FailureInjection refuse(nth);
            made = getCutOffSeries(window, workedRequest(50), nullptr, states);
        }
        EXPECT_EQ(made, nullptr);
        ASSERT_EQ(window.messages().size(), 2u);
        EXPECT_EQ(window.messages()[0].text, recordTexts[nth - 1]);
        EXPECT_EQ(window.messages()[1].text, "Не могу выделить память для lpSeriesHeader!");
        EXPECT_EQ(window.messages()[1].caption, " getCutOffSeries ");
        EXPECT_EQ(window.messages()[1].icon, MessageIcon::Warning);
        EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);
        EXPECT_EQ(states, statesBefore);
    }

    // A record that has to grow is released with its old block when the new one is refused.
    record = getCutOffSeries(window, workedRequest(50), nullptr, states);
    ASSERT_NE(record, nullptr);
    window.clearRecords();
    SeriesRequest longer = workedRequest(50);
    longer.N = 44;
    {
        memory::FailureInjection refuse(1);
        record = getCutOffSeries(window, longer, record, states);
    }
    EXPECT_EQ(record, nullptr);
    ASSERT_EQ(window.messages().size(), 2u);
    EXPECT_EQ(window.messages()[1].caption, " getCutOffSeries ");
    EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);
}

TEST_F(SeriesTest, RefusedWorkArrayIsReportedAndTheRecordIsStillReturned) {
    // A new record takes three allocations; the fourth is the partial-energy array.
    {
        memory::FailureInjection refuse(4);
        record = getCutOffSeries(window, workedRequest(50), nullptr, states);
    }
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(window.messages()[0].text, "Нет памяти для PartialEnergy!");
    EXPECT_EQ(window.messages()[0].caption, "");
    EXPECT_EQ(record->wImpulseQuantity, 0);
    EXPECT_EQ(firstEntries(record->lpEtalonNumbers, 4), (std::vector<int>{1, 2, 1, 2}));
    EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart + 3);

    // An existing record: the work array is the only allocation.
    window.clearRecords();
    const GeneratorStates statesBefore = states;
    {
        memory::FailureInjection refuse(1);
        EXPECT_EQ(makeExtSeries(window, workedRequest(50), *record, states), 0);
    }
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(window.messages()[0].text, "Нет памяти для PartialEnergy!");
    EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart + 3);
    EXPECT_EQ(states.wPlacementState, statesBefore.wPlacementState);
}

TEST_F(SeriesTest, RandomSettingsKeepEveryPlacementRule) {
    std::mt19937 random(20240611u);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const int cases = randomCaseCount();
    int checked = 0;
    for (int c = 0; c < cases; ++c) {
        const auto k = static_cast<uint16_t>(pick(1, 20));
        const auto n = static_cast<uint16_t>(pick(1, 12));
        const auto Tmax = static_cast<uint16_t>(pick(n, n + 25));
        const auto Tmin = static_cast<uint16_t>(pick(1, Tmax));
        const auto N = static_cast<uint32_t>(pick(n, c % 100 == 99 ? 32767 : 400));  // now and then long
        const uint32_t m = leastPulseCount(N, n, Tmax);
        const uint32_t u = mostPulseCount(N, n, Tmin);
        if (u < m) continue;
        SCOPED_TRACE(testing::Message() << "case " << c << ": k " << k << " n " << n << " Tmin " << Tmin
                                        << " Tmax " << Tmax << " N " << N);

        // Etalons of random samples, now and then silent or with silent ends.
        std::vector<std::vector<int16_t>> etalons(k, std::vector<int16_t>(n));
        for (auto& etalon : etalons) {
            const int kind = pick(0, 9);
            for (int j = 0; j < n; ++j) {
                const bool silent = kind == 0 || (kind == 1 && (j == 0 || j == n - 1));
                etalon[j] = silent ? 0 : static_cast<int16_t>(pick(-300, 300));
            }
        }
        OwnedAlphabet alphabet(etalons);
        const auto K = static_cast<uint16_t>(pick(static_cast<int>(m), static_cast<int>(u)));
        const bool unfixed = pick(0, 3) == 0;
        std::vector<uint16_t> chosen(u);
        for (uint16_t& number : chosen) number = static_cast<uint16_t>(pick(-2, k + 2));
        std::vector<uint16_t> drawn = chosen;
        SeriesRequest request;
        request.alphabet = alphabet.headers;
        request.n = n;
        request.Tmin = Tmin;
        request.Tmax = Tmax;
        request.N = N;
        request.K = K;
        request.sequence = drawn;
        request.A = 300;
        request.level = static_cast<uint16_t>(pick(0, 100));

        const GeneratorStates before = states;
        record = unfixed ? getUnfixedCutOffSeries(window, request, record, states)
                         : getCutOffSeries(window, request, record, states);
        ASSERT_NE(record, nullptr);
        ASSERT_TRUE(window.messages().empty()) << window.messages()[0].text;
        const int count = record->wImpulseQuantity;
        if (unfixed) {
            ASSERT_GE(count, static_cast<int>(m));
            ASSERT_LE(count, static_cast<int>(u));
            ASSERT_EQ(states.wPulseCountState, lcgStep(before.wPulseCountState));
        } else {
            ASSERT_EQ(count, K);
            ASSERT_EQ(states.wPulseCountState, before.wPulseCountState);
        }
        ASSERT_EQ(record->dwSeriesSize, N);
        ASSERT_EQ(record->wMinPulses, m);
        ASSERT_EQ(record->wMaxPulses, u);
        ASSERT_EQ(record->wImpulseSize, n);
        ASSERT_EQ(record->wWholeEnd, n - 1);

        // Draws: one for the first pulse placed, then one placement and two segment draws a pulse.
        ASSERT_EQ(states.wPlacementState, steppedState(before.wPlacementState, count + 1));
        ASSERT_EQ(states.wSegmentStartState, steppedState(before.wSegmentStartState, count));
        ASSERT_EQ(states.wSegmentEndState, steppedState(before.wSegmentEndState, count));
        ASSERT_EQ(states.wSubsetState, before.wSubsetState);
        ASSERT_EQ(states.dwNoiseSeed, before.dwNoiseSeed);

        for (int p = 0; p < count; ++p) {
            SCOPED_TRACE(testing::Message() << "pulse " << p << " of " << count);
            const int asSigned = static_cast<int16_t>(chosen[p]);
            const int number = asSigned >= 1 && asSigned <= k ? asSigned : 1;
            ASSERT_EQ(drawn[p], number);
            ASSERT_EQ(record->lpEtalonNumbers[p], number);
            ASSERT_EQ(record->lpFoundPositions[p], -1);
            ASSERT_EQ(record->lpFoundEtalonNumbers[p], 0);

            const int64_t lo = std::max<int64_t>(int64_t{p} * Tmin, int64_t{N} - int64_t{Tmax} * (count - p));
            const int64_t hi = std::min<int64_t>(int64_t{Tmax} * (p + 1) - n,
                                                 int64_t{N} - n - int64_t{Tmin} * (count - p - 1));
            const int x = record->lpPositions[p];
            ASSERT_EQ(record->lpMinPositions[p], lo);
            ASSERT_EQ(record->lpMaxPositions[p], hi);
            ASSERT_GE(x, lo);
            ASSERT_LE(x, hi);
            ASSERT_LE(x + n, static_cast<int>(N));
            if (p > 0) {
                const int gap = x - record->lpPositions[p - 1];
                ASSERT_GE(gap, Tmin);
                ASSERT_LE(gap, Tmax);
            }

            const auto& etalon = etalons[number - 1];
            const int first = record->lpCutBegins[p], last = record->lpCutEnds[p];
            ASSERT_LE(first, last);
            ASSERT_LT(last, n);
            const int64_t whole = segmentEnergy(etalon, 0, n - 1);
            const int64_t kept = segmentEnergy(etalon, first, last);
            const int64_t least = int64_t{request.level} * whole / 100;
            if (first == 0 && last == n - 1) {
                ASSERT_GE(kept, least);
            } else {
                ASSERT_GT(kept, least);
            }
            if (request.level == 100) {
                ASSERT_EQ(first, 0);
                ASSERT_EQ(last, n - 1);
            }
        }
        ASSERT_LE(record->lpPositions[0] + n, Tmax);
        ASSERT_GE(record->lpPositions[count - 1] + Tmax, static_cast<int>(N));

        // The pure data re-drawn from the truth: segments written in placement order, later wins.
        const int p0 = (lcgStep(before.wPlacementState) >> 2) % count;
        std::vector<int16_t> model(N, 0);
        auto write = [&](int p) {
            const auto& etalon = etalons[drawn[p] - 1];
            for (int j = record->lpCutBegins[p]; j <= record->lpCutEnds[p]; ++j) {
                model[record->lpPositions[p] + j] = etalon[j];
            }
        };
        write(p0);
        for (int p = p0 + 1; p < count; ++p) write(p);
        for (int p = p0 - 1; p >= 0; --p) write(p);
        ASSERT_EQ(std::vector<int16_t>(record->lpPureData, record->lpPureData + N), model);
        ASSERT_EQ(std::vector<int16_t>(record->lpNoisyData, record->lpNoisyData + N), model);
        ASSERT_EQ(record->lpFirstEtalon, &alphabet.headers[drawn[0] - 1]);
        ++checked;
    }
    EXPECT_GT(checked, cases / 2);
}

}  // namespace
}  // namespace tessaline

namespace tessaline {
namespace {

// Series begun one after another and placed later, in any order, from the states each was begun
// with: every record holds what making the series one after another puts there, and the states
// skipped past the placements end where those draws leave them. Subset employments that draw, and
// one that does not, write into the sequence between the two steps.
TEST_F(SeriesTest, SeriesBegunInTurnAndPlacedInAnyOrderAreTheSeriesMadeInTurn) {
    const struct {
        uint16_t level, K, employment, initPosition;
    } cases[] = {{50, 4, 0, 0},
                 {100, 3, 0, 0},
                 {75, 5, EMPLOY_SINGLE_RANDOM, 1},
                 {50, 5, EMPLOY_MULTIPLE_RANDOM, 2},
                 {75, 4, EMPLOY_SHIFTED_COMPLETE, 1},
                 {50, 4, EMPLOY_COMPLETE, 3}};
    const int32_t subset[] = {2, 2};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "level " << c.level << ", " << c.K << " pulses, employment " << c.employment);
        SeriesHeader* records[2] = {};
        for (SeriesHeader*& made : records) {
            made = getCutOffSeriesHeader(window, 2, 4, 8, 12, 40, nullptr);
            ASSERT_NE(made, nullptr);
            if (c.employment != 0) setSeriesSubset(subset, c.employment, c.initPosition, made);
        }
        SeriesRequest request = workedRequest(c.level);
        request.K = c.K;
        const GeneratorStates start = states;
        std::vector<uint16_t> list(c.K, 1);
        request.sequence = list;
        std::vector<RecordImage> inTurn;
        for (SeriesHeader* made : records) {
            ASSERT_EQ(makeExtSeries(window, request, *made, states), 1);
            inTurn.emplace_back(*made);
        }
        const GeneratorStates afterInTurn = states;

        // Other series in between, so that what the two steps leave out would show.
        for (SeriesHeader* made : records) ASSERT_EQ(makeExtSeries(window, request, *made, states), 1);
        states = start;
        std::fill(list.begin(), list.end(), uint16_t{1});
        PendingSeries pending[2];
        GeneratorStates placement[2];
        GeneratorStates skipped[2];  // where each series' draws end: where the next one's start
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(beginExtSeries(window, request, *records[i], states, pending[i]), 1);
            placement[i] = states;
            skipPlacementDraws(c.K, states);
            skipped[i] = states;
        }
        EXPECT_EQ(states, afterInTurn);
        for (int i = 1; i >= 0; --i) {
            placeExtSeries(*records[i], pending[i], placement[i]);
            EXPECT_EQ(pending[i].energy, nullptr);
            EXPECT_TRUE(inTurn[i].sameAs(*records[i])) << "series " << i;
            EXPECT_EQ(placement[i].wPlacementState, skipped[i].wPlacementState) << "series " << i;
            EXPECT_EQ(placement[i].wSegmentStartState, skipped[i].wSegmentStartState) << "series " << i;
            EXPECT_EQ(placement[i].wSegmentEndState, skipped[i].wSegmentEndState) << "series " << i;
        }
        for (SeriesHeader* made : records) freeSeriesHeader(made);
        EXPECT_TRUE(window.messages().empty());
    }
}

// A series refused in its first step leaves nothing to place and takes no work array.
TEST_F(SeriesTest, ARefusedFirstStepLeavesNothingToPlace) {
    int begun = 1;
    PendingSeries pending;
    SeriesRequest request = workedRequest(50);
    request.K = 9;  // more than fit
    record = beginCutOffSeries(window, request, nullptr, states, pending, begun);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(begun, 0);
    EXPECT_EQ(pending.energy, nullptr);
    EXPECT_EQ(window.messages().back().text.rfind("Несовместимые входные параметры!", 0), 0u);
    EXPECT_EQ(states, GeneratorStates{});
}

}  // namespace
}  // namespace tessaline
