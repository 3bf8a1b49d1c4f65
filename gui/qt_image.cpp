#include "gui/qt_image.h"

#include <QBuffer>
#include <QByteArray>
#include <cstring>

#include "imaging/image_file.h"

namespace tessaline {

WindowImage windowImageOf(const QImage& image, Color background) {
    const QImage rgb =
        image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
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

bool saveEncoded(const QByteArray& encoded, const std::string& path, std::string& reason) {
    ReplacementFile file;
    const auto bytes =
        std::span(reinterpret_cast<const uint8_t*>(encoded.constData()), static_cast<size_t>(encoded.size()));
    if (file.open(path) && file.write(bytes) && file.commit()) return true;
    reason = std::strerror(file.error());
    return false;
}

bool savePng(const QImage& image, const std::string& path, std::string& reason) {
    // Encoded in memory first: Qt's own file writing neither tells why it failed nor spares an
    // older file of the name.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        reason = "the PNG encoder failed";
        return false;
    }
    return saveEncoded(encoded, path, reason);
}

}  // namespace tessaline
