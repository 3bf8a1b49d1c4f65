#pragma once
// Painting the main window's client area: the view the view mode chooses in the graph area, the
// button column and the value selectors. The window paints through it onto its back buffer, and
// the command line renders the same picture into an image file.
#include "app/state.h"
#include "draw/canvas.h"

namespace tessaline {

// Paints the whole client area `client` onto `canvas` from the state. Lays the window out for the
// client area and the canvas font's line height first, as the window does at every paint.
void paintClientArea(Canvas& canvas, AppState& state, const Rect& client);

}  // namespace tessaline
