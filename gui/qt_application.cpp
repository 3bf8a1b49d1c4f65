#include "gui/qt_application.h"

#include <unistd.h>

#include <QRegularExpression>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tessaline {
namespace {

QtMessageHandler gPreviousHandler = nullptr;

// While the application object is being made, Qt's messages are held back: when the platform
// cannot start, they become the reason of one line; when it starts, they go on as usual.
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
bool gStarting = false;
std::vector<HeldMessage> gHeld;
const StartFailure* gCannotStart = nullptr;

QString firstLine(const QString& text) { return text.section(QLatin1Char('\n'), 0, 0).trimmed(); }

void forward(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (gPreviousHandler != nullptr) {
        gPreviousHandler(type, context, message);
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

[[noreturn]] void endForPlatform(const QString& fatal) {
    QStringList said;
    for (const HeldMessage& held : gHeld) said.append(held.text);
    const std::string line = "cannot start the Qt platform \"" +
                             triedPlatform(std::getenv("QT_QPA_PLATFORM"), said) +
                             "\": " + platformFailureReason(said, fatal);
    if (gCannotStart != nullptr && *gCannotStart) {
        (*gCannotStart)(line);
    } else {
        std::fprintf(stderr, "tessaline: %s\n", line.c_str());
    }
    std::fflush(stderr);
    // Qt is half made: nothing of it may run down; the process ends here.
    _exit(1);
}

// Qt's notice that it has no runtime folder of the user's session says nothing about the picture
// and would precede every image drawn from a plain console; every other message goes on as before.
void passMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (gStarting) {
        if (type == QtFatalMsg) endForPlatform(message);
        gHeld.push_back({type, QByteArray(context.category != nullptr ? context.category : ""), message});
        return;
    }
    forward(type, context, message);
}

void releaseHeldMessages() {
    gStarting = false;
    for (const HeldMessage& held : gHeld) {
        const QMessageLogContext context(nullptr, 0, nullptr, held.category.constData());
        forward(held.type, context, held.text);
    }
    gHeld.clear();
}

}  // namespace

std::string platformFailureReason(const QStringList& messages, const QString& fatal) {
    for (const QString& message : messages) {
        if (message.contains(QLatin1String("Could not find the Qt platform plugin")))
            return "no such platform plugin";
    }
    for (const QString& message : messages) {
        if (message.contains(QLatin1String("could not connect to display"), Qt::CaseInsensitive))
            return "no display";
    }
    // Qt's closing words say only that no plugin started; a plugin's own fatal words say why.
    if (!fatal.startsWith(QLatin1String("This application failed to start")) && !firstLine(fatal).isEmpty()) {
        return firstLine(fatal).toStdString();
    }
    for (const QString& message : messages) {
        if (!firstLine(message).isEmpty()) return firstLine(message).toStdString();
    }
    return "no platform plugin could be initialized";
}

std::string triedPlatform(const char* chosen, const QStringList& messages) {
    if (chosen != nullptr && *chosen != '\0') return chosen;
    static const QRegularExpression named(QStringLiteral("platform plugin \"([^\"]+)\""));
    for (const QString& message : messages) {
        const QRegularExpressionMatch found = named.match(message);
        if (found.hasMatch()) return found.captured(1).toStdString();
    }
    return {};
}

QtMessageHandler makeApplicationOrEnd(const std::function<void()>& make, const StartFailure& cannotStart) {
    const QtMessageHandler previous = qInstallMessageHandler(passMessage);
    gPreviousHandler = previous;
    gCannotStart = &cannotStart;
    gStarting = true;
    make();
    gCannotStart = nullptr;
    releaseHeldMessages();
    return previous;
}

GuiSession::GuiSession(const StartFailure& cannotStart) {
    if (QGuiApplication::instance() != nullptr) return;
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if (chosen == nullptr || *chosen == '\0')
        setenv("QT_QPA_PLATFORM", "offscreen", 1);  // keeps a platform the user chose
    previousHandler_ = makeApplicationOrEnd(
        [this] { application_ = std::make_unique<QGuiApplication>(argumentCount_, arguments_); },
        cannotStart);
}

GuiSession::~GuiSession() {
    if (!application_) return;
    application_.reset();
    qInstallMessageHandler(previousHandler_);
    gPreviousHandler = nullptr;
}

}  // namespace tessaline
