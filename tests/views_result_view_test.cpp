// The processing result view and the painted client area: strip geometry, where the texts go, the
// letters and bounds the labels carry, when the result strip is left out, the alphabet and tuple
// boxes, and whole windows painted in every view without spilling over one another.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <vector>

#include "app/commands.h"
#include "app/startup.h"
#include "app/state.h"
#include "app/window_paint.h"
#include "draw/controls.h"
#include "model/codes.h"
#include "model/subsets.h"
#include "panels/subset_panel_state.h"
#include "tests/support/recording_canvas.h"
#include "tests/support/series_builder.h"
#include "views/alphabet_box.h"
#include "views/result_view.h"

namespace tessaline {
namespace {

// The graph area of an 800 x 600 client area with line height 15: 625 x 578 pixels.
constexpr Rect kGraph{10, 10, 634, 587};
constexpr int32_t kLine = 15;

bool intersects(const Rect& a, const Rect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

class ResultViewTest : public testing::Test {
protected:
    ResultViewTest() { made.place(1, 10).place(2, 40, 1, 2).find(1, 10).find(2, 40, 1, 3); }
    void draw(ResultDrawingSettings settings = {}, int32_t pickedTuple = 0) {
        canvas.clear();
        ResultViewInput input{kGraph, kLine, list, &made.series(), made.chains(), settings, pickedTuple};
        drawProcessingResultView(canvas, input, tupleRows);
    }
    const CanvasCall* label(const std::string& text) const {
        for (const CanvasCall& call : canvas.calls()) {
            if (call.op == CanvasOp::TextOut && call.text == text) return &call;
        }
        return nullptr;
    }
    bool hasRectangle(Point corner) const {
        for (const CanvasCall& call : canvas.callsOf(CanvasOp::Rectangle)) {
            if (call.points[0] == corner) return true;
        }
        return false;
    }

    SeriesBuilder made{100, {{10, 20, 20, 10}, {-10, 30, -30, 10}}, 30};
    std::vector<uint16_t> list{1, 2};
    RecordingCanvas canvas{800, 600, {16, 0, 7}};
    std::vector<Rect> tupleRows;
};

TEST_F(ResultViewTest, StripsTakeTheirShareOfTheAreaOrTheSpecialSize) {
    const std::array<Rect, 3> strips = resultStrips(kGraph, kLine, false);
    // 800/1000 of 625 wide; 330/1000 of (578 - 270) is 101, made even.
    EXPECT_EQ(strips[0], (Rect{17, 71, 517, 173}));
    EXPECT_EQ(strips[1], (Rect{17, 188, 517, 290}));
    EXPECT_EQ(strips[2], (Rect{17, 305, 517, 407}));
    const std::array<Rect, 3> special = resultStrips(kGraph, kLine, true);
    EXPECT_EQ(special[0], (Rect{17, 71, 635, 183}));
    EXPECT_EQ(special[2].top, 71 + 2 * (112 + kLine));
    EXPECT_EQ(resultStrips({0, 0, 99, 99}, kLine, false)[0].bottom,
              4 * kLine + 1);  // never a negative height

    made.describe(SERIES_FIXED_CUTOFF, TASK_JOINT);
    draw();
    EXPECT_TRUE(hasRectangle({17, 71}));
    EXPECT_TRUE(hasRectangle({17, 305}));
    draw({.specialGraphSize = true});
    EXPECT_FALSE(hasRectangle({17, 71}));
    EXPECT_FALSE(hasRectangle({17, 71 + 112 + kLine}));
}

TEST_F(ResultViewTest, StripsMakeRoomForTheLinesOfTheirLabels) {
    // The Part's strips are 102 high; the report under them leaves 59 rows with 100 of report.
    struct Case {
        const char* name;
        StripTextNeeds needs;
        bool special;
        std::array<int32_t, 3> tops;
        int32_t height;
        std::array<int32_t, 3> lines;
    };
    const Case cases[] = {
        {"one line each: the Part's strips", {{1, 1, 1}, 100}, false, {71, 188, 305}, 102, {1, 1, 1}},
        {"a line more fits under the report", {{2, 1, 1}, 100}, false, {71, 203, 320}, 102, {2, 1, 1}},
        {"six lines more: the strips lower by 12 each",
         {{3, 3, 3}, 100},
         false,
         {71, 206, 341},
         90,
         {3, 3, 3}},
        {"too many: half high, the most lines given up first",
         {{10, 10, 10}, 100},
         false,
         {71, 196, 336},
         50,
         {5, 6, 6}},
        {"the special size keeps its height", {{3, 3, 3}, 100}, true, {71, 198, 325}, 112, {1, 1, 2}},
    };
    for (const Case& c : cases) {
        const ResultStripLayout layout = layOutResultStrips(kGraph, kLine, c.special, c.needs);
        EXPECT_EQ(layout.labelLines, c.lines) << c.name;
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(layout.strips[i].top, c.tops[i]) << c.name << " strip " << i;
            EXPECT_EQ(layout.strips[i].bottom - layout.strips[i].top, c.height) << c.name;
        }
        const int32_t reportBottom = layout.strips[2].bottom + layout.labelLines[2] * kLine + kLine / 2 + 100;
        EXPECT_LE(reportBottom, kGraph.bottom + 1) << c.name;
    }
}

TEST_F(ResultViewTest, EveryDrawingOptionChangesWhatTheStripsShowAroundTheFoundPulses) {
    made.tuple(1, 2);
    made.describe(SERIES_FIXED_TUPLES, TASK_TUPLES_DETECTION);
    // The columns of the found pulses (10 .. 43 of 100 samples) over all three strips.
    const std::array<Rect, 3> strips = resultStrips(kGraph, kLine, false);
    const int32_t D = strips[0].right - strips[0].left;
    const Rect area{strips[0].left + 10 * D / 99 - 4, strips[0].top - 2, strips[0].left + 43 * D / 99 + 4,
                    strips[2].bottom + 2};
    const auto image = [&](const ResultDrawingSettings& settings) {
        draw(settings);
        std::vector<uint32_t> pixels;
        for (int32_t y = area.top; y <= area.bottom; ++y) {
            for (int32_t x = area.left; x <= area.right; ++x) pixels.push_back(canvas.pixel(x, y));
        }
        return pixels;
    };
    const std::pair<const char*, ResultDrawingSettings> variants[] = {
        {"all defaults (coloured background)", {}},
        {"no frame graph fields", {.frameGraphFields = false}},
        {"no shaded original pulses", {.shadedOriginalPulses = false}},
        {"no highlight detected pulses", {.highlightDetectedPulses = false}},
        {"special graph size", {.specialGraphSize = true}},
        {"dotted frame of tuples", {.tuplesHighlight = 1}},
        {"no tuple highlight", {.tuplesHighlight = 0}},
    };
    std::vector<std::vector<uint32_t>> images;
    for (const auto& [name, settings] : variants) images.push_back(image(settings));
    for (std::size_t i = 0; i < images.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            EXPECT_NE(images[i], images[j]) << variants[i].first << " looks like " << variants[j].first;
        }
    }
}

TEST_F(ResultViewTest, TextsStandWhereTheDescriptionAndTheReportGo) {
    made.describe(SERIES_FIXED_CUTOFF, TASK_JOINT);
    draw();
    EXPECT_EQ(canvas.findText(" joint detection")->points[0], (Point{17, 3}));
    EXPECT_EQ(canvas.findText(" series length 100")->points[0], (Point{17, 19}));
    EXPECT_EQ(canvas.findText(" pulses number 2")->points[0], (Point{17, 34}));
    EXPECT_EQ(canvas.findText("Detected 2 pulses")->points[0], (Point{17, 429}));
    EXPECT_EQ(canvas.findText(" measure ")->points[0], (Point{17, 459}));
    EXPECT_EQ(canvas.findText("  positions and names")->points[0], (Point{117, 459}));
    EXPECT_EQ(canvas.findText(" 0. ")->points[0], (Point{17, 489 + 4}));  // the truth row after its gap
    for (const CanvasCall& text : canvas.callsOf(CanvasOp::TextOut)) {
        EXPECT_LE(text.points[0].x + canvas.textExtent(text.text).cx, kGraph.right) << text.text;
    }
}

TEST_F(ResultViewTest, LabelsCarryLettersAndBoundsByTheRunAndTheSeriesType) {
    made.describe(SERIES_FIXED_CUTOFF, TASK_JOINT);
    draw();
    // Position 10 of 100 samples over 500 columns: column 17 + 50, the label 5 to its left.
    const CanvasCall* truth = label("10a[0..3] ");
    ASSERT_NE(truth, nullptr);
    EXPECT_EQ(truth->points[0], (Point{62, 172}));
    EXPECT_NE(label("40b[1..2] "), nullptr);
    EXPECT_EQ(label("40b[1..3] ")->points[0], (Point{214, 172 + 117}));  // the found list under strip 2

    made.describe(SERIES_FIXED_CUTOFF, TASK_DETECTION);
    draw();
    EXPECT_NE(label("10[0..3] "), nullptr);
    EXPECT_EQ(label("10a[0..3] "), nullptr);

    made.describe(SERIES_FIXED_WHOLE, TASK_RECOGNITION);
    draw();
    EXPECT_NE(label("40b"), nullptr);
    EXPECT_EQ(label("40b[1..3] "), nullptr);
}

TEST_F(ResultViewTest, ResultStripIsLeftOutWhenAFoundPulseHasNoEtalon) {
    made.describe(SERIES_FIXED_CUTOFF, TASK_JOINT);
    draw();
    EXPECT_TRUE(canvas.touched(17, 310));  // the axis of strip 3
    made.series().lpFoundEtalonNumbers[1] = 0;
    draw();
    EXPECT_FALSE(canvas.touched(17, 310));
    EXPECT_TRUE(canvas.touched(17, 200));
}

TEST_F(ResultViewTest, AlphabetBoxIsCaptionedAndHighlightsTheRecognisedEtalon) {
    EXPECT_EQ(alphabetBoxCaption(2, 93), " Alph: 2 ");
    EXPECT_EQ(alphabetBoxCaption(1, 180), " Alphabet, 1 item ");
    EXPECT_EQ(alphabetBoxCaption(20, 180), " Alphabet, 20 items ");
    made.describe(SERIES_FIXED_WHOLE, TASK_RECOGNITION);
    draw();
    // Box 93 wide at the right: left 634 - 93 - 7 + 1, top 10 + 9 + 7; caption at (+7, -9).
    EXPECT_EQ(canvas.findText(" Alph: 2 ")->points[0], (Point{542, 17}));
    EXPECT_TRUE(hasRectangle({535, 26}));
    std::size_t grey = 0;
    for (const CanvasCall& call : canvas.callsOf(CanvasOp::Rectangle))
        grey += call.brush.color == kSelectionGrey;
    EXPECT_EQ(grey, 1u);
}

TEST_F(ResultViewTest, TupleRecognitionRecordsARowPerStoredTupleClearOfTheStrips) {
    HeadlessWindow window;
    const int32_t first[] = {1, 2};
    const int32_t second[] = {2};
    const int32_t sizes[] = {2, 1};
    const int32_t* rows[] = {first, second};
    ASSERT_EQ(addSomeSelectedSubsetToSeriesHeader(window, sizes, rows, 4, 10, 1, 4, 1, &made.series()), 1);
    made.series().wFoundSubset = 2;
    made.tuple(1, 2);
    made.describe(SERIES_UNFIXED_TUPLES, TASK_TUPLES_RECOGNITION);
    draw({}, 1);
    ASSERT_EQ(tupleRows.size(), 2u);
    EXPECT_NE(canvas.findText(" pattern tuples "), nullptr);
    const std::array<Rect, 3> strips = resultStrips(kGraph, kLine, false);
    const Rect alphabet = layOutAlphabetBox(viewFrameOf(kGraph), kLine, 2).outline;
    for (const Rect& row : tupleRows) {
        EXPECT_FALSE(intersects(row, strips[2]));
        EXPECT_FALSE(intersects(row, alphabet));
        EXPECT_LE(row.right, kGraph.right);
        EXPECT_LE(row.bottom, kGraph.bottom);
    }
    std::size_t red = 0;
    for (const CanvasCall& call : canvas.callsOf(CanvasOp::Rectangle)) red += call.brush.color == kAlertRed;
    EXPECT_EQ(red, 2u);  // the picked tuple's two thumbnails; the recognised one is grey

    made.describe(SERIES_UNFIXED_TUPLES, TASK_TUPLES_DETECTION);
    draw();
    EXPECT_TRUE(tupleRows.empty());
    EXPECT_NE(canvas.findText(" pattern tuple "), nullptr);
}

// Whole windows: every part of the client area stays in its own area.
class WindowPaintTest : public testing::Test {
protected:
    void SetUp() override {
        window.setCommandHandler([this](int command) { dispatchCommand(window, state, command); });
        runStartUp(window, state);
    }
    // The parts of the window: the graph area with the description's half line above it, the
    // selectors with their titles, the buttons.
    std::vector<Rect> parts() const {
        const WindowLayout& layout = state.painted.layout;
        const int32_t h = state.painted.lineHeight;
        const Rect& g = layout.rcGraph;
        std::vector<Rect> areas{{g.left, g.top - h / 2, g.right + 1, g.bottom + 1}};
        for (const Rect& s : {layout.rcLengthSelector, layout.rcNoiseSelector, layout.rcLostSelector}) {
            areas.push_back({s.left, s.top - h / 2, s.right + 1, s.bottom + 1});
        }
        if (!layout.hasLostSelector) areas.pop_back();
        for (const Rect& b : {layout.rcRestartButton, layout.rcNextButton, layout.rcExitButton})
            areas.push_back(b);
        if (layout.hasSelectButton) areas.push_back(layout.rcSelectButton);
        return areas;
    }
    void expectPaintedInPlace(int32_t width, int32_t height) {
        RecordingCanvas canvas(width, height);
        storePaintedGeometry(state, paintClientArea(canvas, state, {0, 0, width, height}, window));
        EXPECT_EQ(canvas.pixelsOutside(), 0);
        const std::vector<Rect> areas = parts();
        for (std::size_t i = 0; i < areas.size(); ++i) {
            for (std::size_t j = i + 1; j < areas.size(); ++j)
                EXPECT_FALSE(intersects(areas[i], areas[j])) << i << j;
        }
        const auto inSomePart = [&](const Rect& box) {
            return std::any_of(areas.begin(), areas.end(), [&](const Rect& a) {
                return box.left >= a.left && box.right <= a.right && box.top >= a.top &&
                       box.bottom <= a.bottom;
            });
        };
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                if (canvas.pixel(x, y) == packedRgb(kWhite)) continue;
                ASSERT_TRUE(inSomePart({x, y, x, y}))
                    << "view " << state.view.dwViewMode << " at " << x << "," << y;
            }
        }
        for (const CanvasCall& text : canvas.callsOf(CanvasOp::TextOut)) {
            const TextExtent extent = canvas.textExtent(text.text);
            const Point at = text.points[0];
            EXPECT_TRUE(inSomePart({at.x, at.y, at.x + extent.cx - 1, at.y + extent.cy - 1})) << text.text;
        }
    }

    HeadlessWindow window;
    AppState state;
};

TEST_F(WindowPaintTest, EveryViewPaintsEachPartInsideItsOwnArea) {
    state.task.wTaskType = TASK_JOINT;
    for (const auto& [width, height] : {std::pair{800, 600}, std::pair{1920, 1080}}) {
        state.view.dwViewMode = VIEW_ALPHABET;
        expectPaintedInPlace(width, height);
        window.sendCommand(CMD_PROCESSING_NEXT_DATA);
        ASSERT_EQ(state.view.dwViewMode, VIEW_RESULT);
        state.view.dwTypeMoreDetails = 1;
        expectPaintedInPlace(width, height);
        EXPECT_EQ(state.view.dwTypeMoreDetails, 0);
        for (int32_t mode : {VIEW_SUBSETS, VIEW_PARAMETERS}) {
            state.view.dwViewMode = mode;
            expectPaintedInPlace(width, height);
        }
        state.view.dwViewMode = VIEW_RESULT;
        state.view.wResultKind = RESULT_STATISTICS;
        expectPaintedInPlace(width, height);
        state.view.wResultKind = RESULT_PROCESSING;
    }
}

TEST_F(WindowPaintTest, TupleRecognitionResultKeepsItsBoxesInsideTheGraphArea) {
    ASSERT_EQ(initSubsetPanel(window, state.subsetPanel, state.subsets.dwReservedSubsetCount), 1);
    for (const std::vector<int>& tuple : {std::vector<int>{3, 7, 12}, std::vector<int>{5, 9}}) {
        deleteAllSubsetEntries(state.subsetPanel);
        for (int etalon : tuple) offerEtalonToSubset(state.subsetPanel, etalon);
        acceptComposedSubset(state.subsetPanel);
    }
    window.sendCommand(CMD_SERIES_UNFIXED_TUPLES);
    window.sendCommand(CMD_TASK_RECOGNITION);
    ASSERT_TRUE(
        storeSubsetInSeries(window, state.subsetPanel, TASK_TUPLES_RECOGNITION, 4, 1, state.lpSeriesHeader));
    std::fill(std::begin(state.selection.wRequiredFlags), std::end(state.selection.wRequiredFlags),
              uint16_t{1});
    rebuildRequiredList(state);
    window.sendCommand(CMD_PROCESSING_NEXT_DATA);
    ASSERT_EQ(state.view.dwViewMode, VIEW_RESULT);
    for (const auto& [width, height] : {std::pair{800, 600}, std::pair{1920, 1080}}) {
        expectPaintedInPlace(width, height);
        EXPECT_EQ(state.painted.tupleRows.size(), 2u);
    }
}

TEST_F(WindowPaintTest, ButtonsFollowTheViewAndTheSelectionButtonOffersWhatAClickDoes) {
    state.task.wTaskType = TASK_JOINT;
    std::fill(std::begin(state.selection.wRequiredFlags), std::end(state.selection.wRequiredFlags),
              uint16_t{0});
    std::fill_n(state.selection.wRequiredFlags, 10, uint16_t{1});
    RecordingCanvas canvas(800, 600);
    storePaintedGeometry(state, paintClientArea(canvas, state, {0, 0, 800, 600}, window));
    EXPECT_EQ(shownSelectAll(state.painted), 1);
    EXPECT_NE(canvas.findText("Select All"), nullptr);
    EXPECT_EQ(canvas.findText("Restart"), nullptr);  // only the result view offers Restart
    EXPECT_NE(canvas.findText(" lost data level: "), nullptr);
    EXPECT_EQ(state.painted.lengthRows[2].top,
              state.painted.layout.rcLengthSelector.top + kLine / 2 + kLine + 2 * 22);

    state.selection.wRequiredFlags[10] = 1;
    state.view.dwViewMode = VIEW_RESULT;
    canvas.clear();
    storePaintedGeometry(state, paintClientArea(canvas, state, {0, 0, 800, 600}, window));
    EXPECT_EQ(shownSelectAll(state.painted), 0);
    EXPECT_NE(canvas.findText("Unselect All"), nullptr);
    EXPECT_NE(canvas.findText("Restart"), nullptr);
    const Rect exit = state.painted.layout.rcExitButton;
    EXPECT_EQ(exit.right - exit.left + 1, 144);
    EXPECT_TRUE(canvas.hasColor(exit.left, exit.top, kButtonShadowGrey));
    EXPECT_TRUE(canvas.hasColor(exit.right, exit.bottom, kBlack));
}

// A paint of a view without the selection button or the subset panel keeps the ones drawn before
// for the clicks; a paint that drew them replaces them. The rest of what it drew always replaces.
TEST(StorePaintedGeometryTest, KeepsWhatThePaintDidNotDraw) {
    struct Case {
        const char* what;
        std::optional<int32_t> offer;
        std::optional<Rect> subsetArea;
        int32_t keptOffer;
        Rect keptSubsetArea;
    };
    const Rect before{1, 2, 3, 4};
    const Rect drawn{5, 6, 7, 8};
    const Case cases[] = {
        {"neither drawn", std::nullopt, std::nullopt, 1, before},
        {"button drawn", 0, std::nullopt, 0, before},
        {"panel drawn", std::nullopt, drawn, 1, drawn},
        {"both drawn", 0, drawn, 0, drawn},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AppState state;
        PaintedGeometry first;
        first.selectAllShown = 1;
        first.subsetPanel = SubsetPanelGeometry{};
        first.subsetPanel->subsetArea = before;
        first.tupleRows = {before};
        storePaintedGeometry(state, first);

        PaintedGeometry next;
        next.lineHeight = 21;
        next.selectAllShown = c.offer;
        if (c.subsetArea) {
            next.subsetPanel = SubsetPanelGeometry{};
            next.subsetPanel->subsetArea = *c.subsetArea;
        }
        storePaintedGeometry(state, next);
        EXPECT_EQ(shownSelectAll(state.painted), c.keptOffer);
        EXPECT_EQ(drawnSubsetPanel(state.painted).subsetArea, c.keptSubsetArea);
        EXPECT_EQ(state.painted.lineHeight, 21);
        EXPECT_TRUE(state.painted.tupleRows.empty());
    }
}

TEST(StorePaintedGeometryTest, NothingDrawnYetReadsAsEmpty) {
    const AppState state;
    EXPECT_EQ(shownSelectAll(state.painted), 0);
    EXPECT_TRUE(drawnSubsetPanel(state.painted).rowFrames.empty());
    EXPECT_EQ(drawnSubsetPanel(state.painted).subsetArea, Rect{});
}

}  // namespace
}  // namespace tessaline
