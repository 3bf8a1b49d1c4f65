#pragma once
// A window image held in memory: width x height pixels, top row first, each pixel 0x00RRGGBB.
// The window paints into it, the screen shows it and the image writers save it, so a saved file
// is exactly what is on screen. The image also knows the window's background colour, which the
// two-colour export sets apart from everything else.
#include <cstdint>
#include <vector>

namespace tessaline {

struct WindowImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;      // width * height entries, row-major from the top
    uint32_t background = 0x00FFFFFF;  // the window's background colour, 0x00RRGGBB

    uint32_t pixel(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// True when the sizes are not negative and the pixel list holds exactly width x height entries, so
// that every pixel (x, y) inside the sizes can be read.
inline bool pixelsMatchSize(const WindowImage& image) noexcept {
    return image.width >= 0 && image.height >= 0 &&
           image.pixels.size() == static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
}

}  // namespace tessaline
