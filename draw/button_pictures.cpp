#include "draw/button_pictures.h"

namespace tessaline {
namespace {

constexpr Color kPictureGrey = rgb(212, 208, 200);
constexpr Color kPictureOutline = rgb(64, 64, 64);
constexpr Color kPictureLight = rgb(255, 255, 255);
constexpr Color kPictureShade = rgb(128, 128, 128);
constexpr int32_t CAPTION_HEIGHT = 20;

void line(Canvas& canvas, Point from, Point to) {
    canvas.moveTo(from.x, from.y);
    canvas.lineTo(to.x, to.y);
}

}  // namespace

void drawButtonPicture(Canvas& canvas, std::string_view caption) {
    constexpr int32_t W = BUTTON_PICTURE_WIDTH, H = BUTTON_PICTURE_HEIGHT;
    canvas.fillRect({0, 0, W, H}, kPictureGrey);
    {
        const PenGuard pen(canvas, Pen{kPictureOutline});
        const BrushGuard brush(canvas, Brush{{}, true});
        canvas.rectangle({0, 0, W, H});
    }
    {
        const PenGuard pen(canvas, Pen{kPictureLight});
        line(canvas, {1, H - 2}, {1, 1});
        line(canvas, {1, 1}, {W - 1, 1});
    }
    {
        const PenGuard pen(canvas, Pen{kPictureShade});
        line(canvas, {2, H - 2}, {W - 2, H - 2});
        line(canvas, {W - 2, H - 2}, {W - 2, 1});
    }
    const FontGuard font(canvas, Font{Font::Kind::Face, "DejaVu Serif", CAPTION_HEIGHT});
    const Color text = canvas.setTextColor(kBlack);
    const BackgroundMode mode = canvas.setBackgroundMode(BackgroundMode::Transparent);
    const TextExtent extent = canvas.textExtent(caption);
    canvas.textOut((W - extent.cx) / 2, (H - extent.cy) / 2, caption);
    canvas.setBackgroundMode(mode);
    canvas.setTextColor(text);
}

}  // namespace tessaline
