// The processing result record: making, reusing, describing, releasing, and the insertion rule
// every processing algorithm offers its chains through.
#include <gtest/gtest.h>

#include <vector>

#include "platform/alloc.h"
#include "platform/headless.h"
#include "processing/chains.h"

namespace tessaline {
namespace {

struct OwnedChain {
    int64_t distance;
    std::vector<int16_t> etalons, positions, begins, ends;

    ChainView view() const { return {distance, etalons, positions, begins, ends}; }
};

// A chain of `count` pulses whose entries all carry `tag`, so moved rows can be recognised.
OwnedChain taggedChain(int64_t distance, int count, int16_t tag) {
    std::vector<int16_t> entries(static_cast<std::size_t>(count), tag);
    return {distance, entries, entries, entries, entries};
}

class ChainsTest : public testing::Test {
protected:
    void TearDown() override {
        freeChainsHeader(record);
        EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);
    }

    std::vector<int64_t> distances() const {
        return {record->distance, record->distance + record->wPretenders};
    }
    std::vector<int16_t> tags() const {
        std::vector<int16_t> result;
        for (int i = 0; i < record->wPretenders; ++i) result.push_back(record->positionsList[i][0]);
        return result;
    }

    std::int64_t blocksAtStart = memory::outstandingBlocks();
    HeadlessWindow window;
    ChainsHeader* record = nullptr;
};

TEST_F(ChainsTest, MakesRecordWithExactCapacitiesAndReusesLargerStorage) {
    record = getChainsHeader(window, 20, 8, nullptr);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->wMaxSize, 20);
    EXPECT_EQ(record->wMaxPulses, 8);

    insertChain(*record, taggedChain(5, 3, 7).view());
    record->wSeekingPulsesQuantity = 3;
    record->wQuanPulses = 3;
    ChainsHeader* again = getChainsHeader(window, 10, 5, record);
    EXPECT_EQ(again, record);
    EXPECT_EQ(record->wMaxSize, 20);
    EXPECT_EQ(record->wMaxPulses, 8);
    EXPECT_EQ(record->wPretenders, 0);
    EXPECT_EQ(record->wQuanPulses, 0);
    EXPECT_EQ(record->wSeekingPulsesQuantity, 0);
    EXPECT_EQ(record->pulsesList[0][0], 0);

    record = getChainsHeader(window, 30, 8, record);  // more chains: new storage
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->wMaxSize, 30);
    EXPECT_EQ(record->cutEndList[29] + 8, record->lpListData + 4 * 30 * 8);
    EXPECT_TRUE(window.messages().empty());
}

TEST_F(ChainsTest, KeepsBestChainsSortedAndEqualDistancesInOfferOrder) {
    record = getChainsHeader(window, 3, 4, nullptr);
    ASSERT_NE(record, nullptr);
    insertChain(*record, taggedChain(50, 2, 1).view());
    insertChain(*record, taggedChain(20, 4, 2).view());
    insertChain(*record, taggedChain(50, 1, 3).view());  // equal distance: after the first 50
    EXPECT_EQ(distances(), (std::vector<int64_t>{20, 50, 50}));
    EXPECT_EQ(tags(), (std::vector<int16_t>{2, 1, 3}));
    EXPECT_EQ(record->pulsesNumber[0], 4);
    EXPECT_EQ(record->pulsesNumber[2], 1);

    // Full: a chain equal to the worst is not stored; a better one drops the worst.
    EXPECT_EQ(insertChain(*record, taggedChain(50, 2, 4).view()), -1);
    EXPECT_EQ(tags(), (std::vector<int16_t>{2, 1, 3}));
    EXPECT_EQ(insertChain(*record, taggedChain(30, 3, 5).view()), 1);
    EXPECT_EQ(distances(), (std::vector<int64_t>{20, 30, 50}));
    EXPECT_EQ(tags(), (std::vector<int16_t>{2, 5, 1}));
    // The moved chain carried its whole rows and its count.
    EXPECT_EQ(record->pulsesNumber[2], 2);
    EXPECT_EQ(record->cutEndList[2][1], 1);
    EXPECT_EQ(insertChain(*record, taggedChain(-7, 1, 6).view()), 0);
    EXPECT_EQ(tags(), (std::vector<int16_t>{6, 2, 5}));
}

TEST_F(ChainsTest, RefusesChainLongerThanRowCapacity) {
    record = getChainsHeader(window, 2, 3, nullptr);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(insertChain(*record, taggedChain(1, 4, 9).view()), -1);
    EXPECT_EQ(record->wPretenders, 0);
    EXPECT_EQ(insertChain(*record, taggedChain(1, 3, 9).view()), 0);
    EXPECT_EQ(record->wPretenders, 1);
}

TEST_F(ChainsTest, ClearingForRunResetsCountsDistancesAndRowStarts) {
    record = getChainsHeader(window, 2, 5, nullptr);
    ASSERT_NE(record, nullptr);
    insertChain(*record, taggedChain(9, 5, 4).view());
    insertChain(*record, taggedChain(8, 5, 3).view());
    clearChainsHeader(*record, 3, 3);
    EXPECT_EQ(record->wPretenders, 0);
    EXPECT_EQ(record->wQuanPulses, 3);
    EXPECT_EQ(record->wSeekingPulsesQuantity, 3);
    EXPECT_EQ(record->distance[0], 0);
    EXPECT_EQ(record->distance[1], 0);
    EXPECT_EQ(record->positionsList[1][2], 0);
    EXPECT_EQ(record->positionsList[1][3], 4);  // beyond the cleared entries
}

TEST_F(ChainsTest, DescribesRunWithSharedNames) {
    record = getChainsHeader(window, 1, 1, nullptr);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->wHeaderKind, 0);
    EXPECT_EQ(addToChainsHeader(window, 8, 4, 75, 70, record), 1);
    EXPECT_EQ(record->wHeaderKind, 2);
    EXPECT_STREQ(record->lpSeriesTypeName, "unknown number of cut-off pulses");
    EXPECT_STREQ(record->lpTaskName, "joint detection and identification");
    EXPECT_EQ(record->wMakingEnergyLevel, 75);
    EXPECT_EQ(record->wProcessingEnergyLevel, 70);
    EXPECT_EQ(addToChainsHeader(window, 16, 3, 100, 100, record), 1);
    EXPECT_EQ(record->lpSeriesTypeName, nullptr);
    EXPECT_EQ(record->lpTaskName, nullptr);
    EXPECT_EQ(addToChainsHeader(window, 36, 40, 100, 100, record), 1);
    EXPECT_STREQ(record->lpSeriesTypeName, "known number of whole pulses tuples");
    EXPECT_STREQ(record->lpTaskName, "recognition");
    EXPECT_EQ(addToChainsHeader(window, 1, 36, 100, 100, nullptr), 0);
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(window.messages()[0].text, "Не определен lpChainsHeader!");
    EXPECT_EQ(window.messages()[0].caption, " addToChainsHeader ");
    EXPECT_EQ(freeChainsHeader(nullptr), 1);
}

// Each allocation of a new record fails in turn: its message, a null result, nothing left over,
// also when an existing record (which is released) is grown.
TEST_F(ChainsTest, EveryAllocationFailureReportsAndReleases) {
    const char* texts[] = {"Нет памяти для newChainsHeader!", "Нет памяти для newChainsHeader->distance!",
                           "Нет памяти для newChainsHeader->pulsesList!",
                           "Нет памяти для newChainsHeader->pulsesList[0]!"};
    for (int failing = 1; failing <= 4; ++failing) {
        HeadlessWindow local;
        {
            memory::FailureInjection guard(failing);
            EXPECT_EQ(getChainsHeader(local, 10, 30, nullptr), nullptr);
        }
        ASSERT_EQ(local.messages().size(), 1u) << failing;
        EXPECT_EQ(local.messages()[0].text, texts[failing - 1]);
        EXPECT_EQ(local.messages()[0].caption, " getChainsHeader ");
        EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart) << failing;
    }
    for (int failing = 1; failing <= 3; ++failing) {
        HeadlessWindow local;
        ChainsHeader* existing = getChainsHeader(local, 2, 2, nullptr);
        ASSERT_NE(existing, nullptr);
        memory::FailureInjection guard(failing);
        EXPECT_EQ(getChainsHeader(local, 10, 30, existing), nullptr);
        EXPECT_EQ(local.messages().at(0).text, texts[failing]);
        EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart) << failing;
    }
}

}  // namespace
}  // namespace tessaline
