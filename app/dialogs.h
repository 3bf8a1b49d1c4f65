#pragma once
// The logic of the parameter dialogs: what each shows at start, what OK and Cancel change, and
// how the typed texts are read. The window only shows the forms built here; the command line and
// the tests answer them with scripted edits.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/dialog.h"

namespace tessaline {

class Window;
struct AppState;

// Dialog numbers.
inline constexpr int DIALOG_SERIES_PARAMETERS = 105;
inline constexpr int DIALOG_LOCATION_PARAMETERS = 110;
inline constexpr int DIALOG_STATISTICS_DISPLAY = 113;
inline constexpr int DIALOG_RECOGNITION_STATISTICS_DISPLAY = 114;

// Edits of the series-parameters dialog.
inline constexpr int EDIT_SERIES_LENGTH = 1000;
inline constexpr int EDIT_TMIN = 1001;
inline constexpr int EDIT_TMAX = 1003;
inline constexpr int EDIT_ETALON_NUMBER = 1004;
inline constexpr int EDIT_MAKING_LEVEL = 1005;
inline constexpr int EDIT_PROCESSING_LEVEL = 1006;

// Edits of the location-parameters dialog.
inline constexpr int EDIT_PULSES_FROM = 1015;
inline constexpr int EDIT_PULSES_TO = 1016;
inline constexpr int EDIT_PULSES_INCREMENT = 1017;
inline constexpr int EDIT_NOISE_STEPS = 1018;
inline constexpr int EDIT_NOISE_FROM = 1019;
inline constexpr int EDIT_NOISE_INCREMENT = 1020;
inline constexpr int EDIT_REPEATS = 1021;

// Controls of the statistics-display dialogs.
inline constexpr int RADIO_RESTORING_ERROR = 1028;
inline constexpr int RADIO_DETECTION_ERROR = 1029;
inline constexpr int RADIO_RECOGNITION_ERROR = 1034;
inline constexpr int RADIO_COMPONENTWISE = 1030;
inline constexpr int RADIO_SUMMARY_VIEW = 1031;
inline constexpr int CHECK_FIXED_UPPER_BOUND = 1032;
inline constexpr int EDIT_UPPER_BOUND = 1033;
inline constexpr int CHECK_BOUNDS_INCLUDED = 1042;

// Edits hold at most this many characters; the rest of a longer text is not read.
inline constexpr std::size_t EDIT_TEXT_LIMIT = 99;

// The number an edit's text starts with, read as the standard string-to-integer conversion does:
// leading blanks skipped, an optional sign, the digits up to the first non-digit; 0 without
// digits. Values beyond the 32-bit range are held at its bounds.
int32_t editNumber(std::string_view text) noexcept;
// The same for a real number (the string-to-float conversion); 0 without a number.
double editReal(std::string_view text);
// A real number as the upper-bound edit shows it: 5 significant digits ("0.25").
std::string upperBoundText(double value);

// Building a form: a group caption, a labelled edit showing a number, a radio button of radio
// group `group`, a check box.
void addGroup(DialogForm& form, std::string caption);
void addEdit(DialogForm& form, int id, std::string label, int64_t value);
void addRadio(DialogForm& form, int id, std::string caption, bool checked, int group);
void addCheck(DialogForm& form, int id, std::string caption, bool checked);
// Reading an edited form: the number edit `id` starts with (0 when the form has no such edit),
// and whether check box or radio button `id` is checked.
int32_t numberOf(const DialogForm& form, int id);
bool checkedIn(const DialogForm& form, int id);

// What the series-parameters dialog refuses to take: a geometry no series can have, an etalon
// number outside the alphabet, an energy level outside 0..100.
std::string seriesParametersRefusal(const AppState& state, const DialogForm& form);

// The forms as the dialogs show them at start.
DialogForm seriesParametersForm(const AppState& state);
DialogForm locationParametersForm(const AppState& state);
DialogForm statisticsDisplayForm(const AppState& state, bool recognition);

// What OK does with an edited form.
void acceptSeriesParameters(AppState& state, const DialogForm& form);
void acceptLocationParameters(AppState& state, const DialogForm& form);
void acceptStatisticsDisplay(AppState& state, const DialogForm& form, bool recognition);

// What a dialog refuses to take on OK: the text of a warning naming what is wrong, or an empty text.
using DialogRefusal = std::function<std::string(const DialogForm&)>;

// Shows `form` until the user cancels, or confirms values `refusal` (when given) finds nothing wrong
// with: a refusal is shown as a warning with the dialog's caption, and the dialog stays open with
// what was typed. True on OK with values that can be taken.
bool runCheckedDialog(Window& window, DialogForm& form, const DialogRefusal& refusal = {});

// Each shows its dialog and applies OK; Cancel changes nothing. The two staging dialogs set
// `dwDialogAccepted` to 1 on OK and 0 on Cancel. True on OK.
// "Неверно задан <setting>!" with the detail on its own lines: the text of a refused setting.
std::string settingRefusal(const char* setting, const std::string& detail);

bool runSeriesParametersDialog(Window& window, AppState& state);
bool runLocationParametersDialog(Window& window, AppState& state, const DialogRefusal& refusal = {});
bool runStatisticsDisplayDialog(Window& window, AppState& state, bool recognition);

}  // namespace tessaline
