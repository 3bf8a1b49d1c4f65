// The box of tuples keeps every tuple choosable: a box too high for its room lowers its thumbnails,
// then stands its rows in columns, then narrows them; it gives up only when not even that fits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/recording_canvas.h"
#include "tests/support/series_builder.h"
#include "views/tuple_box.h"

namespace tessaline {
namespace {

bool meet(const Rect& a, const Rect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

TEST(TupleBoxTest, EveryRowStaysInTheRoomOrTheBoxIsNotDrawn) {
    SeriesBuilder made(100, {{10, 20, 20, 10}, {-10, 30, -30, 10}});
    struct Case {
        const char* name;
        int32_t rows;
        int32_t members;
        int32_t width;
        int32_t height;
        bool fits;
        int32_t columns;
    };
    // Thumbnails 50 wide 30 apart, graphs 30 high; a row 1 + 15 + 3 + 30 + 1 = 50 high, rows 10 apart.
    const Case cases[] = {
        {"room enough", 3, 4, 600, 400, true, 1},
        {"lower thumbnails", 6, 4, 600, 250, true, 1},
        {"rows in columns", 10, 4, 900, 150, true, 2},
        {"columns narrowed", 10, 10, 500, 150, true, 2},
        {"not even one row high", 2, 2, 600, 20, false, 0},
        {"too narrow for the labels", 10, 10, 200, 150, false, 0},
    };
    for (const Case& c : cases) {
        TupleBoxContent content;
        content.caption = " pattern tuples ";
        content.storedTuples = true;
        for (int32_t r = 0; r < c.rows; ++r)
            content.rows.push_back(
                {std::vector<uint16_t>(static_cast<std::size_t>(c.members), uint16_t(1 + r % 2)), {}});
        TupleBoxMeasures measures{50, 30, 30, 10, 5, 15};
        RecordingCanvas canvas(2000, 1000);
        ASSERT_EQ(fitTupleBox(canvas, content, measures, c.width, c.height), c.fits) << c.name;
        if (!c.fits) continue;
        EXPECT_LE(tupleBoxWidth(canvas, content, measures), c.width) << c.name;
        EXPECT_LE(tupleBoxHeight(content, measures), c.height) << c.name;
        std::vector<Rect> rows;
        drawTupleBox(canvas, content, measures, {100, 100}, made.series(), 50, &rows);
        ASSERT_EQ(static_cast<int32_t>(rows.size()), c.rows) << c.name;
        std::vector<int32_t> lefts;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_GE(rows[i].left, 100) << c.name;
            EXPECT_LT(rows[i].right, 100 + c.width) << c.name;
            EXPECT_LT(rows[i].bottom, 100 + c.height) << c.name;
            for (std::size_t j = 0; j < i; ++j) EXPECT_FALSE(meet(rows[i], rows[j])) << c.name;
            if (std::find(lefts.begin(), lefts.end(), rows[i].left) == lefts.end())
                lefts.push_back(rows[i].left);
        }
        EXPECT_EQ(static_cast<int32_t>(lefts.size()), c.columns) << c.name;
        // The thumbnails' labels stand clear of each other.
        std::vector<Rect> labels;
        for (const CanvasCall& text : canvas.callsOf(CanvasOp::TextOut)) {
            if (text.text == content.caption) continue;
            const Point at = text.points[0];
            labels.push_back({at.x, at.y, at.x + canvas.textExtent(text.text).cx - 1, at.y + 14});
        }
        for (std::size_t i = 0; i < labels.size(); ++i) {
            for (std::size_t j = 0; j < i; ++j)
                EXPECT_FALSE(meet(labels[i], labels[j])) << c.name << " " << i;
        }
    }
}

}  // namespace
}  // namespace tessaline
