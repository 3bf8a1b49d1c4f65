// The subset selection panel: composing a subset by clicks, the stored table of tuple recognition,
// storing into the series record, and setting the panel up under allocation failures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/codes.h"
#include "model/records.h"
#include "model/subsets.h"
#include "panels/subset_panel_state.h"
#include "platform/alloc.h"
#include "platform/headless.h"

namespace tessaline {
namespace {

class SubsetPanelTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(initSubsetPanel(window, panel, 10), 1); }
    void TearDown() override {
        releaseSubsetPanel(panel);
        freeSeriesHeader(record);
        EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);
    }

    void compose(const std::vector<int32_t>& etalons) {
        deleteAllSubsetEntries(panel);
        for (int32_t e : etalons) offerEtalonToSubset(panel, e);
    }
    // Marks the given 0-based entries (the subset row marks one per click; tests set several).
    void mark(const std::vector<int32_t>& entries) {
        for (int32_t i : entries) panel.subsetMarks[i] = 1;
    }
    std::vector<int32_t> composed() const {
        return {panel.selectedSubset, panel.selectedSubset + panel.dwEntries};
    }
    std::vector<int32_t> marks() const { return {panel.subsetMarks, panel.subsetMarks + panel.dwEntries}; }
    std::vector<int32_t> storedRow(int32_t r) const {
        return {panel.subsetRows[r], panel.subsetRows[r] + panel.selectedSubsetArraySize[r]};
    }
    void makeRecord() {
        record = getCutOffSeriesHeader(window, 20, 20, 40, 181, 1200, nullptr);
        ASSERT_NE(record, nullptr);
    }
    std::vector<uint16_t> subsetInUse() const {
        return {record->lpSubset, record->lpSubset + record->wSubsetSize};
    }

    const std::int64_t blocksAtStart = memory::outstandingBlocks();
    HeadlessWindow window;
    SubsetPanel panel;
    SeriesHeader* record = nullptr;
};

TEST_F(SubsetPanelTest, FirstUseSetsUpEmptyPanelOnce) {
    EXPECT_EQ(panel.dwEntryCapacity, 10);
    EXPECT_EQ(panel.dwReservedSubsets, 10);
    EXPECT_EQ(panel.dwEntries, 0);
    EXPECT_EQ(panel.dwStoredSubsets, 0);

    compose({3, 7});
    const std::int64_t calls = memory::allocationCalls();
    EXPECT_EQ(initSubsetPanel(window, panel, 4), 1);  // the setting is taken on first use only
    EXPECT_EQ(memory::allocationCalls(), calls);
    EXPECT_EQ(panel.dwReservedSubsets, 10);
    EXPECT_EQ(composed(), (std::vector<int32_t>{3, 7}));
    EXPECT_TRUE(window.messages().empty());
}

TEST_F(SubsetPanelTest, ClicksAppendUpToTenThenAreIgnoredWhileNothingIsMarked) {
    for (int32_t e = 1; e <= 12; ++e) offerEtalonToSubset(panel, e);
    EXPECT_EQ(composed(), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(marks(), std::vector<int32_t>(10, 0));
}

TEST_F(SubsetPanelTest, ClickReplacesMarkedEntriesByOneAtTheEnd) {
    compose({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    mark({2, 6});
    offerEtalonToSubset(panel, 17);
    EXPECT_EQ(composed(), (std::vector<int32_t>{1, 2, 4, 5, 6, 8, 9, 10, 17}));
    EXPECT_EQ(marks(), std::vector<int32_t>(9, 0));

    compose({4, 4, 9});
    mark({0, 1, 2});
    offerEtalonToSubset(panel, 12);
    EXPECT_EQ(composed(), (std::vector<int32_t>{12}));
}

TEST_F(SubsetPanelTest, DeleteRemovesMarkedEntriesKeepingOrder) {
    compose({11, 12, 13, 14, 15});
    mark({1, 3});  // entries 2 and 4
    deleteMarkedSubsetEntries(panel);
    EXPECT_EQ(composed(), (std::vector<int32_t>{11, 13, 15}));
    EXPECT_EQ(marks(), (std::vector<int32_t>{0, 0, 0}));

    deleteMarkedSubsetEntries(panel);  // nothing marked: nothing removed
    EXPECT_EQ(composed(), (std::vector<int32_t>{11, 13, 15}));

    deleteAllSubsetEntries(panel);
    EXPECT_TRUE(composed().empty());
}

TEST_F(SubsetPanelTest, SubsetRowClickMarksOnlyTheEntryUnderThePoint) {
    compose({5, 6, 7});
    mark({0, 2});
    markSubsetEntry(panel, 1);
    EXPECT_EQ(marks(), (std::vector<int32_t>{0, 1, 0}));
    markSubsetEntry(panel, 3);  // an empty slot: only clears
    EXPECT_EQ(marks(), (std::vector<int32_t>{0, 0, 0}));
    markSubsetEntry(panel, 2);
    markSubsetEntry(panel, -1);  // between the slots
    EXPECT_EQ(marks(), (std::vector<int32_t>{0, 0, 0}));
}

TEST_F(SubsetPanelTest, AcceptStoresRowsUntilTheTableIsFull) {
    releaseSubsetPanel(panel);
    ASSERT_EQ(initSubsetPanel(window, panel, 2), 1);
    compose({3, 7});
    acceptComposedSubset(panel);
    EXPECT_EQ(panel.dwMarkAll, 1);
    compose({9, 9, 1});
    acceptComposedSubset(panel);
    EXPECT_EQ(panel.dwStoredSubsets, 2);
    EXPECT_EQ(panel.dwChosenSubset, 2);
    chooseStoredSubset(panel, 0);
    EXPECT_EQ(panel.dwChosenSubset, 1);

    chooseStoredSubset(panel, 2);  // a free row frame
    EXPECT_EQ(panel.dwChosenSubset, 1);

    compose({5});
    acceptComposedSubset(panel);  // full: the table stays, the last row is chosen
    EXPECT_EQ(panel.dwStoredSubsets, 2);
    EXPECT_EQ(panel.dwChosenSubset, 2);
    EXPECT_EQ(storedRow(0), (std::vector<int32_t>{3, 7}));
    EXPECT_EQ(storedRow(1), (std::vector<int32_t>{9, 9, 1}));
}

TEST_F(SubsetPanelTest, AcceptOfAnEmptySubsetStoresNoRow) {
    compose({3, 7});
    acceptComposedSubset(panel);
    deleteAllSubsetEntries(panel);
    acceptComposedSubset(panel);
    EXPECT_EQ(panel.dwStoredSubsets, 1);
    EXPECT_EQ(panel.dwChosenSubset, 1);
}

TEST_F(SubsetPanelTest, ClearAllEmptiesTheTableAndMarkAllMarksTheComposedSubsetOnce) {
    compose({2, 4, 6});
    acceptComposedSubset(panel);
    panel.dwMarkAll = 0;
    clearStoredSubsets(panel);
    EXPECT_EQ(panel.dwStoredSubsets, 0);
    EXPECT_EQ(composed(), (std::vector<int32_t>{2, 4, 6}));

    EXPECT_TRUE(applyMarkAll(panel));
    EXPECT_EQ(marks(), (std::vector<int32_t>{1, 1, 1}));
    EXPECT_EQ(panel.dwMarkAll, 0);
    EXPECT_FALSE(applyMarkAll(panel));
    // After accepting, the next etalon starts a fresh subset.
    offerEtalonToSubset(panel, 8);
    EXPECT_EQ(composed(), (std::vector<int32_t>{8}));
}

TEST_F(SubsetPanelTest, OkPutsTheComposedSubsetInUse) {
    makeRecord();
    compose({3, 7, 12});
    EXPECT_TRUE(storeSubsetInSeries(window, panel, TASK_TUPLES_DETECTION, EMPLOY_SINGLE_FIXED, 4, record));
    EXPECT_EQ(subsetInUse(), (std::vector<uint16_t>{3, 7, 12}));
    EXPECT_EQ(record->wSubsetEmployment, EMPLOY_SINGLE_FIXED);
    EXPECT_EQ(record->wSubsetInitPosition, 4);
    EXPECT_EQ(record->wSubsets, 0);  // the table is for tuple recognition only
}

TEST_F(SubsetPanelTest, OkWithNothingToStoreKeepsTheRecord) {
    makeRecord();
    compose({5, 6});
    ASSERT_TRUE(storeSubsetInSeries(window, panel, TASK_RECOGNITION, EMPLOY_COMPLETE, 1, record));

    deleteAllSubsetEntries(panel);
    EXPECT_FALSE(storeSubsetInSeries(window, panel, TASK_RECOGNITION, EMPLOY_SINGLE_RANDOM, 2, record));
    // Tuple recognition stores the table, not the composed subset: with no row stored, nothing.
    compose({9});
    EXPECT_FALSE(
        storeSubsetInSeries(window, panel, TASK_TUPLES_RECOGNITION, EMPLOY_SINGLE_RANDOM, 2, record));
    EXPECT_EQ(subsetInUse(), (std::vector<uint16_t>{5, 6}));
    EXPECT_EQ(record->wSubsetEmployment, EMPLOY_COMPLETE);
    EXPECT_EQ(record->wSubsetInitPosition, 1);
    EXPECT_TRUE(window.messages().empty());
}

TEST_F(SubsetPanelTest, OkForTupleRecognitionStoresTheTableAndUsesTheChosenRow) {
    makeRecord();
    compose({3, 7});
    acceptComposedSubset(panel);
    compose({1, 2, 3, 4});
    acceptComposedSubset(panel);
    compose({20});
    acceptComposedSubset(panel);
    chooseStoredSubset(panel, 1);
    deleteAllSubsetEntries(panel);  // the composed subset plays no part

    ASSERT_TRUE(
        storeSubsetInSeries(window, panel, TASK_TUPLES_RECOGNITION, EMPLOY_MULTIPLE_RANDOM, 2, record));
    EXPECT_EQ(subsetInUse(), (std::vector<uint16_t>{1, 2, 3, 4}));
    EXPECT_EQ(record->wSubsetEmployment, EMPLOY_MULTIPLE_RANDOM);
    EXPECT_EQ(record->wSubsetInitPosition, 2);
    ASSERT_EQ(record->wSubsets, 3);
    EXPECT_EQ(record->wReservedSubsets, 10);
    EXPECT_EQ(record->wReservedSubsetSize, 10);
    EXPECT_EQ(record->selectedSubsetSize[0], 2);
    EXPECT_EQ(record->selectedSubsetSize[2], 1);
    EXPECT_EQ(record->selectedSubsetList[2][0], 20);
}

TEST_F(SubsetPanelTest, EachSetUpFailureIsReportedAndRetried) {
    releaseSubsetPanel(panel);
    const std::string expected[] = {"Нет памяти для selectedSubset!",
                                    "Нет памяти для selectedSubsetArraySize!",
                                    "Нет памяти для selectedSubset!", "Нет памяти для selectedSubset!"};
    for (int nth = 1; nth <= 4; ++nth) {
        window.clearRecords();
        {
            memory::FailureInjection failure(nth);
            EXPECT_EQ(initSubsetPanel(window, panel, 10), 0) << nth;
        }
        ASSERT_EQ(window.messages().size(), 1u) << nth;
        EXPECT_EQ(window.messages()[0].text, expected[nth - 1]);
        EXPECT_EQ(window.messages()[0].caption, "");
        EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart) << nth;
        EXPECT_FALSE(subsetPanelReady(panel));
        EXPECT_EQ(panel.dwEntryCapacity, 0);

        // Clicks and OK on a panel that is not set up do nothing.
        offerEtalonToSubset(panel, 3);
        acceptComposedSubset(panel);
        EXPECT_EQ(panel.dwEntries, 0);
        EXPECT_FALSE(storeSubsetInSeries(window, panel, TASK_RECOGNITION, EMPLOY_COMPLETE, 1, nullptr));

        ASSERT_EQ(initSubsetPanel(window, panel, 10), 1) << nth;
        EXPECT_EQ(panel.dwReservedSubsets, 10);
        releaseSubsetPanel(panel);
    }
}

TEST_F(SubsetPanelTest, ReservedRowsSettingIsKeptInRange) {
    releaseSubsetPanel(panel);
    ASSERT_EQ(initSubsetPanel(window, panel, 0), 1);
    EXPECT_EQ(panel.dwReservedSubsets, 1);
    compose({6});
    acceptComposedSubset(panel);
    EXPECT_EQ(panel.dwStoredSubsets, 1);
}

}  // namespace
}  // namespace tessaline
