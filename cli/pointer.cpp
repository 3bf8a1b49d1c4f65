#include "cli/pointer.h"

#include <algorithm>
#include <cstdlib>

#include "app/mouse.h"
#include "cli/run_options.h"

namespace tessaline::cli {
namespace {

constexpr int32_t DRAG_STEP = 4;  // pixels between the moves of a drag

std::optional<Point> parsePoint(std::string_view text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    const std::optional<int> x = parseDecimal(text.substr(0, comma));
    const std::optional<int> y = parseDecimal(text.substr(comma + 1));
    if (!x || !y) return std::nullopt;
    return Point{*x, *y};
}

std::string pointText(Point p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

bool insideArea(Point p, ImageSize size) {
    return p.x >= 0 && p.y >= 0 && p.x < size.width && p.y < size.height;
}

void moveAndRepaint(Window& window, AppState& state, ImagePainter& painter, ImageSize size, Point at) {
    mouseMove(window, state, at);
    paintAndKeep(window, state, painter, size);
}

void playDrag(Window& window, AppState& state, ImagePainter& painter, ImageSize size,
              const PointerAction& drag) {
    moveAndRepaint(window, state, painter, size, drag.from);
    mouseButtonDown(window, state, drag.from);
    const int32_t dx = drag.to.x - drag.from.x, dy = drag.to.y - drag.from.y;
    const int32_t steps = std::max(1, std::max(std::abs(dx), std::abs(dy)) / DRAG_STEP);
    for (int32_t i = 1; i <= steps; ++i) {
        const Point at{drag.from.x + dx * i / steps, drag.from.y + dy * i / steps};
        moveAndRepaint(window, state, painter, size, at);
    }
    mouseButtonUp(window, state, drag.to);
}

}  // namespace

bool parsePointerScript(std::string_view text, std::string_view option, bool drags, PointerScript& script,
                        std::string& error) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(';', start), text.size());
        const std::string_view item = text.substr(start, end - start);
        const std::size_t arrow = item.find('>');
        std::optional<Point> from = parsePoint(item.substr(0, arrow));
        std::optional<Point> to = arrow == std::string_view::npos ? from : parsePoint(item.substr(arrow + 1));
        if (!from || !to || (drags && arrow == std::string_view::npos)) {
            error = std::string(option) + ": \"" + std::string(item) + "\" is not " +
                    (drags ? "x1,y1>x2,y2" : "x,y or x1,y1>x2,y2") + " with whole decimal numbers";
            return false;
        }
        script.push_back({*from, *to, arrow != std::string_view::npos});
        start = end + 1;
    }
    return true;
}

std::string checkPointerScript(const PointerScript& script, ImageSize size) {
    for (const PointerAction& action : script) {
        for (const Point p : {action.from, action.to}) {
            if (!insideArea(p, size)) {
                return "the pointer at " + pointText(p) + " is outside the " + std::to_string(size.width) +
                       "x" + std::to_string(size.height) + " client area";
            }
        }
    }
    return "";
}

PaintedGeometry paintAndKeep(Window& window, AppState& state, ImagePainter& painter, ImageSize size) {
    prepareForPaint(window, state);
    PaintedGeometry painted = painter.paint(window, state, size);
    storePaintedGeometry(state, painted);
    placeEditField(window, painted);
    return painted;
}

void playPointerScript(Window& window, AppState& state, ImagePainter& painter, ImageSize size,
                       const PointerScript& script) {
    for (const PointerAction& action : script) {
        if (action.drag) {
            playDrag(window, state, painter, size, action);
            continue;
        }
        moveAndRepaint(window, state, painter, size, action.from);
        mouseButtonDown(window, state, action.from);
        mouseButtonUp(window, state, action.from);
    }
    paintAndKeep(window, state, painter, size);
}

}  // namespace tessaline::cli
