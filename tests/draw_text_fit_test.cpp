// Text kept within a width: cut between characters, or at whole entries with "..." after them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "draw/text_fit.h"
#include "tests/support/recording_canvas.h"

namespace tessaline {
namespace {

TEST(TextFitTest, ALineTooLongIsCutAfterItsLastWholeEntryAndMarked) {
    const RecordingCanvas canvas(10, 10);  // 7 pixels a character
    const std::string line = "Detected 3 pulses:  10[0..3] 40[1..3] 80[0..2]";
    const std::vector<std::size_t> ends{19, 28, 37, 46};
    const std::pair<int32_t, const char*> cases[] = {
        {46 * 7, "Detected 3 pulses:  10[0..3] 40[1..3] 80[0..2]"},
        {46 * 7 - 1, "Detected 3 pulses:  10[0..3] 40[1..3]..."},
        {40 * 7 - 1, "Detected 3 pulses:  10[0..3]..."},
        {22 * 7, "Detected 3 pulses: ..."},
        {22 * 7 - 1, "..."},
        {20, ""},
        {0, ""},
    };
    for (const auto& [width, fitted] : cases)
        EXPECT_EQ(fittedEntries(canvas, line, ends, width), fitted) << width;
    // Without entries a line is cut after a whole word.
    EXPECT_EQ(fittedEntries(canvas, "series length 1200,  Tmin=40", {}, 16 * 7 - 1), "series...");
    EXPECT_EQ(fittedEntries(canvas, "series length 1200,  Tmin=40", {}, 23 * 7), "series length 1200,...");

    RecordingCanvas drawn(400, 50);
    textOutEntriesWithin(drawn, 10, 5, line, ends, 10 + 31 * 7);
    ASSERT_EQ(drawn.texts(), (std::vector<std::string>{"Detected 3 pulses:  10[0..3]..."}));
    EXPECT_EQ(drawn.callsOf(CanvasOp::TextOut)[0].points[0], (Point{10, 5}));
    textOutEntriesWithin(drawn, 10, 5, line, ends, 12);
    EXPECT_EQ(drawn.texts().size(), 1u);  // no room even for the mark: nothing
}

}  // namespace
}  // namespace tessaline
