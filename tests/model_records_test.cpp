// The series record: admissible pulse counts, the sample block and its reuse, the subset carried
// over a reallocation, refused settings, releasing, and every out-of-memory path.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/records.h"
#include "model/subsets.h"
#include "platform/alloc.h"
#include "platform/headless.h"
#include "tests/support/record_image.h"

namespace tessaline {
namespace {

void fillBlock(SeriesHeader& record, int16_t first) {
    for (std::size_t i = 0; i < blockEntries(record); ++i)
        record.lpPureData[i] = static_cast<int16_t>(first + i);
}

bool blockIsZero(const SeriesHeader& record) {
    for (std::size_t i = 0; i < blockEntries(record); ++i) {
        if (record.lpPureData[i] != 0) return false;
    }
    return true;
}

class SeriesRecordTest : public testing::Test {
protected:
    void TearDown() override {
        freeSeriesHeader(record);
        EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);
    }

    void expectOnlyMessage(const std::string& text, const std::string& caption) {
        ASSERT_EQ(window.messages().size(), 1u);
        EXPECT_EQ(window.messages()[0].text, text);
        EXPECT_EQ(window.messages()[0].caption, caption);
    }

    HeadlessWindow window;
    SeriesHeader* record = nullptr;
    const std::int64_t blocksAtStart = memory::outstandingBlocks();
};

TEST_F(SeriesRecordTest, NewRecordHoldsCountsCapacitiesAndAZeroedBlock) {
    record = getCutOffSeriesHeader(window, 20, 20, 25, 35, 100, nullptr);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(window.messages().empty());
    EXPECT_EQ(record->wMinPulses, 3);  // (100 + 19) / 35
    EXPECT_EQ(record->wMaxPulses, 4);  // (100 - 20 + 25) / 25
    EXPECT_EQ(record->dwSeriesSize, 100u);
    EXPECT_EQ(record->dwReservedSize, 100u);
    EXPECT_EQ(record->wReservedPulses, 4);
    EXPECT_EQ(record->wTmin, 25);
    EXPECT_EQ(record->wTmax, 35);
    EXPECT_EQ(record->wEtalons, 20);
    EXPECT_EQ(record->wReservedEtalons, 20);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(record->lpPulsesList[i], nullptr) << i;
    EXPECT_EQ(record->wSubsetSize, 0);
    EXPECT_TRUE(blockIsZero(*record));
}

TEST_F(SeriesRecordTest, LeastCountIsRaisedToOneForAShortSeries) {
    // (5 + 5 - 1) / 10 = 0 pulses would be too few: the series holds at least one.
    record = getCutOffSeriesHeader(window, 2, 5, 5, 10, 5, nullptr);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->wMinPulses, 1);
    EXPECT_EQ(record->wMaxPulses, 1);
    EXPECT_EQ(leastPulseCount(1, 1, 2), 1u);
}

TEST_F(SeriesRecordTest, SmallerSeriesKeepsTheBlockItsCapacitiesAndItsContents) {
    record = getCutOffSeriesHeader(window, 20, 20, 25, 35, 100, nullptr);
    ASSERT_NE(record, nullptr);
    fillBlock(*record, 1);
    record->wSubsetSize = 2;
    const std::vector<int16_t> before(record->lpPureData, record->lpPureData + blockEntries(*record));
    const int16_t* block = record->lpPureData;
    const std::int64_t calls = memory::allocationCalls();

    SeriesHeader* again = getCutOffSeriesHeader(window, 20, 20, 25, 35, 60, record);
    ASSERT_EQ(again, record);
    EXPECT_EQ(memory::allocationCalls(), calls);
    EXPECT_EQ(record->lpPureData, block);
    EXPECT_EQ(record->dwReservedSize, 100u);
    EXPECT_EQ(record->wReservedPulses, 4);
    EXPECT_EQ(record->dwSeriesSize, 60u);
    EXPECT_EQ(record->wMaxPulses, 2);  // (60 - 20 + 25) / 25
    EXPECT_EQ(record->wMinPulses, 2);  // (60 + 19) / 35
    EXPECT_EQ(record->wSubsetSize, 2);
    EXPECT_EQ(std::vector<int16_t>(record->lpPureData, record->lpPureData + blockEntries(*record)), before);
}

TEST_F(SeriesRecordTest, LargerSeriesGetsAZeroedBlockAndKeepsAFittingSubset) {
    record = getCutOffSeriesHeader(window, 4, 5, 5, 10, 100, nullptr);
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->wReservedPulses, 20);
    const std::vector<int32_t> subset = {3, 1, 4, 1, 2, 2, 4, 3, 1, 2};
    setSeriesSubset(subset, EMPLOY_SHIFTED_COMPLETE, 7, record);
    fillBlock(*record, 1000);
    for (std::size_t j = 0; j < subset.size(); ++j) record->lpSubset[j] = static_cast<uint16_t>(subset[j]);

    record = getCutOffSeriesHeader(window, 4, 5, 5, 10, 200, record);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->dwReservedSize, 200u);
    EXPECT_EQ(record->wReservedPulses, 40);
    EXPECT_EQ(record->wSubsetSize, 10);
    EXPECT_EQ(record->wSubsetEmployment, EMPLOY_SHIFTED_COMPLETE);
    EXPECT_EQ(record->wSubsetInitPosition, 7);
    for (std::size_t j = 0; j < subset.size(); ++j) EXPECT_EQ(record->lpSubset[j], subset[j]) << j;
    // Apart from the subset, the new block is all zeros.
    for (std::size_t j = 0; j < subset.size(); ++j) record->lpSubset[j] = 0;
    EXPECT_TRUE(blockIsZero(*record));
}

TEST_F(SeriesRecordTest, SubsetIsCarriedWhileItFitsAndDroppedOnceItDoesNot) {
    record = getCutOffSeriesHeader(window, 4, 5, 5, 10, 100, nullptr);
    ASSERT_NE(record, nullptr);
    const std::vector<int32_t> subset = {1, 2, 3, 4, 1, 2};
    setSeriesSubset(subset, EMPLOY_COMPLETE, 1, record);
    ASSERT_EQ(record->wSubsetSize, 6);

    // Longer series with wider gaps: exactly (200 - 5 + 39) / 39 = 6 pulses, the subset still fits.
    record = getCutOffSeriesHeader(window, 4, 5, 39, 45, 200, record);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->wMaxPulses, 6);
    EXPECT_EQ(record->wSubsetSize, 6);
    EXPECT_EQ(std::vector<uint16_t>(record->lpSubset, record->lpSubset + 6),
              (std::vector<uint16_t>{1, 2, 3, 4, 1, 2}));

    // Longer still, at most (300 - 5 + 60) / 60 = 5 pulses: the subset is dropped.
    record = getCutOffSeriesHeader(window, 4, 5, 60, 70, 300, record);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->wMaxPulses, 5);
    EXPECT_EQ(record->wSubsetSize, 0);
    EXPECT_TRUE(blockIsZero(*record));
}

TEST_F(SeriesRecordTest, LargerAlphabetReplacesThePulsesListAndEveryEntryIsCleared) {
    record = getCutOffSeriesHeader(window, 3, 5, 5, 10, 100, nullptr);
    ASSERT_NE(record, nullptr);
    PulseHeader etalon{};
    for (int i = 0; i < 3; ++i) record->lpPulsesList[i] = &etalon;

    record = getCutOffSeriesHeader(window, 8, 5, 5, 10, 100, record);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->wReservedEtalons, 8);
    EXPECT_EQ(record->wEtalons, 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(record->lpPulsesList[i], nullptr) << i;
        record->lpPulsesList[i] = &etalon;
    }

    // Fewer etalons: the list is kept, and all of its entries are cleared.
    const PulseHeader** list = record->lpPulsesList;
    record = getCutOffSeriesHeader(window, 2, 5, 5, 10, 100, record);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->lpPulsesList, list);
    EXPECT_EQ(record->wReservedEtalons, 8);
    EXPECT_EQ(record->wEtalons, 2);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(record->lpPulsesList[i], nullptr) << i;
}

TEST_F(SeriesRecordTest, FreeReleasesEverythingTheRecordOwns) {
    EXPECT_EQ(freeSeriesHeader(nullptr), 1);

    SeriesHeader* plain = getCutOffSeriesHeader(window, 4, 5, 5, 10, 100, nullptr);
    ASSERT_NE(plain, nullptr);
    const std::int64_t withPlain = memory::outstandingBlocks();
    EXPECT_EQ(freeSeriesHeader(plain), 1);
    EXPECT_EQ(memory::outstandingBlocks(), withPlain - 3);

    SeriesHeader* withSubsets = getCutOffSeriesHeader(window, 4, 5, 5, 10, 100, nullptr);
    ASSERT_NE(withSubsets, nullptr);
    const int32_t row[] = {1, 2};
    const int32_t sizes[] = {2};
    const int32_t* rows[] = {row};
    ASSERT_EQ(
        addSomeSelectedSubsetToSeriesHeader(window, sizes, rows, 4, 4, 1, EMPLOY_COMPLETE, 1, withSubsets),
        1);
    EXPECT_EQ(freeSeriesHeader(withSubsets), 1);
    EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);
}

TEST_F(SeriesRecordTest, EachFailedAllocationOfANewRecordIsReportedAndLeavesNothingBehind) {
    struct Case {
        int nth;
        const char* text;
        const char* caption;
    };
    const Case cases[] = {
        {1, "Нет памяти для newSeriesHeader!", " getCutOffSeriesHeader "},
        {2, "Нет памяти для newSeriesHeader->lpPureData!", " getExtSeriesHeader "},
        {3, "Нет памяти для newSeriesHeader->lpPulsesList!", " getExtSeriesHeader "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        window.clearRecords();
        SeriesHeader* made;
        {
            memory::FailureInjection failing(c.nth);
            made = getCutOffSeriesHeader(window, 20, 20, 25, 35, 100, nullptr);
        }
        EXPECT_EQ(made, nullptr);
        expectOnlyMessage(c.text, c.caption);
        EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);
    }
}

TEST_F(SeriesRecordTest, FailedGrowthReleasesTheRecordWithAllItOwns) {
    const int32_t row[] = {2, 1, 2};
    const int32_t sizes[] = {3};
    const int32_t* rows[] = {row};
    struct Case {
        uint16_t k;
        uint32_t N;
        const char* text;
    };
    const Case cases[] = {
        {4, 300, "Нет памяти для newSeriesHeader->lpPureData!"},
        {9, 100, "Нет памяти для newSeriesHeader->lpPulsesList!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        window.clearRecords();
        SeriesHeader* old = getCutOffSeriesHeader(window, 4, 5, 5, 10, 100, nullptr);
        ASSERT_NE(old, nullptr);
        ASSERT_EQ(addSomeSelectedSubsetToSeriesHeader(window, sizes, rows, 2, 5, 1, EMPLOY_COMPLETE, 1, old),
                  1);
        SeriesHeader* made;
        {
            memory::FailureInjection failing(1);
            made = getCutOffSeriesHeader(window, c.k, 5, 5, 10, c.N, old);
        }
        EXPECT_EQ(made, nullptr);
        expectOnlyMessage(c.text, " getExtSeriesHeader ");
        EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);
    }
}

TEST_F(SeriesRecordTest, BrokenSettingsAreRefusedByNameAndChangeNothing) {
    struct Case {
        uint16_t n, Tmin, Tmax;
        uint32_t N;
        const char* setting;
    };
    const Case cases[] = {
        {5, 0, 10, 100, "wTmin"},          {5, 11, 10, 100, "wTmin"},     {11, 5, 10, 100, "wImpulseSize"},
        {0, 5, 10, 100, "wImpulseSize"},   {5, 5, 10, 4, "dwSeriesSize"}, {5, 5, 10, 32768, "dwSeriesSize"},
        {5, 5, 10, 70000, "dwSeriesSize"},
    };
    record = getCutOffSeriesHeader(window, 4, 5, 5, 10, 100, nullptr);
    ASSERT_NE(record, nullptr);
    fillBlock(*record, 7);
    const RecordImage before(*record);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "n " << c.n << " Tmin " << c.Tmin << " Tmax " << c.Tmax << " N " << c.N);
        window.clearRecords();
        const std::int64_t calls = memory::allocationCalls();
        EXPECT_EQ(getCutOffSeriesHeader(window, 4, c.n, c.Tmin, c.Tmax, c.N, nullptr), nullptr);
        EXPECT_EQ(getCutOffSeriesHeader(window, 4, c.n, c.Tmin, c.Tmax, c.N, record), record);
        EXPECT_EQ(memory::allocationCalls(), calls);
        EXPECT_TRUE(before.sameAs(*record));
        ASSERT_EQ(window.messages().size(), 2u);
        for (const ShownMessage& message : window.messages()) {
            EXPECT_NE(message.text.find(c.setting), std::string::npos) << message.text;
            EXPECT_EQ(message.caption, " getCutOffSeriesHeader ");
        }
    }
}

TEST_F(SeriesRecordTest, LongestAndTightestSettingsAreAccepted) {
    // N = 32767 is the longest series; n = Tmin = Tmax packs the pulses back to back.
    record = getCutOffSeriesHeader(window, 1, 20, 1000, 1000, 32767, nullptr);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->wMaxPulses, 33);
    record = getCutOffSeriesHeader(window, 1, 7, 7, 7, 70, record);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->wMinPulses, 10);
    EXPECT_EQ(record->wMaxPulses, 10);
    EXPECT_TRUE(window.messages().empty());
}

}  // namespace
}  // namespace tessaline
