#pragma once
// The command line's painter for tests without Qt: it paints on a recording canvas, so the pointer
// aims at real geometry, and instead of writing a file keeps what the picture was drawn from.
#include <string>

#include "app/window_paint.h"
#include "cli/commands.h"
#include "cli/image_painter.h"
#include "tests/support/recording_canvas.h"

namespace tessaline {

class RecordingPainter : public cli::ImagePainter {
public:
    void start(std::string_view, std::ostream&) override { started = true; }
    PaintedGeometry paint(Window& window, const AppState& state, cli::ImageSize size) override {
        RecordingCanvas canvas(size.width, size.height);
        return paintClientArea(canvas, state, Rect{0, 0, size.width, size.height}, window);
    }
    int paintAndSave(Window& window, const AppState& state, cli::ImageSize size, const std::string& path,
                     std::string_view, std::ostream&) override {
        paint(window, state, size);
        saved(state);
        width = size.width;
        file = path;
        return cli::EXIT_DONE;
    }
    int saveFigure(const StatsFigure& drawn, const std::string& path, std::string_view,
                   std::ostream&) override {
        figure = drawn;
        figureFile = path;
        return cli::EXIT_DONE;
    }
    // What a test keeps of the state the picture was drawn from.
    virtual void saved(const AppState&) {}

    bool started = false;
    int32_t width = 0;
    std::string file;
    StatsFigure figure;  // the last figure asked for
    std::string figureFile;
};

}  // namespace tessaline
