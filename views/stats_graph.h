#pragma once
// The statistics view: the graph of one error measure of a finished statistical simulation against
// the noise level, with the texts that describe the run. The view code chooses the measure and
// its form (one curve per pulse count, or one aggregate curve). The scale is worked out in
// stats_bounds.h and the texts in stats_texts.h; this is the drawing.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "draw/canvas.h"
#include "model/records.h"
#include "platform/message_sink.h"
#include "simulation/statistics.h"
#include "views/stats_bounds.h"

namespace tessaline {

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
