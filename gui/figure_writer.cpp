#include "gui/figure_writer.h"

#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QPolygonF>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <functional>

#include "gui/qt_image.h"

namespace tessaline {
namespace {

constexpr double TITLE_ROOM = 34.0;
constexpr double BOTTOM_ROOM = 52.0;
constexpr double LEFT_ROOM = 72.0;
constexpr double GAP = 14.0;
constexpr double ENTRY_HEIGHT = 15.0;
constexpr double SAMPLE_WIDTH = 24.0;
constexpr double MARKER_RADIUS = 2.5;
constexpr double BAR_CAP = 3.0;
constexpr int PNG_PIXELS_PER_POINT = 2;

QFont figureFont(int pixels, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QColor colourOf(const FigureColour& colour) { return QColor(colour.red, colour.green, colour.blue); }

// Where the plotting area and the legend stand on the page.
struct FigureLayout {
    QRectF plot;
    QPointF legendTopLeft;
    int legendRows = 1;
    double entryWidth = 0.0;
};

FigureLayout layoutFigure(const StatsFigure& figure, QSizeF page) {
    const QFontMetricsF metrics(figureFont(11));
    double widest = 0.0;
    for (const FigureCurve& curve : figure.curves)
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(curve.label)));
    FigureLayout layout;
    const double plotHeight = page.height() - TITLE_ROOM - BOTTOM_ROOM;
    layout.legendRows = std::max(1, static_cast<int>((plotHeight - 8.0) / ENTRY_HEIGHT));
    const auto curves = static_cast<int>(figure.curves.size());
    const int columns = std::max(1, (curves + layout.legendRows - 1) / layout.legendRows);
    layout.entryWidth = SAMPLE_WIDTH + 8.0 + widest + GAP;
    const double legendWidth = columns * layout.entryWidth;
    const double plotWidth = std::max(page.width() * 0.4, page.width() - LEFT_ROOM - GAP - legendWidth);
    layout.plot = QRectF(LEFT_ROOM, TITLE_ROOM, plotWidth, plotHeight);
    layout.legendTopLeft = QPointF(layout.plot.right() + GAP, TITLE_ROOM + 4.0);
    return layout;
}

// The page position of a value on an axis running from `from` to `to` (page units).
double placed(double value, const FigureAxis& axis, double from, double to) {
    const double span = axis.most - axis.least;
    return from + (value - axis.least) / (span > 0.0 ? span : 1.0) * (to - from);
}

QPointF pointOf(double x, double y, const StatsFigure& figure, const QRectF& plot) {
    return {placed(x, figure.x, plot.left(), plot.right()), placed(y, figure.y, plot.bottom(), plot.top())};
}

// Every tick of an axis: least, least + step, ... up to most.
void forEachTick(const FigureAxis& axis, const std::function<void(double)>& at) {
    if (!(axis.step > 0.0)) return;
    for (int i = 0;; ++i) {
        const double value = std::round((axis.least + i * axis.step) / axis.step * 1e6) / 1e6 * axis.step;
        if (value > axis.most + axis.step * 1e-6 || i > 1000) break;
        at(value);
    }
}

QString tickText(double value) { return QString::number(value, 'g', 6); }

void paintAxes(QPainter& painter, const StatsFigure& figure, const QRectF& plot) {
    painter.setFont(figureFont(11));
    const QFontMetricsF metrics(painter.font());
    forEachTick(figure.x, [&](double value) {
        const double x = placed(value, figure.x, plot.left(), plot.right());
        painter.setPen(QPen(QColor(225, 225, 225), 0.8));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.setPen(QPen(Qt::black, 1.0));
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4.0));
        painter.drawText(QRectF(x - 40.0, plot.bottom() + 6.0, 80.0, metrics.height()), Qt::AlignHCenter,
                         tickText(value));
    });
    forEachTick(figure.y, [&](double value) {
        const double y = placed(value, figure.y, plot.bottom(), plot.top());
        painter.setPen(QPen(QColor(225, 225, 225), 0.8));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(QPen(Qt::black, 1.0));
        painter.drawLine(QPointF(plot.left() - 4.0, y), QPointF(plot.left(), y));
        painter.drawText(QRectF(0.0, y - metrics.height() / 2.0, plot.left() - 7.0, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, tickText(value));
    });
    painter.setPen(QPen(Qt::black, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
}

void paintTitles(QPainter& painter, const StatsFigure& figure, const QRectF& plot, QSizeF page) {
    painter.setPen(Qt::black);
    const QString title = QString::fromStdString(figure.title);
    const double room = page.width() - 16.0;
    int titlePixels = 13;  // the title line is made smaller until it fits the page's width
    while (titlePixels > 7 && QFontMetricsF(figureFont(titlePixels, true)).horizontalAdvance(title) > room)
        --titlePixels;
    painter.setFont(figureFont(titlePixels, true));
    painter.drawText(QRectF(8.0, 6.0, room, TITLE_ROOM - 8.0), Qt::AlignCenter, title);
    painter.setFont(figureFont(12));
    painter.drawText(QRectF(plot.left(), plot.bottom() + 24.0, plot.width(), 22.0), Qt::AlignCenter,
                     QString::fromStdString(figure.x.title));
    painter.save();
    painter.translate(14.0, plot.center().y());
    painter.rotate(-90.0);
    painter.drawText(QRectF(-plot.height() / 2.0, -10.0, plot.height(), 22.0), Qt::AlignCenter,
                     QString::fromStdString(figure.y.title));
    painter.restore();
}

QPen curvePen(const FigureCurve& curve) {
    QPen pen(colourOf(curve.colour), 1.6);
    if (curve.theoretical) pen.setStyle(Qt::DashLine);
    return pen;
}

// How far measured curve `index` of `count` is moved sideways so that the error bars of curves
// at the same noise level stand apart: a third of the room between two levels shared out.
double sidewaysShift(std::size_t index, std::size_t count, const StatsFigure& figure, const QRectF& plot) {
    if (count < 2 || figure.curves.empty()) return 0.0;
    const std::size_t levels = figure.curves.front().x.size();
    const double room = plot.width() / static_cast<double>(std::max<std::size_t>(levels, 2) - 1);
    const double each = std::min(3.0, room / 3.0 / static_cast<double>(count));
    return (static_cast<double>(index) - static_cast<double>(count - 1) / 2.0) * each;
}

void paintCurve(QPainter& painter, const FigureCurve& curve, const StatsFigure& figure, const QRectF& plot,
                double shift) {
    QPolygonF line;
    const QColor colour = colourOf(curve.colour);
    const QPointF sideways(shift, 0.0);
    for (std::size_t i = 0; i < curve.x.size() && i < curve.y.size(); ++i) {
        if (!std::isfinite(curve.y[i])) continue;
        const QPointF point = pointOf(curve.x[i], curve.y[i], figure, plot) + sideways;
        line.append(point);
        const double half = i < curve.halfWidth.size() ? curve.halfWidth[i] : 0.0;
        if (half > 0.0 && std::isfinite(half)) {
            const QPointF low = pointOf(curve.x[i], curve.y[i] - half, figure, plot) + sideways;
            const QPointF high = pointOf(curve.x[i], curve.y[i] + half, figure, plot) + sideways;
            painter.setPen(QPen(colour, 1.0));
            painter.drawLine(low, high);
            painter.drawLine(low - QPointF(BAR_CAP, 0.0), low + QPointF(BAR_CAP, 0.0));
            painter.drawLine(high - QPointF(BAR_CAP, 0.0), high + QPointF(BAR_CAP, 0.0));
        }
    }
    painter.setPen(curvePen(curve));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(line);
    if (curve.theoretical) return;
    painter.setBrush(colour);
    painter.setPen(Qt::NoPen);
    for (const QPointF& point : line) painter.drawEllipse(point, MARKER_RADIUS, MARKER_RADIUS);
}

void paintLegend(QPainter& painter, const StatsFigure& figure, const FigureLayout& layout) {
    painter.setFont(figureFont(11));
    for (std::size_t i = 0; i < figure.curves.size(); ++i) {
        const FigureCurve& curve = figure.curves[i];
        const int index = static_cast<int>(i);
        const int columnIndex = index / layout.legendRows;  // entries fill a column, then the next
        const auto row = static_cast<double>(index % layout.legendRows);
        const auto column = static_cast<double>(columnIndex);
        const QPointF left =
            layout.legendTopLeft + QPointF(column * layout.entryWidth, (row + 0.5) * ENTRY_HEIGHT);
        painter.setPen(curvePen(curve));
        painter.drawLine(left, left + QPointF(SAMPLE_WIDTH, 0.0));
        if (!curve.theoretical) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(colourOf(curve.colour));
            painter.drawEllipse(left + QPointF(SAMPLE_WIDTH / 2.0, 0.0), MARKER_RADIUS, MARKER_RADIUS);
        }
        painter.setPen(Qt::black);
        painter.drawText(QRectF(left.x() + SAMPLE_WIDTH + 6.0, left.y() - ENTRY_HEIGHT / 2.0,
                                layout.entryWidth - SAMPLE_WIDTH - 6.0, ENTRY_HEIGHT),
                         Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(curve.label));
    }
}

// Paints on `device` with page units scaled to its size; false when Qt could not start painting.
bool paintOn(QPaintDevice& device, const StatsFigure& figure, double scale) {
    QPainter painter;
    if (!painter.begin(&device)) return false;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    paintFigure(painter, figure, QSizeF(FIGURE_PAGE_WIDTH, FIGURE_PAGE_HEIGHT));
    return painter.end();
}

bool encodeSvg(const StatsFigure& figure, QBuffer& buffer) {
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(static_cast<int>(FIGURE_PAGE_WIDTH), static_cast<int>(FIGURE_PAGE_HEIGHT)));
    generator.setViewBox(QRectF(0.0, 0.0, FIGURE_PAGE_WIDTH, FIGURE_PAGE_HEIGHT));
    generator.setResolution(72);
    generator.setTitle(QString::fromStdString(figure.title));
    generator.setDescription(QStringLiteral("Tessaline statistical simulation"));
    return paintOn(generator, figure, 1.0);
}

bool encodePdf(const StatsFigure& figure, QBuffer& buffer) {
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QSizeF(FIGURE_PAGE_WIDTH, FIGURE_PAGE_HEIGHT), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0.0, 0.0, 0.0, 0.0));
    writer.setResolution(72);
    writer.setTitle(QString::fromStdString(figure.title));
    writer.setCreator(QStringLiteral("Tessaline"));
    return paintOn(writer, figure, 1.0);
}

bool encodePng(const StatsFigure& figure, QBuffer& buffer) {
    QImage image(static_cast<int>(FIGURE_PAGE_WIDTH) * PNG_PIXELS_PER_POINT,
                 static_cast<int>(FIGURE_PAGE_HEIGHT) * PNG_PIXELS_PER_POINT, QImage::Format_RGB32);
    if (image.isNull()) return false;
    return paintOn(image, figure, PNG_PIXELS_PER_POINT) && image.save(&buffer, "PNG");
}

}  // namespace

void paintFigure(QPainter& painter, const StatsFigure& figure, QSizeF page) {
    painter.fillRect(QRectF(QPointF(0.0, 0.0), page), Qt::white);
    const FigureLayout layout = layoutFigure(figure, page);
    paintAxes(painter, figure, layout.plot);
    paintTitles(painter, figure, layout.plot, page);
    painter.save();
    painter.setClipRect(layout.plot.adjusted(-MARKER_RADIUS, -MARKER_RADIUS, MARKER_RADIUS, MARKER_RADIUS));
    const auto measured = static_cast<std::size_t>(std::count_if(
        figure.curves.begin(), figure.curves.end(), [](const FigureCurve& c) { return !c.theoretical; }));
    for (std::size_t i = 0; i < figure.curves.size(); ++i) {
        const FigureCurve& curve = figure.curves[i];
        const double shift = curve.theoretical ? 0.0 : sidewaysShift(i, measured, figure, layout.plot);
        paintCurve(painter, curve, figure, layout.plot, shift);
    }
    painter.restore();
    paintLegend(painter, figure, layout);
}

bool writeFigure(const StatsFigure& figure, FigureFormat format, const std::string& path,
                 std::string& reason) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    if (!buffer.open(QIODevice::WriteOnly)) {
        reason = "the figure could not be encoded";
        return false;
    }
    const bool painted = format == FigureFormat::Svg   ? encodeSvg(figure, buffer)
                         : format == FigureFormat::Pdf ? encodePdf(figure, buffer)
                                                       : encodePng(figure, buffer);
    buffer.close();
    if (!painted || encoded.isEmpty()) {
        reason = "the figure could not be encoded";
        return false;
    }
    return saveEncoded(encoded, path, reason);
}

}  // namespace tessaline
