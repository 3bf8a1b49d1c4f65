#pragma once
// A canvas for the drawing tests: it records every call with the pen, brush and colours in effect,
// and rasterises lines, rectangles, ellipses, fills and pixels into a pixel grid with the canvas'
// semantics (line end pixel excluded, rectangle right and bottom excluded, dotted pens every other
// pixel), so that tests can check both what was asked and where it landed. Text is measured with
// a fixed width per character; an opaque text box is filled with the background colour.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "draw/canvas.h"
#include "platform/image.h"

namespace tessaline {

enum class CanvasOp : uint8_t {
    SelectPen,
    SelectBrush,
    SelectFont,
    SetTextColor,
    SetBackgroundColor,
    SetBackgroundMode,
    MoveTo,
    LineTo,
    Polyline,
    Rectangle,
    Ellipse,
    FillRect,
    SetPixel,
    TextOut
};

struct CanvasCall {
    CanvasOp op = CanvasOp::MoveTo;
    std::vector<Point>
        points;   // line: from, to; polyline: all; rectangle, ellipse, fill: corners; text, pixel: at
    Pen pen;      // in effect for the call (the new one for SelectPen)
    Brush brush;  // in effect for the call (the new one for SelectBrush)
    Color color;  // pixel and fill colour, text colour for text, the new colour for the setters
    std::string text;
};

class RecordingCanvas final : public Canvas {
public:
    static constexpr uint32_t UNTOUCHED = 0xFF000000u;

    // A grid of width x height pixels; the font measures `metrics` (its width per character too).
    RecordingCanvas(int32_t width, int32_t height, FontMetrics metrics = {16, 0, 7});

    Pen selectPen(const Pen& pen) override;
    Brush selectBrush(const Brush& brush) override;
    Font selectFont(const Font& font) override;
    Color setTextColor(Color color) override;
    Color setBackgroundColor(Color color) override;
    BackgroundMode setBackgroundMode(BackgroundMode mode) override;
    Color backgroundColor() const override { return background_; }

    void moveTo(int32_t x, int32_t y) override;
    void lineTo(int32_t x, int32_t y) override;
    Point currentPosition() const override { return position_; }
    void polyline(std::span<const Point> points) override;
    void rectangle(const Rect& area) override;
    void ellipse(const Rect& area) override;
    void fillRect(const Rect& area, Color color) override;
    void setPixel(int32_t x, int32_t y, Color color) override;

    void textOut(int32_t x, int32_t y, std::string_view text) override;
    TextExtent textExtent(std::string_view text) const override;
    FontMetrics fontMetrics() const override;

    const std::vector<CanvasCall>& calls() const { return calls_; }
    std::vector<CanvasCall> callsOf(CanvasOp op) const;
    std::vector<std::string> texts() const;
    // The first text call whose text contains `part`; null when none does.
    const CanvasCall* findText(std::string_view part) const;
    Pen pen() const { return pen_; }
    Brush brush() const { return brush_; }
    Font font() const { return font_; }

    int32_t width() const { return image_.width; }
    int32_t height() const { return image_.height; }
    // 0x00RRGGBB of the pixel, UNTOUCHED when nothing was drawn there or outside the grid.
    uint32_t pixel(int32_t x, int32_t y) const;
    bool touched(int32_t x, int32_t y) const { return pixel(x, y) != UNTOUCHED; }
    bool hasColor(int32_t x, int32_t y, Color color) const { return pixel(x, y) == packedRgb(color); }
    // Touched pixels of a column (row) between two rows (columns), both included.
    std::vector<int32_t> touchedRowsOfColumn(int32_t x, int32_t top, int32_t bottom) const;
    std::vector<int32_t> touchedColumnsOfRow(int32_t y, int32_t left, int32_t right) const;
    // Pixels a drawing call meant to touch outside the grid.
    int64_t pixelsOutside() const { return outside_; }
    // The least rectangle (right and bottom included) holding every touched pixel and every text
    // box; all zero when nothing was drawn.
    Rect drawnBounds() const;
    // Forgets the calls and clears the grid.
    void clear();

private:
    void record(CanvasCall call);
    void plot(int32_t x, int32_t y, Color color);
    void fillArea(const Rect& area, Color color);
    void rasterLine(Point from, Point to);
    void include(int32_t x, int32_t y);

    WindowImage image_;
    FontMetrics metrics_;
    std::vector<CanvasCall> calls_;
    Pen pen_;
    Brush brush_;
    Font font_;
    Color textColor_ = kBlack;
    Color background_ = kWhite;
    BackgroundMode mode_ = BackgroundMode::Opaque;
    Point position_;
    int64_t outside_ = 0;
    bool anyDrawn_ = false;
    Rect bounds_;
};

}  // namespace tessaline
