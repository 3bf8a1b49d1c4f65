#include "app/series_dialogs.h"

#include <algorithm>
#include <cctype>

#include "app/dialogs.h"
#include "app/messages.h"
#include "app/state.h"
#include "model/random.h"
#include "platform/formatting.h"
#include "platform/window.h"

namespace tessaline {
namespace {

void addLabel(DialogForm& form, int id, std::string text) {
    form.controls.push_back({id, ControlKind::Label, std::move(text), false, true, 0});
}

void addTextEdit(DialogForm& form, int id, std::string text) {
    form.controls.push_back({id, ControlKind::Edit, std::move(text), false, true, 0});
}

std::string textOf(const DialogForm& form, int id) {
    const DialogControl* control = form.find(id);
    return control == nullptr ? std::string() : control->text;
}

// The first entry outside 1..k, as a refusal naming its place (1-based), or an empty text.
std::string etalonRefusal(const char* setting, const std::vector<int32_t>& entries, int32_t k) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i] < 1 || entries[i] > k) {
            return settingRefusal(setting, app_text::etalonEntryOutOfRange(
                                               i + 1, static_cast<int>(entries[i]), static_cast<int>(k)));
        }
    }
    return {};
}

// The required count the form sets: the typed one when it fits the list, else the one in force.
uint16_t requiredCountOf(const AppState& state, const DialogForm& form) {
    const int32_t typed = numberOf(form, EDIT_REQUIRED_COUNT);
    return typed > 0 && typed <= state.selection.wRequiredCapacity ? static_cast<uint16_t>(typed)
                                                                   : state.selection.wRequiredQuantity;
}

std::size_t requiredListLength(const AppState& state, uint16_t count) {
    return state.selection.lpRequiredList == nullptr ? 0 : std::min(count, state.selection.wRequiredCapacity);
}

}  // namespace

std::string numberListText(std::span<const uint16_t> numbers) {
    std::string text;
    for (uint16_t number : numbers) appendf(text, "%d,", number);
    if (!text.empty()) text.pop_back();
    return text;
}

std::vector<int32_t> readNumberList(std::string_view text, std::size_t count) {
    text = text.substr(0, std::min(text.size(), EDIT_TEXT_LIMIT));
    std::vector<int32_t> entries;
    entries.reserve(count);
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        entries.push_back(editNumber(text.substr(at)));
        // The blanks the conversion skipped belong to this entry, so a blank after a comma is
        // harmless; a blank after the digits ends the entry as a comma does.
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        while (at < text.size()) {
            const char c = text[at++];
            if (c == ',' || c == ' ') break;
        }
    }
    return entries;
}

DialogForm seriesStructureForm(const AppState& state) {
    DialogForm form{DIALOG_SERIES_STRUCTURE, app_text::SERIES_STRUCTURE_TITLE, {}};
    addGroup(form, " Series structure ");
    addLabel(form, LABEL_STRUCTURE_PULSES,
             formatted("Number of Pulses in Series (from %d to %d)", state.staging.wLeastPulses,
                       state.staging.wMostPulses));
    addTextEdit(form, EDIT_STRUCTURE_PULSES, std::to_string(state.series.wPulsesNumber));
    addLabel(
        form, LABEL_STRUCTURE_SEQUENCE,
        formatted("Sequence of Etalons in Series (values from 1 to %d)", state.alphabet.wEtalonsQuantity));
    const std::size_t shown =
        state.selection.lpEditedSequence == nullptr
            ? 0
            : std::min(state.series.wPulsesNumber, state.selection.wEditedSequenceCapacity);
    addTextEdit(form, EDIT_STRUCTURE_SEQUENCE, numberListText({state.selection.lpEditedSequence, shown}));
    addEdit(form, EDIT_STRUCTURE_NOISE, "Noise Level", state.noise.wNoiseLevel);
    return form;
}

uint16_t structurePulseCount(const AppState& state, const DialogForm& form) {
    const int32_t typed = numberOf(form, EDIT_STRUCTURE_PULSES);
    const DialogStaging& staged = state.staging;
    if (typed >= staged.wLeastPulses && typed <= staged.wMostPulses) return static_cast<uint16_t>(typed);
    return static_cast<uint16_t>((staged.wLeastPulses + staged.wMostPulses) / 2);
}

std::string seriesStructureRefusal(const AppState& state, const DialogForm& form) {
    const int32_t noise = numberOf(form, EDIT_STRUCTURE_NOISE);
    if (noise < 0 || noise > NOISE_LEVEL_LIMIT) {
        return settingRefusal(
            "wNoiseLevel",
            app_text::noiseLevelOutOfRange(static_cast<int>(noise), static_cast<int>(NOISE_LEVEL_LIMIT)));
    }
    const std::vector<int32_t> entries =
        readNumberList(textOf(form, EDIT_STRUCTURE_SEQUENCE), structurePulseCount(state, form));
    return etalonRefusal("lpEditedSequence", entries, state.alphabet.wEtalonsQuantity);
}

void acceptSeriesStructure(AppState& state, const DialogForm& form) {
    state.series.wDialogPulses = static_cast<uint16_t>(numberOf(form, EDIT_STRUCTURE_PULSES));
    const std::size_t places =
        state.selection.lpEditedSequence == nullptr ? 0 : state.selection.wEditedSequenceCapacity;
    const std::vector<int32_t> entries =
        readNumberList(textOf(form, EDIT_STRUCTURE_SEQUENCE),
                       std::min<std::size_t>(structurePulseCount(state, form), places));
    std::transform(entries.begin(), entries.end(), state.selection.lpEditedSequence,
                   [](int32_t entry) { return static_cast<uint16_t>(entry); });
    state.staging.wNoiseLevel = static_cast<uint16_t>(numberOf(form, EDIT_STRUCTURE_NOISE));
}

DialogForm requiredEtalonsForm(const AppState& state) {
    DialogForm form{DIALOG_REQUIRED_ETALONS, app_text::REQUIRED_ETALONS_TITLE, {}};
    addEdit(form, EDIT_REQUIRED_COUNT, "Number of Required Etalons", state.selection.wRequiredQuantity);
    addLabel(form, LABEL_REQUIRED_LIST,
             formatted("List of Required Etalons (from 1 to %d)", state.alphabet.wEtalonsQuantity));
    const std::size_t shown = requiredListLength(state, state.selection.wRequiredQuantity);
    addTextEdit(form, EDIT_REQUIRED_LIST, numberListText({state.selection.lpRequiredList, shown}));
    return form;
}

std::string requiredEtalonsRefusal(const AppState& state, const DialogForm& form) {
    const std::vector<int32_t> entries = readNumberList(
        textOf(form, EDIT_REQUIRED_LIST), requiredListLength(state, requiredCountOf(state, form)));
    return etalonRefusal("lpRequiredList", entries, state.alphabet.wEtalonsQuantity);
}

void acceptRequiredEtalons(AppState& state, const DialogForm& form) {
    state.selection.wRequiredQuantity = requiredCountOf(state, form);
    const std::vector<int32_t> entries = readNumberList(
        textOf(form, EDIT_REQUIRED_LIST), requiredListLength(state, state.selection.wRequiredQuantity));
    std::transform(entries.begin(), entries.end(), state.selection.lpRequiredList,
                   [](int32_t entry) { return static_cast<uint16_t>(entry); });
}

bool runSeriesStructureDialog(Window& window, AppState& state) {
    DialogForm form = seriesStructureForm(state);
    const bool accepted = runCheckedDialog(
        window, form, [&](const DialogForm& typed) { return seriesStructureRefusal(state, typed); });
    if (accepted) acceptSeriesStructure(state, form);
    state.dwDialogAccepted = accepted ? 1 : 0;
    return accepted;
}

bool runRequiredEtalonsDialog(Window& window, AppState& state) {
    DialogForm form = requiredEtalonsForm(state);
    const bool accepted = runCheckedDialog(
        window, form, [&](const DialogForm& typed) { return requiredEtalonsRefusal(state, typed); });
    if (accepted) acceptRequiredEtalons(state, form);
    state.dwDialogAccepted = accepted ? 1 : 0;
    return accepted;
}

}  // namespace tessaline
