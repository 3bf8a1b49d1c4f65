#pragma once
// The command dispatcher: menu commands and the internal commands the shell sends to its own
// window, which chain into one run: new data, take over the settings, make a series, add noise,
// process it, refresh the window.

namespace tessaline {

class Window;
struct AppState;

// Internal commands.
inline constexpr int CMD_CLOSE = 204;
inline constexpr int CMD_NEW_DATA = 205;
inline constexpr int CMD_REDRAW_ALL = 206;
inline constexpr int CMD_NONE = 207;
inline constexpr int CMD_TAKE_OVER = 208;
inline constexpr int CMD_ADD_NOISE = 209;
inline constexpr int CMD_PROCESS = 210;
inline constexpr int CMD_APPLY_SELECTORS = 211;
inline constexpr int CMD_MARK_ETALON = 212;
inline constexpr int CMD_REFRESH_ALPHABET = 213;
inline constexpr int CMD_MAKE_SERIES = 216;
inline constexpr int CMD_REFRESH_RESULT = 218;
inline constexpr int CMD_REFRESH_SUBSET_PANEL = 221;
inline constexpr int CMD_REFRESH_GRAPH = 222;
inline constexpr int CMD_REFRESH_GRAPH_KEEP = 223;
inline constexpr int CMD_REFRESH_SUBSET_CELLS = 224;

// Menu commands of the processing runs.
inline constexpr int CMD_PROCESSING_SAME_DATA = 40017;
inline constexpr int CMD_PROCESSING_NEXT_DATA = 40018;
inline constexpr int CMD_MORE_DETAILS = 40019;
inline constexpr int CMD_TYPE_MORE_DETAILS = 40020;
inline constexpr int CMD_FIXED_CASE = 40021;
inline constexpr int CMD_UNFIXED_CASE = 40022;
inline constexpr int CMD_REPEAT_DETECTION = 40023;
inline constexpr int CMD_REPEAT_RECOGNITION = 40024;
inline constexpr int CMD_REPEAT_JOINT = 40025;
inline constexpr int CMD_REPEAT_SERIES_PROCESSING = 40026;
inline constexpr int CMD_DEBUGGING_REPEAT = 40033;

// Menu commands of the file menu.
inline constexpr int CMD_SAVE_IMAGE = 40003;
inline constexpr int CMD_EXIT = 40004;

// Runs command `command`; a number without a handler does nothing. Further commands of a chain
// are sent through the window, which runs them before returning.
void dispatchCommand(Window& window, AppState& state, int command);

// Invalidates each value selector whose redraw flag is set, and clears the flag.
void refreshFlaggedSelectors(Window& window, AppState& state);

}  // namespace tessaline
