#pragma once
// Painting the main window's client area: the view the view mode chooses in the graph area, the
// button column and the value selectors. The window paints through it onto its back buffer, and
// the command line renders the same picture into an image file.
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "app/painted_geometry.h"
#include "app/state.h"
#include "draw/canvas.h"
#include "panels/params_panel.h"
#include "panels/subset_panel_view.h"
#include "platform/message_sink.h"
#include "platform/window.h"

namespace tessaline {

// Paints the whole client area `client` onto `canvas` from the state, laid out for the client
// area and the canvas font's line height, and tells what it drew. Painting changes nothing in the
// state; a view that cannot get its working memory says so on `messages` and is left undrawn.
PaintedGeometry paintClientArea(Canvas& canvas, const AppState& state, const Rect& client,
                                MessageSink& messages);

// Makes the pictures of the five buttons in their order with `paint` (the picture of a caption, 144 x
// 32 pixels, or an empty image when it cannot be made). The name of the first that could not be
// made ("ButtonStart", ...), the state then keeping none; empty when all were made.
std::string_view loadButtonPictures(AppState& state,
                                    const std::function<WindowImage(std::string_view caption)>& paint);

// What the window does before it paints: the subset view sets its panel up on first use (a
// failure is said on `window`, and the next paint tries again).
void prepareForPaint(Window& window, AppState& state);

// Keeps what a paint drew in the state, as the window does after every paint.
void storePaintedGeometry(AppState& state, const PaintedGeometry& painted);

// Moves the Tmin edit field to the place the parameters panel drew for it, or hides it when the
// paint showed no panel: leaving the panel by any way hides the field.
void placeEditField(Window& window, const PaintedGeometry& painted);

}  // namespace tessaline
