#pragma once
// The labels of the statistics graph that stand in the symbol font around its plotting area: the
// noise levels under it and the pulse counts after the curves' last points. Both are placed so
// that no label is written over another or over the value labels left of the graph.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "draw/canvas.h"
#include "views/stats_graph.h"

namespace tessaline {

// Where the labels may stand: their columns from `left` up to `right` (excluded), their font
// never lowered below `leastFontHeight`.
struct StatsLabelRoom {
    int32_t left = 0;
    int32_t right = 0;
    int32_t leastFontHeight = 0;
};

// Under the graph, 3 pixels below its bottom: the noise level of every fourth row with "%d",
// centred about the level's column, followed by "s" (sigma). When neighbours would run into each
// other (a blank's width apart at least), the font is lowered from the axis font towards the least
// height, and when they still would, every eighth, twelfth, ... row keeps its label, so that the
// labels thin evenly. The number of rows from one label to the next.
int32_t drawNoiseLevelLabels(Canvas& canvas, const StatsGraphGeometry& geometry,
                             std::span<const int16_t> levels, const StatsLabelRoom& room);

// The label of a curve and the curve's last point.
struct CurveLabel {
    std::string text;
    Point end;
};

// Each label after its curve's last point, half a font height above it. Labels that would run
// into each other move apart up or down, in the order of their points, between the top value
// label's row and the noise labels under the graph; when they do not fit in that height their
// font is lowered, down to the least height, then they stand in more columns (as many as `room`
// holds), and when even those are too few only every second, third, ... label is written.
// The number of labels left out.
int32_t drawCurveLabels(Canvas& canvas, const StatsGraphGeometry& geometry, std::vector<CurveLabel> labels,
                        const StatsLabelRoom& room);

}  // namespace tessaline
