#pragma once
// The picture of a detection on samples read from files: a title line, the series with the found
// pulses framed, and below it the found pulses as their etalons with their positions, drawn with
// the result view's strip elements.
#include <string_view>

#include "draw/canvas.h"
#include "model/records.h"

namespace tessaline {

// Draws into `area` (right and bottom excluded): the title at the top, then the two strips, which
// share the scale of the largest magnitude among the series and the found pulses' etalons. An area
// too small for the strips gets the title only. The found pulses' etalons are looked up in the
// series' etalon list. The labels name the found pulses' positions plus `firstPosition` (the
// place of the series' first sample in a longer one).
void drawDetectionPicture(Canvas& canvas, const Rect& area, const SeriesHeader& series, uint16_t seriesType,
                          std::string_view title, int64_t firstPosition = 0);

}  // namespace tessaline
