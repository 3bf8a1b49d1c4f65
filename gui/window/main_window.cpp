#include "gui/window/main_window.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeySequence>
#include <QMenuBar>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <memory>

#include "app/commands.h"
#include "app/menu.h"
#include "app/startup.h"
#include "app/window_paint.h"
#include "draw/button_pictures.h"
#include "gui/qt_canvas.h"
#include "gui/qt_image.h"
#include "gui/window/progress_dialog.h"
#include "gui/window/qt_dialogs.h"
#include "gui/window/save_image.h"
#include "gui/window/window_texts.h"
#include "platform/formatting.h"
#include "simulation/progress_rate.h"

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
    const ProgressRate rate = progressRate(progress, seconds);
    const auto left = static_cast<long long>(rate.secondsLeft);
    return windowText(formatted("Statistical simulation: %d of %d cells\n%.0f series/s, %lld:%02lld left",
                                progress.cellsDone, progress.cells, rate.seriesPerSecond, left / 60,
                                left % 60));
}

}  // namespace

WindowImage paintButtonPicture(std::string_view caption) {
    QtCanvas canvas(BUTTON_PICTURE_WIDTH, BUTTON_PICTURE_HEIGHT);
    canvas.setTextTranslation(pictureText);
    drawButtonPicture(canvas, caption);
    return windowImageOf(canvas.image(), WINDOW_BACKGROUND);
}

MainWindow::MainWindow(const std::function<WindowImage(std::string_view)>& paintPicture)
    : view_(new WorkbenchView(*this, state_, this)), closeLater_(new QTimer(this)) {
    setWindowTitle("Tessaline");
    // Once the command that ran the simulation has returned.
    closeLater_->setSingleShot(true);
    connect(closeLater_, &QTimer::timeout, this, &QWidget::close);
    setCentralWidget(view_);
    view_->deferredMessage = [this](const std::string& text, const std::string& caption, MessageIcon icon) {
        // Qt's event queue owns the call it keeps until it runs, which the leak check cannot see.
        // NOLINTNEXTLINE(clang-analyzer-cplusplus.NewDeleteLeaks)
        QTimer::singleShot(0, this, [this, text, caption, icon] { showMessage(text, caption, icon); });
    };
    buildMenu();
    state_.grid.simulationHooks.runner = [this](const std::function<void()>& run) {
        runSimulationBehindProgress(run);
    };
    missingPicture_ = std::string(loadButtonPictures(state_, paintPicture));
    if (missingPicture_.empty()) runStartUp(*this, state_);
}

MainWindow::~MainWindow() { releaseAppState(state_); }

void MainWindow::buildMenu() {
    std::vector<QMenu*> open;
    for (const MenuItem& item : mainMenu()) {
        const QString text = windowText(item.text);
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
    if (!onInterfaceThread()) {
        // A simulation's worker never waits for the interface thread, which may be waiting for it:
        // what it says is shown once it has ended.
        const std::lock_guard<std::mutex> lock(workerMessagesMutex_);
        workerMessages_.push_back({std::string(text), std::string(caption), icon});
        return;
    }
    if (closeAfterRun_) return;
    if (messageRecorder) {
        messageRecorder(text, caption);
        return;
    }
    showMessageBox(this, text, caption, icon);
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

// A command while a simulation runs would read or write the records the run is writing: refused.
void MainWindow::sendCommand(int commandId) {
    if (simulationRunning()) return;
    // The window saves its picture itself: it also writes PNG files, which the shell's snapshot does not.
    if (commandId == CMD_SAVE_IMAGE) {
        saveWindowImage(*this, view_->pictureInWindowPixels());
        return;
    }
    dispatchCommand(*this, state_, commandId);
}

// Closing waits until the command that asked for it has returned.
void MainWindow::requestClose() {
    QTimer::singleShot(0, this, &QWidget::close);  // NOLINT(clang-analyzer-cplusplus.NewDeleteLeaks)
}

bool MainWindow::runDialog(DialogForm& form) {
    if (closeAfterRun_) return false;
    return dialogAnswerer ? dialogAnswerer(form) : runFormDialog(this, form);
}

WindowImage MainWindow::captureClientArea() {
    return windowImageOf(view_->pictureInWindowPixels(), WINDOW_BACKGROUND);
}

std::optional<std::string> MainWindow::chooseSaveFileName(const SaveFileRequest& request) {
    if (closeAfterRun_) return std::nullopt;
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

// Closing while a simulation runs cancels it; the window closes once the worker has ended.
void MainWindow::closeEvent(QCloseEvent* event) {
    if (!simulationRunning()) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    closeAfterRun_ = true;
    progress_->requestCancel();
}

void MainWindow::setCommandsEnabled(bool enabled) {
    menuBar()->setEnabled(enabled);
    // A disabled entry's shortcut does not fire either.
    for (const auto& [command, entry] : actions_) entry->setEnabled(enabled);
}

void MainWindow::showWorkerMessages() {
    std::vector<WorkerMessage> said;
    {
        const std::lock_guard<std::mutex> lock(workerMessagesMutex_);
        said.swap(workerMessages_);
    }
    for (const WorkerMessage& message : said) showMessage(message.text, message.caption, message.icon);
}

// Runs the simulation on a worker thread while a modal dialog shows its progress and offers
// Cancel, which stops it between repeats (the simulation then says it was cancelled). The dialog
// stays up until the worker has ended, and until then the window takes no command and the picture
// stays as it was. The worker never waits for this thread: the dialog fetches its progress, and
// its messages are kept and shown after it has ended.
void MainWindow::runSimulationBehindProgress(const std::function<void()>& run) {
    std::atomic<bool> cancel{false};
    SimulationProgressDialog dialog(this, cancel);
    SimulationHooks& hooks = state_.grid.simulationHooks;
    const SimulationHooks kept = hooks;
    const auto start = std::chrono::steady_clock::now();
    hooks.cancel = &cancel;
    hooks.progress = [&dialog, start](const SimulationProgress& progress) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const int value =
            progress.cells > 0 ? static_cast<int>(1000LL * progress.cellsDone / progress.cells) : 0;
        dialog.postProgress(value, progressText(progress, seconds));
    };
    progress_ = &dialog;
    setCommandsEnabled(false);
    view_->setFrozen(true);
    {
        QEventLoop loop;
        // The records the run wrote are handed back through this flag as well as through the
        // thread's end, so that a race detector, which does not see Qt's own waiting, sees it.
        std::atomic<bool> ended{false};
        const std::unique_ptr<QThread> worker(QThread::create([&run, &ended] {
            run();
            ended.store(true, std::memory_order_release);
        }));
        connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
        worker->start();
        dialog.show();
        loop.exec();
        // The loop also ends when the application quits: the run is then cancelled.
        if (!worker->isFinished()) cancel.store(true);
        worker->wait();
        [[maybe_unused]] const bool handedBack = ended.load(std::memory_order_acquire);
    }
    hooks.cancel = kept.cancel;
    hooks.progress = kept.progress;
    progress_ = nullptr;
    dialog.finish();
    setCommandsEnabled(true);
    view_->setFrozen(false);
    showWorkerMessages();
    if (closeAfterRun_) closeLater_->start();
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
