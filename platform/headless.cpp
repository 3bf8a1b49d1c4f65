#include "platform/headless.h"

namespace tessaline {

void HeadlessWindow::showMessage(std::string_view text, std::string_view caption, MessageIcon icon) {
    messages_.push_back({std::string(text), std::string(caption), icon});
    if (echo_ != nullptr && (!echoFilter_ || echoFilter_(messages_.back()))) {
        std::string_view shown = caption.empty() ? DEFAULT_MESSAGE_CAPTION : caption;
        *echo_ << "[" << shown << "] " << text;
        if (text.empty() || text.back() != '\n') *echo_ << '\n';
        echo_->flush();
    }
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
    if (commandHandler_) commandHandler_(commandId);
}

bool HeadlessWindow::runDialog(DialogForm& form) {
    shownDialogs_.push_back(form);
    return dialogAnswerer_ ? dialogAnswerer_(form) : true;
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
