#pragma once
// The workbench window: one top-level window titled "Tessaline" with the menu, the client area
// painted from the state into a back buffer, the mouse fed into the shell's routines, and the
// window services the shell calls (messages, invalidation, check marks, commands, dialogs, the
// save question, the pointer and the Tmin edit). A statistical simulation runs on a worker thread
// behind a modal progress dialog; while it runs the window takes no command, no menu choice, no
// shortcut and no click, since the run is writing the records they would read.
#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/state.h"
#include "gui/window/workbench_view.h"
#include "platform/window.h"

namespace tessaline {

class SimulationProgressDialog;

// The picture of a button's caption painted on Qt's canvas, 144 x 32 pixels.
WindowImage paintButtonPicture(std::string_view caption);

class MainWindow final : public QMainWindow, public Window {
public:
    // Builds the window and its menu, makes the buttons' pictures with `paintPicture`, then runs the
    // start-up sequence (not when a picture could not be made: the window is then not to be shown).
    explicit MainWindow(
        const std::function<WindowImage(std::string_view)>& paintPicture = paintButtonPicture);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    AppState& state() { return state_; }
    // The name of the button picture that could not be made at the start ("" when all were).
    const std::string& missingPicture() const { return missingPicture_; }
    WorkbenchView& view() { return *view_; }
    // The menu entry of a command, for tests and scripts.
    QAction* action(int command) const;
    // Whether a statistical simulation is running (from its start until its worker has ended).
    bool simulationRunning() const { return progress_ != nullptr; }

    // For tests that drive the window without a person: when set, they answer in place of the
    // modal dialogs, message boxes and the save question.
    std::function<bool(DialogForm&)> dialogAnswerer;
    std::function<void(std::string_view text, std::string_view caption)> messageRecorder;
    std::function<std::optional<std::string>(const SaveFileRequest&)> saveAnswerer;

    // Window services.
    void showMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;
    void invalidate(const Rect& area, bool erase) override;
    void invalidateAll(bool erase) override;
    void checkMenuItem(int commandId, bool checked) override;
    void sendCommand(int commandId) override;
    void requestClose() override;
    bool runDialog(DialogForm& form) override;
    WindowImage captureClientArea() override;
    std::optional<std::string> chooseSaveFileName(const SaveFileRequest& request) override;
    void setTminEditText(std::string_view text) override;
    std::string tminEditText() const override;
    void placeTminEdit(const Rect& area) override;
    CursorShape setCursor(CursorShape shape) override;
    void captureMouse() override;
    void releaseMouse() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // A message the simulation's worker said, shown by the interface thread once the worker has ended.
    struct WorkerMessage {
        std::string text, caption;
        MessageIcon icon;
    };

    void buildMenu();
    void runSimulationBehindProgress(const std::function<void()>& run);
    void setCommandsEnabled(bool enabled);
    void showWorkerMessages();

    AppState state_;
    WorkbenchView* view_;  // owned by the window as its central widget
    std::map<int, QAction*> actions_;
    CursorShape cursor_ = CursorShape::Arrow;
    std::string missingPicture_;
    SimulationProgressDialog* progress_ = nullptr;  // while a simulation runs
    // The window was asked to close while a simulation ran: it closes once the run has ended, and
    // the rest of the command neither asks nor tells anything.
    bool closeAfterRun_ = false;
    QTimer* closeLater_;  // owned by the window
    std::mutex workerMessagesMutex_;
    std::vector<WorkerMessage> workerMessages_;
};

// Creates the window (start-up included), shows it maximised and runs the event loop; the
// program's exit code. When a button's picture cannot be made, a "Fatal Error" message names it and
// the program ends with code 0.
int runWorkbench(QApplication& application);

}  // namespace tessaline
