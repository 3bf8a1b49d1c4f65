#pragma once
// The window's modal dialogs: a parameter dialog built from a dialog form, a message box and the
// save-file question. Each runs its own event loop and returns when the user answers. Their texts
// (not the values in the edits) show as the window's translation has them.
#include <optional>
#include <string>
#include <string_view>

#include "platform/dialog.h"
#include "platform/message_sink.h"

class QWidget;

namespace tessaline {

// Shows `form` as a modal dialog: its caption as the title, the controls in the form's order (a
// group box holds the controls after its caption up to the next group, a label followed by an edit
// makes one row), each numbered control named by its number ("1000"), OK (the default) and Cancel.
// On OK the edits' texts and the buttons' check marks are written back into `form` and true is
// returned; on Cancel `form` is left as it was and false is returned.
bool runFormDialog(QWidget* parent, DialogForm& form);

// A modal message with an OK button: `text` as plain text, `caption` as the title (the default
// caption when empty) and the icon.
void showMessageBox(QWidget* parent, std::string_view text, std::string_view caption, MessageIcon icon);

// The save-file question: a modal file dialog titled as asked, with the request's filters (the
// first selected), the default extension added to a name typed without one, and a confirmation
// before an existing file is replaced when asked for. The chosen file's name, none on Cancel.
std::optional<std::string> askSaveFileName(QWidget* parent, const SaveFileRequest& request);

}  // namespace tessaline
