#include "draw/text_fit.h"

#include <vector>

namespace tessaline {
namespace {

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The cut at or before `length` that does not split a UTF-8 sequence.
std::size_t characterBoundary(std::string_view text, std::size_t length) {
    while (length > 0 && length < text.size() && isContinuationByte(text[length])) --length;
    return length;
}

// Where a line without entries may be cut: before each blank that ends a word.
std::vector<std::size_t> wordEnds(std::string_view text) {
    std::vector<std::size_t> ends;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == ' ' && text[i - 1] != ' ') ends.push_back(i);
    }
    return ends;
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

std::string fittedEntries(const Canvas& canvas, std::string_view text, std::span<const std::size_t> cuts,
                          int32_t width) {
    if (width < 1) return {};
    if (canvas.textExtent(text).cx <= width) return std::string(text);
    const std::vector<std::size_t> words = cuts.empty() ? wordEnds(text) : std::vector<std::size_t>{};
    const std::span<const std::size_t> ends = cuts.empty() ? std::span<const std::size_t>(words) : cuts;
    // Entries only lengthen the line: the last cut that fits with its mark is the one.
    std::string best;
    for (const std::size_t end : ends) {
        if (end == 0 || end >= text.size()) continue;
        std::string candidate(text.substr(0, end));
        candidate += CUT_MARK;
        if (canvas.textExtent(candidate).cx > width) break;
        best = std::move(candidate);
    }
    if (best.empty() && canvas.textExtent(CUT_MARK).cx <= width) best = CUT_MARK;
    return best;
}

void textOutEntriesWithin(Canvas& canvas, int32_t x, int32_t y, std::string_view text,
                          std::span<const std::size_t> cuts, int32_t right) {
    const std::string fitted = fittedEntries(canvas, text, cuts, right - x);
    if (!fitted.empty()) canvas.textOut(x, y, fitted);
}

}  // namespace tessaline
