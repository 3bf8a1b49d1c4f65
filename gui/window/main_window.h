#pragma once
// The workbench window: one top-level window titled "Tessaline" with the menu, the client area
// painted from the state into a back buffer, the mouse fed into the shell's routines, and the
// window services the shell calls (messages, invalidation, check marks, commands, dialogs, the
// save question, the pointer and the Tmin edit). A statistical simulation runs on a worker thread
// behind a modal progress dialog.
#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "app/state.h"
#include "gui/window/workbench_view.h"
#include "platform/window.h"

namespace tessaline {

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

private:
    void buildMenu();
    void runSimulationBehindProgress(const std::function<void()>& run);

    AppState state_;
    WorkbenchView* view_;  // owned by the window as its central widget
    std::map<int, QAction*> actions_;
    CursorShape cursor_ = CursorShape::Arrow;
    std::string missingPicture_;
};

// Creates the window (start-up included), shows it maximised and runs the event loop; the
// program's exit code. When a button's picture cannot be made, a "Fatal Error" message names it and
// the program ends with code 0.
int runWorkbench(QApplication& application);

}  // namespace tessaline
