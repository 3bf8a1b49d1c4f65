#include "cli/qt_image_painter.h"

#include <cstddef>
#include <iostream>
#include <memory>
#include <new>

#include "app/snapshot.h"
#include "app/window_paint.h"
#include "cli/commands.h"
#include "cli/messages.h"
#include "cli/picture_file.h"
#include "cli/termination.h"
#include "gui/figure_writer.h"
#include "gui/qt_canvas.h"
#include "gui/qt_image.h"

namespace tessaline::cli {
namespace {

// Qt gives an image it has no memory for as a null image, and the canvas's painter then warns at
// every stroke and draws nothing. The picture's memory is tried before the canvas is made, and the
// canvas's image checked after, so that memory that ran out is said as such (the program's one
// line).
std::unique_ptr<QtCanvas> canvasOf(ImageSize size) {
    const std::size_t bytes =
        std::size_t{4} * static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height);
    void* probe = ::operator new(bytes, std::nothrow);
    if (probe == nullptr) throw std::bad_alloc();
    ::operator delete(probe);
    auto canvas = std::make_unique<QtCanvas>(size.width, size.height);
    if (canvas->image().isNull()) throw std::bad_alloc();
    return canvas;
}

int cannotWrite(const std::string& path, const std::string& reason, std::string_view command,
                std::ostream& err) {
    err << cli_text::commandLine(command, cli_text::cannotWrite(path, reason));
    return EXIT_FAILED;
}

int savePngFile(const QtCanvas& canvas, const std::string& path, std::string_view command,
                std::ostream& err) {
    std::string reason;
    return savePng(canvas.image(), path, reason) ? EXIT_DONE : cannotWrite(path, reason, command, err);
}

}  // namespace

void QtImagePainter::start(std::string_view command, std::ostream& err) {
    if (session_) return;
    const std::string prefix = cli_text::commandPrefix(command);
    session_ = std::make_unique<GuiSession>([&err, prefix](const std::string& line) {
        err << prefix << line << "\n" << std::flush;
    });
}

PaintedGeometry QtImagePainter::paint(Window& window, const AppState& state, ImageSize size) {
    start("paint", std::cerr);
    const std::unique_ptr<QtCanvas> canvas = canvasOf(size);
    return paintClientArea(*canvas, state, Rect{0, 0, size.width, size.height}, window);
}

int QtImagePainter::paintAndSave(Window& window, const AppState& state, ImageSize size,
                                 const std::string& path, std::string_view command, std::ostream& err) {
    start(command, err);
    const StopCleanly stopping;  // the file is written beside its target
    const std::unique_ptr<QtCanvas> canvas = canvasOf(size);
    paintClientArea(*canvas, state, Rect{0, 0, size.width, size.height}, window);
    if (*renderFormatOf(path) == RenderFormat::Png) return savePngFile(*canvas, path, command, err);
    // A view of the workbench is saved as the workbench saves it, its writers' messages and all.
    const WindowImage image = windowImageOf(canvas->image(), WINDOW_BACKGROUND);
    return saveSnapshot(window, image, path) ? EXIT_DONE : EXIT_FAILED;
}

int QtImagePainter::drawAndSave(ImageSize size, const std::function<void(Canvas&)>& draw,
                                const std::string& path, std::string_view command, std::ostream& err) {
    start(command, err);
    const StopCleanly stopping;  // the file is written beside its target
    const std::unique_ptr<QtCanvas> canvas = canvasOf(size);
    draw(*canvas);
    if (*renderFormatOf(path) == RenderFormat::Png) return savePngFile(*canvas, path, command, err);
    std::string reason;
    const WindowImage image = windowImageOf(canvas->image(), WINDOW_BACKGROUND);
    return saveSnapshotFile(image, path, reason) ? EXIT_DONE : cannotWrite(path, reason, command, err);
}

int QtImagePainter::saveFigure(const StatsFigure& figure, const std::string& path, std::string_view command,
                               std::ostream& err) {
    start(command, err);
    const StopCleanly stopping;  // the file is written beside its target
    std::string reason;
    return writeFigure(figure, *figureFormatOf(path), path, reason) ? EXIT_DONE
                                                                    : cannotWrite(path, reason, command, err);
}

}  // namespace tessaline::cli
