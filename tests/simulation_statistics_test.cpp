// The statistics record of a simulation: sizing and reuse, the grid, its description, and every
// allocation failure.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "model/records.h"
#include "platform/alloc.h"
#include "platform/collecting_sink.h"
#include "platform/headless.h"
#include "processing/chains.h"
#include "simulation/run_lists.h"
#include "simulation/statistics.h"

namespace tessaline {
namespace {

int32_t** matrix(RestErrorHeader& record, int which) {
    int32_t** tables[STATISTICS_MATRICES] = {record.lpErrors,         record.lpDetectionErrors,
                                             record.lpDetectionSpare, record.lpRecognitionErrors,
                                             record.lpSpareErrors1,   record.lpSpareErrors2};
    return tables[which];
}

// Every cell of every row of every matrix is its own: writing each once leaves distinct addresses.
void expectDisjointCells(RestErrorHeader& record) {
    std::set<const int32_t*> cells;
    for (int m = 0; m < STATISTICS_MATRICES; ++m) {
        for (int k = 0; k < record.wNoiseLevels; ++k) {
            for (int j = 0; j < record.wVariousPulses; ++j)
                EXPECT_TRUE(cells.insert(&matrix(record, m)[k][j]).second);
        }
    }
}

TEST(StatisticsRecord, SizingKeepsLargerStorageAndReallocatesWhenEitherSideGrows) {
    const std::int64_t before = memory::outstandingBlocks();
    HeadlessWindow window;
    RestErrorHeader* record = getRestErrHeader(window, 25, 29, 100, nullptr);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->wPulseValues, record->lpNoiseLevels + 29);
    record->lpRecognitionErrors[3][4] = 7;
    record->lpNoiseLevels[0] = 5;

    RestErrorHeader* again = getRestErrHeader(window, 10, 5, 7, record);
    EXPECT_EQ(again, record);
    EXPECT_EQ(record->wReservedPulses, 25);
    EXPECT_EQ(record->wReservedLevels, 29);
    EXPECT_EQ(record->wVariousPulses, 10);
    EXPECT_EQ(record->repeats, 7u);
    EXPECT_EQ(record->lpRecognitionErrors[3][4], 0);
    EXPECT_EQ(record->lpNoiseLevels[0], 0);

    record = getRestErrHeader(window, 30, 3, 7, record);  // more pulse counts, fewer levels
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->wReservedPulses, 30);
    EXPECT_EQ(record->wReservedLevels, 3);
    expectDisjointCells(*record);
    EXPECT_TRUE(window.messages().empty());
    freeRestErrHeader(record);
    EXPECT_EQ(memory::outstandingBlocks(), before);
    EXPECT_EQ(freeRestErrHeader(nullptr), 1);
}

TEST(StatisticsRecord, GridAndDescription) {
    HeadlessWindow window;
    RestErrorHeader* record = getRestErrHeader(window, 3, 4, 10, nullptr);
    ASSERT_NE(record, nullptr);
    record->ifComplete = 1;
    record->lpErrors[1][1] = 99;
    record->lpDetectionErrors[1][1] = 98;
    ASSERT_EQ(initRestErrHeader(window, 3, 2, 2, 4, 0, 5, 10, record), 1);
    EXPECT_EQ(std::vector<int16_t>(record->wPulseValues, record->wPulseValues + 3),
              (std::vector<int16_t>{2, 4, 6}));
    EXPECT_EQ(std::vector<int16_t>(record->lpNoiseLevels, record->lpNoiseLevels + 4),
              (std::vector<int16_t>{0, 5, 10, 15}));
    EXPECT_EQ(record->ifComplete, 0);
    EXPECT_EQ(record->lpErrors[1][1], 0);
    EXPECT_EQ(record->lpDetectionErrors[1][1], 98);  // only the restored errors are cleared

    EXPECT_EQ(initRestErrHeader(window, 4, 2, 2, 4, 0, 5, 10, record), 0);
    EXPECT_EQ(window.messages().back().text, "Неверно задан wVariousPulsesNumber!");
    EXPECT_EQ(initRestErrHeader(window, 3, 2, 2, 5, 0, 5, 10, record), 0);
    EXPECT_EQ(window.messages().back().text, "Неверно задан wNoiseLevels!");
    EXPECT_EQ(window.messages().back().caption, " initRestErrHeader ");
    EXPECT_EQ(initRestErrHeader(window, 3, 2, 2, 4, 0, 5, 10, nullptr), 0);
    EXPECT_EQ(window.messages().back().text, "Не определен lpErrorHeader!");

    ASSERT_EQ(addInitRestErrHeader(window, 8, 4, 75, 70, record), 1);
    EXPECT_EQ(record->wHeaderKind, 2);
    EXPECT_STREQ(record->lpSeriesTypeName, "unknown number of cut-off pulses");
    EXPECT_STREQ(record->lpTaskName, "joint detection and identification");
    ASSERT_EQ(addInitRestErrHeader(window, 16, 64, 100, 100, record), 1);
    EXPECT_EQ(record->lpSeriesTypeName, nullptr);
    EXPECT_EQ(record->lpTaskName, nullptr);
    EXPECT_EQ(addInitRestErrHeader(window, 1, 1, 100, 100, nullptr), 0);
    EXPECT_EQ(window.messages().back().caption, " addInitRestErrHeader ");
    freeRestErrHeader(record);
}

// The variance of a cell's repeats comes from exact integer sums: values near 2^37 that differ by
// a few units keep their spread, which sums of squares in doubles (2^74) would lose.
TEST(StatisticsRecord, RepeatSumsGiveTheExactSampleVariance) {
    struct Case {
        std::vector<int64_t> values;
        double variance;
    };
    const int64_t big = int64_t{1} << 37;
    const Case cases[] = {{{10, 11, 11}, 1.0 / 3.0},  // (3 x 342 - 32^2) / (3 x 2)
                          {{big + 1, big + 3}, 2.0},
                          {{big, big, big}, 0.0},
                          {{7}, 0.0}};  // one repeat has no spread
    for (const Case& c : cases) {
        RepeatSums sums{0, 0, 0};
        for (int64_t value : c.values) addRepeatValue(sums, value);
        EXPECT_DOUBLE_EQ(sampleVariance(sums, static_cast<uint32_t>(c.values.size())), c.variance)
            << c.values.size() << " values from " << c.values[0];
    }
    HeadlessWindow window;
    RestErrorHeader* record = getRestErrHeader(window, 3, 2, 4, nullptr);
    ASSERT_NE(record, nullptr);
    addRepeatValue(cellRepeatSums(*record, 1, 2)[SPREAD_DETECTION], 5);
    record = getRestErrHeader(window, 3, 2, 4, record);  // reuse clears the sums with the cells
    EXPECT_EQ(cellRepeatSums(*record, 1, 2)[SPREAD_DETECTION].sum, 0);
    freeRestErrHeader(record);
}

TEST(StatisticsRecord, EveryAllocationFailureReleasesTheRecord) {
    const char* texts[] = {
        "Нет памяти для newRestErrorHeader!", "Нет памяти для newRestErrorHeader->lpNoiseLevel!",
        "Нет памяти для newRestErrorHeader->lpErrors!", "Нет памяти для newRestErrorHeader->lpErrors[]!",
        "Нет памяти для newRestErrorHeader->lpRepeatSums!"};
    const std::int64_t before = memory::outstandingBlocks();
    for (int failing = 1; failing <= 5; ++failing) {
        HeadlessWindow window;
        {
            memory::FailureInjection guard(failing);
            EXPECT_EQ(getRestErrHeader(window, 25, 29, 100, nullptr), nullptr);
        }
        ASSERT_EQ(window.messages().size(), 1u);
        EXPECT_EQ(window.messages()[0].text, texts[failing - 1]);
        EXPECT_EQ(window.messages()[0].caption, " getRestErrHeader ");
        EXPECT_EQ(memory::outstandingBlocks(), before);
    }
    // A record passed in that must grow is released with the failure too.
    HeadlessWindow window;
    RestErrorHeader* record = getRestErrHeader(window, 2, 2, 1, nullptr);
    {
        memory::FailureInjection guard(2);
        EXPECT_EQ(getRestErrHeader(window, 25, 29, 100, record), nullptr);
    }
    EXPECT_EQ(memory::outstandingBlocks(), before);
}

// Each record's owning handle releases the record with everything it holds when it goes, and an
// empty handle releases nothing.
TEST(RecordHandles, EachHandleReleasesItsWholeRecord) {
    CollectingSink sink;
    struct Holder {
        std::function<void()> hold;
        bool allocates;
    };
    const Holder holders[] = {
        {[&] { OwnedSeriesHeader held(getCutOffSeriesHeader(sink, 4, 20, 40, 181, 1200, nullptr)); }, true},
        {[&] { OwnedChainsHeader held(getChainsHeader(sink, 10, 30, nullptr)); }, true},
        {[&] { OwnedRestErrorHeader held(getRestErrHeader(sink, 25, 29, 100, nullptr)); }, true},
        {[] { OwnedSeriesHeader none; }, false},
    };
    for (const Holder& holder : holders) {
        const int64_t before = memory::outstandingBlocks();
        const int64_t calls = memory::allocationCalls();
        holder.hold();
        EXPECT_EQ(memory::allocationCalls() > calls, holder.allocates);
        EXPECT_EQ(memory::outstandingBlocks(), before);
    }
    EXPECT_TRUE(sink.messages().empty());
}

// The chosen tuples of a series copied for a run: their rows for recognition, none for detection,
// and none from a series that has no lists of chosen tuples (nothing read through a null list).
TEST(TupleCopiesTest, CopiesTheChosenTuplesOnlyWhereTheSeriesListsThem) {
    CollectingSink sink;
    OwnedSeriesHeader series(getCutOffSeriesHeader(sink, 4, 20, 40, 181, 1200, nullptr));
    ASSERT_NE(series, nullptr);
    uint16_t sizes[] = {2, 3};
    uint16_t first[] = {4, 1, 9}, second[] = {2, 3, 1};
    uint16_t* rows[] = {first, second};
    uint16_t* const ownSizes = series->selectedSubsetSize;
    uint16_t** const ownRows = series->selectedSubsetList;
    struct Case {
        bool listed, recognition;
        std::vector<std::vector<int32_t>> copied;
    };
    const Case cases[] = {
        {true, true, {{4, 1}, {2, 3, 1}}},
        {true, false, {}},
        {false, true, {}},
    };
    for (const Case& c : cases) {
        series->wSubsets = 2;
        series->wReservedSubsetSize = 3;
        series->selectedSubsetSize = c.listed ? sizes : nullptr;
        series->selectedSubsetList = c.listed ? rows : nullptr;
        TupleCopies copies;
        ASSERT_TRUE(copies.take(sink, *series, c.recognition));
        std::vector<std::vector<int32_t>> copied;
        for (int t = 0; t < copies.count(); ++t)
            copied.emplace_back(copies.rowList()[t], copies.rowList()[t] + copies.sizeList()[t]);
        EXPECT_EQ(copied, c.copied) << c.listed << c.recognition;
    }
    series->selectedSubsetSize = ownSizes;
    series->selectedSubsetList = ownRows;
    EXPECT_TRUE(sink.messages().empty());
}

}  // namespace
}  // namespace tessaline
