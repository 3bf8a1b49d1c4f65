#include "gui/window/save_image.h"

#include <optional>
#include <string>

#include "app/snapshot.h"
#include "gui/qt_canvas.h"
#include "gui/qt_image.h"
#include "imaging/messages.h"
#include "platform/window.h"

namespace tessaline {
namespace {

constexpr std::string_view IMAGE_CAPTION = imaging_text::BITMAP_CAPTION;

void savePngOrSay(Window& window, const QImage& shown, const std::string& name) {
    std::string reason;
    if (savePng(shown, name, reason)) return;
    window.showMessage("PNG file is not created\n\n" + name + ": " + reason, IMAGE_CAPTION,
                       MessageIcon::None);
}

}  // namespace

void saveWindowImage(Window& window, const QImage& shown) {
    const WindowImage image = windowImageOf(shown, WINDOW_BACKGROUND);
    if (shown.isNull() || !pixelsMatchSize(image)) {
        window.showMessage("Проблемы при выполнении MakeSnapshot", "Open File Name", MessageIcon::None);
        return;
    }
    SaveFileRequest request = snapshotFileRequest();
    request.filters.emplace_back("PNG Files (*.png)", "*.png");
    const std::optional<std::string> name = window.chooseSaveFileName(request);
    if (!name) return;
    if (hasExtension(*name, ".png")) {
        savePngOrSay(window, shown, *name);
    } else if (snapshotFormatOf(*name) == SnapshotFormat::None) {
        window.showMessage(
            "Image file is not created\n\n" + *name + ": the name must end in .png, .bmp or .pcx",
            IMAGE_CAPTION, MessageIcon::Warning);
    } else {
        saveSnapshot(window, image, *name);
    }
}

}  // namespace tessaline
