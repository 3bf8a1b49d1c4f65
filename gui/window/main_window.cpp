#include "gui/window/main_window.h"

#include <QEventLoop>
#include <QKeySequence>
#include <QMenuBar>
#include <QMetaObject>
#include <QProgressDialog>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <vector>

#include "app/commands.h"
#include "app/menu.h"
#include "app/startup.h"
#include "app/window_paint.h"
#include "draw/button_pictures.h"
#include "gui/qt_canvas.h"
#include "gui/qt_image.h"
#include "gui/window/qt_dialogs.h"
#include "platform/formatting.h"

namespace tessaline {
namespace {

// Desktop habits on top of the menu: save, quit and the next series from the keyboard.
QKeySequence shortcutOf(int command) {
    switch (command) {
        case CMD_SAVE_IMAGE: return QKeySequence::Save;
        case CMD_EXIT: return QKeySequence::Quit;
        case CMD_PROCESSING_NEXT_DATA: return QKeySequence(Qt::Key_F5);
        default: return {};
    }
}

Qt::CursorShape qtCursorOf(CursorShape shape) {
    switch (shape) {
        case CursorShape::SizeVertical: return Qt::SizeVerCursor;
        case CursorShape::SizeDiagonal: return Qt::SizeFDiagCursor;
        case CursorShape::Arrow: break;
    }
    return Qt::ArrowCursor;
}

bool onInterfaceThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

// "12 %  ·  3400 series/s  ·  0:42 left" for the progress dialog.
QString progressText(const SimulationProgress& progress, double seconds) {
    const double rate = seconds > 0.0 ? static_cast<double>(progress.seriesProcessed) / seconds : 0.0;
    const double share = progress.cells > 0 ? static_cast<double>(progress.cellsDone) / progress.cells : 0.0;
    const auto left = static_cast<long long>(share > 0.0 ? seconds * (1.0 - share) / share : 0.0);
    return QString::fromStdString(
        formatted("Statistical simulation: %d of %d cells\n%.0f series/s, %lld:%02lld left",
                  progress.cellsDone, progress.cells, rate, left / 60, left % 60));
}

}  // namespace

WindowImage paintButtonPicture(std::string_view caption) {
    QtCanvas canvas(BUTTON_PICTURE_WIDTH, BUTTON_PICTURE_HEIGHT);
    drawButtonPicture(canvas, caption);
    return windowImageOf(canvas.image(), WINDOW_BACKGROUND);
}

MainWindow::MainWindow(const std::function<WindowImage(std::string_view)>& paintPicture)
    : view_(new WorkbenchView(*this, state_, this)) {
    setWindowTitle("Tessaline");
    setCentralWidget(view_);
    view_->deferredMessage = [this](const std::string& text, const std::string& caption, MessageIcon icon) {
        // Qt's event queue owns the call it keeps until it runs, which the leak check cannot see.
        // NOLINTNEXTLINE(clang-analyzer-cplusplus.NewDeleteLeaks)
        QTimer::singleShot(0, this, [this, text, caption, icon] { showMessage(text, caption, icon); });
    };
    buildMenu();
    state_.simulationHooks.runner = [this](const std::function<void()>& run) {
        runSimulationBehindProgress(run);
    };
    missingPicture_ = std::string(loadButtonPictures(state_, paintPicture));
    if (missingPicture_.empty()) runStartUp(*this, state_);
}

MainWindow::~MainWindow() { releaseAppState(state_); }

void MainWindow::buildMenu() {
    std::vector<QMenu*> open;
    for (const MenuItem& item : mainMenu()) {
        const QString text = QString::fromUtf8(item.text.data(), static_cast<qsizetype>(item.text.size()));
        switch (item.kind) {
            case MenuItem::Kind::Popup:
                open.push_back(open.empty() ? menuBar()->addMenu(text) : open.back()->addMenu(text));
                break;
            case MenuItem::Kind::Entry: {
                QAction* entry = open.back()->addAction(text);
                entry->setShortcut(shortcutOf(item.command));
                const int command = item.command;
                connect(entry, &QAction::triggered, this, [this, command] { sendCommand(command); });
                actions_[command] = entry;
                break;
            }
            case MenuItem::Kind::Separator: open.back()->addSeparator(); break;
            case MenuItem::Kind::End: open.pop_back(); break;
        }
    }
}

QAction* MainWindow::action(int command) const {
    const auto found = actions_.find(command);
    return found == actions_.end() ? nullptr : found->second;
}

void MainWindow::showMessage(std::string_view text, std::string_view caption, MessageIcon icon) {
    if (messageRecorder) {
        messageRecorder(text, caption);
        return;
    }
    if (onInterfaceThread()) {
        showMessageBox(this, text, caption, icon);
        return;
    }
    // A simulation's worker speaks through the interface thread and waits until the box is closed.
    const std::string t(text), c(caption);
    // NOLINTNEXTLINE(clang-analyzer-cplusplus.NewDeleteLeaks): the queued call is Qt's to release
    QMetaObject::invokeMethod(
        this, [this, &t, &c, icon] { showMessageBox(this, t, c, icon); }, Qt::BlockingQueuedConnection);
}

// The picture is always painted whole from the state, so erasing or not looks the same.
void MainWindow::invalidate(const Rect& /*area*/, bool /*erase*/) { view_->invalidatePicture(); }

void MainWindow::invalidateAll(bool /*erase*/) { view_->invalidatePicture(); }

void MainWindow::checkMenuItem(int commandId, bool checked) {
    QAction* entry = action(commandId);
    if (entry == nullptr) return;
    entry->setCheckable(true);
    entry->setChecked(checked);
}

void MainWindow::sendCommand(int commandId) { dispatchCommand(*this, state_, commandId); }

// Closing waits until the command that asked for it has returned.
void MainWindow::requestClose() {
    QTimer::singleShot(0, this, &QWidget::close);  // NOLINT(clang-analyzer-cplusplus.NewDeleteLeaks)
}

bool MainWindow::runDialog(DialogForm& form) {
    return dialogAnswerer ? dialogAnswerer(form) : runFormDialog(this, form);
}

WindowImage MainWindow::captureClientArea() {
    return windowImageOf(view_->pictureInWindowPixels(), WINDOW_BACKGROUND);
}

std::optional<std::string> MainWindow::chooseSaveFileName(const SaveFileRequest& request) {
    return saveAnswerer ? saveAnswerer(request) : askSaveFileName(this, request);
}

void MainWindow::setTminEditText(std::string_view text) {
    view_->tminEdit().setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

std::string MainWindow::tminEditText() const { return view_->tminEdit().text().toStdString(); }

void MainWindow::placeTminEdit(const Rect& area) {
    QLineEdit& edit = view_->tminEdit();
    const bool shown = area.right > area.left && area.bottom > area.top;
    edit.setGeometry(area.left, area.top, shown ? area.right - area.left : 0,
                     shown ? area.bottom - area.top : 0);
    edit.setVisible(shown);
}

CursorShape MainWindow::setCursor(CursorShape shape) {
    view_->setCursor(qtCursorOf(shape));
    return std::exchange(cursor_, shape);
}

void MainWindow::captureMouse() { view_->grabMouse(); }

void MainWindow::releaseMouse() { view_->releaseMouse(); }

// Runs the simulation on a worker thread while a modal dialog shows its progress and offers
// Cancel, which stops it between repeats (the simulation then says it was cancelled). The picture
// stays as it was until the run has ended.
void MainWindow::runSimulationBehindProgress(const std::function<void()>& run) {
    std::atomic<bool> cancel{false};
    QProgressDialog dialog("Statistical simulation", "Cancel", 0, 1000, this);
    dialog.setWindowTitle(" Statistical Simulation");
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    connect(&dialog, &QProgressDialog::canceled, this, [&cancel] { cancel.store(true); });
    SimulationHooks& hooks = state_.simulationHooks;
    const SimulationHooks kept = hooks;
    const auto start = std::chrono::steady_clock::now();
    hooks.cancel = &cancel;
    hooks.progress = [&dialog, start](const SimulationProgress& progress) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const int value =
            progress.cells > 0 ? static_cast<int>(1000LL * progress.cellsDone / progress.cells) : 0;
        const QString text = progressText(progress, seconds);
        QMetaObject::invokeMethod(
            &dialog,
            [&dialog, value, text] {
                dialog.setValue(value);
                dialog.setLabelText(text);
            },
            Qt::QueuedConnection);
    };
    view_->setFrozen(true);
    QEventLoop loop;
    QThread* worker = QThread::create(run);
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    dialog.show();
    loop.exec();
    worker->wait();
    delete worker;
    QCoreApplication::removePostedEvents(&dialog);  // progress still queued for the closed dialog
    hooks.cancel = kept.cancel;
    hooks.progress = kept.progress;
    view_->setFrozen(false);
    dialog.close();
}

int runWorkbench(QApplication& application) {
    MainWindow window;
    if (!window.missingPicture().empty()) {
        window.showMessage("No Bitmap <" + window.missingPicture() + ">", "Fatal Error", MessageIcon::Error);
        return 0;
    }
    // Without a window manager to maximise it, the window takes the screen's free area itself.
    if (const QScreen* screen = window.screen()) window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    return application.exec();
}

}  // namespace tessaline
