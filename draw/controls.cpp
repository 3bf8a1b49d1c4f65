#include "draw/controls.h"

#include <algorithm>
#include <vector>

#include "draw/plot.h"
#include "model/alphabet.h"
#include "platform/formatting.h"

namespace tessaline {
namespace {

void drawLine(Canvas& canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    canvas.moveTo(x1, y1);
    canvas.lineTo(x2, y2);
}

// The 1-based selected position as a row index; outside the rows it is the first row.
std::size_t selectedRow(int32_t selectedPosition, std::size_t rows) {
    const int64_t row = int64_t{selectedPosition} - 1;
    return row >= 0 && row < static_cast<int64_t>(rows) ? static_cast<std::size_t>(row) : 0;
}

}  // namespace

void drawButton(Canvas& canvas, const Rect& button, std::string_view caption, int32_t lineHeight) {
    const int32_t L = button.left;
    const int32_t T = button.top;
    const int32_t W = button.right - button.left;
    const int32_t H = button.bottom - button.top;
    canvas.rectangle({L, T, button.right + 1, button.bottom + 1});
    {
        const PenGuard pen(canvas, Pen{kButtonShadowGrey});
        drawLine(canvas, L, T, L + W + 1, T);
        drawLine(canvas, L, T, L, T + H + 1);
        drawLine(canvas, L + W - 1, T + 1, L + W - 1, T + H);
        drawLine(canvas, L + 1, T + H - 1, L + W, T + H - 1);
    }
    {
        const PenGuard pen(canvas, Pen{kButtonInnerShade});
        drawLine(canvas, L + W - 2, T + 2, L + W - 2, T + H - 1);
        drawLine(canvas, L + 2, T + H - 2, L + W - 1, T + H - 2);
    }
    {
        const PenGuard pen(canvas, Pen{kWhite});
        drawLine(canvas, L + 1, T + 1, L + W - 1, T + 1);
        drawLine(canvas, L + 1, T + 1, L + 1, T + H - 1);
    }
    const TextExtent extent = canvas.textExtent(caption);
    canvas.textOut(L + (W - extent.cx) / 2, T + (lineHeight - 2) / 2, caption);
}

void drawSelectorGroup(Canvas& canvas, const Rect& group, std::string_view title,
                       std::span<const int32_t> values, int32_t selectedPosition, int32_t currentValue,
                       int32_t lineHeight, std::span<Rect> rowRects) {
    const int32_t L = group.left;
    const int32_t T = group.top;
    const int32_t W = group.right - group.left + 1;
    const int32_t H = group.bottom - group.top + 1;
    const int32_t h = lineHeight;
    drawOutline(canvas, L, T, W, H);

    const int32_t x = L + 10;
    const int32_t inset = std::max(1, (h + 1) / 8);
    canvas.textOut(x - 5, T - h / 2, title);

    std::vector<int32_t> rowTops;
    int32_t y = T + h / 2 + h;
    for (std::size_t i = 0; i < values.size(); ++i) {
        canvas.ellipse({x, y, x + h, y + h});
        canvas.textOut(x + 2 * h, y, formatted(" %5d ", values[i]));
        if (i < rowRects.size()) rowRects[i] = {x, y, x + W - 20, y + h + h / 2 - 1};
        rowTops.push_back(y);
        y += h + h / 2;
    }
    if (values.empty()) return;

    const std::size_t row = selectedRow(selectedPosition, values.size());
    const Color dot = values[row] == currentValue ? kBlack : kSelectionGrey;
    const PenGuard pen(canvas, Pen{dot});
    const BrushGuard brush(canvas, Brush{dot});
    canvas.ellipse({x + inset, rowTops[row] + inset, x + h - inset, rowTops[row] + h - inset});
}

void drawEtalonThumbnail(Canvas& canvas, const PulseHeader& etalon, int32_t amplitude,
                         ThumbnailHighlight highlight, const Rect& cell, int32_t lineHeight) {
    const int32_t x0 = cell.left;
    const int32_t top = cell.top + 1;
    const int32_t w = cell.right - cell.left;
    const int32_t h = cell.bottom - cell.top;
    canvas.textOut(x0, top + 1, formatted(" %c ", etalonLetter(etalon.wNumber)));

    const CurveBox box{x0, top + lineHeight + lineHeight / 4, w, h};
    const std::vector<Point> curve = etalonCurve(etalon, box, amplitude);
    if (highlight == ThumbnailHighlight::None) {
        drawAxes(canvas, x0, box.y, x0 + w + 5, box.y + h);
        drawShiftedPolyline(canvas, curve, 0, 0);
        return;
    }
    const Color background = highlight == ThumbnailHighlight::Grey ? kSelectionGrey : kAlertRed;
    {
        const PenGuard pen(canvas, Pen{background});
        const BrushGuard brush(canvas, Brush{background});
        canvas.rectangle({x0 - 3, box.y - 1, x0 + w + 6, box.y + h + 1});
    }
    const PenGuard pen(canvas, Pen{kWhite});
    drawAxes(canvas, x0, box.y, x0 + w + 5, box.y + h);
    drawShiftedPolyline(canvas, curve, 0, 0);
    drawShiftedPolyline(canvas, curve, 1, 0);
    drawShiftedPolyline(canvas, curve, 0, -1);
}

}  // namespace tessaline
