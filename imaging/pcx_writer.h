#pragma once
// Two-colour PCX files of the window image: every pixel of exactly the window's background colour
// is 1 (palette entry 1, the background colour), every other pixel 0 (black). Rows are padded to
// a whole number of 32-pixel groups with 1s, packed eight pixels to a byte with the first in the
// most significant bit, and run-length encoded row by row.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/image.h"

namespace tessaline {

class MessageSink;

inline constexpr size_t PCX_HEADER_SIZE = 128;
// The longest run one count byte can carry, and the count byte's two marking bits.
inline constexpr uint8_t PCX_LONGEST_RUN = 63;
inline constexpr uint8_t PCX_RUN_MARK = 0xC0;
// The encoded row is never given less room than this.
inline constexpr size_t PCX_ENCODED_ROW_LEAST = 512;
// The header's 16-bit fields limit the sizes a file can carry.
inline constexpr int32_t PCX_LARGEST_SIZE = 65535;

// ((width + 31) / 32) x 4: the packed bytes of one row.
int32_t pcxBytesPerLine(int32_t width) noexcept;

// The 128-byte header of an image of these sizes; `background` (0x00RRGGBB) is palette entry 1.
std::array<uint8_t, PCX_HEADER_SIZE> pcxHeader(int32_t width, int32_t height, uint32_t background) noexcept;

// Packs pixel values (0 or 1, eight per output byte) into `packed`, the first pixel in bit 7.
void packPcxRow(std::span<const uint8_t> pixelValues, std::span<uint8_t> packed) noexcept;

// Room that holds the encoded form of any packed row of this length: two bytes per packed byte at
// worst, never less than the usual 512.
size_t pcxEncodedRowCapacity(size_t bytesPerLine) noexcept;

// Run-length encodes one packed row into `codes` (of pcxEncodedRowCapacity bytes at least) and
// gives the number of bytes used. Runs stop at 63 and at the end of the row; a run longer than
// one, or a byte with both top bits set, goes out as a count byte and the byte, anything else as
// the bare byte.
size_t encodePcxRow(std::span<const uint8_t> packed, std::span<uint8_t> codes) noexcept;

// Writes `image` to `path`; false after telling the user what failed ("About PCX"), or without a
// word for an image no PCX file can carry (no pixels, or sizes beyond the header's fields). The file
// takes the name only when it is complete: after a failure an older file of the name is unchanged.
bool writePcxFile(MessageSink& messages, const std::string& path, const WindowImage& image);

}  // namespace tessaline
