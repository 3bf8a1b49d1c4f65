#pragma once
// The mouse on the main window's client area. Every control but the menu and the Tmin edit is
// drawn, not a child window, so the shell hit-tests each click itself against the rectangles the
// last paint recorded: a click changes the state, then sends one command to the window, which does
// the work and the redrawing. Moves and button releases serve the dragging and hovering of the
// parameters panel's handles.
#include "app/state.h"
#include "platform/geometry.h"
#include "platform/window.h"

namespace tessaline {

// Whether the point lies in the rectangle, its right column and bottom row included.
bool hitsRect(const Rect& rect, Point at) noexcept;

// The left button pressed (a double click counts as a press): acts on the first target of the
// view that contains the point; a point that hits nothing runs CMD_NONE.
void mouseButtonDown(Window& window, AppState& state, Point at);

// The pointer moved: in the parameters view, drags the handle being dragged, or starts and ends
// the hover of the handles (cursor and capture). Elsewhere nothing happens.
void mouseMove(Window& window, AppState& state, Point at);

// The left button released: in the parameters view, ends the drag that runs, with a last update
// at this point. Elsewhere, or with no drag, nothing happens.
void mouseButtonUp(Window& window, AppState& state, Point at);

}  // namespace tessaline
