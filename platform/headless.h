#pragma once
// Headless window services: they keep a record of every message, invalidation and check mark,
// and can echo messages to a stream (the command line's console window).
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/window.h"

namespace tessaline {

struct ShownMessage {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
};

struct Invalidation {
    Rect area;  // the rectangle; meaningless when `whole` is set
    bool whole = false;
    bool erase = false;
};

class HeadlessWindow : public Window {
public:
    // With an echo stream, each message is also written there as "caption: text".
    explicit HeadlessWindow(std::ostream* echo = nullptr) : echo_(echo) {}

    void showMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;
    void invalidate(const Rect& area, bool erase) override;
    void invalidateAll(bool erase) override;
    void checkMenuItem(int commandId, bool checked) override;
    // Records the command and runs it through the command handler, when one is set.
    void sendCommand(int commandId) override;
    void requestClose() override { closeRequested_ = true; }
    // Records the form as shown and lets the dialog answerer edit it; without an answerer every
    // dialog is confirmed with OK as shown.
    bool runDialog(DialogForm& form) override;
    // The image set for capture (empty unless one is set).
    WindowImage captureClientArea() override { return shownImage_; }
    void setShownImage(WindowImage image) { shownImage_ = std::move(image); }
    // Records the request and returns the scripted answer (none unless one is set).
    std::optional<std::string> chooseSaveFileName(const SaveFileRequest& request) override;

    // The Tmin edit field's text, as the panel wrote it or a test typed it.
    void setTminEditText(std::string_view text) override { tminEditText_ = text; }
    std::string tminEditText() const override { return tminEditText_; }
    void placeTminEdit(const Rect& area) override { tminEditArea_ = area; }
    const Rect& tminEditArea() const { return tminEditArea_; }

    // The pointer's shape and capture, as the shell last set them.
    CursorShape setCursor(CursorShape shape) override { return std::exchange(cursor_, shape); }
    void captureMouse() override { mouseCaptured_ = true; }
    void releaseMouse() override { mouseCaptured_ = false; }
    CursorShape cursor() const { return cursor_; }
    bool mouseCaptured() const { return mouseCaptured_; }

    void setDialogAnswerer(std::function<bool(DialogForm&)> answerer) {
        dialogAnswerer_ = std::move(answerer);
    }
    const std::vector<DialogForm>& shownDialogs() const { return shownDialogs_; }
    void setSaveFileAnswer(std::optional<std::string> answer) { saveFileAnswer_ = std::move(answer); }
    const std::vector<SaveFileRequest>& saveFileRequests() const { return saveFileRequests_; }

    // Messages the filter turns down are still recorded, but not echoed.
    void setEchoFilter(std::function<bool(const ShownMessage&)> filter) { echoFilter_ = std::move(filter); }

    void setCommandHandler(std::function<void(int)> handler) { commandHandler_ = std::move(handler); }
    const std::vector<int>& sentCommands() const { return sentCommands_; }
    bool closeRequested() const { return closeRequested_; }

    const std::vector<ShownMessage>& messages() const { return messages_; }
    const std::vector<Invalidation>& invalidations() const { return invalidations_; }
    // Check mark of a menu entry; false for an entry never touched.
    bool isChecked(int commandId) const;
    void clearRecords();

private:
    std::ostream* echo_;
    std::function<bool(const ShownMessage&)> echoFilter_;
    std::vector<ShownMessage> messages_;
    std::vector<Invalidation> invalidations_;
    std::map<int, bool> checks_;
    std::vector<int> sentCommands_;
    std::function<void(int)> commandHandler_;
    bool closeRequested_ = false;
    std::function<bool(DialogForm&)> dialogAnswerer_;
    std::vector<DialogForm> shownDialogs_;
    WindowImage shownImage_;
    std::optional<std::string> saveFileAnswer_;
    std::vector<SaveFileRequest> saveFileRequests_;
    std::string tminEditText_;
    Rect tminEditArea_;
    CursorShape cursor_ = CursorShape::Arrow;
    bool mouseCaptured_ = false;
};

}  // namespace tessaline
