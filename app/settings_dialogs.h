#pragma once
// The subset-settings and drawing-settings dialogs: what each shows at start and what OK takes.
// Both write their options themselves; Cancel leaves every option as it was.
#include "platform/dialog.h"

namespace tessaline {

class Window;
struct AppState;

inline constexpr int DIALOG_SUBSET_SETTINGS = 111;
inline constexpr int DIALOG_DRAWING_SETTINGS = 112;

// Controls of the subset-settings dialog: the employment modes 1 .. 5, the init position (shown
// disabled) and the proceeding modes 1 and 2.
inline constexpr int RADIO_SINGLE_RANDOM = 1015;
inline constexpr int RADIO_SINGLE_FIXED = 1016;
inline constexpr int RADIO_MULTIPLE_RANDOM = 1017;
inline constexpr int RADIO_COMPLETE = 1018;
inline constexpr int RADIO_SHIFTED_COMPLETE = 1019;
inline constexpr int EDIT_SUBSET_INIT_POSITION = 1020;
inline constexpr int RADIO_PROCEEDING_COMPLETE = 1021;
inline constexpr int RADIO_PROCEEDING_SHIFTED = 1022;

// Controls of the drawing-settings dialog.
inline constexpr int CHECK_FRAME_GRAPH_FIELDS = 1044;
inline constexpr int CHECK_SHADED_ORIGINAL_PULSES = 1024;
inline constexpr int CHECK_HIGHLIGHT_DETECTED_PULSES = 1023;
inline constexpr int CHECK_SPECIAL_GRAPH_SIZE = 1043;
inline constexpr int RADIO_TUPLES_DOTTED_FRAME = 1025;
inline constexpr int RADIO_TUPLES_COLOURED_BACKGROUND = 1026;
inline constexpr int RADIO_TUPLES_NONE = 1027;

DialogForm subsetSettingsForm(const AppState& state);
DialogForm drawingSettingsForm(const AppState& state);

// What OK does with an edited form. An option keeps its value unless its control was changed from
// what the form showed at start, so a value the controls cannot show survives OK untouched.
void acceptSubsetSettings(AppState& state, const DialogForm& form);
void acceptDrawingSettings(AppState& state, const DialogForm& form);

// Each shows its dialog and applies OK; Cancel changes nothing. True on OK.
bool runSubsetSettingsDialog(Window& window, AppState& state);
bool runDrawingSettingsDialog(Window& window, AppState& state);

}  // namespace tessaline
