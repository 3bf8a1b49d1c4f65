#include "draw/plot.h"

#include <algorithm>

namespace tessaline {
namespace {

constexpr int64_t PIXEL_RANGE = int64_t{1} << 30;

}  // namespace

int32_t toPixel(int64_t value) noexcept {
    return static_cast<int32_t>(std::clamp(value, -PIXEL_RANGE, PIXEL_RANGE));
}

void drawAxes(Canvas& canvas, int32_t x, int32_t top, int32_t right, int32_t bottom) {
    canvas.moveTo(x, top);
    canvas.lineTo(x, bottom);
    const int32_t middle = toPixel(int64_t{top} + (int64_t{bottom} - top) / 2);
    canvas.moveTo(x, middle);
    canvas.lineTo(right, middle);
}

void drawOutline(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h) {
    const int32_t right = toPixel(int64_t{x} + w);
    const int32_t bottom = toPixel(int64_t{y} + h);
    const Point path[] = {{x, y}, {x, bottom}, {right, bottom}, {right, y}, {x, y}};
    canvas.polyline(path);
}

void drawDottedRow(Canvas& canvas, int32_t x1, int32_t x2, int32_t y) {
    for (int64_t x = x1; x <= x2; x += 2) canvas.setPixel(static_cast<int32_t>(x), y, kBlack);
}

int32_t drawDottedColumn(Canvas& canvas, int32_t x, int32_t middle, int32_t limit) {
    int32_t step = 0;
    for (; step < limit; step += 2) {
        canvas.setPixel(x, toPixel(int64_t{middle} - step), kBlack);
        canvas.setPixel(x, toPixel(int64_t{middle} + step), kBlack);
    }
    return step;
}

void drawShiftedPolyline(Canvas& canvas, std::span<const Point> points, int32_t dx, int32_t dy) {
    if (points.empty()) return;
    std::vector<Point> shifted(points.begin(), points.end());
    for (Point& point : shifted) {
        point.x = toPixel(int64_t{point.x} + dx);
        point.y = toPixel(int64_t{point.y} + dy);
    }
    canvas.polyline(shifted);
}

std::vector<Point> etalonCurve(const PulseHeader& etalon, const CurveBox& box, int32_t amplitude) {
    const int64_t n = etalon.lpData != nullptr ? std::min(etalon.wSize, etalon.wReservedSize) : 0;
    if (n < 2 || amplitude < 1) return {};
    const int64_t A = amplitude;
    const int32_t middle = toPixel(int64_t{box.y} + box.h / 2);
    std::vector<Point> points;
    points.reserve(static_cast<std::size_t>(n) + 2);
    points.push_back({box.x, middle});
    int32_t x = box.x;
    for (int64_t i = 0; i < n; ++i) {
        x = toPixel(box.x + i * box.w / (n - 1));
        const int32_t y = toPixel(int64_t{box.y} + box.h - (A + etalon.lpData[i]) * box.h / (2 * A));
        points.push_back({x, y});
    }
    points.push_back({x, middle});
    return points;
}

}  // namespace tessaline
