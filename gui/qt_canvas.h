#pragma once
// The drawing surface on a Qt image (32-bit RGB, antialiasing off), with the pixel semantics of
// the canvas interface: a line leaves out its end pixel, a rectangle covers left .. right - 1 and
// top .. bottom - 1, an ellipse is inscribed in that area, a dotted pen sets every other pixel,
// text has its cell's top left corner at the point given.
//
// Fonts: the window font is DejaVu Sans at 14 pixels (a cell of 16 pixels, a line height of 15);
// a named face takes the largest pixel size whose cell fits the height asked for; the symbol
// font writes its Latin letters as the Greek letters they stand for, in DejaVu Sans.
//
// Qt's application object must exist before a canvas is made (see qt_application.h).
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

#include "draw/canvas.h"

namespace tessaline {

inline constexpr const char* WINDOW_FONT_FACE = "DejaVu Sans";
inline constexpr int WINDOW_FONT_PIXEL_SIZE = 14;
// The colour the window's client area is cleared to.
inline constexpr Color WINDOW_BACKGROUND = kWhite;

class QtCanvas final : public Canvas {
public:
    // A white image of width x height pixels (a size below 1 is taken as 1) in the classic
    // starting state: black solid pen, white brush, the window font, black text over an opaque
    // white box.
    // With a pixel ratio above 1 (a high-density screen) the image has that many device pixels per
    // pixel of the canvas: everything is laid out and drawn in the canvas's pixels, text sharper.
    QtCanvas(int32_t width, int32_t height, double pixelRatio = 1.0);
    ~QtCanvas() override;
    QtCanvas(const QtCanvas&) = delete;
    QtCanvas& operator=(const QtCanvas&) = delete;

    Pen selectPen(const Pen& pen) override;
    Brush selectBrush(const Brush& brush) override;
    Font selectFont(const Font& font) override;
    Color setTextColor(Color color) override;
    Color setBackgroundColor(Color color) override;
    BackgroundMode setBackgroundMode(BackgroundMode mode) override;
    Color backgroundColor() const override { return backgroundColor_; }

    void moveTo(int32_t x, int32_t y) override;
    void lineTo(int32_t x, int32_t y) override;
    Point currentPosition() const override { return position_; }
    void polyline(std::span<const Point> points) override;
    void rectangle(const Rect& area) override;
    void ellipse(const Rect& area) override;
    void fillRect(const Rect& area, Color color) override;
    void setPixel(int32_t x, int32_t y, Color color) override;
    void drawPicture(Point at, const WindowImage& picture) override;

    void textOut(int32_t x, int32_t y, std::string_view text) override;
    TextExtent textExtent(std::string_view text) const override;
    FontMetrics fontMetrics() const override;

    // The picture drawn so far.
    const QImage& image() const { return image_; }

    // Texts written in the window font or a named face pass through `translate` first (the window's
    // picture shows its translation's words); measured the same way. None by default: the command
    // line's pictures keep the workbench's own texts.
    using TextTranslation = QString (*)(std::string_view text);
    void setTextTranslation(TextTranslation translate) { translate_ = translate; }

private:
    void drawSegment(Point from, Point to);
    QString shownText(std::string_view text) const;

    QImage image_;
    QRect area_;  // the canvas's pixels
    QPainter painter_;
    Pen pen_;
    Brush brush_;
    Font font_;
    QFont qtFont_;
    Color textColor_ = kBlack;
    Color backgroundColor_ = kWhite;
    BackgroundMode backgroundMode_ = BackgroundMode::Opaque;
    Point position_;
    TextTranslation translate_ = nullptr;
};

// The Qt font that stands for `font`, sized for the canvas's pixels.
QFont qtFontFor(const Font& font);

// What the symbol font shows for UTF-8 `text`: each Latin letter becomes the Greek letter of the
// symbol encoding (a → α, s → σ, S → Σ, q → θ, j → ϕ, v → ϖ, J → ϑ, V → ς, ...); the rest is kept.
QString symbolFontText(std::string_view text);

}  // namespace tessaline
