#pragma once
// The measures the result views take from their graph area: its corner and size, and the first
// row of the view layout table (margins and thumbnail width in thousandths of the area).
#include <cstdint>

#include "draw/canvas.h"

namespace tessaline {

struct ViewFrame {
    int32_t x0 = 0;              // left
    int32_t y0 = 0;              // top
    int32_t right = 0;           // right column, included
    int32_t bottom = 0;          // bottom row, included
    int32_t W = 0;               // right - left + 1
    int32_t H = 0;               // bottom - top + 1
    int32_t leftMargin = 0;      // mL = 12 W / 1000
    int32_t topMargin = 0;       // mT = (15 H + 500) / 1000
    int32_t halfTopMargin = 0;   // m2 = (15 H + 1000) / 2000
    int32_t thumbnailWidth = 0;  // tw = 50 W / 1000
};

// The frame of a graph area given with its right column and bottom row included.
ViewFrame viewFrameOf(const Rect& graph) noexcept;

// The least even number of pixels not below `value`.
inline constexpr int32_t evenUp(int32_t value) noexcept { return value % 2 == 0 ? value : value + 1; }

// Outlines the area (right column and bottom row included) with the current pen, filling nothing.
void outlineArea(Canvas& canvas, const Rect& area);

}  // namespace tessaline
