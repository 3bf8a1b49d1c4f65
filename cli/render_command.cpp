#include "cli/render_command.h"

#include <charconv>

#include "app/commands.h"
#include "app/snapshot.h"
#include "app/state.h"
#include "app/window_paint.h"
#include "cli/commands.h"
#include "gui/qt_application.h"
#include "gui/qt_canvas.h"
#include "gui/qt_image.h"
#include "platform/headless.h"

namespace tessaline::cli {
namespace {

std::optional<int32_t> parseSide(std::string_view text) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    if (value < 1 || value > RENDER_LARGEST_SIDE) return std::nullopt;
    return value;
}

// What is wrong with the options, or an empty text.
std::string checkRenderOptions(const RenderOptions& options) {
    if (options.view != "alphabet" && options.view != "result") {
        return "--view must be alphabet or result, not \"" + options.view + "\"";
    }
    if (!parseImageSize(options.size)) {
        return "--size must be WIDTHxHEIGHT with each side in 1.." + std::to_string(RENDER_LARGEST_SIDE) +
               ", not \"" + options.size + "\"";
    }
    if (!renderFormatOf(options.out))
        return "--out must name a .png, .bmp or .pcx file, not \"" + options.out + "\"";
    if (options.steps < 0) return "--steps must not be negative";
    return {};
}

void showView(AppState& state, std::string_view view) {
    if (view == "alphabet") {
        state.dwViewMode = VIEW_ALPHABET;
        return;
    }
    state.dwViewMode = VIEW_RESULT;
    state.wResultKind = RESULT_PROCESSING;
}

// Paints the client area and writes the file; the exit status. Qt's application object exists.
int paintAndSave(HeadlessWindow& window, AppState& state, const RenderOptions& options, std::ostream& err) {
    const ImageSize size = *parseImageSize(options.size);
    QtCanvas canvas(size.width, size.height);
    paintClientArea(canvas, state, Rect{0, 0, size.width, size.height}, window);
    if (*renderFormatOf(options.out) == RenderFormat::Png) {
        std::string reason;
        if (savePng(canvas.image(), options.out, reason)) return EXIT_DONE;
        err << "tessaline-cli: render: cannot write " << options.out << ": " << reason << "\n";
        return EXIT_FAILED;
    }
    const WindowImage image = windowImageOf(canvas.image(), WINDOW_BACKGROUND);
    return saveSnapshot(window, image, options.out) ? EXIT_DONE : EXIT_FAILED;
}

}  // namespace

std::optional<ImageSize> parseImageSize(std::string_view text) {
    const size_t cross = text.find_first_of("xX");
    if (cross == std::string_view::npos) return std::nullopt;
    const std::optional<int32_t> width = parseSide(text.substr(0, cross));
    const std::optional<int32_t> height = parseSide(text.substr(cross + 1));
    if (!width || !height) return std::nullopt;
    return ImageSize{*width, *height};
}

std::optional<RenderFormat> renderFormatOf(std::string_view path) {
    switch (snapshotFormatOf(path)) {
        case SnapshotFormat::Bitmap: return RenderFormat::Bitmap;
        case SnapshotFormat::Pcx: return RenderFormat::Pcx;
        case SnapshotFormat::None: break;
    }
    if (!hasExtension(path, ".png")) return std::nullopt;
    return RenderFormat::Png;
}

int runRenderCommand(const RenderOptions& options, std::ostream& err) {
    const std::string refused = checkRenderOptions(options);
    if (!refused.empty()) {
        err << "tessaline-cli: render: " << refused << "\n";
        return EXIT_REFUSED;
    }
    // Qt's platform starts before any work is done: one that cannot start ends the command here.
    const GuiSession session([&err](const std::string& line) {
        err << "tessaline-cli: render: " << line << "\n" << std::flush;
    });
    HeadlessWindow window(&err);
    AppState state;
    const int status = startUpWithSettings(window, state, options.settings, "render", err,
                                           SeriesLength::Applied, options.steps);
    if (status != EXIT_DONE) return status;
    // A picture of a step that gave no result would show the previous series as if it were new.
    for (int step = 1; step <= options.steps; ++step) {
        if (!runProcessingStep(window, state)) {
            err << "tessaline-cli: render: step " << step << " gave no result (the message above says why)\n";
            return EXIT_FAILED;
        }
    }
    showView(state, options.view);
    return paintAndSave(window, state, options, err);
}

}  // namespace tessaline::cli
