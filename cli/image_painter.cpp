#include "cli/image_painter.h"

#include <charconv>

#include "app/snapshot.h"
#include "cli/commands.h"
#include "cli/messages.h"

namespace tessaline::cli {
namespace {

std::optional<int32_t> parseSide(std::string_view text) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    if (value < 1 || value > RENDER_LARGEST_SIDE) return std::nullopt;
    return value;
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

std::string checkImageSize(std::string_view size, std::string_view sizeOption) {
    if (parseImageSize(size)) return {};
    return std::string(sizeOption) + " must be WIDTHxHEIGHT with each side in 1.." +
           std::to_string(RENDER_LARGEST_SIDE) + ", not \"" + std::string(size) + "\"";
}

std::string checkImageOptions(std::string_view size, std::string_view path, std::string_view sizeOption,
                              std::string_view pathOption) {
    if (std::string bad = checkImageSize(size, sizeOption); !bad.empty()) return bad;
    if (!renderFormatOf(path)) {
        return std::string(pathOption) + " must name a .png, .bmp or .pcx file, not \"" + std::string(path) +
               "\"";
    }
    return {};
}

int ImagePainter::drawAndSave(ImageSize, const std::function<void(Canvas&)>&, const std::string&,
                              std::string_view command, std::ostream& err) {
    err << cli_text::commandLine(command, cli_text::PAINTS_CLIENT_AREA_ONLY);
    return EXIT_REFUSED;
}

int ImagePainter::saveFigure(const StatsFigure&, const std::string&, std::string_view command,
                             std::ostream& err) {
    err << cli_text::commandLine(command, cli_text::PAINTS_CLIENT_AREA_ONLY);
    return EXIT_REFUSED;
}

}  // namespace tessaline::cli
