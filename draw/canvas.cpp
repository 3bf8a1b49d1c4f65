// The canvas interface with the one drawing it does for every canvas.
#include "draw/canvas.h"

namespace tessaline {

void Canvas::drawPicture(Point at, const WindowImage& picture) {
    if (!pixelsMatchSize(picture)) return;
    for (int32_t y = 0; y < picture.height; ++y) {
        for (int32_t x = 0; x < picture.width; ++x) {
            const uint32_t p = picture.pixel(x, y);
            setPixel(
                at.x + x, at.y + y,
                rgb(static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)));
        }
    }
}

}  // namespace tessaline
