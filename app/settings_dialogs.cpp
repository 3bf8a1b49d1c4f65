#include "app/settings_dialogs.h"

#include <array>
#include <cstdint>
#include <utility>

#include "app/dialogs.h"
#include "app/messages.h"
#include "app/state.h"
#include "platform/window.h"

namespace tessaline {
namespace {

// The employment modes 1 .. 5 and the proceeding modes 1 and 2 with their buttons and captions.
struct ModeButton {
    int id;
    const char* caption;
    uint16_t mode;
};
constexpr std::array<ModeButton, 5> EMPLOYMENT_BUTTONS{{{RADIO_SINGLE_RANDOM, "Single random ", 1},
                                                        {RADIO_SINGLE_FIXED, "Single fixed", 2},
                                                        {RADIO_MULTIPLE_RANDOM, "Multiple random", 3},
                                                        {RADIO_COMPLETE, "Complete ", 4},
                                                        {RADIO_SHIFTED_COMPLETE, "Shifted complete", 5}}};
constexpr std::array<ModeButton, 2> PROCEEDING_BUTTONS{
    {{RADIO_PROCEEDING_COMPLETE, "Complete ", 1},
     {RADIO_PROCEEDING_SHIFTED, "Probably shifted complete", 2}}};
constexpr std::array<ModeButton, 3> TUPLES_BUTTONS{
    {{RADIO_TUPLES_DOTTED_FRAME, "dotted frame", 1},
     {RADIO_TUPLES_COLOURED_BACKGROUND, "coloured background", 2},
     {RADIO_TUPLES_NONE, "none", 0}}};

// The drawing options with their check boxes.
struct OptionBox {
    int id;
    const char* caption;
    int32_t DrawingOptions::*option;
};
constexpr std::array<OptionBox, 4> DRAWING_BOXES{
    {{CHECK_FRAME_GRAPH_FIELDS, "frame graph fields", &DrawingOptions::dwFrameGraphFields},
     {CHECK_SHADED_ORIGINAL_PULSES, "shaded original pulses", &DrawingOptions::dwShadedOriginalPulses},
     {CHECK_HIGHLIGHT_DETECTED_PULSES, "highlight detected pulses",
      &DrawingOptions::dwHighlightDetectedPulses},
     {CHECK_SPECIAL_GRAPH_SIZE, "special graph size", &DrawingOptions::dwSpecialGraphSize}}};

// The button a mode shows checked: its own, or `fallback` for a mode no button stands for.
template <std::size_t N>
int shownButton(const std::array<ModeButton, N>& buttons, uint16_t mode, int fallback) {
    for (const ModeButton& button : buttons) {
        if (button.mode == mode) return button.id;
    }
    return fallback;
}

template <std::size_t N>
void addModeButtons(DialogForm& form, const std::array<ModeButton, N>& buttons, int checked, int group) {
    for (const ModeButton& button : buttons)
        addRadio(form, button.id, button.caption, button.id == checked, group);
}

// The mode of the button checked in `form` when another one than at start (in `shown`) is checked;
// otherwise `mode` unchanged.
template <std::size_t N>
uint16_t clickedMode(const std::array<ModeButton, N>& buttons, const DialogForm& shown,
                     const DialogForm& form, uint16_t mode) {
    for (const ModeButton& button : buttons) {
        if (checkedIn(form, button.id) && !checkedIn(shown, button.id)) return button.mode;
    }
    return mode;
}

}  // namespace

DialogForm subsetSettingsForm(const AppState& state) {
    DialogForm form{DIALOG_SUBSET_SETTINGS, app_text::SUBSET_SETTINGS_TITLE, {}};
    addGroup(form, " Subset employment ");
    addModeButtons(form, EMPLOYMENT_BUTTONS,
                   shownButton(EMPLOYMENT_BUTTONS, state.subsets.wSubsetEmployment, RADIO_COMPLETE), 1);
    addEdit(form, EDIT_SUBSET_INIT_POSITION, "Subset init position", state.subsets.wSubsetInitPosition);
    // The label and the edit just added are shown but cannot be changed.
    form.controls[form.controls.size() - 2].enabled = false;
    form.controls.back().enabled = false;
    addGroup(form, " Subset proceeding ");
    addModeButtons(
        form, PROCEEDING_BUTTONS,
        state.subsets.wSubsetProceeding == 2 ? RADIO_PROCEEDING_SHIFTED : RADIO_PROCEEDING_COMPLETE, 2);
    return form;
}

void acceptSubsetSettings(AppState& state, const DialogForm& form) {
    const DialogForm shown = subsetSettingsForm(state);
    state.subsets.wSubsetEmployment =
        clickedMode(EMPLOYMENT_BUTTONS, shown, form, state.subsets.wSubsetEmployment);
    state.subsets.wSubsetProceeding =
        clickedMode(PROCEEDING_BUTTONS, shown, form, state.subsets.wSubsetProceeding);
    // Read although the edit is disabled: it gives back the value it was shown with.
    state.subsets.wSubsetInitPosition = static_cast<uint16_t>(numberOf(form, EDIT_SUBSET_INIT_POSITION));
}

DialogForm drawingSettingsForm(const AppState& state) {
    DialogForm form{DIALOG_DRAWING_SETTINGS, app_text::DRAWING_SETTINGS_TITLE, {}};
    for (const OptionBox& box : DRAWING_BOXES)
        addCheck(form, box.id, box.caption, state.drawing.*box.option != 0);
    addGroup(form, " Highlight detected tuples ");
    addModeButtons(
        form, TUPLES_BUTTONS,
        shownButton(TUPLES_BUTTONS, state.drawing.wTuplesHighlight, RADIO_TUPLES_COLOURED_BACKGROUND), 1);
    return form;
}

void acceptDrawingSettings(AppState& state, const DialogForm& form) {
    const DialogForm shown = drawingSettingsForm(state);
    for (const OptionBox& box : DRAWING_BOXES) {
        const bool checked = checkedIn(form, box.id);
        if (checked != checkedIn(shown, box.id)) state.drawing.*box.option = checked ? 1 : 0;
    }
    state.drawing.wTuplesHighlight = clickedMode(TUPLES_BUTTONS, shown, form, state.drawing.wTuplesHighlight);
}

bool runSubsetSettingsDialog(Window& window, AppState& state) {
    DialogForm form = subsetSettingsForm(state);
    const bool accepted = runCheckedDialog(window, form);
    if (accepted) acceptSubsetSettings(state, form);
    return accepted;
}

bool runDrawingSettingsDialog(Window& window, AppState& state) {
    DialogForm form = drawingSettingsForm(state);
    const bool accepted = runCheckedDialog(window, form);
    if (accepted) acceptDrawingSettings(state, form);
    return accepted;
}

}  // namespace tessaline
