#include "platform/console_window.h"

namespace tessaline {

void ConsoleWindow::showMessage(std::string_view text, std::string_view caption, MessageIcon icon) {
    if (echo_ == nullptr) return;
    if (echoFilter_ && !echoFilter_(ShownMessage{std::string(text), std::string(caption), icon})) return;
    const std::string_view shown = caption.empty() ? DEFAULT_MESSAGE_CAPTION : caption;
    *echo_ << "[" << shown << "] " << text;
    if (text.empty() || text.back() != '\n') *echo_ << '\n';
    echo_->flush();
}

void ConsoleWindow::sendCommand(int commandId) {
    if (commandHandler_) commandHandler_(commandId);
}

bool ConsoleWindow::runDialog(DialogForm& form) { return dialogAnswerer_ ? dialogAnswerer_(form) : true; }

}  // namespace tessaline
