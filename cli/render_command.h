#pragma once
// tessaline-cli render: start-up, the run settings and processing steps as `run` does them, then
// the client area painted in one view and saved as a PNG, BMP or PCX file (by the file's
// extension; BMP and PCX through the workbench's own image writers).
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/run_settings.h"

namespace tessaline::cli {

struct RenderOptions {
    RunSettings settings;
    int steps = 1;
    std::string view;                // "alphabet" or "result"
    std::string size = "1600x1000";  // client area, WIDTHxHEIGHT
    std::string out;                 // the image file
};

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

// Exit status as for `run`: 0 written, 1 the workbench could not start or the file could not be
// written (the reason is on `err`), 2 refused options. Qt's platform is started before anything
// else runs; when it cannot start, the process ends there with one line on `err` and status 1. A
// file that cannot be written leaves an older file of the name unchanged.
int runRenderCommand(const RenderOptions& options, std::ostream& err);

}  // namespace tessaline::cli
