// The series parameters panel's record tells its Tmin text instead of writing the edit field, even
// when the sink it reports to is a window (the caller writes the field, ParamsViewTest).
#include <gtest/gtest.h>

#include <string>

#include "model/records.h"
#include "panels/params_header.h"
#include "platform/alloc.h"
#include "platform/collecting_sink.h"
#include "platform/headless.h"

namespace tessaline {
namespace {

TEST(ParamsHeaderTest, TheRecordGivesTheTminTextAndNeverWritesTheEditField) {
    const struct {
        uint16_t Tmin, Tmax;
        const char* text;     // the record's Tmin text; nullptr: no record
        const char* message;  // what the failure tells
    } cases[] = {{40, 181, "40", nullptr},
                 {1, 181, "1", nullptr},
                 {181, 181, "181", nullptr},
                 {0, 181, nullptr, "Неверно задан wTmin!"},
                 {40, 0, nullptr, "Неверно задан wTmax!"}};
    const std::int64_t outstanding = memory::outstandingBlocks();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "Tmin " << c.Tmin << ", Tmax " << c.Tmax);
        CollectingSink messages;
        SeriesHeader* series = getCutOffSeriesHeader(messages, 20, 20, 40, 181, 200, nullptr);
        ASSERT_NE(series, nullptr);
        series->wTmin = c.Tmin;
        series->wTmax = c.Tmax;

        ParamsHeader* bare = getParamsHeader(messages, series, nullptr);
        HeadlessWindow window;
        window.setTminEditText("55");
        ParamsHeader* shown = getParamsHeader(window, series, nullptr);
        EXPECT_EQ(window.tminEditText(), "55");
        if (c.text == nullptr) {
            EXPECT_EQ(bare, nullptr);
            EXPECT_EQ(shown, nullptr);
            ASSERT_EQ(messages.messages().size(), 1u);
            EXPECT_EQ(messages.messages()[0].text, c.message);
        } else {
            ASSERT_NE(bare, nullptr);
            ASSERT_NE(shown, nullptr);
            EXPECT_EQ(paramsTminText(*bare), c.text);
            EXPECT_EQ(paramsTminText(*shown), c.text);
            EXPECT_TRUE(messages.messages().empty());
        }
        freeParamsHeader(bare);
        freeParamsHeader(shown);
        freeSeriesHeader(series);
    }
    EXPECT_EQ(memory::outstandingBlocks(), outstanding);
}

}  // namespace
}  // namespace tessaline
