#pragma once
// The Qt canvas's picture as the window image the image writers save, and as a PNG file.
#include <QByteArray>
#include <QImage>
#include <string>

#include "draw/canvas.h"
#include "platform/image.h"

namespace tessaline {

// The same pixels (0x00RRGGBB, top row first) with the window's background colour.
WindowImage windowImageOf(const QImage& image, Color background);

// Writes encoded bytes as the file `path`, which takes the name only when it is complete (an older
// file of the name stays as it was otherwise); false with the system's reason in `reason`.
bool saveEncoded(const QByteArray& encoded, const std::string& path, std::string& reason);

// Writes the picture as a PNG file, which takes the name only when it is complete (an older file of
// the name stays as it was otherwise); false with the reason in `reason` when it cannot be written.
bool savePng(const QImage& image, const std::string& path, std::string& reason);

}  // namespace tessaline
