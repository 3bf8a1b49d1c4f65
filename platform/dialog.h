#pragma once
// A modal parameter dialog as data: its caption and the controls that carry values. The dialog
// logic fills a form with what the dialog shows at start, the window shows it and lets the user
// edit it (or a scripted answer edits it), and the logic reads the edited form back on OK.
#include <optional>
#include <string>
#include <vector>

namespace tessaline {

enum class ControlKind { Group, Label, Edit, CheckBox, RadioButton };

struct DialogControl {
    int id = 0;  // the control's number; 0 for groups and labels without one
    ControlKind kind = ControlKind::Label;
    std::string text;      // caption, or an edit's contents
    bool checked = false;  // check boxes and radio buttons
    bool enabled = true;
    int group = 0;  // radio buttons with the same group exclude each other
};

struct DialogForm {
    int resource = 0;  // the dialog's number (105, 110, ...)
    std::string caption;
    std::vector<DialogControl> controls;

    DialogControl* find(int id);
    const DialogControl* find(int id) const;
};

// A save-file question: the title, the (description, pattern) filter pairs with the first one
// selected, and the extension added to a name typed without one.
struct SaveFileRequest {
    std::string title;
    std::vector<std::pair<std::string, std::string>> filters;
    std::string defaultExtension;
    bool promptOverwrite = true;
};

}  // namespace tessaline
