#include "app/dialogs.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <limits>

#include "app/messages.h"
#include "app/state.h"
#include "model/messages.h"
#include "platform/formatting.h"
#include "platform/window.h"

namespace tessaline {
namespace {

std::string_view limited(std::string_view text) {
    return text.substr(0, std::min(text.size(), EDIT_TEXT_LIMIT));
}

}  // namespace

void addGroup(DialogForm& form, std::string caption) {
    form.controls.push_back({0, ControlKind::Group, std::move(caption), false, true, 0});
}

void addEdit(DialogForm& form, int id, std::string label, int64_t value) {
    form.controls.push_back({0, ControlKind::Label, std::move(label), false, true, 0});
    form.controls.push_back({id, ControlKind::Edit, std::to_string(value), false, true, 0});
}

void addRadio(DialogForm& form, int id, std::string caption, bool checked, int group) {
    form.controls.push_back({id, ControlKind::RadioButton, std::move(caption), checked, true, group});
}

void addCheck(DialogForm& form, int id, std::string caption, bool checked) {
    form.controls.push_back({id, ControlKind::CheckBox, std::move(caption), checked, true, 0});
}

int32_t numberOf(const DialogForm& form, int id) {
    const DialogControl* control = form.find(id);
    return control == nullptr ? 0 : editNumber(control->text);
}

bool checkedIn(const DialogForm& form, int id) {
    const DialogControl* control = form.find(id);
    return control != nullptr && control->checked;
}

int32_t editNumber(std::string_view text) noexcept {
    text = limited(text);
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    int64_t value = 0;
    constexpr int64_t LIMIT = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        value = std::min<int64_t>(value * 10 + (text[at] - '0'), LIMIT);
    }
    if (negative) value = -value;
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

double editReal(std::string_view text) {
    const std::string copy(limited(text));
    return std::strtod(copy.c_str(), nullptr);
}

std::string upperBoundText(double value) { return formatted("%.5g", value); }

DialogForm seriesParametersForm(const AppState& state) {
    DialogForm form{DIALOG_SERIES_PARAMETERS, app_text::SERIES_PARAMETERS_TITLE, {}};
    addGroup(form, "Parameters for creating series");
    addEdit(form, EDIT_SERIES_LENGTH, "Samples Length", state.series.dwSeriesLength);
    addEdit(form, EDIT_TMIN, "Min Length of Interval", state.series.wTmin);
    addEdit(form, EDIT_TMAX, "Max Length of Interval", state.series.wTmax);
    addEdit(form, EDIT_ETALON_NUMBER, "Etalon Number", state.selection.dwCurrentEtalon);
    addEdit(form, EDIT_MAKING_LEVEL, "Saved Energy Level (from 0 to 100)", state.noise.wMakingEnergyLevel);
    addGroup(form, "Parameters for processing series");
    addEdit(form, EDIT_PROCESSING_LEVEL, "Saved Energy Level (from 0 to 100)",
            state.noise.wProcessingEnergyLevel);
    return form;
}

void acceptSeriesParameters(AppState& state, const DialogForm& form) {
    state.staging.dwSeriesLength = static_cast<uint32_t>(numberOf(form, EDIT_SERIES_LENGTH));
    state.staging.wTmin = static_cast<uint16_t>(numberOf(form, EDIT_TMIN));
    state.staging.wTmax = static_cast<uint16_t>(numberOf(form, EDIT_TMAX));
    state.selection.dwDefaultEtalon = numberOf(form, EDIT_ETALON_NUMBER);
    state.staging.wMakingEnergyLevel = static_cast<uint16_t>(numberOf(form, EDIT_MAKING_LEVEL));
    state.staging.wProcessingEnergyLevel = static_cast<uint16_t>(numberOf(form, EDIT_PROCESSING_LEVEL));
}

DialogForm locationParametersForm(const AppState& state) {
    DialogForm form{DIALOG_LOCATION_PARAMETERS, app_text::LOCATION_PARAMETERS_TITLE, {}};
    addGroup(form, " Number of Pulses in Series ");
    addEdit(form, EDIT_PULSES_FROM, "from", state.staging.wLeastPulses);
    addEdit(form, EDIT_PULSES_TO, "to", state.staging.wMostPulses);
    addEdit(form, EDIT_PULSES_INCREMENT, "incr.", state.grid.wPulsesIncrement);
    addEdit(form, EDIT_REPEATS, "Number of Repeats", state.grid.wRepeats);
    addGroup(form, " Noise parameters ");
    addEdit(form, EDIT_NOISE_FROM, "Initial Level", state.grid.wNoiseFrom);
    addEdit(form, EDIT_NOISE_STEPS, "Number of Steps in Simulation", state.grid.wNoiseSteps);
    addEdit(form, EDIT_NOISE_INCREMENT, "Noise Increment per Step", state.grid.wNoiseIncrement);
    return form;
}

void acceptLocationParameters(AppState& state, const DialogForm& form) {
    state.staging.wLeastPulses = static_cast<uint16_t>(numberOf(form, EDIT_PULSES_FROM));
    state.staging.wMostPulses = static_cast<uint16_t>(numberOf(form, EDIT_PULSES_TO));
    state.grid.wPulsesIncrement = static_cast<uint16_t>(numberOf(form, EDIT_PULSES_INCREMENT));
    state.grid.wNoiseFrom = static_cast<uint16_t>(numberOf(form, EDIT_NOISE_FROM));
    state.grid.wNoiseSteps = static_cast<uint16_t>(numberOf(form, EDIT_NOISE_STEPS));
    state.grid.wNoiseIncrement = static_cast<uint16_t>(numberOf(form, EDIT_NOISE_INCREMENT));
    state.grid.wRepeats = static_cast<uint16_t>(numberOf(form, EDIT_REPEATS));
}

DialogForm statisticsDisplayForm(const AppState& state, bool recognition) {
    DialogForm form{
        recognition ? DIALOG_RECOGNITION_STATISTICS_DISPLAY : DIALOG_STATISTICS_DISPLAY,
        recognition ? app_text::RECOGNITION_STATISTICS_DISPLAY_TITLE : app_text::STATISTICS_DISPLAY_TITLE,
        {}};
    const int32_t handling = state.statistics.dwHandlingCase;
    addGroup(form, " Handling case ");
    addRadio(form, RADIO_RESTORING_ERROR, "restoring error", handling != 2 && !(recognition && handling == 3),
             1);
    addRadio(form, RADIO_DETECTION_ERROR, "detection error", handling == 2, 1);
    if (recognition) addRadio(form, RADIO_RECOGNITION_ERROR, "recognition error", handling == 3, 1);
    addGroup(form, " View case ");
    addRadio(form, RADIO_COMPONENTWISE, "componentwise", state.statistics.dwViewCase != 2, 2);
    addRadio(form, RADIO_SUMMARY_VIEW, "summary view", state.statistics.dwViewCase == 2, 2);
    addGroup(form, " Upper bound case ");
    addCheck(form, CHECK_FIXED_UPPER_BOUND, "fixed upper bound", state.statistics.dwFixedUpperBound != 0);
    form.controls.push_back({0, ControlKind::Label, "upper bound", false, true, 0});
    form.controls.push_back(
        {EDIT_UPPER_BOUND, ControlKind::Edit, upperBoundText(state.statistics.dUpperBound), false, true, 0});
    if (recognition)
        addCheck(form, CHECK_BOUNDS_INCLUDED, "bounds incl.", state.statistics.dwBoundsIncluded != 0);
    return form;
}

void acceptStatisticsDisplay(AppState& state, const DialogForm& form, bool recognition) {
    // A radio group's option changes only when another button than the one shown checked at
    // start was clicked; so a value the buttons cannot show (a handling case of 3 in the dialog
    // without "recognition error") survives OK.
    const DialogForm shown = statisticsDisplayForm(state, recognition);
    const auto clicked = [&](int id) { return checkedIn(form, id) && !checkedIn(shown, id); };
    if (clicked(RADIO_RESTORING_ERROR)) state.statistics.dwHandlingCase = 1;
    if (clicked(RADIO_DETECTION_ERROR)) state.statistics.dwHandlingCase = 2;
    if (recognition && clicked(RADIO_RECOGNITION_ERROR)) state.statistics.dwHandlingCase = 3;
    if (clicked(RADIO_COMPONENTWISE)) state.statistics.dwViewCase = 1;
    if (clicked(RADIO_SUMMARY_VIEW)) state.statistics.dwViewCase = 2;
    state.statistics.dwFixedUpperBound = checkedIn(form, CHECK_FIXED_UPPER_BOUND) ? 1 : 0;
    if (state.statistics.dwFixedUpperBound != 0) {
        const DialogControl* edit = form.find(EDIT_UPPER_BOUND);
        state.statistics.dUpperBound = edit == nullptr ? 0.0 : editReal(edit->text);
    }
    if (recognition) state.statistics.dwBoundsIncluded = checkedIn(form, CHECK_BOUNDS_INCLUDED) ? 1 : 0;
}

bool runCheckedDialog(Window& window, DialogForm& form, const DialogRefusal& refusal) {
    while (window.runDialog(form)) {
        const std::string refused = refusal ? refusal(form) : std::string();
        if (refused.empty()) return true;
        window.showMessage(refused, form.caption, MessageIcon::Warning);
    }
    return false;
}

std::string seriesParametersRefusal(const AppState& state, const DialogForm& form) {
    // Read as OK would store them: the edits truncated to their fields' widths.
    const auto field16 = [&](int id) { return static_cast<uint16_t>(numberOf(form, id)); };
    std::string refused =
        seriesSettingsRefusal(state.alphabet.wEtalonLength, field16(EDIT_TMIN), field16(EDIT_TMAX),
                              static_cast<uint32_t>(numberOf(form, EDIT_SERIES_LENGTH)));
    if (!refused.empty()) return refused;
    const int32_t etalon = numberOf(form, EDIT_ETALON_NUMBER);
    if (etalon < 1 || etalon > state.alphabet.wEtalonsQuantity) {
        return settingRefusal("dwDefaultEtalon",
                              app_text::defaultEtalonOutOfRange(etalon, state.alphabet.wEtalonsQuantity));
    }
    for (const auto& [id, name] : {std::pair{EDIT_MAKING_LEVEL, "wMakingEnergyLevel"},
                                   std::pair{EDIT_PROCESSING_LEVEL, "wProcessingEnergyLevel"}}) {
        if (field16(id) > 100) {
            return settingRefusal(name, app_text::energyLevelOutOfRange(name, field16(id)));
        }
    }
    return {};
}

bool runSeriesParametersDialog(Window& window, AppState& state) {
    DialogForm form = seriesParametersForm(state);
    const bool accepted = runCheckedDialog(
        window, form, [&](const DialogForm& edited) { return seriesParametersRefusal(state, edited); });
    if (accepted) acceptSeriesParameters(state, form);
    state.dwDialogAccepted = accepted ? 1 : 0;
    return accepted;
}

bool runLocationParametersDialog(Window& window, AppState& state, const DialogRefusal& refusal) {
    DialogForm form = locationParametersForm(state);
    const bool accepted = runCheckedDialog(window, form, refusal);
    if (accepted) acceptLocationParameters(state, form);
    state.dwDialogAccepted = accepted ? 1 : 0;
    return accepted;
}

bool runStatisticsDisplayDialog(Window& window, AppState& state, bool recognition) {
    DialogForm form = statisticsDisplayForm(state, recognition);
    const bool accepted = runCheckedDialog(window, form);
    if (accepted) acceptStatisticsDisplay(state, form, recognition);
    return accepted;
}

std::string settingRefusal(const char* setting, const std::string& detail) {
    return model_text::settingRefused(setting, detail);
}

}  // namespace tessaline
