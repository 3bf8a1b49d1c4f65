#include "cli/qt_image_painter.h"

#include <iostream>

#include "app/snapshot.h"
#include "app/window_paint.h"
#include "cli/commands.h"
#include "gui/qt_canvas.h"
#include "gui/qt_image.h"

namespace tessaline::cli {

void QtImagePainter::start(std::string_view command, std::ostream& err) {
    if (session_) return;
    const std::string prefix = "tessaline-cli: " + std::string(command) + ": ";
    session_ = std::make_unique<GuiSession>([&err, prefix](const std::string& line) {
        err << prefix << line << "\n" << std::flush;
    });
}

PaintedGeometry QtImagePainter::paint(HeadlessWindow& window, const AppState& state, ImageSize size) {
    start("paint", std::cerr);
    QtCanvas canvas(size.width, size.height);
    return paintClientArea(canvas, state, Rect{0, 0, size.width, size.height}, window);
}

int QtImagePainter::paintAndSave(HeadlessWindow& window, const AppState& state, ImageSize size,
                                 const std::string& path, std::string_view command, std::ostream& err) {
    start(command, err);
    QtCanvas canvas(size.width, size.height);
    paintClientArea(canvas, state, Rect{0, 0, size.width, size.height}, window);
    return save(canvas, window, path, command, err);
}

int QtImagePainter::drawAndSave(ImageSize size, const std::function<void(Canvas&)>& draw,
                                const std::string& path, std::string_view command, std::ostream& err) {
    start(command, err);
    QtCanvas canvas(size.width, size.height);
    draw(canvas);
    HeadlessWindow window(&err);
    return save(canvas, window, path, command, err);
}

int QtImagePainter::save(QtCanvas& canvas, HeadlessWindow& window, const std::string& path,
                         std::string_view command, std::ostream& err) {
    if (*renderFormatOf(path) == RenderFormat::Png) {
        std::string reason;
        if (savePng(canvas.image(), path, reason)) return EXIT_DONE;
        err << "tessaline-cli: " << command << ": cannot write " << path << ": " << reason << "\n";
        return EXIT_FAILED;
    }
    const WindowImage image = windowImageOf(canvas.image(), WINDOW_BACKGROUND);
    return saveSnapshot(window, image, path) ? EXIT_DONE : EXIT_FAILED;
}

}  // namespace tessaline::cli
