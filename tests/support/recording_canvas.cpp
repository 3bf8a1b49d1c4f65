#include "tests/support/recording_canvas.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace tessaline {
namespace {

Rect normalised(const Rect& area) {
    return {std::min(area.left, area.right), std::min(area.top, area.bottom), std::max(area.left, area.right),
            std::max(area.top, area.bottom)};
}

std::size_t characters(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

RecordingCanvas::RecordingCanvas(int32_t width, int32_t height, FontMetrics metrics) : metrics_(metrics) {
    image_.width = width;
    image_.height = height;
    image_.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), UNTOUCHED);
}

void RecordingCanvas::record(CanvasCall call) {
    call.pen = pen_;
    call.brush = brush_;
    calls_.push_back(std::move(call));
}

Pen RecordingCanvas::selectPen(const Pen& pen) {
    const Pen previous = std::exchange(pen_, pen);
    record({CanvasOp::SelectPen, {}, {}, {}, pen.color, {}});
    return previous;
}

Brush RecordingCanvas::selectBrush(const Brush& brush) {
    const Brush previous = std::exchange(brush_, brush);
    record({CanvasOp::SelectBrush, {}, {}, {}, brush.color, {}});
    return previous;
}

Font RecordingCanvas::selectFont(const Font& font) {
    const Font previous = std::exchange(font_, font);
    record({CanvasOp::SelectFont, {}, {}, {}, {}, font.face});
    return previous;
}

Color RecordingCanvas::setTextColor(Color color) {
    record({CanvasOp::SetTextColor, {}, {}, {}, color, {}});
    return std::exchange(textColor_, color);
}

Color RecordingCanvas::setBackgroundColor(Color color) {
    record({CanvasOp::SetBackgroundColor, {}, {}, {}, color, {}});
    return std::exchange(background_, color);
}

BackgroundMode RecordingCanvas::setBackgroundMode(BackgroundMode mode) {
    record({CanvasOp::SetBackgroundMode, {}, {}, {}, {}, {}});
    return std::exchange(mode_, mode);
}

void RecordingCanvas::moveTo(int32_t x, int32_t y) {
    record({CanvasOp::MoveTo, {{x, y}}, {}, {}, {}, {}});
    position_ = {x, y};
}

void RecordingCanvas::lineTo(int32_t x, int32_t y) {
    record({CanvasOp::LineTo, {position_, {x, y}}, {}, {}, pen_.color, {}});
    rasterLine(position_, {x, y});
    position_ = {x, y};
}

void RecordingCanvas::polyline(std::span<const Point> points) {
    record({CanvasOp::Polyline, {points.begin(), points.end()}, {}, {}, pen_.color, {}});
    for (std::size_t i = 1; i < points.size(); ++i) rasterLine(points[i - 1], points[i]);
}

void RecordingCanvas::rectangle(const Rect& area) {
    record({CanvasOp::Rectangle, {{area.left, area.top}, {area.right, area.bottom}}, {}, {}, pen_.color, {}});
    const Rect r = normalised(area);
    if (r.right <= r.left || r.bottom <= r.top) return;
    const bool outlined = pen_.style != PenStyle::None;
    if (!brush_.hollow) {
        const int32_t inset = outlined ? 1 : 0;
        fillArea({r.left + inset, r.top + inset, r.right - inset, r.bottom - inset}, brush_.color);
    }
    if (!outlined) return;
    const Point corners[] = {{r.left, r.top},
                             {r.right - 1, r.top},
                             {r.right - 1, r.bottom - 1},
                             {r.left, r.bottom - 1},
                             {r.left, r.top}};
    for (int i = 0; i < 4; ++i) rasterLine(corners[i], corners[i + 1]);
    plot(r.left, r.top, pen_.color);  // a one-pixel rectangle has no line to cover it
}

void RecordingCanvas::ellipse(const Rect& area) {
    record({CanvasOp::Ellipse, {{area.left, area.top}, {area.right, area.bottom}}, {}, {}, brush_.color, {}});
    const Rect r = normalised(area);
    const double a = (r.right - r.left) / 2.0;
    const double b = (r.bottom - r.top) / 2.0;
    if (a <= 0 || b <= 0) return;
    const auto inside = [&](int32_t x, int32_t y) {
        const double dx = (x + 0.5 - (r.left + a)) / a;
        const double dy = (y + 0.5 - (r.top + b)) / b;
        return dx * dx + dy * dy <= 1.0;
    };
    for (int32_t y = r.top; y < r.bottom; ++y) {
        for (int32_t x = r.left; x < r.right; ++x) {
            if (!inside(x, y)) continue;
            const bool edge =
                !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
            if (edge && pen_.style != PenStyle::None) {
                plot(x, y, pen_.color);
            } else if (!brush_.hollow) {
                plot(x, y, brush_.color);
            }
        }
    }
}

void RecordingCanvas::fillRect(const Rect& area, Color color) {
    record({CanvasOp::FillRect, {{area.left, area.top}, {area.right, area.bottom}}, {}, {}, color, {}});
    fillArea(normalised(area), color);
}

// Plots every pixel of the area (right and bottom excluded) a row at a time.
void RecordingCanvas::fillArea(const Rect& r, Color color) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    include(r.left, r.top);
    include(r.right - 1, r.bottom - 1);
    const Rect in{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, image_.width),
                  std::min(r.bottom, image_.height)};
    const int64_t all = int64_t{r.right - r.left} * (r.bottom - r.top);
    const int64_t inside =
        in.right > in.left && in.bottom > in.top ? int64_t{in.right - in.left} * (in.bottom - in.top) : 0;
    outside_ += all - inside;
    for (int32_t y = in.top; y < in.bottom && inside > 0; ++y) {
        const auto row = image_.pixels.begin() + static_cast<std::ptrdiff_t>(y) * image_.width;
        std::fill(row + in.left, row + in.right, packedRgb(color));
    }
}

void RecordingCanvas::setPixel(int32_t x, int32_t y, Color color) {
    record({CanvasOp::SetPixel, {{x, y}}, {}, {}, color, {}});
    plot(x, y, color);
}

void RecordingCanvas::textOut(int32_t x, int32_t y, std::string_view text) {
    record({CanvasOp::TextOut, {{x, y}}, {}, {}, textColor_, std::string(text)});
    const TextExtent extent = textExtent(text);
    if (extent.cx <= 0) return;
    include(x, y);
    include(x + extent.cx - 1, y + extent.cy - 1);
    if (mode_ != BackgroundMode::Opaque) return;
    for (int32_t row = y; row < y + extent.cy; ++row) {
        for (int32_t column = x; column < x + extent.cx; ++column) plot(column, row, background_);
    }
}

TextExtent RecordingCanvas::textExtent(std::string_view text) const {
    const FontMetrics metrics = fontMetrics();
    return {static_cast<int32_t>(characters(text)) * metrics.averageCharWidth, metrics.height};
}

FontMetrics RecordingCanvas::fontMetrics() const {
    FontMetrics metrics = metrics_;
    if (font_.height > 0) metrics.height = font_.height;
    return metrics;
}

std::vector<CanvasCall> RecordingCanvas::callsOf(CanvasOp op) const {
    std::vector<CanvasCall> found;
    std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(found),
                 [op](const CanvasCall& call) { return call.op == op; });
    return found;
}

std::vector<std::string> RecordingCanvas::texts() const {
    std::vector<std::string> found;
    for (const CanvasCall& call : calls_) {
        if (call.op == CanvasOp::TextOut) found.push_back(call.text);
    }
    return found;
}

const CanvasCall* RecordingCanvas::findText(std::string_view part) const {
    for (const CanvasCall& call : calls_) {
        if (call.op == CanvasOp::TextOut && call.text.find(part) != std::string::npos) return &call;
    }
    return nullptr;
}

uint32_t RecordingCanvas::pixel(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) return UNTOUCHED;
    return image_.pixel(x, y);
}

std::vector<int32_t> RecordingCanvas::touchedRowsOfColumn(int32_t x, int32_t top, int32_t bottom) const {
    std::vector<int32_t> rows;
    for (int32_t y = top; y <= bottom; ++y) {
        if (touched(x, y)) rows.push_back(y);
    }
    return rows;
}

std::vector<int32_t> RecordingCanvas::touchedColumnsOfRow(int32_t y, int32_t left, int32_t right) const {
    std::vector<int32_t> columns;
    for (int32_t x = left; x <= right; ++x) {
        if (touched(x, y)) columns.push_back(x);
    }
    return columns;
}

Rect RecordingCanvas::drawnBounds() const { return anyDrawn_ ? bounds_ : Rect{}; }

void RecordingCanvas::clear() {
    calls_.clear();
    std::fill(image_.pixels.begin(), image_.pixels.end(), UNTOUCHED);
    outside_ = 0;
    anyDrawn_ = false;
    bounds_ = {};
}

void RecordingCanvas::include(int32_t x, int32_t y) {
    if (!anyDrawn_) {
        bounds_ = {x, y, x, y};
        anyDrawn_ = true;
        return;
    }
    bounds_ = {std::min(bounds_.left, x), std::min(bounds_.top, y), std::max(bounds_.right, x),
               std::max(bounds_.bottom, y)};
}

void RecordingCanvas::plot(int32_t x, int32_t y, Color color) {
    include(x, y);
    if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) {
        ++outside_;
        return;
    }
    image_.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image_.width) +
                  static_cast<std::size_t>(x)] = packedRgb(color);
}

// Bresenham's line from `from` to `to`, the end pixel left out; a dotted pen sets every other one.
void RecordingCanvas::rasterLine(Point from, Point to) {
    if (pen_.style == PenStyle::None) return;
    const int64_t dx = std::abs(int64_t{to.x} - from.x);
    const int64_t dy = -std::abs(int64_t{to.y} - from.y);
    const int32_t sx = from.x < to.x ? 1 : -1;
    const int32_t sy = from.y < to.y ? 1 : -1;
    int64_t error = dx + dy;
    Point p = from;
    for (int64_t step = 0; p.x != to.x || p.y != to.y; ++step) {
        if (pen_.style == PenStyle::Solid || step % 2 == 0) plot(p.x, p.y, pen_.color);
        const int64_t twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            p.x += sx;
        }
        if (twice <= dx) {
            error += dx;
            p.y += sy;
        }
    }
}

}  // namespace tessaline
