#pragma once
// A scripted pointer: clicks and drags played on the client area as a user's mouse would, each
// aimed at what the last paint drew, so that a sequence of clicks can be reproduced and rendered.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/state.h"
#include "app/window_paint.h"
#include "cli/image_painter.h"
#include "platform/window.h"

namespace tessaline::cli {

// A click at `from` (press and release), or a drag from `from` to `to`.
struct PointerAction {
    Point from;
    Point to;
    bool drag = false;
};
using PointerScript = std::vector<PointerAction>;

// Reads "x,y;x,y;…" (with `drags`, "x1,y1>x2,y2;…"; without, an item may be either) into
// `script`, appending; false with the reason, naming `option`, for a malformed item.
bool parsePointerScript(std::string_view text, std::string_view option, bool drags, PointerScript& script,
                        std::string& error);

// What is wrong with the script for a client area of `size` (a point outside it), or "".
std::string checkPointerScript(const PointerScript& script, ImageSize size);

// Paints the client area and keeps what was drawn in the state, as the window does after a paint.
PaintedGeometry paintAndKeep(Window& window, AppState& state, ImagePainter& painter, ImageSize size);

// Plays the script: before each action the client area is painted (the rectangles a click is
// tested against are those of the picture the user sees); a click moves the pointer there,
// presses and releases; a drag moves there, presses, moves in small steps to its end, repainting
// after each, and releases.
void playPointerScript(Window& window, AppState& state, ImagePainter& painter, ImageSize size,
                       const PointerScript& script);

}  // namespace tessaline::cli
