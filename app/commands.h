#pragma once
// The command dispatcher: menu commands and the internal commands the shell sends to its own
// window, which chain into one run: new data, take over the settings, make a series, add noise,
// process it, refresh the window. The menu entries are run by app/menu_commands.h.

#include "app/command_ids.h"

namespace tessaline {

class Window;
struct AppState;

// Runs command `command`; a number without a handler does nothing. Further commands of a chain
// are sent through the window, which runs them before returning.
void dispatchCommand(Window& window, AppState& state, int command);

// Invalidates each value selector whose redraw flag is set, and clears the flag.
void refreshFlaggedSelectors(Window& window, AppState& state);

}  // namespace tessaline
