#include "app/snapshot.h"

#include <cctype>
#include <optional>

#include "app/messages.h"
#include "imaging/bmp_writer.h"
#include "imaging/messages.h"
#include "imaging/pcx_writer.h"
#include "platform/window.h"

namespace tessaline {
namespace {

bool saveBitmap(MessageSink& messages, const WindowImage& image, const std::string& name) {
    const std::optional<BitmapDescription> description =
        buildBitmapDescription(messages, bitmapPropertiesOf(image));
    return description && writeBitmapFile(messages, name, *description, image);
}

}  // namespace

SaveFileRequest snapshotFileRequest() {
    SaveFileRequest request;
    request.title = "Snapshot File Name";
    request.filters = {{"Bitmap Files (*.bmp)", "*.bmp"}, {"PCX Files (*.pcx)", "*.pcx"}};
    request.defaultExtension = "bmp";
    request.promptOverwrite = true;
    return request;
}

bool hasExtension(std::string_view name, std::string_view extension) noexcept {
    if (name.size() <= extension.size()) return false;
    const std::string_view tail = name.substr(name.size() - extension.size());
    for (size_t i = 0; i < extension.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(tail[i])) != extension[i]) return false;
    }
    return true;
}

SnapshotFormat snapshotFormatOf(std::string_view name) noexcept {
    if (hasExtension(name, ".pcx")) return SnapshotFormat::Pcx;
    if (hasExtension(name, ".bmp")) return SnapshotFormat::Bitmap;
    return SnapshotFormat::None;
}

bool saveSnapshot(MessageSink& messages, const WindowImage& image, const std::string& name) {
    switch (snapshotFormatOf(name)) {
        case SnapshotFormat::Pcx:
            if (writePcxFile(messages, name, image)) return true;
            messages.showMessage(app_text::PCX_NOT_CREATED, imaging_text::BITMAP_CAPTION, MessageIcon::None);
            return false;
        case SnapshotFormat::Bitmap:
            if (saveBitmap(messages, image, name)) return true;
            messages.showMessage(app_text::BITMAP_NOT_CREATED, imaging_text::BITMAP_CAPTION,
                                 MessageIcon::None);
            return false;
        case SnapshotFormat::None: break;
    }
    return true;
}

bool MakeSnapshot(Window& window) {
    const WindowImage image = window.captureClientArea();
    if (!pixelsMatchSize(image)) return false;
    const std::optional<std::string> name = window.chooseSaveFileName(snapshotFileRequest());
    // The window repaints what the dialog covered by itself; the copy is only written.
    if (name) saveSnapshot(window, image, *name);
    return true;
}

}  // namespace tessaline
