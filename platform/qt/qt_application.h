#pragma once
// Qt's application object, which fonts and text drawing need. Without a display the picture is
// drawn on Qt's offscreen platform: the session chooses it when QT_QPA_PLATFORM is not set.
#include <QGuiApplication>
#include <memory>

namespace tessaline {

class GuiSession {
public:
    // Makes the application object unless one exists already (then this session leaves it alone).
    GuiSession();
    ~GuiSession();
    GuiSession(const GuiSession&) = delete;
    GuiSession& operator=(const GuiSession&) = delete;

private:
    // Qt keeps references to the argument count and list for the application's lifetime.
    int argumentCount_ = 1;
    char programName_[10] = "tessaline";
    char* arguments_[2] = {programName_, nullptr};
    QtMessageHandler previousHandler_ = nullptr;
    std::unique_ptr<QGuiApplication> application_;
};

}  // namespace tessaline
