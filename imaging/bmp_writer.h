#pragma once
// Windows bitmap files of the window image. The bitmap description (the 40-byte information header
// and room for a colour table) is built from the bitmap's own properties: its width, height,
// planes and bits per pixel. The writer fetches the rows into a zero-filled buffer as a
// device-independent bitmap delivers them (bottom row first, 32-bit pixels as blue, green, red, 0)
// and writes the file header, the description and image-size bytes of the buffer.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/alloc.h"
#include "platform/image.h"

namespace tessaline {

class MessageSink;

inline constexpr uint32_t BITMAP_INFO_HEADER_SIZE = 40;
inline constexpr uint32_t BITMAP_FILE_HEADER_SIZE = 14;

// What a bitmap tells about itself.
struct BitmapProperties {
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 1;
    uint16_t bitsPerPixel = 32;
};

// The fields of the information header.
struct BitmapInfoHeader {
    uint32_t size = BITMAP_INFO_HEADER_SIZE;
    int32_t width = 0;
    int32_t height = 0;  // positive: rows bottom-up
    uint16_t planes = 1;
    uint16_t bitCount = 0;     // the bits per pixel as the bitmap reports them
    uint32_t compression = 0;  // uncompressed RGB
    uint32_t sizeImage = 0;    // ((width + 7) / 8) x height x effective depth
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t colorsUsed = 0;  // colour-table entries
    uint32_t colorsImportant = 0;
};

struct BitmapDescription {
    BitmapInfoHeader header;
    uint16_t effectiveDepth = 0;
    uint32_t colorTableEntries = 0;
    // The header's 40 bytes followed by the colour table (4 bytes per entry), as the file holds them.
    memory::OwnedArray<uint8_t> block;
};

// planes x bits per pixel, rounded up to the first of 1, 4, 8, 16, 24, 32 (larger gives 32).
uint16_t effectiveColorDepth(uint16_t planes, uint16_t bitsPerPixel) noexcept;

// The properties of the window image: its sizes, one plane of 32 bits per pixel.
BitmapProperties bitmapPropertiesOf(const WindowImage& image) noexcept;

// The description of a bitmap with these properties, or none after telling the user: "Проблемы при
// выполнении GetObject" when the properties describe no bitmap a file can hold (negative sizes, no
// planes or bits, sizes beyond the file's 32-bit fields), "Нет памяти для BITMAPINFO" when the
// block cannot be allocated.
std::optional<BitmapDescription> buildBitmapDescription(MessageSink& messages,
                                                        const BitmapProperties& properties);

// The 14-byte file header: "BM", the file size, two reserved words and the offset of the pixel data.
std::array<uint8_t, BITMAP_FILE_HEADER_SIZE> bitmapFileHeader(const BitmapDescription& description) noexcept;

// Writes `image` to `path` with the description; false after telling the user what failed. The file
// takes the name only when it is complete: after a failure an older file of the name is unchanged.
bool writeBitmapFile(MessageSink& messages, const std::string& path, const BitmapDescription& description,
                     const WindowImage& image);

}  // namespace tessaline
