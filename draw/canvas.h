#pragma once
// The drawing surface every element and view paints on. It offers the small set of services a
// picture of series, etalons, buttons and reports needs, with the semantics of a classic raster
// device context:
// - coordinates are pixels of the window's client area, y growing downwards;
// - a line from the current position to (x, y) covers its start pixel but not its end pixel, and
//   (x, y) becomes the current position;
// - a rectangle (left, top, right, bottom) covers the columns left .. right - 1 and the rows
//   top .. bottom - 1: `rectangle` outlines that area with the pen and fills its inside with the
//   brush, `fillRect` fills it with a colour and draws no outline;
// - an ellipse is inscribed in the same area, outlined with the pen and filled with the brush;
// - all pens are one pixel wide, solid or dotted (every other pixel);
// - text is UTF-8 and drawn with its cell's top left corner at the point given, over an opaque
//   background box in the background colour or over nothing (transparent mode).
// Selecting a pen, brush or font returns the previous one so that a drawing operation can put the
// caller's back when it is done.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/geometry.h"
#include "platform/image.h"

namespace tessaline {

struct Color {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    friend bool operator==(const Color&, const Color&) = default;
};

inline constexpr Color rgb(uint8_t red, uint8_t green, uint8_t blue) noexcept {
    return Color{red, green, blue};
}

// The 0x00RRGGBB form the window image stores.
inline constexpr uint32_t packedRgb(Color c) noexcept {
    return (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | uint32_t{c.blue};
}

inline constexpr Color kBlack = rgb(0, 0, 0);
inline constexpr Color kWhite = rgb(255, 255, 255);

enum class PenStyle : uint8_t { Solid, Dotted, None };

struct Pen {
    Color color = kBlack;
    PenStyle style = PenStyle::Solid;

    friend bool operator==(const Pen&, const Pen&) = default;
};

struct Brush {
    Color color = kWhite;
    bool hollow = false;  // a hollow brush fills nothing

    friend bool operator==(const Brush&, const Brush&) = default;
};

enum class BackgroundMode : uint8_t { Transparent, Opaque };

// A font: the window's own font (a variable-pitch sans), a face by name and cell height in pixels,
// or the symbol font, whose Latin letters stand for Greek ones (s for sigma, S for Sigma, ...).
struct Font {
    enum class Kind : uint8_t { Window, Face, Symbol };
    Kind kind = Kind::Window;
    std::string face;    // Face only
    int32_t height = 0;  // cell height in pixels; 0 keeps the kind's usual height

    friend bool operator==(const Font&, const Font&) = default;
};

struct FontMetrics {
    int32_t height = 0;            // ascent + descent
    int32_t externalLeading = 0;   // extra space the font asks for between lines
    int32_t averageCharWidth = 0;  // width of a typical lower-case character
};

struct TextExtent {
    int32_t cx = 0;
    int32_t cy = 0;
};

class Canvas {
public:
    virtual ~Canvas() = default;

    virtual Pen selectPen(const Pen& pen) = 0;
    virtual Brush selectBrush(const Brush& brush) = 0;
    virtual Font selectFont(const Font& font) = 0;
    virtual Color setTextColor(Color color) = 0;
    virtual Color setBackgroundColor(Color color) = 0;
    virtual BackgroundMode setBackgroundMode(BackgroundMode mode) = 0;
    virtual Color backgroundColor() const = 0;

    virtual void moveTo(int32_t x, int32_t y) = 0;
    virtual void lineTo(int32_t x, int32_t y) = 0;
    virtual Point currentPosition() const = 0;
    // Lines through the points in order, as moveTo(first) and lineTo(each next); the current
    // position is left where it was.
    virtual void polyline(std::span<const Point> points) = 0;
    virtual void rectangle(const Rect& area) = 0;
    virtual void ellipse(const Rect& area) = 0;
    virtual void fillRect(const Rect& area, Color color) = 0;
    virtual void setPixel(int32_t x, int32_t y, Color color) = 0;
    // Copies a picture with its top left corner at `at`; by default a pixel at a time.
    virtual void drawPicture(Point at, const WindowImage& picture);

    virtual void textOut(int32_t x, int32_t y, std::string_view text) = 0;
    virtual TextExtent textExtent(std::string_view text) const = 0;
    virtual FontMetrics fontMetrics() const = 0;
};

// The text line height of the selected font: its height plus its external leading, minus 1.
inline int32_t lineHeightOf(const Canvas& canvas) {
    const FontMetrics metrics = canvas.fontMetrics();
    return metrics.height + metrics.externalLeading - 1;
}

// Selects a pen (brush, font) for the lifetime of the guard and puts the previous one back.
class PenGuard {
public:
    PenGuard(Canvas& canvas, const Pen& pen) : canvas_(canvas), previous_(canvas.selectPen(pen)) {}
    ~PenGuard() { canvas_.selectPen(previous_); }
    PenGuard(const PenGuard&) = delete;
    PenGuard& operator=(const PenGuard&) = delete;

private:
    Canvas& canvas_;
    Pen previous_;
};

class BrushGuard {
public:
    BrushGuard(Canvas& canvas, const Brush& brush) : canvas_(canvas), previous_(canvas.selectBrush(brush)) {}
    ~BrushGuard() { canvas_.selectBrush(previous_); }
    BrushGuard(const BrushGuard&) = delete;
    BrushGuard& operator=(const BrushGuard&) = delete;

private:
    Canvas& canvas_;
    Brush previous_;
};

class FontGuard {
public:
    FontGuard(Canvas& canvas, const Font& font) : canvas_(canvas), previous_(canvas.selectFont(font)) {}
    ~FontGuard() { canvas_.selectFont(previous_); }
    FontGuard(const FontGuard&) = delete;
    FontGuard& operator=(const FontGuard&) = delete;

private:
    Canvas& canvas_;
    Font previous_;
};

}  // namespace tessaline
