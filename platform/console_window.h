#pragma once
// The command line's window: it echoes each message to a stream, runs the commands sent to it
// through the command handler, lets the dialog answerer fill the dialogs and keeps the Tmin edit
// field's text. It records nothing else (no list of commands, invalidations, messages or dialogs),
// so a run of any number of steps holds it in the same memory.
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/collecting_sink.h"
#include "platform/window.h"

namespace tessaline {

class ConsoleWindow : public Window {
public:
    // With an echo stream, each message is also written there as "[caption] text".
    explicit ConsoleWindow(std::ostream* echo = nullptr) : echo_(echo) {}

    void showMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;
    void invalidate(const Rect& /*area*/, bool /*erase*/) override {}
    void invalidateAll(bool /*erase*/) override {}
    void checkMenuItem(int /*commandId*/, bool /*checked*/) override {}
    // Runs the command through the command handler, when one is set.
    void sendCommand(int commandId) override;
    void requestClose() override { closeRequested_ = true; }
    // Lets the dialog answerer edit the form; without an answerer every dialog is confirmed with
    // OK as shown.
    bool runDialog(DialogForm& form) override;
    // The console shows no picture, and asks for no file name (as if the user cancelled).
    WindowImage captureClientArea() override { return {}; }
    std::optional<std::string> chooseSaveFileName(const SaveFileRequest& /*request*/) override {
        return std::nullopt;
    }

    void setTminEditText(std::string_view text) override { tminEditText_ = text; }
    std::string tminEditText() const override { return tminEditText_; }

    void setDialogAnswerer(std::function<bool(DialogForm&)> answerer) {
        dialogAnswerer_ = std::move(answerer);
    }
    // Messages the filter turns down are not echoed.
    void setEchoFilter(std::function<bool(const ShownMessage&)> filter) { echoFilter_ = std::move(filter); }
    void setCommandHandler(std::function<void(int)> handler) { commandHandler_ = std::move(handler); }
    bool closeRequested() const { return closeRequested_; }

private:
    std::ostream* echo_;
    std::function<bool(const ShownMessage&)> echoFilter_;
    std::function<void(int)> commandHandler_;
    std::function<bool(DialogForm&)> dialogAnswerer_;
    std::string tminEditText_;
    bool closeRequested_ = false;
};

}  // namespace tessaline
