#include "platform/qt/qt_image.h"

#include <QString>

namespace tessaline {

WindowImage windowImageOf(const QImage& image, Color background) {
    const QImage rgb = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    WindowImage result;
    result.width = rgb.width();
    result.height = rgb.height();
    result.background = packedRgb(background);
    result.pixels.reserve(static_cast<size_t>(result.width) * static_cast<size_t>(result.height));
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) result.pixels.push_back(row[x] & 0x00FFFFFFu);
    }
    return result;
}

bool savePng(const QImage& image, const std::string& path) {
    return image.save(QString::fromStdString(path), "PNG");
}

}  // namespace tessaline
