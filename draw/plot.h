#pragma once
// Small pieces the series strips, the thumbnails and the alphabet cells share: axes, outlines,
// dotted lines, the curve of an etalon in a box, and pixel values kept in range.
#include <cstdint>
#include <span>
#include <vector>

#include "draw/canvas.h"
#include "model/records.h"

namespace tessaline {

// A pixel coordinate from a wide intermediate value, held to a range no drawing reaches, so that
// absurd inputs give a wrong picture rather than an overflow.
int32_t toPixel(int64_t value) noexcept;

// A vertical axis from (x, top) to (x, bottom) and a horizontal one across the middle, from
// (x, top + (bottom - top) / 2) to (right, the same row).
void drawAxes(Canvas& canvas, int32_t x, int32_t top, int32_t right, int32_t bottom);

// An outline w x h at (x, y) as one pen path: down to (x, y + h), across to (x + w, y + h), up to
// (x + w, y) and back to (x, y); it covers the columns x .. x + w and the rows y .. y + h.
void drawOutline(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h);

// Black dots every other pixel: a row from x1 to x2 (both included when x2 - x1 is even) and a
// column from the middle row up and down while the distance from it stays below `limit`. The
// column gives back the distance it reached, where the frame's top and bottom edges go.
void drawDottedRow(Canvas& canvas, int32_t x1, int32_t x2, int32_t y);
int32_t drawDottedColumn(Canvas& canvas, int32_t x, int32_t middle, int32_t limit);

// The polyline moved by (dx, dy); nothing for no points.
void drawShiftedPolyline(Canvas& canvas, std::span<const Point> points, int32_t dx, int32_t dy);

// A box for an etalon curve: left x, top y, width w, height h.
struct CurveBox {
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
};

// The curve of an etalon in a box for values -A .. +A: from the middle line at the left, through
// sample i of n at (x + i w / (n - 1), y + h - (A + v) h / (2A)), back to the middle line at the
// last sample's column. Empty for an etalon without data or shorter than two samples, and for an
// amplitude below 1, whose scales would divide by zero.
std::vector<Point> etalonCurve(const PulseHeader& etalon, const CurveBox& box, int32_t amplitude);

}  // namespace tessaline
