#pragma once
// `tessaline-cli layout`: the rectangles a script aims its clicks at, as the last paint drew them.
#include <nlohmann/json.hpp>

#include "app/state.h"
#include "app/window_paint.h"
#include "cli/image_painter.h"

namespace tessaline::cli {

// One JSON object: the client area's size, the view, the line height, the graph area, the
// buttons, the selectors with their rows, the etalon cells, the choosable tuple rows, and the
// targets of the panel the view shows. A rectangle is [left, top, right, bottom], a line
// {"from":[x,y],"to":[x,y],"handle":h}; names as the state calls them.
nlohmann::ordered_json layoutJson(const AppState& state, const PaintedGeometry& painted, ImageSize size);

}  // namespace tessaline::cli
