#pragma once
// The workbench window: one top-level window titled "Tessaline" with the menu, the client area
// painted from the state into a back buffer, the mouse fed into the shell's routines, and the
// window services the shell calls. Shown maximised.
#include <QApplication>

namespace tessaline {

// Creates the window (start-up included), shows it and runs the event loop; the program's exit
// code.
int runWorkbench(QApplication& application);

}  // namespace tessaline
