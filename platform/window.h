#pragma once
// The window services the application shell calls besides messages: invalidation, menu check
// marks, internal commands, modal dialogs, the client area's image, the save-file question, the
// pointer's shape and capture, and the one edit field. The Qt front end implements them with real widgets; the headless
// implementation serves the command line and the tests.
#include <optional>
#include <string>
#include <string_view>

#include "platform/dialog.h"
#include "platform/geometry.h"
#include "platform/image.h"
#include "platform/message_sink.h"

namespace tessaline {

// Shapes of the pointer over the client area: the arrow, and the double arrows shown over the
// parameters panel's handles (up-down for a level, upper left to lower right for a slope).
enum class CursorShape { Arrow, SizeVertical, SizeDiagonal };

class Window : public MessageSink {
public:
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

    // The text of the series parameters panel's Tmin edit field. A window without the field
    // keeps no text.
    virtual void setTminEditText(std::string_view /*text*/) {}
    virtual std::string tminEditText() const { return {}; }
    // Moves the Tmin edit field to `area` of the client area; an empty area hides it.
    virtual void placeTminEdit(const Rect& /*area*/) {}

    // Sets the pointer's shape and returns the shape it replaced.
    virtual CursorShape setCursor(CursorShape /*shape*/) { return CursorShape::Arrow; }
    // Keeps the mouse's moves coming to the window while the pointer is outside it, until released.
    virtual void captureMouse() {}
    virtual void releaseMouse() {}
};

}  // namespace tessaline
