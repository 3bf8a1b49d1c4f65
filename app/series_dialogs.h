#pragma once
// The two dialogs of series making by hand: the series structure (how many pulses, which etalons in
// which order, the noise level) and the list of required etalons. Etalon lists are edited as
// comma-separated numbers.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog.h"

namespace tessaline {

class Window;
struct AppState;

// Dialog numbers.
inline constexpr int DIALOG_SERIES_STRUCTURE = 106;
inline constexpr int DIALOG_REQUIRED_ETALONS = 107;

// Controls of the series-structure dialog.
inline constexpr int EDIT_STRUCTURE_PULSES = 1007;
inline constexpr int LABEL_STRUCTURE_PULSES = 1008;
inline constexpr int LABEL_STRUCTURE_SEQUENCE = 1009;
inline constexpr int EDIT_STRUCTURE_SEQUENCE = 1010;
inline constexpr int EDIT_STRUCTURE_NOISE = 1011;

// Controls of the required-etalons dialog.
inline constexpr int LABEL_REQUIRED_LIST = 1012;
inline constexpr int EDIT_REQUIRED_LIST = 1013;
inline constexpr int EDIT_REQUIRED_COUNT = 1014;

// Numbers as a list edit shows them: "3,1,12" (each followed by a comma, the last comma dropped).
std::string numberListText(std::span<const uint16_t> numbers);
// Exactly `count` entries read from a list edit: each the number the text starts with from the
// current place on, the place then moved past the first comma or blank; entries past the end of
// the text are 0 and extra typed numbers are ignored.
std::vector<int32_t> readNumberList(std::string_view text, std::size_t count);

// The forms as the dialogs show them at start.
DialogForm seriesStructureForm(const AppState& state);
DialogForm requiredEtalonsForm(const AppState& state);

// The pulse count the series-structure form sets: the typed count, or the middle of the staged
// bounds when it lies outside them. So many etalons of the typed sequence are read.
uint16_t structurePulseCount(const AppState& state, const DialogForm& form);

// What each dialog refuses on OK (a warning text), or an empty text: a noise level outside
// 0..NOISE_LEVEL_LIMIT, an etalon number outside 1..wEtalonsQuantity among the entries read.
std::string seriesStructureRefusal(const AppState& state, const DialogForm& form);
std::string requiredEtalonsRefusal(const AppState& state, const DialogForm& form);

// What OK does with an edited form.
void acceptSeriesStructure(AppState& state, const DialogForm& form);
void acceptRequiredEtalons(AppState& state, const DialogForm& form);

// Each shows its dialog until it is cancelled or confirmed with values it can take, and applies
// OK; Cancel changes nothing. `dwDialogAccepted` is 1 on OK and 0 on Cancel. True on OK.
bool runSeriesStructureDialog(Window& window, AppState& state);
bool runRequiredEtalonsDialog(Window& window, AppState& state);

}  // namespace tessaline
