// Subsets: how the subset in use is written into the etalon sequence by each employment mode, the
// table of selected subsets, and the list of required etalons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/records.h"
#include "model/series.h"
#include "model/subsets.h"
#include "platform/alloc.h"
#include "platform/headless.h"

namespace tessaline {
namespace {

constexpr uint16_t UNTOUCHED = 99;  // a sequence entry no copy reached

class SubsetTest : public testing::Test {
protected:
    void SetUp() override {
        record = getCutOffSeriesHeader(window, 20, 1, 1, 10, 100, nullptr);
        ASSERT_NE(record, nullptr);
        blocksWithRecord = memory::outstandingBlocks();
    }
    void TearDown() override {
        freeSeriesHeader(record);
        EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);
    }

    std::vector<uint16_t> employ(const std::vector<int32_t>& subset, uint16_t mode, uint16_t init,
                                 std::size_t K) {
        setSeriesSubset(subset, mode, init, record);
        std::vector<uint16_t> sequence(K, UNTOUCHED);
        employSubset(*record, sequence, states);
        return sequence;
    }

    std::vector<uint16_t> subsetInUse() const {
        return std::vector<uint16_t>(record->lpSubset, record->lpSubset + record->wSubsetSize);
    }

    const std::int64_t blocksAtStart = memory::outstandingBlocks();
    std::int64_t blocksWithRecord = 0;
    HeadlessWindow window;
    SeriesHeader* record = nullptr;
    GeneratorStates states;
    const std::vector<int32_t> tuple{3, 7, 12};
};

TEST_F(SubsetTest, CompleteEmploymentRepeatsTheSubsetBackToBack) {
    EXPECT_EQ(employ(tuple, EMPLOY_COMPLETE, 1, 10),
              (std::vector<uint16_t>{3, 7, 12, 3, 7, 12, 3, 7, 12, 3}));
    EXPECT_EQ(employ(tuple, EMPLOY_COMPLETE, 4, 10),
              (std::vector<uint16_t>{UNTOUCHED, UNTOUCHED, UNTOUCHED, 3, 7, 12, 3, 7, 12, 3}));
    EXPECT_EQ(states, GeneratorStates{});
}

TEST_F(SubsetTest, SingleFixedEmploymentIsCutByTheEndOfTheSequence) {
    std::vector<uint16_t> expected(10, UNTOUCHED);
    expected[8] = 3;
    expected[9] = 7;
    EXPECT_EQ(employ(tuple, EMPLOY_SINGLE_FIXED, 9, 10), expected);
    EXPECT_EQ(states, GeneratorStates{});
}

TEST_F(SubsetTest, RandomEmploymentsFromTheInitialStates) {
    // The first draw of state 11357 is 14878; 14878 >> 1 = 7439.
    std::vector<uint16_t> lastThree(10, UNTOUCHED);
    lastThree[7] = 3, lastThree[8] = 7, lastThree[9] = 12;

    EXPECT_EQ(employ(tuple, EMPLOY_SINGLE_RANDOM, 1, 10), lastThree);  // offset 7439 mod 8
    EXPECT_EQ(states.wSubsetState, 14878);
    EXPECT_EQ(states.wSubsetGapState, SUBSET_GAP_SEED);

    states = GeneratorStates{};
    EXPECT_EQ(employ(tuple, EMPLOY_SHIFTED_COMPLETE, 1, 10),  // starts at entry 7439 mod 3 = 2
              (std::vector<uint16_t>{12, 3, 7, 12, 3, 7, 12, 3, 7, 12}));
    EXPECT_EQ(states.wSubsetState, 14878);

    // The same first jump, and the copy ending at the last place stops the repetition.
    states = GeneratorStates{};
    EXPECT_EQ(employ(tuple, EMPLOY_MULTIPLE_RANDOM, 1, 10), lastThree);
    EXPECT_EQ(states.wSubsetGapState, 14878);
    EXPECT_EQ(states.wSubsetState, SUBSET_SEED);
}

TEST_F(SubsetTest, SingleRandomEmploymentAlwaysPlacesTheWholeSubsetAfterTheInitPosition) {
    for (uint32_t start = 0; start < 32768; start += 61) {
        for (uint16_t init : {uint16_t{1}, uint16_t{5}, uint16_t{8}}) {
            states.wSubsetState = static_cast<uint16_t>(start);
            const std::vector<uint16_t> sequence = employ(tuple, EMPLOY_SINGLE_RANDOM, init, 10);
            std::size_t offset = 0;
            while (offset < sequence.size() && sequence[offset] == UNTOUCHED) ++offset;
            ASSERT_GE(offset, init - 1u) << start;
            ASSERT_LE(offset, 7u) << start;  // g = 10 - (init - 1) - 3 + 1 places to start from
            ASSERT_EQ(std::vector<uint16_t>(sequence.begin() + offset, sequence.begin() + offset + 3),
                      (std::vector<uint16_t>{3, 7, 12}));
            for (std::size_t j = offset + 3; j < sequence.size(); ++j) ASSERT_EQ(sequence[j], UNTOUCHED);
        }
    }
}

TEST_F(SubsetTest, NoEmploymentWritesAtOrPastTheEndOfTheSequence) {
    // Random gaps of up to K - L places carry the next copy far past the last place.
    constexpr std::size_t GUARD = 8;
    for (uint16_t mode = EMPLOY_SINGLE_RANDOM; mode <= EMPLOY_SHIFTED_COMPLETE; ++mode) {
        for (int L = 1; L <= 4; ++L) {
            const std::vector<int32_t> subset(tuple.begin(), tuple.begin() + std::min(L, 3));
            std::vector<int32_t> longer = subset;
            while (static_cast<int>(longer.size()) < L) longer.push_back(5);
            for (std::size_t K = 1; K <= 9; ++K) {
                for (uint16_t init = 1; init <= K + 1; ++init) {
                    for (uint32_t start = 0; start < 32768; start += 4093) {
                        SCOPED_TRACE(testing::Message() << "mode " << mode << " L " << L << " K " << K
                                                        << " init " << init << " state " << start);
                        states.wSubsetState = states.wSubsetGapState = static_cast<uint16_t>(start);
                        setSeriesSubset(longer, mode, init, record);
                        std::vector<uint16_t> backing(K + GUARD, UNTOUCHED);
                        employSubset(*record, std::span<uint16_t>(backing).first(K), states);
                        for (std::size_t j = 0; j + 1 < init && j < K; ++j) ASSERT_EQ(backing[j], UNTOUCHED);
                        for (std::size_t j = K; j < backing.size(); ++j) ASSERT_EQ(backing[j], UNTOUCHED);
                    }
                }
            }
        }
    }
}

TEST_F(SubsetTest, UnknownEmploymentOrNoSubsetLeavesTheSequenceAlone) {
    const std::vector<uint16_t> untouched(10, UNTOUCHED);
    EXPECT_EQ(employ(tuple, 0, 1, 10), untouched);
    EXPECT_EQ(employ(tuple, 6, 1, 10), untouched);
    EXPECT_EQ(employ({}, EMPLOY_COMPLETE, 1, 10), untouched);
    EXPECT_EQ(states, GeneratorStates{});
}

TEST_F(SubsetTest, SeriesMakingEmploysTheSubsetBeforeCheckingEtalonNumbers) {
    std::vector<std::vector<int16_t>> data = {{1, 1}, {2, 2}, {3, 3}};
    std::vector<PulseHeader> alphabet;
    for (std::size_t i = 0; i < data.size(); ++i)
        alphabet.push_back({2, 2, static_cast<int16_t>(i + 1), data[i].data()});
    std::vector<uint16_t> sequence(8, 2);
    SeriesRequest request;
    request.alphabet = alphabet;
    request.n = 2;
    request.Tmin = 4;
    request.Tmax = 4;
    request.N = 30;
    request.K = 7;
    request.sequence = sequence;
    SeriesHeader* series = getCutOffSeries(window, request, nullptr, states);
    ASSERT_NE(series, nullptr);
    setSeriesSubset(std::vector<int32_t>{3, 0, 2}, EMPLOY_COMPLETE, 2, series);
    series = getCutOffSeries(window, request, series, states);
    ASSERT_NE(series, nullptr);
    EXPECT_TRUE(window.messages().empty());
    EXPECT_EQ(sequence, (std::vector<uint16_t>{2, 3, 1, 2, 3, 1, 2, 2}));
    EXPECT_EQ(std::vector<uint16_t>(series->lpEtalonNumbers, series->lpEtalonNumbers + 7),
              (std::vector<uint16_t>{2, 3, 1, 2, 3, 1, 2}));
    for (int p = 0; p < 7; ++p) {
        EXPECT_EQ(series->lpPureData[series->lpPositions[p]], sequence[p]) << p;
    }
    freeSeriesHeader(series);
}

TEST_F(SubsetTest, SubsetLongerThanTheMostPulsesIsCutToWhatWasStored) {
    SeriesHeader* narrow = getCutOffSeriesHeader(window, 4, 5, 25, 35, 100, nullptr);
    ASSERT_NE(narrow, nullptr);
    ASSERT_EQ(narrow->wMaxPulses, 4);
    const std::vector<int32_t> six = {1, 2, 3, 4, 1, 2};
    EXPECT_EQ(setSeriesSubset(six, EMPLOY_COMPLETE, 1, narrow), 1);
    EXPECT_EQ(narrow->wSubsetSize, 4);
    EXPECT_EQ(std::vector<uint16_t>(narrow->lpSubset, narrow->lpSubset + 4),
              (std::vector<uint16_t>{1, 2, 3, 4}));
    EXPECT_EQ(narrow->lpTupleFirsts[0], 0);  // the array after the subset is not overrun

    const int32_t sizes[] = {6};
    const int32_t* lists[] = {six.data()};
    narrow->wSubsetSize = 0;
    EXPECT_EQ(addSomeSelectedSubsetToSeriesHeader(window, sizes, lists, 1, 6, 1, EMPLOY_COMPLETE, 1, narrow),
              1);
    EXPECT_EQ(narrow->wSubsetSize, 4);
    EXPECT_EQ(narrow->lpTupleFirsts[0], 0);
    EXPECT_EQ(narrow->selectedSubsetSize[0], 6);  // the stored table keeps the whole subset
    freeSeriesHeader(narrow);

    EXPECT_EQ(setSeriesSubset(six, EMPLOY_COMPLETE, 1, nullptr), 1);
}

class SelectedSubsetsTest : public SubsetTest {
protected:
    int add(int32_t chosen, uint16_t S = 5, uint16_t Z = 6) {
        const int32_t* lists[] = {first.data(), second.data(), third.data()};
        return addSomeSelectedSubsetToSeriesHeader(window, sizes, lists, S, Z, chosen, EMPLOY_SINGLE_FIXED, 2,
                                                   record);
    }

    std::vector<uint16_t> row(int i) const {
        return std::vector<uint16_t>(record->selectedSubsetList[i],
                                     record->selectedSubsetList[i] + record->selectedSubsetSize[i]);
    }

    const std::vector<int32_t> first{4, 5, 6}, second{7, 8}, third{9, 10, 11, 12};
    const std::vector<int32_t> sizes{3, 2, 4};
};

TEST_F(SelectedSubsetsTest, StoresTheTableAndPutsTheChosenSubsetInUse) {
    ASSERT_EQ(add(2), 1);
    EXPECT_EQ(record->wSubsets, 3);
    EXPECT_EQ(record->wReservedSubsets, 5);
    EXPECT_EQ(record->wReservedSubsetSize, 6);
    EXPECT_EQ(row(0), (std::vector<uint16_t>{4, 5, 6}));
    EXPECT_EQ(row(1), (std::vector<uint16_t>{7, 8}));
    EXPECT_EQ(row(2), (std::vector<uint16_t>{9, 10, 11, 12}));
    // Rows lie after the sizes in the same allocation, Z entries apart.
    EXPECT_EQ(record->selectedSubsetList[0], record->selectedSubsetSize + 5);
    EXPECT_EQ(record->selectedSubsetList[2], record->selectedSubsetSize + 5 + 2 * 6);
    EXPECT_EQ(subsetInUse(), (std::vector<uint16_t>{7, 8}));
    EXPECT_EQ(record->wSubsetEmployment, EMPLOY_SINGLE_FIXED);
    EXPECT_EQ(record->wSubsetInitPosition, 2);

    for (int32_t outOfRange : {0, 4, -1, 1000}) {
        ASSERT_EQ(add(outOfRange), 1);
        EXPECT_EQ(subsetInUse(), (std::vector<uint16_t>{9, 10, 11, 12})) << outOfRange;
    }
    EXPECT_TRUE(window.messages().empty());
}

TEST_F(SelectedSubsetsTest, NothingToStoreOrNoRecord) {
    const int32_t* none[] = {nullptr};
    EXPECT_EQ(addSomeSelectedSubsetToSeriesHeader(window, {}, std::span<const int32_t* const>(none, 0), 5, 6,
                                                  1, EMPLOY_COMPLETE, 1, record),
              0);
    EXPECT_EQ(record->selectedSubsetSize, nullptr);
    EXPECT_EQ(record->wSubsetSize, 0);
    const int32_t* lists[] = {first.data(), second.data(), third.data()};
    EXPECT_EQ(addSomeSelectedSubsetToSeriesHeader(window, sizes, lists, 5, 6, 1, EMPLOY_COMPLETE, 1, nullptr),
              1);
    EXPECT_EQ(memory::outstandingBlocks(), blocksWithRecord);
}

TEST_F(SelectedSubsetsTest, TableIsReusedWhenLargeEnoughAndReplacedWhenNot) {
    ASSERT_EQ(add(1), 1);
    const uint16_t* table = record->selectedSubsetSize;
    const std::int64_t calls = memory::allocationCalls();
    ASSERT_EQ(add(1, 3, 4), 1);
    EXPECT_EQ(memory::allocationCalls(), calls);
    EXPECT_EQ(record->selectedSubsetSize, table);
    EXPECT_EQ(record->wReservedSubsets, 5);
    EXPECT_EQ(record->wReservedSubsetSize, 6);

    for (auto [S, Z] : {std::pair<uint16_t, uint16_t>{8, 6}, {8, 9}}) {
        ASSERT_EQ(add(3, S, Z), 1);
        EXPECT_EQ(record->wReservedSubsets, S);
        EXPECT_EQ(record->wReservedSubsetSize, Z);
        EXPECT_EQ(row(2), (std::vector<uint16_t>{9, 10, 11, 12}));
        for (int i = 3; i < S; ++i) EXPECT_EQ(record->selectedSubsetSize[i], 0) << i;
        EXPECT_EQ(record->selectedSubsetList[1], record->selectedSubsetSize + S + Z);
        EXPECT_EQ(memory::outstandingBlocks(), blocksWithRecord + 2);
    }
}

TEST_F(SelectedSubsetsTest, RefusedTableIsReportedAndLeavesNothingBehind) {
    const char* texts[] = {"Нет памяти для lpSeriesHeader->selectedSubsetSize!",
                           "Нет памяти для lpSeriesHeader->selectedSubsetList!"};
    for (int nth = 1; nth <= 2; ++nth) {
        SCOPED_TRACE(nth);
        window.clearRecords();
        setSeriesSubset(tuple, EMPLOY_COMPLETE, 3, record);
        int result;
        {
            memory::FailureInjection refuse(nth);
            result = add(1);
        }
        EXPECT_EQ(result, 0);
        ASSERT_EQ(window.messages().size(), 1u);
        EXPECT_EQ(window.messages()[0].text, texts[nth - 1]);
        EXPECT_EQ(window.messages()[0].caption, " addSomeSelectedSubsetToSeriesHeader ");
        EXPECT_EQ(record->selectedSubsetSize, nullptr);
        EXPECT_EQ(record->selectedSubsetList, nullptr);
        EXPECT_EQ(memory::outstandingBlocks(), blocksWithRecord);
        // The subset in use stays as it was.
        EXPECT_EQ(subsetInUse(), (std::vector<uint16_t>{3, 7, 12}));
        EXPECT_EQ(record->wSubsetEmployment, EMPLOY_COMPLETE);
        EXPECT_EQ(record->wSubsetInitPosition, 3);
    }
}

TEST_F(SelectedSubsetsTest, RefusedGrowthReleasesTheOldTable) {
    for (int nth = 1; nth <= 2; ++nth) {
        SCOPED_TRACE(nth);
        ASSERT_EQ(add(1), 1);
        const auto bigger = static_cast<uint16_t>(record->wReservedSubsets + 4);
        {
            memory::FailureInjection refuse(nth);
            EXPECT_EQ(add(1, bigger, bigger), 0);
        }
        EXPECT_EQ(record->selectedSubsetSize, nullptr);
        EXPECT_EQ(record->selectedSubsetList, nullptr);
        EXPECT_EQ(memory::outstandingBlocks(), blocksWithRecord);
        // A later request gets a table again.
        ASSERT_EQ(add(2, bigger, bigger), 1);
        EXPECT_EQ(record->wReservedSubsets, bigger);
        EXPECT_EQ(row(1), (std::vector<uint16_t>{7, 8}));
    }
}

// FAULT: when a table too small for the request is released and its replacement is refused, the
// record still counts the subsets of the released table (wSubsets = 3 with no table behind it), so
// whoever walks the stored subsets afterwards reads through null row pointers.
TEST_F(SelectedSubsetsTest, RefusedGrowthLeavesNoSubsetsCounted) {
    ASSERT_EQ(add(1), 1);
    {
        memory::FailureInjection refuse(1);
        EXPECT_EQ(add(1, 9, 9), 0);
    }
    ASSERT_EQ(record->selectedSubsetList, nullptr);
    EXPECT_EQ(record->wSubsets, 0);
}

TEST_F(SubsetTest, RequiredListHoldsEveryEtalonNumberAndReplacesTheOldList) {
    uint16_t* list = getRequiredList(window, 20, nullptr);
    ASSERT_NE(list, nullptr);
    std::vector<uint16_t> expected;
    for (uint16_t e = 1; e <= 20; ++e) expected.push_back(e);
    EXPECT_EQ(std::vector<uint16_t>(list, list + 20), expected);
    EXPECT_EQ(memory::outstandingBlocks(), blocksWithRecord + 1);

    list = getRequiredList(window, 5, list);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(std::vector<uint16_t>(list, list + 5), (std::vector<uint16_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(memory::outstandingBlocks(), blocksWithRecord + 1);
    EXPECT_TRUE(window.messages().empty());

    {
        memory::FailureInjection refuse(1);
        list = getRequiredList(window, 20, list);
    }
    EXPECT_EQ(list, nullptr);
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(window.messages()[0].text, "Нет памяти для newList!");
    EXPECT_EQ(window.messages()[0].caption, " getRequiredList ");
    EXPECT_EQ(memory::outstandingBlocks(), blocksWithRecord);
}

}  // namespace
}  // namespace tessaline
