#include "gui/window/main_window.h"

namespace tessaline {

int runWorkbench(QApplication& application) { return application.exec(); }

}  // namespace tessaline
