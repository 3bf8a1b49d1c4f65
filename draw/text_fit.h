#pragma once
// Text kept within a width: a view whose lines can be longer than the room beside its boxes writes
// as much of each line as fits rather than writing over the box.
#include <cstdint>
#include <string_view>

#include "draw/canvas.h"

namespace tessaline {

// The longest beginning of `text` whose extent in the selected font is at most `width` pixels,
// cut between characters (never inside a UTF-8 sequence); empty when the width is below 1.
std::string_view fittedText(const Canvas& canvas, std::string_view text, int32_t width);

// Writes as much of `text` at (x, y) as ends at or before column `right` (excluded).
void textOutWithin(Canvas& canvas, int32_t x, int32_t y, std::string_view text, int32_t right);

}  // namespace tessaline
