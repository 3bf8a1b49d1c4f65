#pragma once
// The numbers of every command the window handles: the internal commands the shell sends to its
// own window to chain the steps of a run, and the menu entries.

namespace tessaline {

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
inline constexpr int CMD_SIMULATION_DIALOGS = 214;
inline constexpr int CMD_SERIES_DIALOG = 215;
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
inline constexpr int CMD_CREATE_SERIES = 40001;
inline constexpr int CMD_NEW_PULSES = 40002;
inline constexpr int CMD_SAVE_IMAGE = 40003;
inline constexpr int CMD_EXIT = 40004;
inline constexpr int CMD_SELECT_SET_OF_PULSES = 40016;
inline constexpr int CMD_VIEW_SERIES_PARAMETERS = 40031;

// Menu commands of the settings and of the spare popup.
inline constexpr int CMD_SUBSET_SETTINGS = 40029;
inline constexpr int CMD_DRAWING_SETTINGS = 40030;
inline constexpr int CMD_ELSE_CREATE_SERIES = 40014;

// Menu entries of the series types and the tasks, which carry check marks.
inline constexpr int CMD_SERIES_FIXED_WHOLE = 40008;
inline constexpr int CMD_SERIES_UNFIXED_WHOLE = 40009;
inline constexpr int CMD_SERIES_FIXED_CUTOFF = 40010;
inline constexpr int CMD_SERIES_UNFIXED_CUTOFF = 40011;
inline constexpr int CMD_SERIES_FIXED_TUPLES = 40028;
inline constexpr int CMD_SERIES_UNFIXED_TUPLES = 40032;
inline constexpr int CMD_TASK_DETECTION = 40005;
inline constexpr int CMD_TASK_RECOGNITION = 40006;
inline constexpr int CMD_TASK_JOINT = 40007;
inline constexpr int CMD_TASK_SERIES_PROCESSING = 40027;

// Menu commands of the statistical simulation.
inline constexpr int CMD_STATISTICAL_SIMULATION = 40012;
inline constexpr int CMD_SHOW_STATISTICAL_SIMULATION = 40015;

}  // namespace tessaline
