#pragma once
// The alphabet view: every etalon of the alphabet in a cell of its own, with its number and
// energy, a bold graph of its samples and a frame that tells whether it is selected (selected
// etalons are the ones a series may use).
#include <cstdint>
#include <span>

#include "draw/canvas.h"
#include "model/records.h"

namespace tessaline {

inline constexpr Color kSelectedCurveColor = rgb(0, 0, 255);
inline constexpr Color kUnselectedCurveColor = rgb(0, 0, 127);
inline constexpr Color kSelectedFrameColor = rgb(163, 163, 163);
inline constexpr Color kUnselectedFrameColor = rgb(127, 127, 127);

struct AlphabetViewInput {
    std::span<const PulseHeader> etalons;  // the alphabet
    std::span<const uint16_t> selected;    // 1 = the etalon of the same index is selected
    Rect view;                             // the view area, right and bottom included
    std::span<const Point> cellOrigins;    // top left corner of each etalon's cell
    int32_t graphWidth = 0;                // gw: width of a cell's graph axis
    int32_t cellHeight = 0;                // ch: the title line and the graph
    int32_t frameWidth = 0;                // fw, fh: the cell frame
    int32_t frameHeight = 0;
    int32_t amplitude = 0;  // A: values -A .. +A span a graph's height
    int32_t lineHeight = 0;
};

// Outlines the view and draws one cell per etalon that has a cell origin. A cell's title reads
// " pulse <number> [<energy>]"; its curve ends six pixels short of the axis end. A cell of an
// etalon shorter than two samples, or with an amplitude below 1, has no curve.
void drawAlphabetView(Canvas& canvas, const AlphabetViewInput& input);

}  // namespace tessaline
