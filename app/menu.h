#pragma once
// The main window's menu as the shell defines it: popups, entries with their command numbers, and
// separators, in order. The front end builds its menu bar from this table; no entry starts checked
// (the commands set the check marks of the task and series-type entries through the window).
#include <span>
#include <string_view>

namespace tessaline {

// The fields stay in the order the menu table reads (kind, text, command), padding and all.
struct MenuItem {                                      // NOLINT(clang-analyzer-optin.performance.Padding)
    enum class Kind { Popup, Entry, Separator, End };  // End closes the innermost open popup
    Kind kind;
    std::string_view text;
    int command = 0;  // for entries
};

// The whole menu bar: every popup is followed by its items and closed by an End item.
std::span<const MenuItem> mainMenu();

}  // namespace tessaline
