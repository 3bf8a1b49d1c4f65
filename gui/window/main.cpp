// tessaline: the workbench window.
#include <QApplication>

#include "gui/window/main_window.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    return tessaline::runWorkbench(application);
}
