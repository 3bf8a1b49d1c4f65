#pragma once
// Text kept within a width: a view whose lines can be longer than the room beside its boxes writes
// as much of each line as fits rather than writing over the box.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "draw/canvas.h"

namespace tessaline {

// The longest beginning of `text` whose extent in the selected font is at most `width` pixels,
// cut between characters (never inside a UTF-8 sequence); empty when the width is below 1.
std::string_view fittedText(const Canvas& canvas, std::string_view text, int32_t width);

// Writes as much of `text` at (x, y) as ends at or before column `right` (excluded).
void textOutWithin(Canvas& canvas, int32_t x, int32_t y, std::string_view text, int32_t right);

// The mark that ends a line cut short.
inline constexpr std::string_view CUT_MARK = "...";

// `text` when it is at most `width` pixels wide; otherwise its longest beginning that ends at one
// of `cuts` (offsets into the text where a whole entry ends, ascending) followed by "...", or "..."
// alone when no entry fits, or nothing when not even that fits. Without cuts a line is cut
// after a whole word (before a blank).
std::string fittedEntries(const Canvas& canvas, std::string_view text, std::span<const std::size_t> cuts,
                          int32_t width);

// Writes `text` at (x, y), cut as `fittedEntries` cuts it to end at or before column `right`.
void textOutEntriesWithin(Canvas& canvas, int32_t x, int32_t y, std::string_view text,
                          std::span<const std::size_t> cuts, int32_t right);

}  // namespace tessaline
