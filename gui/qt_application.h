#pragma once
// Qt's application object, which fonts and text drawing need. Without a display the picture is
// drawn on Qt's offscreen platform: the session chooses it when QT_QPA_PLATFORM is not set or
// empty. A platform that cannot start (no display for "xcb", an unknown name) ends the process with
// one line that says so and status 1, where Qt itself would abort with a core dump; the window's
// program makes its own application object the same way.
#include <QGuiApplication>
#include <functional>
#include <memory>
#include <string>

namespace tessaline {

// Told `cannot start the Qt platform "NAME": REASON` when the platform cannot start; the process
// ends with status 1 right after.
using StartFailure = std::function<void(const std::string& line)>;

// Runs `make`, which makes Qt's application object, with Qt's messages held back meanwhile: when
// the platform cannot start, they give the reason of the one line `cannotStart` is told (without
// it the line goes to stderr after "tessaline: ") and the process ends with status 1; when it
// starts, they go on as usual. This file's message handler stays installed; the handler it replaced
// is returned.
QtMessageHandler makeApplicationOrEnd(const std::function<void()>& make,
                                      const StartFailure& cannotStart = {});

class GuiSession {
public:
    using StartFailure = tessaline::StartFailure;

    // Makes the application object unless one exists already (then this session leaves it alone).
    // Without `cannotStart` the line goes to stderr after "tessaline: ".
    explicit GuiSession(const StartFailure& cannotStart = {});
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

// The reason a platform did not start, from what Qt said while trying: `messages` before the fatal
// one, then `fatal`.
std::string platformFailureReason(const QStringList& messages, const QString& fatal);

// The platform Qt tried: `chosen` (QT_QPA_PLATFORM) when not empty, else the one Qt's `messages`
// name (its default), else "".
std::string triedPlatform(const char* chosen, const QStringList& messages);

}  // namespace tessaline
