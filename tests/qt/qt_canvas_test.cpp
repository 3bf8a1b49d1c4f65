// The Qt canvas against the canvas semantics: which pixels lines, outlines, fills, ellipses, dots
// and text set, the window and symbol fonts, and the window image made from the picture.
#include <gtest/gtest.h>

#include <climits>

#include "gui/qt_canvas.h"
#include "gui/qt_image.h"

namespace tessaline {
namespace {

constexpr QRgb kWhitePixel = 0xFFFFFFFF;
constexpr QRgb kBlackPixel = 0xFF000000;

QRgb at(const QtCanvas& canvas, int x, int y) { return canvas.image().pixel(x, y); }

// The smallest rectangle (left, top, right, bottom exclusive) holding every non-white pixel.
Rect paintedBounds(const QImage& image) {
    Rect bounds{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == kWhitePixel) continue;
            bounds = {std::min(bounds.left, x), std::min(bounds.top, y), std::max(bounds.right, x + 1),
                      std::max(bounds.bottom, y + 1)};
        }
    }
    return bounds;
}

int countPixels(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == colour ? 1 : 0;
    }
    return count;
}

TEST(QtCanvasLines, CoverTheStartPixelButNotTheEndPixelInEveryDirection) {
    QtCanvas canvas(40, 40);
    canvas.moveTo(2, 5);
    canvas.lineTo(10, 5);
    EXPECT_EQ(canvas.currentPosition(), (Point{10, 5}));
    for (int x = 2; x < 10; ++x) EXPECT_EQ(at(canvas, x, 5), kBlackPixel) << x;
    EXPECT_EQ(at(canvas, 10, 5), kWhitePixel);
    EXPECT_EQ(at(canvas, 1, 5), kWhitePixel);

    canvas.moveTo(30, 20);
    canvas.lineTo(30, 12);  // upwards
    for (int y = 13; y <= 20; ++y) EXPECT_EQ(at(canvas, 30, y), kBlackPixel) << y;
    EXPECT_EQ(at(canvas, 30, 12), kWhitePixel);

    canvas.moveTo(3, 15);
    canvas.lineTo(8, 20);  // diagonal
    for (int i = 0; i < 5; ++i) EXPECT_EQ(at(canvas, 3 + i, 15 + i), kBlackPixel) << i;
    EXPECT_EQ(at(canvas, 8, 20), kWhitePixel);

    const int before = countPixels(canvas.image(), kBlackPixel);
    canvas.moveTo(35, 35);
    canvas.lineTo(35, 35);
    EXPECT_EQ(countPixels(canvas.image(), kBlackPixel), before);
}

TEST(QtCanvasLines, APolylineIsTheSameChainOfLinesAndKeepsTheCurrentPosition) {
    const Point points[] = {{1, 1}, {12, 4}, {12, 14}, {3, 9}, {20, 2}};
    QtCanvas chain(24, 16);
    QtCanvas polyline(24, 16);
    chain.moveTo(points[0].x, points[0].y);
    for (size_t i = 1; i < std::size(points); ++i) chain.lineTo(points[i].x, points[i].y);
    polyline.moveTo(7, 7);
    polyline.polyline(points);
    EXPECT_EQ(polyline.currentPosition(), (Point{7, 7}));
    EXPECT_EQ(polyline.image(), chain.image());
    EXPECT_EQ(at(polyline, 20, 2), kWhitePixel);  // the last point is an end pixel
}

TEST(QtCanvasLines, ADottedPenSetsEveryOtherPixelFromTheStart) {
    QtCanvas canvas(30, 10);
    canvas.selectPen(Pen{kBlack, PenStyle::Dotted});
    canvas.moveTo(2, 3);
    canvas.lineTo(22, 3);
    for (int x = 2; x < 22; ++x)
        EXPECT_EQ(at(canvas, x, 3), (x - 2) % 2 == 0 ? kBlackPixel : kWhitePixel) << x;
    // The phase counts from the start even when the start lies outside the picture.
    canvas.moveTo(-5, 8);
    canvas.lineTo(10, 8);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(at(canvas, x, 8), x % 2 != 0 ? kBlackPixel : kWhitePixel) << x;
    canvas.selectPen(Pen{kBlack, PenStyle::None});
    canvas.moveTo(0, 6);
    canvas.lineTo(29, 6);
    EXPECT_EQ(countPixels(canvas.image(), kBlackPixel), 15);
}

TEST(QtCanvasLines, FarAwayEndsAreCutWithoutLosingTheVisiblePart) {
    QtCanvas canvas(20, 20);
    canvas.moveTo(INT32_MIN, 10);
    canvas.lineTo(INT32_MAX, 10);
    for (int x = 0; x < 20; ++x) EXPECT_EQ(at(canvas, x, 10), kBlackPixel) << x;
    canvas.moveTo(5, INT32_MIN);
    canvas.lineTo(5, 0);
    canvas.rectangle(Rect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
    canvas.ellipse(Rect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
    canvas.textOut(INT32_MAX, INT32_MAX, "far");
    SUCCEED();
}

TEST(QtCanvasAreas, ARectangleOutlinesLeftToRightMinusOneAndFillsItsInside) {
    QtCanvas canvas(20, 20);
    canvas.selectBrush(Brush{rgb(255, 0, 0), false});
    canvas.rectangle(Rect{2, 3, 9, 8});
    const QRgb red = 0xFFFF0000;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 2 && x < 9 && y >= 3 && y < 8;
            const bool edge = inside && (x == 2 || x == 8 || y == 3 || y == 7);
            EXPECT_EQ(at(canvas, x, y), edge ? kBlackPixel : inside ? red : kWhitePixel) << x << "," << y;
        }
    }
}

TEST(QtCanvasAreas, HollowBrushesAndAbsentPensLeaveTheirPartOut) {
    QtCanvas hollow(12, 12);
    hollow.selectBrush(Brush{kBlack, true});
    hollow.rectangle(Rect{1, 1, 6, 6});
    EXPECT_EQ(countPixels(hollow.image(), kBlackPixel), 16);  // the 5 x 5 outline only
    EXPECT_EQ(at(hollow, 3, 3), kWhitePixel);

    QtCanvas penless(12, 12);
    penless.selectPen(Pen{kBlack, PenStyle::None});
    penless.selectBrush(Brush{kBlack, false});
    penless.rectangle(Rect{1, 1, 6, 6});
    EXPECT_EQ(paintedBounds(penless.image()), (Rect{2, 2, 5, 5}));

    QtCanvas thin(12, 12);
    thin.rectangle(Rect{4, 2, 5, 9});  // one column wide
    EXPECT_EQ(paintedBounds(thin.image()), (Rect{4, 2, 5, 9}));
    EXPECT_EQ(countPixels(thin.image(), kBlackPixel), 7);
}

TEST(QtCanvasAreas, FillRectAndSetPixelSetExactlyTheirPixels) {
    QtCanvas canvas(10, 10);
    canvas.fillRect(Rect{1, 1, 4, 3}, rgb(0, 0, 255));
    EXPECT_EQ(countPixels(canvas.image(), 0xFF0000FF), 6);
    EXPECT_EQ(paintedBounds(canvas.image()), (Rect{1, 1, 4, 3}));
    canvas.fillRect(Rect{5, 5, 5, 9}, kBlack);  // no width
    canvas.setPixel(7, 8, rgb(12, 34, 56));
    canvas.setPixel(-1, 3, kBlack);
    canvas.setPixel(10, 3, kBlack);
    EXPECT_EQ(at(canvas, 7, 8), 0xFF0C2238u);
    EXPECT_EQ(countPixels(canvas.image(), kWhitePixel), 100 - 6 - 1);
}

// On a high-density screen everything keeps its place in canvas pixels, each covering 2 x 2 device
// pixels, and a line stays on the canvas's own edge.
TEST(QtCanvasAreas, APixelRatioOfTwoDrawsTheSameLayoutWithFourDevicePixelsEach) {
    QtCanvas canvas(10, 10, 2.0);
    EXPECT_EQ(canvas.image().size(), QSize(20, 20));
    canvas.fillRect(Rect{1, 1, 4, 3}, rgb(0, 0, 255));
    EXPECT_EQ(countPixels(canvas.image(), 0xFF0000FF), 4 * 6);
    EXPECT_EQ(paintedBounds(canvas.image()), (Rect{2, 2, 8, 6}));
    canvas.setPixel(9, 9, kBlack);
    canvas.setPixel(10, 9, kBlack);  // outside the canvas
    canvas.lineTo(30, 0);            // cut at the canvas's right edge
    EXPECT_EQ(countPixels(canvas.image(), 0xFF000000), 4 + 4 * 10);
}

TEST(QtCanvasAreas, AnEllipseIsInscribedInItsArea) {
    QtCanvas canvas(40, 40);
    canvas.selectBrush(Brush{rgb(0, 255, 0), false});
    canvas.ellipse(Rect{10, 10, 30, 26});
    EXPECT_EQ(paintedBounds(canvas.image()), (Rect{10, 10, 30, 26}));
    EXPECT_EQ(at(canvas, 20, 18), 0xFF00FF00u);  // filled with the brush
    EXPECT_EQ(at(canvas, 10, 10), kWhitePixel);  // corners stay outside
}

TEST(QtCanvasText, TheWindowFontGivesALineHeightOf13To16Pixels) {
    QtCanvas canvas(10, 10);
    const int32_t lineHeight = lineHeightOf(canvas);
    EXPECT_GE(lineHeight, 13);
    EXPECT_LE(lineHeight, 16);
    EXPECT_GT(canvas.fontMetrics().averageCharWidth, 3);
    EXPECT_EQ(canvas.textExtent("Hg").cy, canvas.fontMetrics().height);
    EXPECT_GT(canvas.textExtent("HHHH").cx, canvas.textExtent("HH").cx);
}

TEST(QtCanvasText, IsDrawnInTheTextColourWithinItsExtentFromTheTopLeftCorner) {
    QtCanvas canvas(120, 40);
    canvas.setBackgroundMode(BackgroundMode::Transparent);
    canvas.setTextColor(rgb(200, 0, 0));
    canvas.textOut(5, 7, "Tessaline 42");
    const TextExtent extent = canvas.textExtent("Tessaline 42");
    const Rect painted = paintedBounds(canvas.image());
    EXPECT_GE(painted.left, 5);
    EXPECT_GE(painted.top, 7);
    EXPECT_LE(painted.right, 5 + extent.cx);
    EXPECT_LE(painted.bottom, 7 + extent.cy);
    EXPECT_LE(painted.top, 7 + extent.cy / 4);  // capitals reach up near the cell's top
    const int red = countPixels(canvas.image(), 0xFFC80000);
    EXPECT_GT(red, 40);
    EXPECT_EQ(red + countPixels(canvas.image(), kWhitePixel), 120 * 40);  // no blended edge pixels
}

TEST(QtCanvasText, AnOpaqueBackgroundFillsTheTextCell) {
    QtCanvas canvas(120, 40);
    canvas.setBackgroundColor(rgb(0, 0, 255));
    canvas.textOut(10, 5, "Box");
    const TextExtent extent = canvas.textExtent("Box");
    EXPECT_EQ(paintedBounds(canvas.image()), (Rect{10, 5, 10 + extent.cx, 5 + extent.cy}));
    EXPECT_EQ(countPixels(canvas.image(), 0xFF0000FF) + countPixels(canvas.image(), kBlackPixel),
              extent.cx * extent.cy);
}

TEST(QtCanvasText, SelectingAFontGivesThePreviousOneAndFitsANamedFaceToItsHeight) {
    QtCanvas canvas(10, 10);
    const Font face{Font::Kind::Face, "DejaVu Sans Mono", 30};
    const Font previous = canvas.selectFont(face);
    EXPECT_EQ(previous.kind, Font::Kind::Window);
    EXPECT_LE(canvas.fontMetrics().height, 30);
    EXPECT_GE(canvas.fontMetrics().height, 26);
    EXPECT_EQ(canvas.textExtent("iiii").cx, canvas.textExtent("WWWW").cx);  // the monospaced face
    EXPECT_EQ(canvas.selectFont(previous), face);
}

TEST(QtCanvasText, TheSymbolFontWritesLatinLettersAsGreek) {
    EXPECT_EQ(symbolFontText("sSabqjvJVz 1+"), QString::fromUtf8("σΣαβθϕϖϑςζ 1+"));
    QtCanvas symbol(60, 30);
    symbol.selectFont(Font{Font::Kind::Symbol, "", 0});
    symbol.textOut(3, 3, "s");
    QtCanvas greek(60, 30);
    greek.textOut(3, 3, "σ");
    QtCanvas latin(60, 30);
    latin.textOut(3, 3, "s");
    EXPECT_EQ(symbol.image(), greek.image());
    EXPECT_NE(symbol.image(), latin.image());
}

TEST(QtCanvasImage, TheWindowImageHasThePixelsAndTheBackgroundColour) {
    QtCanvas canvas(3, 2);
    canvas.setPixel(1, 0, rgb(1, 2, 3));
    canvas.setPixel(2, 1, rgb(250, 128, 7));
    const WindowImage image = windowImageOf(canvas.image(), WINDOW_BACKGROUND);
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.background, 0x00FFFFFFu);
    EXPECT_EQ(image.pixels,
              (std::vector<uint32_t>{0xFFFFFF, 0x010203, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFA8007}));
}

}  // namespace
}  // namespace tessaline
