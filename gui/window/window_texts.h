#pragma once
// Every text the window shows goes through Qt's translation, with the workbench's own texts as the
// source strings: without a translation installed they show as they are.
#include <QString>
#include <string_view>

namespace tessaline {

// A text of the window (a message, a caption, a menu entry, a dialog's label, a progress text).
QString windowText(std::string_view text);

}  // namespace tessaline
