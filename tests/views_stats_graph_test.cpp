// The statistics view: the upper bound of every view code, the axis labels, the texts describing
// the run and its timing, and the drawn graph.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "model/codes.h"
#include "model/subsets.h"
#include "platform/alloc.h"
#include "platform/headless.h"
#include "simulation/statistics.h"
#include "tests/support/recording_canvas.h"
#include "tests/support/series_builder.h"
#include "views/alphabet_box.h"
#include "views/stats_graph.h"
#include "views/stats_labels.h"
#include "views/stats_texts.h"
#include "views/view_frame.h"

namespace tessaline {
namespace {

// A record of `pulses` pulse counts (2, 5, 8, ...) by `levels` noise levels (10, 15, 20, ...).
class StatsRecord {
public:
    StatsRecord(uint16_t pulses, uint16_t levels, uint32_t repeats) {
        record_ = getRestErrHeader(window_, pulses, levels, repeats, nullptr);
        if (record_ != nullptr) initRestErrHeader(window_, pulses, 2, 3, levels, 10, 5, repeats, record_);
    }
    ~StatsRecord() { freeRestErrHeader(record_); }
    StatsRecord(const StatsRecord&) = delete;
    StatsRecord& operator=(const StatsRecord&) = delete;
    RestErrorHeader& operator*() const { return *record_; }
    RestErrorHeader* operator->() const { return record_; }

private:
    HeadlessWindow window_;
    RestErrorHeader* record_ = nullptr;
};

bool drawsText(const RecordingCanvas& canvas, std::string_view text) {
    const std::vector<std::string> texts = canvas.texts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// Draws the view, its messages going nowhere; the tuple rows it records.
std::vector<Rect> drawStats(RecordingCanvas& canvas, const StatsGraphInput& input) {
    HeadlessWindow window;
    std::vector<Rect> rows;
    DrawDetectionArrayZ(window, canvas, input, rows);
    return rows;
}

TEST(StatsGraph, BoundIsTheLeastPowerOfTenAboveTheNeedNarrowedByFiveThenTwiceByTwo) {
    for (const auto& [need, bound] :
         {std::pair{50, 50}, {99, 100}, {990, 1000}, {240, 250}, {300, 500}, {1500, 2000}, {1, 1}, {0, 1}}) {
        EXPECT_EQ(roundedUpperBound(need), bound) << need;
    }
}

TEST(StatsGraph, UpperBoundOfEveryViewCode) {
    struct Case {
        const char* what;
        std::vector<int32_t> codes;
        int32_t restoredCell, detectionCell;  // lpErrors[1][1], lpDetectionErrors[1][0]
        ErrorNormalisers normalisers;
        FixedUpperBound fixedBound;
        int32_t bound;
    };
    const Case cases[]{
        {"restored error 0.03", {0}, 30, 0, {1000, 100}, {}, 50},
        {"restored error 0.3", {0}, 300, 0, {1000, 100}, {}, 500},
        {"restored, zero normaliser", {0}, 300, 0, {0, 100}, {}, 50},
        {"aggregate restored 3 over 2 counts", {1}, 3000, 0, {1000, 100}, {}, 2000},
        {"aggregate restored held at 0.49", {1}, 30, 0, {1000, 100}, {}, 500},
        {"detection deviation 1", {2}, 0, 400, {1000, 100}, {}, 1000},
        {"detection held at 0.3", {2}, 0, 4, {1000, 100}, {}, 500},
        {"detection, zero normaliser", {2}, 0, 400, {1000, 0}, {}, 500},
        {"aggregate detection 2", {3}, 0, 3200, {1000, 100}, {}, 2000},
        {"aggregate detection held at 0.24", {3}, 0, 0, {1000, 100}, {}, 250},
        {"every recognition code", {4, 5, 12, 13}, 0, 0, {}, {}, 500},
        {"fragment means, no automatic bound, unknown", {7, 10, 6, 11}, 0, 0, {}, {}, 1000},
        {"variance of fragments", {9}, 0, 0, {}, {}, 100},
        {"fixed 0.25", {0}, 30, 0, {1000, 100}, {true, 0.25}, 250},
        {"fixed bound of recognition", {4}, 0, 0, {}, {true, 0.1}, 100},
        {"fixed bound not set", {0}, 30, 0, {1000, 100}, {false, 0.25}, 50},
        {"fixed bound 0", {4}, 0, 0, {}, {true, 0.0}, 500},
        {"fixed bound below a thousandth", {4}, 0, 0, {}, {true, 0.0004}, 500},
    };
    for (const Case& c : cases) {
        const StatsRecord record(2, 3, 4);
        ASSERT_NE(record.operator->(), nullptr);
        record->lpErrors[1][1] = c.restoredCell;
        record->lpErrors[1][0] = c.restoredCell / 3;  // a smaller cell that never decides the bound
        record->lpDetectionErrors[1][0] = c.detectionCell;
        for (const int32_t code : c.codes) {
            EXPECT_EQ(statisticsUpperBound(code, *record, c.normalisers, c.fixedBound), c.bound)
                << c.what << code;
        }
    }
}

TEST(StatsGraph, AxisLabelsSpanTheUpperBoundInFifths) {
    for (const auto& [bound, top] : {std::pair{50, "0.00 0.01 0.02 0.03 0.04 0.05"},
                                     {250, "0.00 0.05 0.10 0.15 0.20 0.25"},
                                     {20, "0.000 0.004 0.008 0.012 0.016 0.020"}}) {
        std::string labels;
        for (int32_t i = 0; i <= 5; ++i) labels.append(axisLabel(i, bound)).push_back(' ');
        labels.pop_back();
        EXPECT_EQ(labels, top) << bound;
    }
}

TEST(StatsGraph, DescriptionOfTheRun) {
    const StatsRecord record(5, 9, 100), small(3, 1, 1);
    ASSERT_NE(record.operator->(), nullptr);
    ASSERT_NE(small.operator->(), nullptr);
    record->lpTaskName = "detection";
    record->lpSeriesTypeName = "fixed pulses";
    SeriesHeader series{};
    series.dwSeriesSize = 1000;
    series.wImpulseSize = 30;
    series.wTmin = 40;
    series.wTmax = 90;
    series.wMinPulses = 11;
    series.wMaxPulses = 24;
    const std::array<std::string, 9> expected{
        " statistical simulation for detection in series with fixed pulses ",
        " series length 1000, ",
        " involves  2, 5,..., 14 pulses from [11-24],",
        " with length 30, amplitude 120",
        " Tmin=40, Tmax=90,",
        " number of 9 noise levels",
        " from 10 to 50 with step 5",
        " restored error, agregate form",
        " for volume of  100 repeats",
    };
    EXPECT_EQ(statisticsDescription(*record, series, 120, 1), expected);
    // Fewer than four pulse counts are all listed; one noise level has no step.
    const std::array<std::string, 9> lines = statisticsDescription(*small, series, 0, 13);
    EXPECT_EQ(lines[2], " involves  2, 5, 8 pulses from [11-24],");
    EXPECT_EQ(lines[6], " from 10 to 10 with step 0");
    EXPECT_EQ(lines[7], " recognition error, agregate form");
    EXPECT_EQ(statisticsDescription(*small, series, 0, 11)[7], "");
}

TEST(StatsGraph, NumbersTimesAndLabelledLevels) {
    EXPECT_EQ(referenceNumbersLine({.E = 4000, .q = 9, .Rmin = -1200, .Rmax = 300}),
              "etEnergy=4000, Rmin=-1200, Rmax=300");
    for (const auto& [start, end, text] : {std::tuple{1000, 4725, "elapsed time 1:02:05"},
                                           {0, 59, "elapsed time 0:00:59"},
                                           {5, 5 + 36000 + 599, "elapsed time 10:09:59"},
                                           {60, 0, "elapsed time 0:00:00"}}) {
        EXPECT_EQ(elapsedTimeText(start, end), text);
    }
    // Mid-November 2023 in every time zone: "Www Mmm dd hh:mm:ss yyyy" without a line end.
    const std::string when = calendarText(1700000000);
    ASSERT_EQ(when.size(), 24u) << when;
    EXPECT_TRUE(when.substr(4, 4) == "Nov " && when[13] == ':' && when[16] == ':' &&
                when.substr(20) == "2023")
        << when;

    std::vector<int32_t> labelled;
    for (int32_t k = 0; k < 9; ++k) {
        if (noiseLevelLabelled(k)) labelled.push_back(k);
    }
    EXPECT_EQ(labelled, (std::vector<int32_t>{0, 4, 8}));
}

// The graph area of an 800 x 600 client area with line height 15: 625 x 578 pixels.
constexpr Rect kStatsGraph{10, 10, 634, 587};
constexpr int32_t kStatsLine = 15;

// The curves: the polylines after the axis labels (the thumbnails come before them).
std::vector<CanvasCall> curvesOf(const RecordingCanvas& canvas) {
    std::vector<CanvasCall> curves;
    for (const CanvasCall& call : canvas.calls()) {
        if (call.op == CanvasOp::TextOut && call.text == "s") curves.clear();
        if (call.op == CanvasOp::Polyline) curves.push_back(call);
    }
    return curves;
}

TEST(StatsGraphDrawing, GraphStandsLeftOfTheAlphabetBoxAndItsCurvesInsideIt) {
    const int32_t boxLeft = layOutAlphabetBox(viewFrameOf(kStatsGraph), kStatsLine, 2).outline.left;
    const StatsGraphGeometry geometry = statsGraphGeometry(kStatsGraph, kStatsLine, boxLeft, 9);
    // f = 26, g = 52, s = 10; six margins of 7 left of the box at 535.
    EXPECT_EQ(geometry.area, (Rect{413, 31, 493, 551}));
    EXPECT_EQ(geometry.levelSpacing, 10);

    SeriesBuilder made{200, {{10, 20, 20, 10}, {-10, 30, -30, 10}}, 30};
    made.place(1, 10).place(2, 60);
    SeriesHeader& series = made.series();
    series.wMaxPulses = 4;
    series.wMinPulses = 2;
    series.wTmin = 40;
    series.wTmax = 60;
    const StatsRecord record(4, 9, 4);
    ASSERT_NE(record.operator->(), nullptr);
    for (int32_t k = 0; k < 9; ++k) {
        for (int32_t j = 0; j < 4; ++j) {
            record->lpErrors[k][j] = 40 * k * (j + 1);
            record->lpDetectionErrors[k][j] = 300 * k * k;
            record->lpRecognitionErrors[k][j] = std::min(k, 1);  // 0.25 from level 1 on
        }
    }
    const std::vector<uint16_t> list{1, 2};
    // Without a first etalon E and q are 0, so the second theoretical curve is 0.5 at every level:
    // the top of its fixed scale.
    for (const auto& [code, fixedBound, touchesTop] : {std::tuple{0, FixedUpperBound{}, false},
                                                       {1, {}, false},
                                                       {2, {}, false},
                                                       {3, {}, false},
                                                       {4, {}, false},
                                                       {5, {}, false},
                                                       {12, {}, true},
                                                       {13, {}, true},
                                                       {4, {true, 0.25}, true}}) {
        RecordingCanvas canvas{800, 600};
        drawStats(canvas, {kStatsGraph, kStatsLine, 0, code, list, &*record, &series, 0, 3725, fixedBound});
        const std::vector<CanvasCall> curves = curvesOf(canvas);
        ASSERT_FALSE(curves.empty()) << code;
        bool top = false;
        for (const CanvasCall& curve : curves) {
            for (const Point p : curve.points) {
                EXPECT_TRUE(p.x >= 413 && p.x <= 494 && p.y >= 31 && p.y <= 552)
                    << code << ": " << p.x << "," << p.y;
                top = top || p.y == 31;
            }
        }
        EXPECT_EQ(top, touchesTop) << code;
        EXPECT_NE(canvas.findText("elapsed time 1:02:05"), nullptr);
        for (const char* level : {"10", "30", "50"}) EXPECT_TRUE(drawsText(canvas, level)) << level;
        EXPECT_FALSE(drawsText(canvas, "15"));
    }
}

// The texts drawn in the order drawn, with where they stand.
std::vector<std::pair<std::string, Point>> textsAt(const RecordingCanvas& canvas) {
    std::vector<std::pair<std::string, Point>> texts;
    for (const CanvasCall& call : canvas.callsOf(CanvasOp::TextOut))
        texts.emplace_back(call.text, call.points[0]);
    return texts;
}

TEST(StatsGraphLabels, NoiseLevelLabelsThinEvenlyWhenTheyWouldMeet) {
    // Labels of 7 pixels a character, a blank (7 pixels) apart at least; levels 0, 5, 10, ...
    std::vector<int16_t> levels(40);
    for (std::size_t k = 0; k < levels.size(); ++k) levels[k] = static_cast<int16_t>(5 * k);
    struct Case {
        int32_t count;
        int32_t spacing;
        int32_t stride;
    };
    // Nine levels 12 apart: every fourth, 48 pixels apart, holds "20s" and a blank; levels 6 apart
    // every eighth; levels 2 apart every sixteenth ("80s" and a blank end where "160" begins).
    for (const Case& c : {Case{9, 12, 4}, Case{30, 6, 8}, Case{40, 2, 16}, Case{2, 1, 4}}) {
        StatsGraphGeometry geometry;
        geometry.fontHeight = 20;
        geometry.levelSpacing = c.spacing;
        geometry.area = {100, 50, 100 + (c.count - 1) * c.spacing, 450};
        RecordingCanvas canvas(600, 600);
        const std::span<const int16_t> shown(levels.data(), static_cast<std::size_t>(c.count));
        EXPECT_EQ(drawNoiseLevelLabels(canvas, geometry, shown, {97, 600, 17}), c.stride) << c.count;
        const auto texts = textsAt(canvas);
        for (std::size_t i = 0; i + 1 < texts.size(); i += 2) {
            const int32_t row = static_cast<int32_t>(i / 2) * c.stride;
            EXPECT_EQ(texts[i].first, std::to_string(5 * row)) << c.count;
            EXPECT_EQ(texts[i + 1].first, "s");
            const int32_t centred = 100 + row * c.spacing - canvas.textExtent(texts[i].first).cx / 2;
            EXPECT_EQ(texts[i].second, (Point{std::max(centred, 97), 453})) << c.count << " row " << row;
        }
        EXPECT_EQ(texts.size(), 2 * static_cast<std::size_t>((c.count - 1) / c.stride + 1)) << c.count;
    }
}

TEST(StatsGraphDrawing, OneNoiseLevelLeavesNoLineAndNoRecordOnlyTheOutline) {
    SeriesBuilder made{200, {{10, 20, 20, 10}}, 30};
    const StatsRecord record(2, 1, 3);
    ASSERT_NE(record.operator->(), nullptr);
    record->lpRecognitionErrors[0][0] = 3;
    const std::vector<uint16_t> list{1};
    RecordingCanvas canvas{800, 600};
    drawStats(canvas, {kStatsGraph, kStatsLine, 0, 4, list, &*record, &made.series(), 0, 0, {}});
    EXPECT_NE(canvas.findText("elapsed time 0:00:00"), nullptr);
    EXPECT_TRUE(drawsText(canvas, "10"));
    EXPECT_TRUE(curvesOf(canvas).empty());
    EXPECT_NE(canvas.findText("0.50"), nullptr);  // the axis still reads up to 0.5
    canvas.clear();
    drawStats(canvas, {kStatsGraph, kStatsLine, 0, 4, list, nullptr, &made.series(), 0, 0, {}});
    EXPECT_TRUE(canvas.callsOf(CanvasOp::TextOut).empty());
    EXPECT_EQ(canvas.callsOf(CanvasOp::Rectangle).size(), 1u);
}

TEST(StatsGraphDrawing, TupleRecognitionRunShowsItsTuplesUnderTheNumbersAndRecordsTheirRows) {
    SeriesBuilder made{200, {{10, 20, 20, 10}, {5, 5, 5, 5}}, 30};
    HeadlessWindow window;
    const int32_t first[] = {1, 2};
    const int32_t second[] = {2};
    const int32_t sizes[] = {2, 1};
    const int32_t* lists[] = {first, second};
    ASSERT_EQ(addSomeSelectedSubsetToSeriesHeader(window, sizes, lists, 4, 10, 1, 4, 1, &made.series()), 1);
    const StatsRecord record(2, 9, 3);
    ASSERT_NE(record.operator->(), nullptr);
    record->wSeriesType = SERIES_UNFIXED_TUPLES;
    record->wTaskType = TASK_TUPLES_RECOGNITION;
    const std::vector<uint16_t> list{1, 2};
    RecordingCanvas canvas{800, 600};
    const std::vector<Rect> rows =
        drawStats(canvas, {kStatsGraph, kStatsLine, 0, 4, list, &*record, &made.series(), 0, 0, {}});
    ASSERT_EQ(rows.size(), 2u);
    const int32_t boxLeft = layOutAlphabetBox(viewFrameOf(kStatsGraph), kStatsLine, 2).outline.left;
    const Rect plot = statsGraphGeometry(kStatsGraph, kStatsLine, boxLeft, 9).area;
    const CanvasCall* elapsed = canvas.findText("elapsed time 0:00:00");
    ASSERT_NE(elapsed, nullptr);
    for (const Rect& row : rows) {
        EXPECT_GT(row.top, elapsed->points[0].y);
        EXPECT_LT(row.right, plot.left);
        EXPECT_LE(row.bottom, kStatsGraph.bottom);
    }
    EXPECT_LT(rows[0].bottom, rows[1].top);
    EXPECT_NE(canvas.findText(" pattern tuples "), nullptr);

    record->wTaskType = TASK_TUPLES_DETECTION;  // the subset in use, not choosable
    made.series().wSubsetSize = 0;
    canvas.clear();
    EXPECT_TRUE(
        drawStats(canvas, {kStatsGraph, kStatsLine, 0, 4, list, &*record, &made.series(), 0, 0, {}}).empty());
    EXPECT_EQ(canvas.findText(" pattern tuple "), nullptr);
}

TEST(StatsGraphDrawing, WithoutItsNormaliserTableTheViewSaysSoAndDrawsNothing) {
    SeriesBuilder made{200, {{10, 20, 20, 10}}, 30};
    const StatsRecord record(2, 3, 3);
    ASSERT_NE(record.operator->(), nullptr);
    const std::vector<uint16_t> list{1};
    HeadlessWindow window;
    RecordingCanvas canvas{800, 600};
    std::vector<Rect> rows{{1, 2, 3, 4}};
    {
        memory::FailureInjection failure(1);
        DrawDetectionArrayZ(window, canvas,
                            {kStatsGraph, kStatsLine, 0, 0, list, &*record, &made.series(), 0, 0, {}}, rows);
    }
    EXPECT_TRUE(canvas.calls().empty());
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(window.messages()[0].text, "No memory to RestoredErrorNormalizer");
    EXPECT_EQ(window.messages()[0].caption, " ERROR in DrawDetectionArrayZ ");
    DrawDetectionArrayZ(window, canvas,
                        {kStatsGraph, kStatsLine, 0, 0, list, &*record, &made.series(), 0, 0, {}}, rows);
    EXPECT_FALSE(canvas.calls().empty());  // drawn on the next paint
    EXPECT_EQ(window.messages().size(), 1u);
}

}  // namespace
}  // namespace tessaline
