#include "views/view_frame.h"

namespace tessaline {

ViewFrame viewFrameOf(const Rect& graph) noexcept {
    ViewFrame frame;
    frame.x0 = graph.left;
    frame.y0 = graph.top;
    frame.right = graph.right;
    frame.bottom = graph.bottom;
    frame.W = graph.right - graph.left + 1;
    frame.H = graph.bottom - graph.top + 1;
    frame.leftMargin = 12 * frame.W / 1000;
    frame.topMargin = (15 * frame.H + 500) / 1000;
    frame.halfTopMargin = (15 * frame.H + 1000) / 2000;
    frame.thumbnailWidth = 50 * frame.W / 1000;
    return frame;
}

void outlineArea(Canvas& canvas, const Rect& area) {
    const BrushGuard hollow(canvas, Brush{kWhite, true});
    canvas.rectangle({area.left, area.top, area.right + 1, area.bottom + 1});
}

}  // namespace tessaline
