#include "platform/headless.h"

namespace tessaline {

void HeadlessWindow::showMessage(std::string_view text, std::string_view caption, MessageIcon icon) {
    messages_.showMessage(text, caption, icon);
    ConsoleWindow::showMessage(text, caption, icon);
}

void HeadlessWindow::invalidate(const Rect& area, bool erase) {
    invalidations_.push_back({area, false, erase});
}

void HeadlessWindow::invalidateAll(bool erase) { invalidations_.push_back({Rect{}, true, erase}); }

void HeadlessWindow::checkMenuItem(int commandId, bool checked) { checks_[commandId] = checked; }

bool HeadlessWindow::isChecked(int commandId) const {
    auto found = checks_.find(commandId);
    return found != checks_.end() && found->second;
}

void HeadlessWindow::sendCommand(int commandId) {
    sentCommands_.push_back(commandId);
    ConsoleWindow::sendCommand(commandId);
}

bool HeadlessWindow::runDialog(DialogForm& form) {
    shownDialogs_.push_back(form);
    return ConsoleWindow::runDialog(form);
}

std::optional<std::string> HeadlessWindow::chooseSaveFileName(const SaveFileRequest& request) {
    saveFileRequests_.push_back(request);
    return saveFileAnswer_;
}

void HeadlessWindow::clearRecords() {
    messages_.clear();
    invalidations_.clear();
    sentCommands_.clear();
    shownDialogs_.clear();
    saveFileRequests_.clear();
}

}  // namespace tessaline
