#pragma once
// The recording window of the tests: the command line's console window that also keeps a record
// of every message, invalidation, check mark, command, dialog and save question, shows the image
// it is given and answers the save question as scripted.
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/console_window.h"

namespace tessaline {

struct Invalidation {
    Rect area;  // the rectangle; meaningless when `whole` is set
    bool whole = false;
    bool erase = false;
};

class HeadlessWindow : public ConsoleWindow {
public:
    // With an echo stream, each message is also written there as "[caption] text".
    explicit HeadlessWindow(std::ostream* echo = nullptr) : ConsoleWindow(echo) {}

    // Messages the echo filter turns down are still recorded.
    void showMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;
    void invalidate(const Rect& area, bool erase) override;
    void invalidateAll(bool erase) override;
    void checkMenuItem(int commandId, bool checked) override;
    // Records the command and runs it through the command handler, when one is set.
    void sendCommand(int commandId) override;
    // Records the form as shown and lets the dialog answerer edit it.
    bool runDialog(DialogForm& form) override;
    // The image set for capture (empty unless one is set).
    WindowImage captureClientArea() override { return shownImage_; }
    void setShownImage(WindowImage image) { shownImage_ = std::move(image); }
    // Records the request and returns the scripted answer (none unless one is set).
    std::optional<std::string> chooseSaveFileName(const SaveFileRequest& request) override;

    void placeTminEdit(const Rect& area) override { tminEditArea_ = area; }
    const Rect& tminEditArea() const { return tminEditArea_; }

    // The pointer's shape and capture, as the shell last set them.
    CursorShape setCursor(CursorShape shape) override { return std::exchange(cursor_, shape); }
    void captureMouse() override { mouseCaptured_ = true; }
    void releaseMouse() override { mouseCaptured_ = false; }
    CursorShape cursor() const { return cursor_; }
    bool mouseCaptured() const { return mouseCaptured_; }

    const std::vector<DialogForm>& shownDialogs() const { return shownDialogs_; }
    void setSaveFileAnswer(std::optional<std::string> answer) { saveFileAnswer_ = std::move(answer); }
    const std::vector<SaveFileRequest>& saveFileRequests() const { return saveFileRequests_; }

    const std::vector<int>& sentCommands() const { return sentCommands_; }
    const std::vector<ShownMessage>& messages() const { return messages_.messages(); }
    const std::vector<Invalidation>& invalidations() const { return invalidations_; }
    // Check mark of a menu entry; false for an entry never touched.
    bool isChecked(int commandId) const;
    void clearRecords();

private:
    CollectingSink messages_;
    std::vector<Invalidation> invalidations_;
    std::map<int, bool> checks_;
    std::vector<int> sentCommands_;
    std::vector<DialogForm> shownDialogs_;
    WindowImage shownImage_;
    std::optional<std::string> saveFileAnswer_;
    std::vector<SaveFileRequest> saveFileRequests_;
    Rect tminEditArea_;
    CursorShape cursor_ = CursorShape::Arrow;
    bool mouseCaptured_ = false;
};

}  // namespace tessaline
