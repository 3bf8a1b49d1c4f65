#include "imaging/bmp_writer.h"

#include <span>

#include "imaging/image_file.h"
#include "imaging/little_endian.h"
#include "imaging/messages.h"
#include "platform/message_sink.h"

namespace tessaline {
namespace {

constexpr uint32_t kBytesPerEntry = 4;

void tellBitmap(MessageSink& messages, std::string_view text) {
    messages.showMessage(text, imaging_text::BITMAP_CAPTION, MessageIcon::None);
}

uint32_t colorTableEntriesFor(uint16_t depth) noexcept { return depth < 16 ? (uint32_t{1} << depth) : 0; }

// Bytes of the information header and the colour table.
uint32_t descriptionBytes(uint32_t entries) noexcept {
    return BITMAP_INFO_HEADER_SIZE + kBytesPerEntry * entries;
}

// ((width + 7) / 8) x height x depth, or none when the properties give no bitmap a file can hold.
std::optional<uint32_t> imageSizeFor(const BitmapProperties& properties, uint16_t depth, uint32_t entries) {
    if (properties.width < 0 || properties.height < 0 || properties.planes == 0 ||
        properties.bitsPerPixel == 0) {
        return std::nullopt;
    }
    const uint64_t size =
        (static_cast<uint64_t>(properties.width) + 7) / 8 * static_cast<uint64_t>(properties.height) * depth;
    const uint64_t fileSize = uint64_t{descriptionBytes(entries)} + size + BITMAP_FILE_HEADER_SIZE;
    if (fileSize > UINT32_MAX) return std::nullopt;
    return static_cast<uint32_t>(size);
}

void storeInfoHeader(const BitmapInfoHeader& h, std::span<uint8_t> block) noexcept {
    putLittleEndian32(block, 0, h.size);
    putLittleEndian32(block, 4, static_cast<uint32_t>(h.width));
    putLittleEndian32(block, 8, static_cast<uint32_t>(h.height));
    putLittleEndian16(block, 12, h.planes);
    putLittleEndian16(block, 14, h.bitCount);
    putLittleEndian32(block, 16, h.compression);
    putLittleEndian32(block, 20, h.sizeImage);
    putLittleEndian32(block, 24, static_cast<uint32_t>(h.xPelsPerMeter));
    putLittleEndian32(block, 28, static_cast<uint32_t>(h.yPelsPerMeter));
    putLittleEndian32(block, 32, h.colorsUsed);
    putLittleEndian32(block, 36, h.colorsImportant);
}

// Whether the description is one the builder made: its block holds the header and the table.
bool isWholeDescription(const BitmapDescription& d) noexcept {
    return d.block && d.block.size() == descriptionBytes(d.colorTableEntries);
}

// Copies the image's rows into `bits` as a device-independent bitmap of the description delivers
// them: bottom row first, each pixel as blue, green, red, 0. Only the window image's own form
// (one plane of 32 bits, its own sizes) can be delivered; false for anything else or an empty image.
bool fetchBitmapRows(const WindowImage& image, const BitmapDescription& d, std::span<uint8_t> bits) noexcept {
    const BitmapInfoHeader& h = d.header;
    if (!pixelsMatchSize(image) || image.width == 0 || image.height == 0) return false;
    if (h.width != image.width || h.height != image.height || h.planes != 1 || h.bitCount != 32) return false;
    const size_t rowBytes = static_cast<size_t>(image.width) * 4;
    if (bits.size() < rowBytes * static_cast<size_t>(image.height)) return false;
    for (int32_t row = 0; row < image.height; ++row) {
        std::span<uint8_t> out = bits.subspan(static_cast<size_t>(row) * rowBytes, rowBytes);
        const int32_t y = image.height - 1 - row;
        for (int32_t x = 0; x < image.width; ++x) {
            const uint32_t pixel = image.pixel(x, y);
            putLittleEndian32(out, static_cast<size_t>(x) * 4, pixel & 0x00FFFFFFu);
        }
    }
    return true;
}

// Steps 3 to 7 of the writer: the file, its three parts and closing it.
bool saveBitmapParts(MessageSink& messages, const std::string& path, const BitmapDescription& d,
                     std::span<const uint8_t> bits) {
    ImageFile file(messages, imaging_text::BITMAP_CAPTION);
    return file.create(path) && file.write(bitmapFileHeader(d), imaging_text::FILE_HEADER_NOT_WRITTEN) &&
           file.write(d.block.span(), imaging_text::INFO_HEADER_NOT_WRITTEN) &&
           file.write(bits.first(d.header.sizeImage), imaging_text::BITS_NOT_WRITTEN) && file.close();
}

}  // namespace

uint16_t effectiveColorDepth(uint16_t planes, uint16_t bitsPerPixel) noexcept {
    const uint32_t bits = uint32_t{planes} * uint32_t{bitsPerPixel};
    if (bits <= 1) return 1;
    if (bits <= 4) return 4;
    if (bits <= 8) return 8;
    if (bits <= 16) return 16;
    if (bits <= 24) return 24;
    return 32;
}

BitmapProperties bitmapPropertiesOf(const WindowImage& image) noexcept {
    return BitmapProperties{image.width, image.height, 1, 32};
}

std::optional<BitmapDescription> buildBitmapDescription(MessageSink& messages,
                                                        const BitmapProperties& properties) {
    const uint16_t depth = effectiveColorDepth(properties.planes, properties.bitsPerPixel);
    const uint32_t entries = colorTableEntriesFor(depth);
    const std::optional<uint32_t> imageSize = imageSizeFor(properties, depth, entries);
    if (!imageSize) {
        tellBitmap(messages, imaging_text::NO_BITMAP);
        return std::nullopt;
    }
    BitmapDescription d;
    d.block = memory::allocateOwnedZeroed<uint8_t>(descriptionBytes(entries));
    if (!d.block) {
        tellBitmap(messages, imaging_text::NO_MEMORY_FOR_DESCRIPTION);
        return std::nullopt;
    }
    d.effectiveDepth = depth;
    d.colorTableEntries = entries;
    d.header.width = properties.width;
    d.header.height = properties.height;
    d.header.planes = properties.planes;
    d.header.bitCount = properties.bitsPerPixel;
    d.header.sizeImage = *imageSize;
    d.header.colorsUsed = entries;
    storeInfoHeader(d.header, d.block.span());
    return d;
}

std::array<uint8_t, BITMAP_FILE_HEADER_SIZE> bitmapFileHeader(const BitmapDescription& d) noexcept {
    std::array<uint8_t, BITMAP_FILE_HEADER_SIZE> header{};
    const uint32_t offset = descriptionBytes(d.colorTableEntries) + BITMAP_FILE_HEADER_SIZE;
    header[0] = 'B';
    header[1] = 'M';
    putLittleEndian32(header, 2, offset + d.header.sizeImage);
    putLittleEndian32(header, 10, offset);
    return header;
}

bool writeBitmapFile(MessageSink& messages, const std::string& path, const BitmapDescription& d,
                     const WindowImage& image) {
    // The buffer has room for the description, the pixel data and the file header, all zero.
    const size_t bufferBytes =
        size_t{descriptionBytes(d.colorTableEntries)} + d.header.sizeImage + BITMAP_FILE_HEADER_SIZE;
    const memory::OwnedArray<uint8_t> bits = memory::allocateOwnedZeroed<uint8_t>(bufferBytes);
    if (!bits) {
        tellBitmap(messages, imaging_text::NO_MEMORY_FOR_BITS);
        return false;
    }
    if (!isWholeDescription(d) || !fetchBitmapRows(image, d, bits.span())) {
        tellBitmap(messages, imaging_text::ROWS_NOT_FETCHED);
        return false;
    }
    return saveBitmapParts(messages, path, d, bits.span());
}

}  // namespace tessaline
