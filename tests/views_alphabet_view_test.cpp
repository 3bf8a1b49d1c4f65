// The alphabet view: the view outline, each cell's title, bold curve and selection frame.
#include <gtest/gtest.h>

#include <vector>

#include "tests/support/recording_canvas.h"
#include "tests/support/series_builder.h"
#include "views/alphabet_view.h"

namespace tessaline {
namespace {

using Points = std::vector<Point>;

// An outline path w x h at (x, y).
Points outline(int32_t x, int32_t y, int32_t w, int32_t h) {
    return {{x, y}, {x, y + h}, {x + w, y + h}, {x + w, y}, {x, y}};
}

class AlphabetViewTest : public testing::Test {
protected:
    // Cells at (20, 20) and (150, 20): graph width 100, cell height 110, frames 120 x 130; A = 40.
    void draw(std::vector<uint16_t> selected) {
        selected_ = std::move(selected);
        AlphabetViewInput input;
        input.etalons = etalons_;
        input.selected = selected_;
        input.view = {10, 10, 400, 300};
        input.cellOrigins = origins_;
        input.graphWidth = 100;
        input.cellHeight = 110;
        input.frameWidth = 120;
        input.frameHeight = 130;
        input.amplitude = 40;
        input.lineHeight = 16;
        drawAlphabetView(canvas, input);
    }
    std::vector<CanvasCall> polylinesIn(Color color) const {
        std::vector<CanvasCall> found;
        for (const CanvasCall& call : canvas.callsOf(CanvasOp::Polyline)) {
            if (call.pen.color == color) found.push_back(call);
        }
        return found;
    }

    SeriesBuilder made{3, {{-40, 0, 40}, {0, 0}, {25}}};
    std::vector<PulseHeader> etalons_{made.etalon(1), made.etalon(2)};
    std::vector<Point> origins_{{20, 20}, {150, 20}};
    std::vector<uint16_t> selected_;
    RecordingCanvas canvas{500, 400};
};

TEST_F(AlphabetViewTest, EmptyAlphabetDrawsOnlyTheViewOutline) {
    etalons_.clear();
    draw({});
    ASSERT_EQ(canvas.callsOf(CanvasOp::Polyline).size(), 1u);
    EXPECT_EQ(canvas.callsOf(CanvasOp::Polyline)[0].points, outline(10, 10, 391, 291));
    EXPECT_TRUE(canvas.texts().empty());
    EXPECT_EQ(canvas.drawnBounds(), (Rect{10, 10, 401, 301}));
}

TEST_F(AlphabetViewTest, CurveSpansMinusAToPlusAAndEndsSixPixelsShortOfTheAxis) {
    draw({1, 0});
    EXPECT_EQ(canvas.texts().at(0), " pulse 1 [3200]");
    EXPECT_EQ(canvas.callsOf(CanvasOp::TextOut)[0].points[0], (Point{25, 25}));
    const std::vector<CanvasCall> curves = polylinesIn(kSelectedCurveColor);
    ASSERT_EQ(curves.size(), 3u);
    // Graph box from row 41, 94 high: -40 on its bottom, 0 on its middle, +40 on its top.
    EXPECT_EQ(curves[0].points, (Points{{25, 88}, {25, 135}, {72, 88}, {119, 41}, {119, 88}}));
    EXPECT_EQ(curves[1].points[3], (Point{120, 41}));
    EXPECT_EQ(curves[2].points[3], (Point{119, 40}));
    EXPECT_EQ(canvas.touchedColumnsOfRow(88, 25, 135).back(), 123);  // the axis ends at gw - 1, excluded
}

TEST_F(AlphabetViewTest, SelectedCellsGetThreeGreyFramesAndOthersOneDarkerFrame) {
    draw({1, 0});
    const std::vector<CanvasCall> selectedFrames = polylinesIn(kSelectedFrameColor);
    ASSERT_EQ(selectedFrames.size(), 3u);
    EXPECT_EQ(selectedFrames[0].points, outline(20, 20, 120, 130));
    EXPECT_EQ(selectedFrames[1].points, outline(21, 21, 118, 128));
    EXPECT_EQ(selectedFrames[2].points, outline(19, 19, 122, 132));
    const std::vector<CanvasCall> otherFrames = polylinesIn(kUnselectedFrameColor);
    ASSERT_EQ(otherFrames.size(), 1u);
    EXPECT_EQ(otherFrames[0].points, outline(150, 20, 120, 130));
    EXPECT_EQ(polylinesIn(kUnselectedCurveColor).size(), 3u);
    EXPECT_EQ(canvas.texts().at(1), " pulse 2 [0]");
    EXPECT_EQ(canvas.pen(), Pen{});
}

TEST_F(AlphabetViewTest, EtalonOfOneSampleOrZeroAmplitudeShowsNoCurve) {
    etalons_ = {made.etalon(3)};
    draw({1});
    EXPECT_TRUE(polylinesIn(kSelectedCurveColor).empty());
    EXPECT_EQ(polylinesIn(kSelectedFrameColor).size(), 3u);
    EXPECT_EQ(canvas.texts().at(0), " pulse 3 [625]");
}

}  // namespace
}  // namespace tessaline
