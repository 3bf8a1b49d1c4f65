// tessaline: the workbench window.
#include <QApplication>
#include <cstdio>
#include <string_view>

#include "gui/window/main_window.h"

int main(int argc, char** argv) {
    // --version answers without opening a window (and without a display).
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--version") {
            std::printf("tessaline %s\n", TESSALINE_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }
    QApplication application(argc, argv);
    return tessaline::runWorkbench(application);
}
