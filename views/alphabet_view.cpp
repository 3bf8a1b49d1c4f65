#include "views/alphabet_view.h"

#include <algorithm>
#include <vector>

#include "draw/plot.h"
#include "draw/text_fit.h"
#include "model/alphabet.h"
#include "platform/formatting.h"

namespace tessaline {
namespace {

void drawCellFrame(Canvas& canvas, Point origin, const AlphabetViewInput& input, bool selected) {
    const int32_t fw = input.frameWidth;
    const int32_t fh = input.frameHeight;
    if (!selected) {
        const PenGuard pen(canvas, Pen{kUnselectedFrameColor});
        drawOutline(canvas, origin.x, origin.y, fw, fh);
        return;
    }
    const PenGuard pen(canvas, Pen{kSelectedFrameColor});
    drawOutline(canvas, origin.x, origin.y, fw, fh);
    drawOutline(canvas, origin.x + 1, origin.y + 1, fw - 2, fh - 2);
    drawOutline(canvas, origin.x - 1, origin.y - 1, fw + 2, fh + 2);
}

void drawCell(Canvas& canvas, const PulseHeader& etalon, Point origin, const AlphabetViewInput& input,
              bool selected) {
    const int32_t x = origin.x + 5;
    int32_t y = origin.y + 5;
    const int32_t gh = input.cellHeight - input.lineHeight;
    // The title stays inside the cell frame, off the neighbouring cell.
    textOutWithin(canvas, x, y,
                  formatted(" pulse %d [%lld]", etalon.wNumber, static_cast<long long>(etalonEnergy(etalon))),
                  origin.x + input.frameWidth);
    y += input.lineHeight;

    drawAxes(canvas, x, y, x + input.graphWidth - 1, y + gh);
    const std::vector<Point> curve = etalonCurve(etalon, {x, y, input.graphWidth - 6, gh}, input.amplitude);
    {
        const PenGuard pen(canvas, Pen{selected ? kSelectedCurveColor : kUnselectedCurveColor});
        drawShiftedPolyline(canvas, curve, 0, 0);
        drawShiftedPolyline(canvas, curve, 1, 0);
        drawShiftedPolyline(canvas, curve, 0, -1);
    }
    drawCellFrame(canvas, origin, input, selected);
}

}  // namespace

void drawAlphabetView(Canvas& canvas, const AlphabetViewInput& input) {
    const Rect& view = input.view;
    drawOutline(canvas, view.left, view.top, view.right - view.left + 1, view.bottom - view.top + 1);
    const std::size_t cells = std::min(input.etalons.size(), input.cellOrigins.size());
    for (std::size_t i = 0; i < cells; ++i) {
        const bool selected = i < input.selected.size() && input.selected[i] == 1;
        drawCell(canvas, input.etalons[i], input.cellOrigins[i], input, selected);
    }
}

}  // namespace tessaline
