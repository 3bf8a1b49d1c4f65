#pragma once
// The platform services the workbench's own logic calls: message boxes and the window services
// (invalidation, menu check marks), modal dialogs and the save-file question. The window front end implements them with real widgets; the
// headless implementation serves the command line and the tests.
#include <optional>
#include <string>
#include <string_view>

#include "platform/dialog.h"
#include "platform/geometry.h"
#include "platform/image.h"

namespace tessaline {

enum class MessageIcon { None, Warning, Error, Information };

class Window {
public:
    virtual ~Window() = default;

    // A modal message with an OK button. An empty caption means the system's default caption.
    // It is shown (and, being modal, dismissed) before the failing operation returns.
    virtual void showMessage(std::string_view text, std::string_view caption, MessageIcon icon) = 0;

    // Marks `area` of the client area for repainting; `erase` clears its background first.
    virtual void invalidate(const Rect& area, bool erase) = 0;
    // The whole client area.
    virtual void invalidateAll(bool erase) = 0;

    // Sets or clears the check mark of menu entry `commandId`.
    virtual void checkMenuItem(int commandId, bool checked) = 0;

    // Sends command `commandId` to the window and returns once it has run (commands reach each
    // other this way, so a chain of steps runs depth-first to its end).
    virtual void sendCommand(int commandId) = 0;

    // Asks the window to close the normal way.
    virtual void requestClose() = 0;

    // Shows a modal parameter dialog. The user edits `form` in place; true on OK, false on
    // Cancel (the form's contents then mean nothing).
    virtual bool runDialog(DialogForm& form) = 0;

    // A copy of what the client area shows now (an empty image when nothing is shown).
    virtual WindowImage captureClientArea() = 0;

    // Asks for the name of a file to save; none when the user cancels.
    virtual std::optional<std::string> chooseSaveFileName(const SaveFileRequest& request) = 0;
};

}  // namespace tessaline
