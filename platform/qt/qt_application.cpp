#include "platform/qt/qt_application.h"

#include <cstdio>
#include <cstdlib>

namespace tessaline {
namespace {

QtMessageHandler gPreviousHandler = nullptr;

// Qt's notice that it has no runtime folder of the user's session says nothing about the picture
// and would precede every image drawn from a plain console; every other message goes on as before.
void passMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
    if (gPreviousHandler != nullptr) {
        gPreviousHandler(type, context, message);
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

}  // namespace

GuiSession::GuiSession() {
    if (QGuiApplication::instance() != nullptr) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);  // keeps a platform the user chose
    previousHandler_ = qInstallMessageHandler(passMessage);
    gPreviousHandler = previousHandler_;
    application_ = std::make_unique<QGuiApplication>(argumentCount_, arguments_);
}

GuiSession::~GuiSession() {
    if (!application_) return;
    application_.reset();
    qInstallMessageHandler(previousHandler_);
    gPreviousHandler = nullptr;
}

}  // namespace tessaline
