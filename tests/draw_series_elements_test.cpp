// The series strip elements, the push button, the selector group and the etalon thumbnail, drawn
// onto a recording canvas: where samples, pulses, frames, hatch dots and labels land.
#include <gtest/gtest.h>

#include <vector>

#include "draw/controls.h"
#include "draw/series_elements.h"
#include "model/codes.h"
#include "tests/support/recording_canvas.h"
#include "tests/support/series_builder.h"

namespace tessaline {
namespace {

using Points = std::vector<Point>;

// D = 100 and H = 100: over 11 samples sample s lies at column 10 + 10 s; with A = 50 value v
// lies at row 70 - v, the middle row being 70.
constexpr Rect kStrip{10, 20, 110, 120};
constexpr int32_t kA = 50;
const std::vector<int16_t> kPeaked{10, 40, -20};
const std::vector<int16_t> kFlat{30, 30};

Points polylinePoints(const RecordingCanvas& canvas, std::size_t index) {
    return canvas.callsOf(CanvasOp::Polyline).at(index).points;
}

std::vector<int32_t> everyOtherRow(int32_t from, int32_t to) {
    std::vector<int32_t> rows;
    for (int32_t y = from; y <= to; y += 2) rows.push_back(y);
    return rows;
}

TEST(SeriesStripTest, SeriesCurveMapsEverySampleAndEndsAtTheLast) {
    SeriesBuilder made(11, {kPeaked});
    made.place(1, 2);
    made.series().lpNoisyData[0] = 5;
    RecordingCanvas canvas(200, 200);
    drawSeriesCurve(canvas, kStrip, kA, made.series());
    const Points points = polylinePoints(canvas, 0);
    ASSERT_EQ(points.size(), 12u);
    EXPECT_EQ(points[0], (Point{10, 70}));
    EXPECT_EQ(points[1], (Point{10, 65}));
    EXPECT_EQ(points[4], (Point{40, 30}));
    EXPECT_EQ(points[5], (Point{50, 90}));
    EXPECT_EQ(points.back(), (Point{110, 70}));
    EXPECT_EQ(canvas.callsOf(CanvasOp::Polyline)[0].pen.color, kSeriesCurveColor);
    EXPECT_TRUE(canvas.hasColor(40, 30, kSeriesCurveColor));
    EXPECT_EQ(canvas.pen(), Pen{});  // the caller's pen is back
}

TEST(SeriesStripTest, PulsesStartAndEndOnTheMiddleLineAndCutOffPulsesKeepTheirPart) {
    SeriesBuilder made(11, {kPeaked});
    made.place(1, 2).place(1, 6, 1, 2).find(1, 2);
    RecordingCanvas canvas(200, 200);
    drawPlacedPulses(canvas, kStrip, kA, made.series());
    drawCutOffPlacedPulses(canvas, kStrip, kA, made.series());
    drawFoundPulses(canvas, kStrip, kA, made.series());
    const Points whole{{30, 70}, {30, 60}, {40, 30}, {50, 90}, {50, 70}};
    EXPECT_EQ(polylinePoints(canvas, 0), whole);
    EXPECT_EQ(polylinePoints(canvas, 1), (Points{{70, 70}, {70, 60}, {80, 30}, {90, 90}, {90, 70}}));
    EXPECT_EQ(polylinePoints(canvas, 3), (Points{{80, 70}, {80, 30}, {90, 90}, {90, 70}}));
    EXPECT_EQ(polylinePoints(canvas, 4), whole);
}

TEST(SeriesStripTest, ScalesThatWouldDivideByZeroDrawNothing) {
    SeriesBuilder made(11, {kPeaked});
    made.place(1, 2).find(1, 2).tuple(1, 1);
    RecordingCanvas canvas(200, 200);
    drawSeriesCurve(canvas, kStrip, 0, made.series());
    drawPlacedPulses(canvas, kStrip, 0, made.series());
    drawPlacedPulsesShading(canvas, kStrip, -3, made.series());
    EXPECT_TRUE(canvas.calls().empty());

    made.series().dwSeriesSize = 1;
    drawSeriesCurve(canvas, kStrip, kA, made.series());
    drawFoundPulses(canvas, kStrip, kA, made.series());
    drawPositionLabels(canvas, kStrip, SERIES_FIXED_CUTOFF, LabelledPulses::Found, true, made.series());
    drawFoundPulseFrames(canvas, made.series(), kStrip);
    drawFoundTupleFrames(canvas, made.series(), kStrip);
    drawFoundTupleBackground(canvas, made.series(), kStrip);
    EXPECT_TRUE(canvas.callsOf(CanvasOp::Polyline).empty());
    EXPECT_TRUE(canvas.callsOf(CanvasOp::SetPixel).empty());
    EXPECT_TRUE(canvas.callsOf(CanvasOp::TextOut).empty());
    EXPECT_TRUE(canvas.callsOf(CanvasOp::Rectangle).empty());
}

TEST(SeriesStripTest, FoundPulseFramesReachAThirdOfTheStripAndMarkTheUsedPart) {
    SeriesBuilder made(11, {kPeaked});
    made.find(1, 2, 0, 1);  // pulse length 3: frame columns 30 and 50, used part ends at column 40
    RecordingCanvas canvas(200, 200);
    drawFoundPulseFrames(canvas, made.series(), kStrip);
    // Steps 0, 2, .. 32 stay below 100 / 3; the edges stand at the 34 reached.
    const std::vector<int32_t> frameRows = everyOtherRow(36, 104);
    EXPECT_EQ(canvas.touchedRowsOfColumn(30, 0, 199), frameRows);
    EXPECT_EQ(canvas.touchedRowsOfColumn(50, 0, 199), frameRows);
    EXPECT_EQ(canvas.touchedRowsOfColumn(40, 0, 199), frameRows);
    EXPECT_EQ(canvas.touchedRowsOfColumn(44, 0, 199), (std::vector<int32_t>{36, 104}));  // only the edges
    EXPECT_EQ(canvas.touchedColumnsOfRow(36, 0, 199), everyOtherRow(30, 50));
    EXPECT_TRUE(canvas.hasColor(30, 36, kBlack));

    SeriesBuilder none(11, {kPeaked});
    RecordingCanvas empty(200, 200);
    drawFoundPulseFrames(empty, none.series(), kStrip);
    drawPositionLabels(empty, kStrip, SERIES_FIXED_WHOLE, LabelledPulses::Found, false, none.series());
    EXPECT_TRUE(empty.calls().empty());
}

TEST(SeriesStripTest, TupleSpansWidenByTwoPixelsExceptAtTheStripEdges) {
    SeriesBuilder made(11, {kPeaked});
    made.find(1, 0).find(1, 4).find(1, 8).tuple(1, 1).tuple(2, 2).tuple(3, 3);
    RecordingCanvas canvas(200, 200);
    drawFoundTupleBackground(canvas, made.series(), kStrip);
    const std::vector<CanvasCall> boxes = canvas.callsOf(CanvasOp::Rectangle);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].points, (Points{{10, 33}, {32, 107}}));  // starts on the left edge: not widened there
    EXPECT_EQ(boxes[1].points, (Points{{48, 33}, {72, 107}}));
    EXPECT_EQ(boxes[2].points, (Points{{88, 33}, {110, 107}}));  // ends on the last column
    EXPECT_EQ(boxes[0].pen.color, kTupleBackgroundColor);
    EXPECT_EQ(boxes[0].brush.color, kTupleBackgroundColor);

    canvas.clear();
    drawFoundTupleFrames(canvas, made.series(), kStrip);
    EXPECT_EQ(canvas.touchedRowsOfColumn(10, 0, 199), everyOtherRow(32, 108));  // 3/8 of 100, reached 38
    EXPECT_EQ(canvas.touchedColumnsOfRow(32, 0, 40), everyOtherRow(10, 32));
}

TEST(SeriesStripTest, ShadingFlipsItsPhaseEveryColumnAndRunsOnIntoTheNextPulse) {
    // Nine columns a sample; each pulse of two samples shades nine columns, an odd number.
    const Rect strip{10, 20, 100, 120};
    SeriesBuilder made(11, {kFlat});
    made.place(1, 1).place(1, 3);
    RecordingCanvas canvas(200, 200);
    drawPlacedPulsesShading(canvas, strip, kA, made.series());
    // Value 30 lies at row 40: dots from the middle row 70 up to row 41.
    EXPECT_EQ(canvas.touchedRowsOfColumn(19, 0, 199), everyOtherRow(42, 70));
    EXPECT_EQ(canvas.touchedRowsOfColumn(20, 0, 199), everyOtherRow(41, 69));
    EXPECT_TRUE(canvas.touchedRowsOfColumn(28, 0, 199).empty());  // the last sample shades no column
    EXPECT_EQ(canvas.touchedRowsOfColumn(37, 0, 199), everyOtherRow(41, 69));
    EXPECT_EQ(canvas.touchedRowsOfColumn(38, 0, 199), everyOtherRow(42, 70));
}

TEST(SeriesStripTest, PositionLabelsNameTheChosenListWithLettersAndBounds) {
    SeriesBuilder made(11, {kPeaked, kFlat});
    made.place(1, 2, 0, 1).place(2, 6).find(2, 4);
    RecordingCanvas canvas(200, 200);
    drawPositionLabels(canvas, kStrip, SERIES_UNFIXED_CUTOFF, LabelledPulses::Placed, true, made.series());
    drawPositionLabels(canvas, kStrip, SERIES_FIXED_WHOLE, LabelledPulses::Placed, false, made.series());
    drawPositionLabels(canvas, kStrip, SERIES_FIXED_WHOLE, LabelledPulses::Found, true, made.series());
    const std::vector<CanvasCall> labels = canvas.callsOf(CanvasOp::TextOut);
    // Every pulse is labelled; where the long label at 2 reaches past the column of 6, the label at
    // 6 stands one text line (15 pixels) lower.
    const std::vector<std::pair<std::string, Point>> expected = {{"2a[0..1] ", {25, 119}},
                                                                 {"6b[0..1] ", {65, 134}},
                                                                 {"2", {25, 119}},
                                                                 {"6", {65, 119}},
                                                                 {"4b", {45, 119}}};
    ASSERT_EQ(labels.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(labels[i].text, expected[i].first) << i;
        EXPECT_EQ(labels[i].points[0], expected[i].second) << i;
    }
}

TEST(SeriesStripTest, LabelsThatWouldMeetGoLowerWithinTheirBandOrAreLeftOut) {
    // Pulses at 0, 1, 2, 5 and 9 of 11 samples: columns 10, 20, 30, 60 and 100; labels of 7 pixels
    // a character keep a blank (7 pixels) from their neighbours on a line.
    SeriesBuilder made(11, {kFlat});
    for (const int32_t position : {0, 1, 2, 5, 9}) made.place(1, position);
    struct Case {
        const char* name;
        LabelBand band;
        std::vector<Point> corners;
        int32_t rowsUsed;
        int32_t leftOut;
    };
    const Case cases[] = {
        {"room enough: close labels step down a line each, far ones go back up",
         {},
         {{5, 119}, {15, 134}, {25, 119}, {55, 119}, {95, 119}},
         2,
         0},
        {"lines 12 apart", {.lineHeight = 12}, {{5, 119}, {15, 131}, {25, 119}, {55, 119}, {95, 119}}, 2, 0},
        {"one line: the label that meets its neighbour is left out",
         {.rows = 1},
         {{5, 119}, {25, 119}, {55, 119}, {95, 119}},
         1,
         1},
        {"a right edge pulls the last label left, into the next line",
         {.right = 68},
         {{5, 119}, {15, 134}, {25, 119}, {55, 119}, {61, 134}},
         2,
         0},
    };
    for (const Case& c : cases) {
        RecordingCanvas canvas(200, 200);
        const PositionLabelLayout layout = layOutPositionLabels(
            canvas, kStrip, SERIES_FIXED_WHOLE, LabelledPulses::Placed, false, made.series(), c.band);
        std::vector<Point> corners;
        for (const PositionLabel& label : layout.labels) corners.push_back(label.at);
        EXPECT_EQ(corners, c.corners) << c.name;
        EXPECT_EQ(layout.rowsUsed, c.rowsUsed) << c.name;
        EXPECT_EQ(layout.leftOut, c.leftOut) << c.name;
        EXPECT_EQ(drawPositionLabels(canvas, kStrip, SERIES_FIXED_WHOLE, LabelledPulses::Placed, false,
                                     made.series(), c.band),
                  c.leftOut)
            << c.name;
        EXPECT_EQ(canvas.callsOf(CanvasOp::TextOut).size(), c.corners.size()) << c.name;
    }
}

TEST(ControlsTest, ThumbnailMapsTheValueRangeOntoItsGraphBox) {
    SeriesBuilder made(3, {{-40, 0, 40}, {7}});
    RecordingCanvas canvas(300, 300);
    // Cell 40 x 40 at (100, 200), line height 16: the graph box starts at row 201 + 16 + 4.
    drawEtalonThumbnail(canvas, made.etalon(1), 40, ThumbnailHighlight::None, {100, 200, 140, 240}, 16);
    EXPECT_EQ(canvas.callsOf(CanvasOp::TextOut).at(0).text, " a ");
    EXPECT_EQ(canvas.callsOf(CanvasOp::TextOut).at(0).points[0], (Point{100, 202}));
    const Points curve{{100, 241}, {100, 261}, {120, 241}, {140, 221}, {140, 241}};
    EXPECT_EQ(polylinePoints(canvas, 0), curve);
    EXPECT_EQ(canvas.touchedColumnsOfRow(241, 100, 150).back(), 144);  // the axis runs 5 past the graph

    canvas.clear();
    drawEtalonThumbnail(canvas, made.etalon(1), 40, ThumbnailHighlight::Red, {100, 200, 140, 240}, 16);
    const CanvasCall background = canvas.callsOf(CanvasOp::Rectangle).at(0);
    EXPECT_EQ(background.points, (Points{{97, 220}, {146, 262}}));
    EXPECT_EQ(background.brush.color, kAlertRed);
    ASSERT_EQ(canvas.callsOf(CanvasOp::Polyline).size(), 3u);
    EXPECT_EQ(polylinePoints(canvas, 1)[3], (Point{141, 221}));
    EXPECT_EQ(polylinePoints(canvas, 2)[3], (Point{140, 220}));
    EXPECT_EQ(canvas.callsOf(CanvasOp::Polyline)[2].pen.color, kWhite);

    canvas.clear();
    drawEtalonThumbnail(canvas, made.etalon(2), 40, ThumbnailHighlight::Grey, {100, 200, 140, 240}, 16);
    EXPECT_TRUE(canvas.callsOf(CanvasOp::Polyline).empty());  // one sample: no curve, but the label
    EXPECT_EQ(canvas.callsOf(CanvasOp::TextOut).at(0).text, " b ");
}

TEST(ControlsTest, SelectorDotIsBlackOnlyForTheValueInUseAndFallsBackToTheFirstRow) {
    const int32_t values[] = {200, 600, 1200};
    const Rect group{100, 50, 260, 140};
    const auto dot = [&](int32_t selected, int32_t current) {
        RecordingCanvas canvas(400, 300);
        Rect rows[3];
        drawSelectorGroup(canvas, group, " series length: ", values, selected, current, 16, rows);
        EXPECT_EQ(rows[2], (Rect{110, 122, 251, 145}));
        EXPECT_EQ(canvas.findText("  1200 ")->points[0], (Point{142, 122}));
        EXPECT_EQ(canvas.findText(" series length: ")->points[0], (Point{105, 42}));
        return canvas.callsOf(CanvasOp::Ellipse).back();
    };
    const CanvasCall inUse = dot(3, 1200);
    EXPECT_EQ(inUse.points, (Points{{112, 124}, {124, 136}}));
    EXPECT_EQ(inUse.brush.color, kBlack);
    EXPECT_EQ(dot(3, 600).brush.color, kSelectionGrey);
    EXPECT_EQ(dot(0, 200).points, (Points{{112, 76}, {124, 88}}));
    EXPECT_EQ(dot(0, 200).brush.color, kBlack);
    EXPECT_EQ(dot(4, 1200).points, (Points{{112, 76}, {124, 88}}));
    EXPECT_EQ(dot(4, 1200).brush.color, kSelectionGrey);
}

TEST(ControlsTest, ButtonFillsItsRectangleWithShadedEdgesAndACentredCaption) {
    RecordingCanvas canvas(900, 700);
    drawButton(canvas, {646, 558, 789, 589}, "Exit", 15);
    EXPECT_EQ(canvas.callsOf(CanvasOp::Rectangle).at(0).points, (Points{{646, 558}, {790, 590}}));
    EXPECT_EQ(canvas.findText("Exit")->points[0], (Point{646 + (143 - 28) / 2, 564}));
    EXPECT_TRUE(canvas.hasColor(646, 558, kButtonShadowGrey));
    EXPECT_TRUE(canvas.hasColor(647, 570, kWhite));
    EXPECT_TRUE(canvas.hasColor(788, 570, kButtonShadowGrey));
    EXPECT_TRUE(canvas.hasColor(787, 570, kButtonInnerShade));
    EXPECT_TRUE(canvas.hasColor(789, 589, kBlack));
    EXPECT_FALSE(canvas.touched(790, 590));
}

}  // namespace
}  // namespace tessaline
