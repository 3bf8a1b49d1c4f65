#pragma once
// The processing result view: lines that describe the series and the run, three graph strips
// (the placed pulses, the noisy series, the found pulses), the box of the listed etalons, the
// report of the found pulses and the best chains, and for tuple series the box of tuples.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "draw/canvas.h"
#include "model/records.h"
#include "processing/chains.h"

namespace tessaline {

// The drawing settings the view follows.
struct ResultDrawingSettings {
    bool highlightDetectedPulses = true;  // dotted frames round the found pulses
    bool shadedOriginalPulses = true;     // hatch under the placed pulses
    uint16_t tuplesHighlight = 2;         // found tuples: 1 dotted frame, 2 coloured background, other none
    bool specialGraphSize = false;        // strips of 618 x 112 pixels, never outlined
    bool frameGraphFields = true;         // outline the strips
};

struct ResultViewInput {
    Rect graph;                            // the graph area, right and bottom included
    int32_t lineHeight = 0;                // h
    std::span<const uint16_t> etalonList;  // the etalons the alphabet box shows
    const SeriesHeader* series = nullptr;  // none: only the outline is drawn
    const ChainsHeader* chains = nullptr;  // none: no run line, restore error or table of chains
    ResultDrawingSettings settings;
    int32_t pickedTuple = 0;  // 1-based tuple last picked with the mouse, 0 for none
};

inline constexpr int32_t SPECIAL_STRIP_WIDTH = 618;
inline constexpr int32_t SPECIAL_STRIP_HEIGHT = 112;

// The three strips (left, top, right, bottom with D = right - left, H = bottom - top): 800/1000
// of the area's width by 330/1000 of (its height - 18 h) made even, or 618 x 112 with the special
// size; at the left margin, the first 4 h + 1 below the top and each next one a line below the
// previous one. Sizes never go below 0.
std::array<Rect, 3> resultStrips(const Rect& graph, int32_t lineHeight, bool specialGraphSize) noexcept;

// What the texts around the strips ask of the layout: the text lines of position labels under
// each strip (the Part of the layout gives one) and the height of the report under the last strip.
struct StripTextNeeds {
    std::array<int32_t, 3> labelLines{1, 1, 1};
    int32_t reportHeight = 0;
};

struct ResultStripLayout {
    std::array<Rect, 3> strips;
    std::array<int32_t, 3> labelLines{1, 1, 1};  // text lines under each strip
};

// The strips of `resultStrips` with room under each for its label lines: the strips move down to
// make it and, where the report would then run past the area's bottom, lower by the same even
// height each, down to half their height (the special size keeps its height). When that is not
// enough room, the strips with the most label lines give up lines, down to one.
ResultStripLayout layOutResultStrips(const Rect& graph, int32_t lineHeight, bool specialGraphSize,
                                     const StripTextNeeds& needs) noexcept;

// Draws the view. With tuple recognition on a tuple series, the rectangle of every row of stored
// tuples the box shows (right and bottom included) goes to `tupleRowRects` in tuple order; it is
// emptied first.
void drawProcessingResultView(Canvas& canvas, const ResultViewInput& input, std::vector<Rect>& tupleRowRects);

}  // namespace tessaline
