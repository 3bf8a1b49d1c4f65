#include "draw/text_fit.h"

namespace tessaline {
namespace {

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The cut at or before `length` that does not split a UTF-8 sequence.
std::size_t characterBoundary(std::string_view text, std::size_t length) {
    while (length > 0 && length < text.size() && isContinuationByte(text[length])) --length;
    return length;
}

}  // namespace

std::string_view fittedText(const Canvas& canvas, std::string_view text, int32_t width) {
    if (width < 1) return {};
    if (canvas.textExtent(text).cx <= width) return text;
    // The extent grows with the length: search the longest beginning that fits.
    std::size_t fits = 0;
    std::size_t tooLong = text.size();
    while (tooLong - fits > 1) {
        const std::size_t middle = fits + (tooLong - fits) / 2;
        if (canvas.textExtent(text.substr(0, middle)).cx <= width) {
            fits = middle;
        } else {
            tooLong = middle;
        }
    }
    return text.substr(0, characterBoundary(text, fits));
}

void textOutWithin(Canvas& canvas, int32_t x, int32_t y, std::string_view text, int32_t right) {
    const std::string_view fitted = fittedText(canvas, text, right - x);
    if (!fitted.empty()) canvas.textOut(x, y, fitted);
}

}  // namespace tessaline
