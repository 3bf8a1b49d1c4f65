// The series parameters panel: its record made from a series, the corridor split where its lines
// cross, a partial redraw erasing only what moved, the view command, and the panel kept inside the
// graph area.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/layout.h"
#include "app/startup.h"
#include "app/state.h"
#include "panels/params_header.h"
#include "panels/params_panel.h"
#include "platform/alloc.h"
#include "platform/headless.h"
#include "tests/support/recording_canvas.h"

namespace tessaline {
namespace {

class ParamsPanelTest : public testing::Test {
protected:
    void SetUp() override {
        series = getCutOffSeriesHeader(window, 20, 20, 40, 181, 200, nullptr);
        ASSERT_NE(series, nullptr);
        series->wImpulseQuantity = 3;
        series->wImpulseSize = 20;
    }
    void TearDown() override {
        freeParamsHeader(record);
        freeSeriesHeader(series);
        EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);
    }
    ParamsPanelGeometry draw(RecordingCanvas& canvas) {
        return drawParamsPanel(canvas, *record, {{0, 0, 599, 449}, 15, 7});
    }

    const std::int64_t blocksAtStart = memory::outstandingBlocks();
    HeadlessWindow window;
    SeriesHeader* series = nullptr;
    ParamsHeader* record = nullptr;
};

TEST_F(ParamsPanelTest, RecordDescribesTheCorridorOfTheSeries) {
    record = getParamsHeader(window, series, nullptr);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->dwMinPulses, 1);  // (200 + 19) / 181
    EXPECT_EQ(record->dwMaxPulses, 5);  // (200 + 40 - 20) / 40
    EXPECT_EQ(record->dwAreas, 5);
    EXPECT_EQ(record->dwFirstHighest, 161);
    EXPECT_EQ(record->dwLastLowest, 19);
    EXPECT_EQ(record->dwLastHighest, 180);
    EXPECT_EQ(record->dwPulses, 3);
    EXPECT_EQ(paramsTminText(*record), "40");
    // Dragging a+ to 0 leaves the first pulse no room: the least count the corridor forces grows.
    record->dwFirstHighest = 0;
    EXPECT_EQ(impliedMinPulses(*record), (19 + 181 - 1) / 181 + 1);
}

TEST_F(ParamsPanelTest, FailuresReturnNothingAndKeepTheGivenRecord) {
    struct Case {
        bool given;
        std::int64_t failing;  // 0: no allocation fails
        uint16_t Tmin, Tmax;
        const char* message;
    };
    const Case cases[] = {{false, 1, 40, 181, "Нет памяти для newParamsHeader!"},
                          {false, 2, 40, 181, "Нет памяти для newParamsHeader->pulsesSelectedAreas!"},
                          {true, 1, 40, 181, "Нет памяти для newParamsHeader->pulsesSelectedAreas!"},
                          {true, 0, 0, 181, "Неверно задан wTmin!"},
                          {true, 0, 40, 0, "Неверно задан wTmax!"}};
    for (const Case& c : cases) {
        freeParamsHeader(record);
        record = nullptr;
        series->dwSeriesSize = 200;
        series->wTmin = 40;
        series->wTmax = 181;
        if (c.given) {
            record = getParamsHeader(window, series, nullptr);
            ASSERT_NE(record, nullptr);
            series->dwSeriesSize = 1200;  // more pulse counts than the record has areas for
        }
        series->wTmin = c.Tmin;
        series->wTmax = c.Tmax;
        {
            const memory::FailureInjection failure(c.failing);
            EXPECT_EQ(getParamsHeader(window, series, record), nullptr) << c.message;
        }
        ASSERT_FALSE(window.messages().empty());
        EXPECT_EQ(window.messages().back().text, c.message);
        EXPECT_EQ(window.messages().back().caption, " getParamsHeader ");
        if (c.given) {
            EXPECT_EQ(record->dwMaxPulses, 5);
        }
    }
}

TEST_F(ParamsPanelTest, EachSideIsSplitWhereItsTwoLinesCross) {
    struct Case {
        int32_t K, Tmin, Tmax, aPlus, bMinus, b;
        CorridorSplit split;
    };
    const Case cases[] = {
        {3, 40, 181, 161, 19, 180, {2, 1, 7}},        // N 200, n 20
        {14, 40, 181, 161, 1019, 1180, {10, 9, 21}},  // N 1200, n 20
        {4, 50, 50, 30, 150, 180, {9, 8, 9}},         // parallel sides never cross
        {10, 40, 50, 30, 50, 100, {1, 1, 21}},        // crossings before the first and after the last pulse
    };
    record = getParamsHeader(window, series, nullptr);
    ASSERT_NE(record, nullptr);
    for (const Case& c : cases) {
        record->dwPulses = c.K;
        record->dwTmin = c.Tmin;
        record->dwTmax = c.Tmax;
        record->dwFirstHighest = c.aPlus;
        record->dwLastLowest = c.bMinus;
        record->dwLastHighest = c.b;
        const CorridorSplit split = corridorSplit(*record);
        EXPECT_EQ(split.upper, c.split.upper) << c.K;
        EXPECT_EQ(split.upperRight, c.split.upperRight) << c.K;
        EXPECT_EQ(split.lower, c.split.lower) << c.K;
    }
}

// Whether two drawn segments share a point (within a pixel of rounding).
bool meet(const LineSegment& p, const LineSegment& q) {
    const auto side = [](Point a, Point b, Point c) {
        return int64_t{b.x - a.x} * (c.y - a.y) - int64_t{b.y - a.y} * (c.x - a.x);
    };
    const int64_t d1 = side(p.from, p.to, q.from), d2 = side(p.from, p.to, q.to);
    const int64_t d3 = side(q.from, q.to, p.from), d4 = side(q.from, q.to, p.to);
    const int64_t slack = 2 * (std::abs(p.to.x - p.from.x) + std::abs(p.to.y - p.from.y));
    return (d1 <= slack || d2 <= slack) && (d1 >= -slack || d2 >= -slack) && (d3 <= slack || d4 <= slack) &&
           (d3 >= -slack || d4 >= -slack);
}

TEST_F(ParamsPanelTest, DrawnSidesMeetAtTheirCrossingAndAPartialRedrawErasesOnlyWhatMoved) {
    series->dwSeriesSize = 1200;
    series->wImpulseQuantity = 14;
    record = getParamsHeader(window, series, nullptr);
    ASSERT_NE(record, nullptr);
    RecordingCanvas first(600, 450);
    const ParamsPanelGeometry drawn = draw(first);
    EXPECT_TRUE(meet(drawn.corridorLines[UPPER_LEFT], drawn.corridorLines[UPPER_RIGHT]));
    EXPECT_TRUE(meet(drawn.corridorLines[LOWER_LEFT], drawn.corridorLines[LOWER_RIGHT]));
    EXPECT_NE(first.findText(" pulses = "), nullptr);
    recordParamsPanel(*record, drawn);
    EXPECT_EQ(record->tmaxSlope, drawn.corridorLines[UPPER_LEFT]);

    record->dwFirstHighest = 300;  // a+ dragged up: the upper side, split anew, and the a+ level move
    record->dwRedrawPart = 1;
    RecordingCanvas partial(600, 450);
    const ParamsPanelGeometry redrawn = draw(partial);
    std::vector<LineSegment> erased;
    for (const CanvasCall& call : partial.callsOf(CanvasOp::LineTo))
        if (call.pen.color == kErasePen) erased.push_back({call.points[0], call.points[1]});
    const std::vector<LineSegment> moved = {drawn.corridorLines[UPPER_LEFT], drawn.corridorLines[UPPER_RIGHT],
                                            drawn.firstHighestGuide};
    EXPECT_EQ(erased, moved);
    EXPECT_FALSE(partial.hasColor(2, 2, kParamsPanelColour));  // no background this time
    recordParamsPanel(*record, redrawn);
    EXPECT_EQ(record->dwRedrawPart, 0);
    EXPECT_EQ(record->dwShownFirstHighest, 300);
}

class ParamsViewTest : public testing::Test {
protected:
    void SetUp() override {
        window.setCommandHandler([this](int command) { dispatchCommand(window, state, command); });
        runStartUp(window, state);
    }
    HeadlessWindow window;
    AppState state;
};

TEST_F(ParamsViewTest, CommandOpensThePanelOrKeepsTheViewWithoutMemory) {
    {
        const memory::FailureInjection failure(1);
        window.sendCommand(CMD_VIEW_SERIES_PARAMETERS);
    }
    EXPECT_EQ(state.view.dwViewMode, VIEW_ALPHABET);
    EXPECT_EQ(state.lpParamsHeader, nullptr);
    window.sendCommand(CMD_VIEW_SERIES_PARAMETERS);
    EXPECT_EQ(state.view.dwViewMode, VIEW_PARAMETERS);
    ASSERT_NE(state.lpParamsHeader, nullptr);
    EXPECT_EQ(state.lpParamsHeader->dwMaxPulses, state.lpSeriesHeader->wMaxPulses);
    ASSERT_FALSE(window.invalidations().empty());
    EXPECT_TRUE(window.invalidations().back().erase);
}

// The command writes the panel's Tmin text into the window's edit field; a record it cannot have
// (no memory, a series without a pulse distance) leaves the field, the view and the kept record.
TEST_F(ParamsViewTest, CommandWritesTheTminFieldOnlyForARecordItGot) {
    const struct {
        uint16_t Tmin, Tmax;
        std::int64_t failing;  // 0: no allocation fails
        const char* field;     // the edit field after the command
    } cases[] = {
        {40, 181, 0, "40"}, {7, 181, 0, "7"}, {40, 181, 1, "55"}, {0, 181, 0, "55"}, {40, 0, 0, "55"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "Tmin " << c.Tmin << ", Tmax " << c.Tmax << ", failing " << c.failing);
        freeParamsHeader(state.lpParamsHeader);
        state.lpParamsHeader = nullptr;
        state.view.dwViewMode = VIEW_ALPHABET;
        state.lpSeriesHeader->wTmin = c.Tmin;
        state.lpSeriesHeader->wTmax = c.Tmax;
        window.setTminEditText("55");
        {
            const memory::FailureInjection failure(c.failing);
            window.sendCommand(CMD_VIEW_SERIES_PARAMETERS);
        }
        EXPECT_EQ(window.tminEditText(), c.field);
        const bool shown = std::string(c.field) != "55";
        EXPECT_EQ(state.view.dwViewMode, shown ? VIEW_PARAMETERS : VIEW_ALPHABET);
        EXPECT_EQ(state.lpParamsHeader != nullptr, shown);
    }
}

TEST_F(ParamsViewTest, PanelStaysInsideTheGraphAreaAndLeavesItsGeometryInTheRecord) {
    for (const uint32_t length : {200u, 1200u}) {
        state.lpSeriesHeader->dwSeriesSize = length;
        window.sendCommand(CMD_VIEW_SERIES_PARAMETERS);
        for (const auto& [width, height] : {std::pair{800, 600}, std::pair{1920, 1080}}) {
            RecordingCanvas canvas(width, height);
            const Rect graph = computeWindowLayout({0, 0, width, height}, 15, state.task.wTaskType,
                                                   state.task.wSeriesType, state.alphabet.wEtalonsQuantity)
                                   .rcGraph;
            recordParamsPanel(*state.lpParamsHeader,
                              drawParamsPanel(canvas, *state.lpParamsHeader, {graph, 15, 7}));
            const Rect bounds = canvas.drawnBounds();
            EXPECT_TRUE(bounds.left >= graph.left && bounds.top >= graph.top && bounds.right <= graph.right &&
                        bounds.bottom <= graph.bottom)
                << length << " at " << width;
            const ParamsHeader& r = *state.lpParamsHeader;
            EXPECT_GT(r.rcOkButton.left, r.rcCancelButton.right);
            EXPECT_NE(r.pulsesSelectedAreas[r.dwAreas - 1], Rect{});
        }
    }
}

}  // namespace
}  // namespace tessaline
