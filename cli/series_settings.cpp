#include "cli/series_settings.h"

#include <algorithm>
#include <functional>

#include "app/command_ids.h"
#include "app/commands.h"
#include "app/dialogs.h"
#include "app/series_dialogs.h"
#include "platform/window.h"

namespace tessaline::cli {
namespace {

// The window, with its dialogs answered by a function instead of the user.
class AnsweringWindow : public Window {
public:
    AnsweringWindow(Window& inner, std::function<bool(DialogForm&)> answer)
        : inner_(inner), answer_(std::move(answer)) {}
    void showMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
        inner_.showMessage(text, caption, icon);
    }
    void invalidate(const Rect& area, bool erase) override { inner_.invalidate(area, erase); }
    void invalidateAll(bool erase) override { inner_.invalidateAll(erase); }
    void checkMenuItem(int commandId, bool checked) override { inner_.checkMenuItem(commandId, checked); }
    void sendCommand(int commandId) override { inner_.sendCommand(commandId); }
    void requestClose() override { inner_.requestClose(); }
    bool runDialog(DialogForm& form) override { return answer_(form); }
    WindowImage captureClientArea() override { return inner_.captureClientArea(); }
    std::optional<std::string> chooseSaveFileName(const SaveFileRequest& request) override {
        return inner_.chooseSaveFileName(request);
    }
    void setTminEditText(std::string_view text) override { inner_.setTminEditText(text); }
    std::string tminEditText() const override { return inner_.tminEditText(); }
    void placeTminEdit(const Rect& area) override { inner_.placeTminEdit(area); }
    CursorShape setCursor(CursorShape shape) override { return inner_.setCursor(shape); }
    void captureMouse() override { inner_.captureMouse(); }
    void releaseMouse() override { inner_.releaseMouse(); }

private:
    Window& inner_;
    std::function<bool(DialogForm&)> answer_;
};

std::string listText(const std::vector<int>& numbers) {
    std::string text;
    for (int number : numbers) text += std::to_string(number) + ",";
    if (!text.empty()) text.pop_back();
    return text;
}

// The pulse count " Create series... " makes the series with: --pulses, or the middle of the
// counts the series geometry admits (the least raised to 1). 0 for a geometry with no gaps.
int createdPulseCount(const RunSettings& settings, const AppState& state) {
    const int n = state.alphabet.wEtalonLength;
    const int Tmin = settings.tmin.value_or(state.series.wTmin);
    const int Tmax = settings.tmax.value_or(state.series.wTmax);
    const int N = settings.length.value_or(static_cast<int>(state.series.dwRequestedSeriesLength));
    if (Tmin < 1 || Tmax < 1) return 0;
    const int least = std::max(1, (N + n - 1) / Tmax);
    const int most = (N - n + Tmin) / Tmin;
    return settings.pulses.value_or((least + most) / 2);
}

std::string checkEtalonList(const char* option, const std::vector<int>& numbers, int etalons) {
    for (int number : numbers) {
        if (number < 1 || number > etalons) {
            return std::string(option) + ": etalon " + std::to_string(number) + " is not in 1.." +
                   std::to_string(etalons);
        }
    }
    return {};
}

std::string checkRequiredCount(const RunSettings& settings, const AppState& state) {
    if (!settings.requiredCount) return {};
    if (!settings.required) return "--required-count goes with --required";
    const int count = *settings.requiredCount;
    if (count < 1 || count > state.selection.wRequiredCapacity) {
        return "--required-count " + std::to_string(count) + " is not in 1.." +
               std::to_string(state.selection.wRequiredCapacity);
    }
    const auto listed = static_cast<int>(settings.required->size());
    if (listed == count) return {};
    return "--required-count " + std::to_string(count) + " needs " + std::to_string(count) +
           " etalons in --required, not " + std::to_string(listed);
}

std::string checkSequence(const RunSettings& settings, const AppState& state) {
    if (!settings.sequence) return {};
    if (!settings.createSeries) return "--sequence goes with --create-series";
    if (std::string error =
            checkEtalonList("--sequence", *settings.sequence, state.alphabet.wEtalonsQuantity);
        !error.empty()) {
        return error;
    }
    if (listText(*settings.sequence).size() > EDIT_TEXT_LIMIT) {
        return "--sequence: the sequence edit holds at most " + std::to_string(EDIT_TEXT_LIMIT) +
               " characters";
    }
    const int pulses = createdPulseCount(settings, state);
    const auto listed = static_cast<int>(settings.sequence->size());
    if (listed == pulses) return {};
    return "--sequence lists " + std::to_string(listed) + " etalons for a series of " +
           std::to_string(pulses) + " pulses" +
           (settings.pulses ? "" : " (the middle of the counts it admits; give --pulses)");
}

// Answers each dialog once as `fill` says and confirms it; a dialog shown again (it refused what
// was typed) is cancelled.
std::function<bool(DialogForm&)> answerOnce(std::function<void(DialogForm&)> fill) {
    return [fill = std::move(fill), last = 0](DialogForm& form) mutable {
        if (form.resource == last) return false;
        last = form.resource;
        fill(form);
        return true;
    };
}

void setEdit(DialogForm& form, int id, const std::string& text) {
    if (DialogControl* edit = form.find(id)) edit->text = text;
}

}  // namespace

std::string checkSeriesMaking(const RunSettings& settings, const AppState& state) {
    if (std::string error = checkRequiredCount(settings, state); !error.empty()) return error;
    return checkSequence(settings, state);
}

void applySeriesMaking(Window& window, AppState& state, const RunSettings& settings) {
    if (settings.requiredCount) {
        AnsweringWindow answering(window, answerOnce([&](DialogForm& form) {
                                      setEdit(form, EDIT_REQUIRED_COUNT,
                                              std::to_string(*settings.requiredCount));
                                      setEdit(form, EDIT_REQUIRED_LIST, listText(*settings.required));
                                  }));
        dispatchCommand(answering, state, CMD_NEW_PULSES);
    }
    if (!settings.createSeries) return;
    AnsweringWindow answering(window, answerOnce([&](DialogForm& form) {
                                  // The series parameters show the length in use; the run's is the
                                  // requested one.
                                  if (form.resource == DIALOG_SERIES_PARAMETERS) {
                                      setEdit(form, EDIT_SERIES_LENGTH,
                                              std::to_string(state.series.dwRequestedSeriesLength));
                                      return;
                                  }
                                  if (settings.pulses)
                                      setEdit(form, EDIT_STRUCTURE_PULSES, std::to_string(*settings.pulses));
                                  if (settings.sequence)
                                      setEdit(form, EDIT_STRUCTURE_SEQUENCE, listText(*settings.sequence));
                                  if (settings.noise)
                                      setEdit(form, EDIT_STRUCTURE_NOISE, std::to_string(*settings.noise));
                              }));
    dispatchCommand(answering, state, CMD_CREATE_SERIES);
}

}  // namespace tessaline::cli
