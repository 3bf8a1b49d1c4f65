#pragma once
// The menu's entries: the runs they start, the dialogs they open, the task and series type they
// choose, the parameters panel and the saved picture. The internal commands of a run's chain are
// app/commands.cpp's.

namespace tessaline {

class Window;
struct AppState;

// Runs menu command `command` and tells whether it may have changed what the views draw. The
// window keeps its picture and repaints only what is invalidated, so such a command has the whole
// client area drawn anew: besides the graph area it may change the view's buttons, the selectors'
// marks, the lost-data selector and the selection button. A number that is no menu entry does
// nothing (false).
bool runMenuCommand(Window& window, AppState& state, int command);

}  // namespace tessaline
