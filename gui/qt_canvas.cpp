#include "gui/qt_canvas.h"

#include <QFontMetrics>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <optional>

namespace tessaline {
namespace {

// Nothing is drawn from coordinates beyond this box as given: a line reaching out of it is cut at
// its edge first and rectangles are clamped to it. That keeps the step arithmetic of lines and
// Qt's own fixed-point arithmetic far from overflow, and changes nothing within sight of a window.
constexpr int64_t kCoordinateLimit = int64_t{1} << 20;
// A cell height beyond this is taken as this (a font fitted to it is still far larger than any window).
constexpr int32_t kLargestCellHeight = 1024;

// The symbol encoding's Greek letters for 'a' .. 'z' and 'A' .. 'Z'.
constexpr char16_t kGreekSmall[26] = {u'α', u'β', u'χ', u'δ', u'ε', u'φ', u'γ', u'η', u'ι',
                                      u'ϕ', u'κ', u'λ', u'μ', u'ν', u'ο', u'π', u'θ', u'ρ',
                                      u'σ', u'τ', u'υ', u'ϖ', u'ω', u'ξ', u'ψ', u'ζ'};
constexpr char16_t kGreekCapital[26] = {u'Α', u'Β', u'Χ', u'Δ', u'Ε', u'Φ', u'Γ', u'Η', u'Ι',
                                        u'ϑ', u'Κ', u'Λ', u'Μ', u'Ν', u'Ο', u'Π', u'Θ', u'Ρ',
                                        u'Σ', u'Τ', u'Υ', u'ς', u'Ω', u'Ξ', u'Ψ', u'Ζ'};

QColor qtColor(Color c) { return QColor(c.red, c.green, c.blue); }

// The pen of an ellipse's outline (lines are set pixel by pixel, see segmentPixels).
QPen outlinePen(const Pen& pen) {
    if (pen.style == PenStyle::None) return QPen(Qt::NoPen);
    QPen result(qtColor(pen.color));
    result.setWidth(0);  // cosmetic: one pixel whatever the transformation
    if (pen.style == PenStyle::Dotted) result.setDashPattern({1.0, 1.0});
    return result;
}

QBrush qtBrush(const Brush& brush) {
    return brush.hollow ? QBrush(Qt::NoBrush) : QBrush(qtColor(brush.color));
}

// The area as a Qt rectangle of its width x height pixels, or none when it covers no pixel. Its
// edges are kept inside the coordinate box, which changes nothing that can be seen.
std::optional<QRect> areaRect(const Rect& area) {
    const int64_t left = std::clamp<int64_t>(area.left, -kCoordinateLimit, kCoordinateLimit);
    const int64_t top = std::clamp<int64_t>(area.top, -kCoordinateLimit, kCoordinateLimit);
    const int64_t right = std::clamp<int64_t>(area.right, -kCoordinateLimit, kCoordinateLimit);
    const int64_t bottom = std::clamp<int64_t>(area.bottom, -kCoordinateLimit, kCoordinateLimit);
    if (right <= left || bottom <= top) return std::nullopt;
    return QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                 static_cast<int>(bottom - top));
}

// delta x i / steps rounded to the nearest whole number, halves away from zero (steps > 0).
int64_t roundedShare(int64_t delta, int64_t i, int64_t steps) {
    const int64_t twice = 2 * std::abs(delta) * i + steps;
    const int64_t share = twice / (2 * steps);
    return delta < 0 ? -share : share;
}

bool insideBox(Point p) {
    return std::abs(int64_t{p.x}) <= kCoordinateLimit && std::abs(int64_t{p.y}) <= kCoordinateLimit;
}

// The part of the segment inside the coordinate box (Liang-Barsky), or none when it misses it.
std::optional<QLineF> segmentInsideBox(Point from, Point to) {
    const double x0 = from.x, y0 = from.y;
    const double dx = static_cast<double>(to.x) - x0, dy = static_cast<double>(to.y) - y0;
    const double limit = static_cast<double>(kCoordinateLimit);
    double enter = 0.0, leave = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 + limit, limit - x0, y0 + limit, limit - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return std::nullopt;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            enter = std::max(enter, t);
        else
            leave = std::min(leave, t);
    }
    if (enter > leave) return std::nullopt;
    return QLineF(std::round(x0 + enter * dx), std::round(y0 + enter * dy), std::round(x0 + leave * dx),
                  std::round(y0 + leave * dy));
}

// The steps i of a line whose coordinate along its longer axis, start + i x direction, lies in
// low .. high, within 0 .. steps - 1: the only steps that can land in the picture.
std::pair<int64_t, int64_t> stepsWithin(int64_t start, int64_t direction, int64_t low, int64_t high,
                                        int64_t steps) {
    const int64_t first = direction > 0 ? low - start : start - high;
    const int64_t last = direction > 0 ? high - start : start - low;
    return {std::max<int64_t>(first, 0), std::min<int64_t>(last, steps - 1)};
}

// The pixels of the line from `from` to `to` that lie in `bounds`: one per step along the longer
// axis, the shorter axis rounded to the nearest pixel, the start pixel in and the end pixel out
// whatever the direction. Dotted: only the pixels at even steps from the start.
QList<QPoint> segmentPixels(Point from, Point to, bool dotted, const QRect& bounds) {
    const int64_t dx = int64_t{to.x} - from.x, dy = int64_t{to.y} - from.y;
    const int64_t steps = std::max(std::abs(dx), std::abs(dy));
    const bool alongX = std::abs(dx) >= std::abs(dy);
    auto [first, last] = alongX ? stepsWithin(from.x, dx, bounds.left(), bounds.right(), steps)
                                : stepsWithin(from.y, dy, bounds.top(), bounds.bottom(), steps);
    if (dotted && first % 2 != 0) ++first;
    QList<QPoint> pixels;
    for (int64_t i = first; i <= last; i += dotted ? 2 : 1) {
        const int64_t x = from.x + roundedShare(dx, i, steps);
        const int64_t y = from.y + roundedShare(dy, i, steps);
        if (y >= bounds.top() && y <= bounds.bottom() && x >= bounds.left() && x <= bounds.right()) {
            pixels.append(QPoint(static_cast<int>(x), static_cast<int>(y)));
        }
    }
    return pixels;
}

// A one-pixel pen that sets exactly the points it is given.
QPen pixelPen(Color color) {
    QPen pen(qtColor(color));
    pen.setWidth(0);
    pen.setCapStyle(Qt::SquareCap);
    return pen;
}

// The largest pixel size of `family` whose cell is no taller than `cellHeight`.
QFont fittedFont(const QString& family, int32_t cellHeight) {
    QFont font(family);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    if (cellHeight <= 0) {
        font.setPixelSize(WINDOW_FONT_PIXEL_SIZE);
        return font;
    }
    const int wanted = std::min(cellHeight, kLargestCellHeight);
    font.setPixelSize(wanted);
    // The cell grows about in proportion to the pixel size: start from the proportional guess.
    const int cell = QFontMetrics(font).height();
    int size = cell > wanted ? std::max(1, wanted * wanted / cell) : wanted;
    font.setPixelSize(size);
    while (size > 1 && QFontMetrics(font).height() > wanted) font.setPixelSize(--size);
    return font;
}

}  // namespace

QFont qtFontFor(const Font& font) {
    const bool named = font.kind == Font::Kind::Face && !font.face.empty();
    return fittedFont(named ? QString::fromStdString(font.face) : QString(WINDOW_FONT_FACE), font.height);
}

QString symbolFontText(std::string_view text) {
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    for (QChar& c : shown) {
        const char16_t u = c.unicode();
        if (u >= u'a' && u <= u'z')
            c = QChar(kGreekSmall[u - u'a']);
        else if (u >= u'A' && u <= u'Z')
            c = QChar(kGreekCapital[u - u'A']);
    }
    return shown;
}

QtCanvas::QtCanvas(int32_t width, int32_t height, double pixelRatio)
    : image_(static_cast<int>(std::ceil(std::max(width, 1) * std::max(pixelRatio, 1.0))),
             static_cast<int>(std::ceil(std::max(height, 1) * std::max(pixelRatio, 1.0))),
             QImage::Format_RGB32),
      area_(0, 0, std::max(width, 1), std::max(height, 1)),
      qtFont_(qtFontFor(font_)) {
    image_.setDevicePixelRatio(std::max(pixelRatio, 1.0));
    image_.fill(qtColor(WINDOW_BACKGROUND));
    painter_.begin(&image_);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
}

QtCanvas::~QtCanvas() { painter_.end(); }

Pen QtCanvas::selectPen(const Pen& pen) { return std::exchange(pen_, pen); }

Brush QtCanvas::selectBrush(const Brush& brush) { return std::exchange(brush_, brush); }

Font QtCanvas::selectFont(const Font& font) {
    if (!(font == font_)) qtFont_ = qtFontFor(font);
    return std::exchange(font_, font);
}

Color QtCanvas::setTextColor(Color color) { return std::exchange(textColor_, color); }

Color QtCanvas::setBackgroundColor(Color color) { return std::exchange(backgroundColor_, color); }

BackgroundMode QtCanvas::setBackgroundMode(BackgroundMode mode) {
    return std::exchange(backgroundMode_, mode);
}

void QtCanvas::moveTo(int32_t x, int32_t y) { position_ = {x, y}; }

void QtCanvas::lineTo(int32_t x, int32_t y) {
    drawSegment(position_, {x, y});
    position_ = {x, y};
}

void QtCanvas::polyline(std::span<const Point> points) {
    for (size_t i = 1; i < points.size(); ++i) drawSegment(points[i - 1], points[i]);
}

void QtCanvas::drawSegment(Point from, Point to) {
    if (pen_.style == PenStyle::None || from == to) return;
    if (!insideBox(from) || !insideBox(to)) {
        const std::optional<QLineF> part = segmentInsideBox(from, to);
        if (!part) return;
        from = {static_cast<int32_t>(part->x1()), static_cast<int32_t>(part->y1())};
        to = {static_cast<int32_t>(part->x2()), static_cast<int32_t>(part->y2())};
    }
    const QList<QPoint> pixels = segmentPixels(from, to, pen_.style == PenStyle::Dotted, area_);
    if (pixels.isEmpty()) return;
    if (image_.devicePixelRatio() > 1.0) {
        // A point would be one device pixel: each canvas pixel is filled whole instead.
        const QColor colour = qtColor(pen_.color);
        for (const QPoint& p : pixels) painter_.fillRect(QRect(p, QSize(1, 1)), colour);
        return;
    }
    painter_.setPen(pixelPen(pen_.color));
    painter_.drawPoints(pixels.constData(), static_cast<int>(pixels.size()));
}

void QtCanvas::rectangle(const Rect& area) {
    const std::optional<QRect> r = areaRect(area);
    if (!r) return;
    if (!brush_.hollow && r->width() > 2 && r->height() > 2)
        painter_.fillRect(r->adjusted(1, 1, -1, -1), qtColor(brush_.color));
    // The outline as four lines round the corners, each leaving out its end pixel, so that every
    // edge pixel is set once (a dotted outline starts its dots afresh at each corner).
    const Point corners[5] = {{r->left(), r->top()},
                              {r->right(), r->top()},
                              {r->right(), r->bottom()},
                              {r->left(), r->bottom()},
                              {r->left(), r->top()}};
    if (r->width() == 1 || r->height() == 1) {
        drawSegment(corners[0], corners[2]);
        if (pen_.style != PenStyle::None) setPixel(r->right(), r->bottom(), pen_.color);
        return;
    }
    polyline(corners);
}

void QtCanvas::ellipse(const Rect& area) {
    const std::optional<QRect> r = areaRect(area);
    if (!r) return;
    painter_.setPen(outlinePen(pen_));
    painter_.setBrush(qtBrush(brush_));
    // Qt's outline of a w x h rectangle covers w + 1 x h + 1 pixels.
    painter_.drawEllipse(r->adjusted(0, 0, -1, -1));
    painter_.setBrush(Qt::NoBrush);
}

void QtCanvas::fillRect(const Rect& area, Color color) {
    if (const std::optional<QRect> r = areaRect(area)) painter_.fillRect(*r, qtColor(color));
}

void QtCanvas::drawPicture(Point at, const WindowImage& picture) {
    if (!pixelsMatchSize(picture) || picture.width == 0 || picture.height == 0) return;
    // The pixels are 0x00RRGGBB rows, as a 32-bit RGB image holds them.
    const QImage image(reinterpret_cast<const uchar*>(picture.pixels.data()), picture.width, picture.height,
                       static_cast<qsizetype>(picture.width) * 4, QImage::Format_RGB32);
    painter_.drawImage(QPoint(at.x, at.y), image);
}

void QtCanvas::setPixel(int32_t x, int32_t y, Color color) {
    if (!area_.contains(x, y)) return;
    painter_.fillRect(QRect(x, y, 1, 1), qtColor(color));
}

QString QtCanvas::shownText(std::string_view text) const {
    if (font_.kind == Font::Kind::Symbol) return symbolFontText(text);
    if (translate_ != nullptr) return translate_(text);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void QtCanvas::textOut(int32_t x, int32_t y, std::string_view text) {
    if (!insideBox({x, y})) return;
    const QString shown = shownText(text);
    const QFontMetrics metrics(qtFont_, &image_);
    if (backgroundMode_ == BackgroundMode::Opaque) {
        painter_.fillRect(QRect(x, y, metrics.horizontalAdvance(shown), metrics.height()),
                          qtColor(backgroundColor_));
    }
    painter_.setFont(qtFont_);
    painter_.setPen(qtColor(textColor_));
    painter_.drawText(QPoint(x, y + metrics.ascent()), shown);
}

TextExtent QtCanvas::textExtent(std::string_view text) const {
    const QFontMetrics metrics(qtFont_, &image_);
    return TextExtent{metrics.horizontalAdvance(shownText(text)), metrics.height()};
}

FontMetrics QtCanvas::fontMetrics() const {
    const QFontMetrics metrics(qtFont_, &image_);
    return FontMetrics{metrics.height(), std::max(metrics.leading(), 0), metrics.averageCharWidth()};
}

}  // namespace tessaline
