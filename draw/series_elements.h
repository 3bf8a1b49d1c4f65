#pragma once
// The elements a series is drawn with in a graph strip: the axes, the noisy series, the placed
// and the found pulses, the cut-off parts of the placed pulses with their shading, the position
// labels, and the dotted frames and coloured backgrounds that mark found pulses and found tuples.
//
// A strip (L, T, R, B) has width D = R - L and height H = B - T. Sample index s of a series of N
// samples lies at column L + s D / (N - 1); value v at row B - (v + A) H / (2A), so -A is the
// bottom, +A the top and 0 the middle row M = T + H / 2. All arithmetic truncates. An element
// draws nothing that would need those scales for a series shorter than two samples or an
// amplitude below 1. Each element draws with the canvas' current pen unless it names a colour,
// and puts back every pen and brush it selects.
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "draw/canvas.h"
#include "model/records.h"

namespace tessaline {

inline constexpr Color kSeriesCurveColor = rgb(0, 0, 255);
inline constexpr Color kTupleBackgroundColor = rgb(192, 191, 178);

// Which pulses the position labels name.
enum class LabelledPulses : uint8_t { Placed, Found };

// Axes of a strip: a vertical line at x from top to bottom and a horizontal one across the middle.
void drawStripAxes(Canvas& canvas, int32_t x, int32_t top, int32_t right, int32_t bottom);

// The noisy series in blue, from the middle line at the left through every sample; it ends at the
// last sample.
void drawSeriesCurve(Canvas& canvas, const Rect& strip, int32_t amplitude, const SeriesHeader& series);

// Each placed (found) pulse as its whole etalon at its position, from the middle line and back to it.
void drawPlacedPulses(Canvas& canvas, const Rect& strip, int32_t amplitude, const SeriesHeader& series);
void drawFoundPulses(Canvas& canvas, const Rect& strip, int32_t amplitude, const SeriesHeader& series);

// Each placed pulse drawn over its kept samples only, from and back to the middle line.
void drawCutOffPlacedPulses(Canvas& canvas, const Rect& strip, int32_t amplitude, const SeriesHeader& series);

// A checkered hatch of black dots between the middle line and the kept part of each placed pulse.
// The checker phase flips at every column and runs on from one pulse to the next.
void drawPlacedPulsesShading(Canvas& canvas, const Rect& strip, int32_t amplitude,
                             const SeriesHeader& series);

// The room under a strip that its position labels may take: `rows` text lines `lineHeight` apart
// (0: the canvas' line height), starting at row B - 1, and no column at or right of `right`.
struct LabelBand {
    int32_t rows = std::numeric_limits<int32_t>::max();
    int32_t lineHeight = 0;
    int32_t right = std::numeric_limits<int32_t>::max();
    // What the labels add to each position they name: a stretch of a longer series names its
    // pulses by their place in the whole.
    int64_t firstPosition = 0;
};

struct PositionLabel {
    std::string text;
    Point at;  // the text cell's top left corner
};

struct PositionLabelLayout {
    std::vector<PositionLabel> labels;
    int32_t rowsUsed = 0;  // text lines the labels take
    int32_t leftOut = 0;   // labels that found no room in the band
};

// Where the labels of the list go. Each pulse's label (its position, its etalon letter when
// `letters` is set, and "[first..last] " when the series type is a cut-off one) stands at
// (column of its position - 5, B - 1), moved left as far as it must to end before the band's
// right; a label that would run into one already placed goes one text line lower, as many lines
// as it takes, keeping a blank's width from its neighbours. A label that finds no line within the
// band is left out.
PositionLabelLayout layOutPositionLabels(const Canvas& canvas, const Rect& strip, uint16_t seriesType,
                                         LabelledPulses which, bool letters, const SeriesHeader& series,
                                         const LabelBand& band = {});

// Draws the labels of the list where `layOutPositionLabels` puts them; no label is drawn over
// another. The number of labels left out for want of room.
int32_t drawPositionLabels(Canvas& canvas, const Rect& strip, uint16_t seriesType, LabelledPulses which,
                           bool letters, const SeriesHeader& series, const LabelBand& band = {});

// Dotted frames of found pulses: around the pulse length from the middle line up to a third of
// the strip height, with two more dotted columns at the first and last etalon sample processing used.
void drawFoundPulseFrames(Canvas& canvas, const SeriesHeader& series, const Rect& strip);

// Dotted frames of found tuples, from the first pulse's position to the end of the last pulse,
// widened by up to two pixels on each side within the strip, up to 3/8 of the strip height.
void drawFoundTupleFrames(Canvas& canvas, const SeriesHeader& series, const Rect& strip);

// The same span of each found tuple filled in the tuple background colour, 3/8 of the strip
// height above and below the middle line.
void drawFoundTupleBackground(Canvas& canvas, const SeriesHeader& series, const Rect& strip);

}  // namespace tessaline
