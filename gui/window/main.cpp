// tessaline: the workbench window.
#include <QApplication>
#include <QLocale>
#include <cstdio>
#include <memory>
#include <string_view>

#include "gui/qt_application.h"
#include "gui/window/main_window.h"
#include "gui/window/window_texts.h"

int main(int argc, char** argv) {
    bool checkDisplay = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        // --version answers without opening a window (and without a display).
        if (argument == "--version") {
            std::printf("tessaline %s\n", TESSALINE_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        // --check-display opens the display's connection and ends: 0 when the window could open.
        if (argument == "--check-display") checkDisplay = true;
    }
    // Without a display to open (none named, or a dead one) this says so in one line and ends
    // with status 1.
    std::unique_ptr<QApplication> application;
    tessaline::makeApplicationOrEnd([&] { application = std::make_unique<QApplication>(argc, argv); });
    if (checkDisplay) return 0;
    // English unless the user's language is Russian, the language of the workbench's own texts.
    const tessaline::WindowTranslation translation(QLocale::system());
    return tessaline::runWorkbench(*application);
}
