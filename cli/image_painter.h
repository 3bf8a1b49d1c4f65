#pragma once
// Pictures of the client area: the sizes and file formats the command line accepts, and the painter
// that draws the state onto an image and writes it. Painting needs Qt, which the rest of the command
// line does without: the program hands a painter in, so everything else runs (and is tested) without
// Qt.
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "app/state.h"
#include "app/window_paint.h"
#include "draw/canvas.h"
#include "platform/window.h"
#include "views/stats_figure.h"

namespace tessaline::cli {

struct ImageSize {
    int32_t width = 0;
    int32_t height = 0;
};

enum class RenderFormat { Png, Bitmap, Pcx };

// Each side of a rendered image lies in 1 .. this.
inline constexpr int32_t RENDER_LARGEST_SIDE = 8192;

// "1600x1000" (or with a capital X); none for anything else or a side outside 1 .. 8192.
std::optional<ImageSize> parseImageSize(std::string_view text);

// The format the file name's extension (.png, .bmp, .pcx in any case) asks for, or none.
std::optional<RenderFormat> renderFormatOf(std::string_view path);

// What is wrong with a client area's size given as option `sizeOption`, or "".
std::string checkImageSize(std::string_view size, std::string_view sizeOption);

// What is wrong with a picture's size and file options (named `sizeOption`, `pathOption`), or "".
std::string checkImageOptions(std::string_view size, std::string_view path, std::string_view sizeOption,
                              std::string_view pathOption);

class ImagePainter {
public:
    virtual ~ImagePainter() = default;

    // Gets the drawing platform ready before any work is done; a platform that cannot start ends
    // the process with one line on `err` naming `command`, and status 1.
    virtual void start(std::string_view command, std::ostream& err) = 0;

    // Paints the client area of `size` from the state, its messages going to `window`, and tells
    // what it drew (the picture itself is not kept).
    virtual PaintedGeometry paint(Window& window, const AppState& state, ImageSize size) = 0;

    // Paints the client area of `size` from the state and writes it to `path` (PNG, or BMP and PCX
    // through the workbench's own writers, by the extension); an older file of the name is replaced
    // only by a complete one. The exit status; a failure is explained on `err`, naming `command`.
    virtual int paintAndSave(Window& window, const AppState& state, ImageSize size, const std::string& path,
                             std::string_view command, std::ostream& err) = 0;

    // Paints a picture of `size` with `draw` (on a white canvas) and writes it to `path` as
    // paintAndSave does, except that the picture is the command line's own: a file that cannot be
    // written, of any format, is told as `cannot write PATH: reason`, without the workbench
    // writers' messages. A painter that paints the client area only refuses it (status 2).
    virtual int drawAndSave(ImageSize size, const std::function<void(Canvas&)>& draw, const std::string& path,
                            std::string_view command, std::ostream& err);

    // Writes a simulation's figure to `path` (SVG, PDF or PNG by the extension), replacing an older
    // file only by a complete one; a file that cannot be written is told as `cannot write PATH:
    // reason`. A painter that paints the client area only refuses it (status 2).
    virtual int saveFigure(const StatsFigure& figure, const std::string& path, std::string_view command,
                           std::ostream& err);
};

}  // namespace tessaline::cli
