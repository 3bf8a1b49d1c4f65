#pragma once
// The statistics view: the graph of one error measure of a finished statistical simulation against
// the noise level, with the texts that describe the run. The view code chooses the measure and
// its form (one curve per pulse count, or one aggregate curve).
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "draw/canvas.h"
#include "model/records.h"
#include "platform/message_sink.h"
#include "simulation/references.h"
#include "simulation/statistics.h"

namespace tessaline {

// View codes of the statistics view.
inline constexpr int32_t STATS_RESTORED_COMPONENTWISE = 0;
inline constexpr int32_t STATS_RESTORED_AGGREGATE = 1;
inline constexpr int32_t STATS_DETECTION_COMPONENTWISE = 2;
inline constexpr int32_t STATS_DETECTION_AGGREGATE = 3;
inline constexpr int32_t STATS_RECOGNITION_COMPONENTWISE = 4;
inline constexpr int32_t STATS_RECOGNITION_AGGREGATE = 5;
inline constexpr int32_t STATS_RECOGNITION_COMPONENTWISE_BOUNDS = 12;
inline constexpr int32_t STATS_RECOGNITION_AGGREGATE_BOUNDS = 13;

// The upper bound the user may fix instead of the automatic one.
struct FixedUpperBound {
    bool fixed = false;       // "fixed upper bound"
    double upperBound = 0.0;  // "upper bound", in plotted units
};

// The title of a view code; empty for a code without one.
std::string statisticsViewTitle(int32_t viewCode);

// Q, the greatest value the graph must hold, in thousandths of the plotted value. Codes 0 to 3
// take it from the stored errors and the normalisers (a zero normaliser, repeat count or pulse
// count contributes 0, so the least bound of the code applies); 4, 5, 12, 13 hold 0.5; 7, 8, 10
// hold 0.99 and 9 holds 0.099. Codes without an automatic bound (6 and unknown codes) hold 1.
int32_t automaticBoundNeed(int32_t viewCode, const RestErrorHeader& record,
                           const ErrorNormalisers& normalisers);

// Z from Q: the least power of ten above Q, divided by 5 when still at least 5 Q, then halved
// while at least 2 Q (at most twice).
int32_t roundedUpperBound(int32_t need) noexcept;

// The graph's upper bound Z in thousandths of the plotted value: the fixed bound (truncated) when
// it is set, positive and at least one thousandth, otherwise the rounded automatic bound.
int32_t statisticsUpperBound(int32_t viewCode, const RestErrorHeader& record,
                             const ErrorNormalisers& normalisers, const FixedUpperBound& fixedBound);

// The label at height 2 i g (i = 0 .. 5) of a graph with upper bound Z: i (Z / 5) / 1000 with
// "%.2f", or "%.3f" when Z < 50.
std::string axisLabel(int32_t index, int32_t upperBound);

// Whether the noise level of row k carries a label under the graph: every fourth row from 0, or
// every `stride`-th where the labels must thin out.
inline constexpr bool noiseLevelLabelled(int32_t row, int32_t stride = 4) noexcept {
    return row % stride == 0;
}

// The nine lines that describe the run, from its statistics record, the series record it left,
// the amplitude setting and the view code.
std::array<std::string, 9> statisticsDescription(const RestErrorHeader& record, const SeriesHeader& series,
                                                 int32_t amplitude, int32_t viewCode);

// "etEnergy=<E>, Rmin=<Rmin>, Rmax=<Rmax>"
std::string referenceNumbersLine(const ReferenceQuantities& reference);

// The calendar text of a time in seconds (local time, "Www Mmm dd hh:mm:ss yyyy"), no line end.
std::string calendarText(int64_t seconds);

// "elapsed time h:mm:ss" of the seconds from start to end; a run that ends before it starts
// shows no elapsed time (0:00:00).
std::string elapsedTimeText(int64_t start, int64_t end);

// What the statistics view draws: the graph area, the run's record and the series it left, the
// etalon list it used, and the settings of the application it reads.
struct StatsGraphInput {
    Rect graph;                               // the graph area, right and bottom included
    int32_t lineHeight = 0;                   // h
    int32_t amplitude = 0;                    // A, the amplitude setting; 0 scales thumbnails to the noise
    int32_t viewCode = 0;                     // which measure and form
    std::span<const uint16_t> etalonList;     // the etalons the run told apart
    const RestErrorHeader* record = nullptr;  // none: only the outline is drawn
    const SeriesHeader* series = nullptr;     // none: only the outline is drawn
    int64_t simulationStart = 0;              // calendar seconds
    int64_t simulationEnd = 0;
    FixedUpperBound fixedBound;
    int32_t pickedTuple = 0;  // the stored tuple last picked with the mouse (1-based), shown red
};

// Where the graph stands: its axis font height f, tick spacing g, noise-level spacing s and the
// plotting area (left, top, right, bottom) of L levels, 10 g high, ending six left margins left
// of the alphabet box. One noise level gets the width of one spacing.
struct StatsGraphGeometry {
    int32_t fontHeight = 0;
    int32_t tick = 0;
    int32_t levelSpacing = 0;
    Rect area;
};

StatsGraphGeometry statsGraphGeometry(const Rect& graph, int32_t lineHeight, int32_t alphabetBoxLeft,
                                      int32_t levels) noexcept;

// The caption and text of the message shown when the view cannot get its table of normalisers.
inline constexpr std::string_view STATS_GRAPH_CAPTION = " ERROR in DrawDetectionArrayZ ";
inline constexpr std::string_view STATS_NORMALISERS_REFUSED = "No memory to RestoredErrorNormalizer";

// Draws the statistics view of the run: outline, description, alphabet box, reference numbers and
// times, the box of tuples of a tuple series (under the numbers), formula caption, axes, grid,
// labels and the curves of the view code. Values above the upper bound are drawn on the graph's
// top edge; a run of one noise level gets its points without lines. For tuple recognition the
// rectangle of every tuple row drawn is appended to `tupleRows`, for the mouse to choose a tuple.
// When the per-drawing table of normalisers cannot be had, the view says so on `messages` and
// draws nothing.
void DrawDetectionArrayZ(MessageSink& messages, Canvas& canvas, const StatsGraphInput& input,
                         std::vector<Rect>& tupleRows);

}  // namespace tessaline
