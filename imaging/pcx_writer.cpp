#include "imaging/pcx_writer.h"

#include <cassert>

#include "imaging/image_file.h"
#include "imaging/little_endian.h"
#include "imaging/messages.h"
#include "platform/alloc.h"
#include "platform/message_sink.h"

namespace tessaline {
namespace {

void tellPcx(MessageSink& messages, std::string_view text) {
    messages.showMessage(text, imaging_text::PCX_CAPTION, MessageIcon::None);
}

bool fitsPcx(const WindowImage& image) noexcept {
    return pixelsMatchSize(image) && image.width > 0 && image.height > 0 && image.width <= PCX_LARGEST_SIZE &&
           image.height <= PCX_LARGEST_SIZE;
}

// Appends one run to `codes` at `used` and gives the new length.
size_t emitRun(std::span<uint8_t> codes, size_t used, uint8_t value, uint8_t count) noexcept {
    if (count > 1 || (value & PCX_RUN_MARK) == PCX_RUN_MARK)
        codes[used++] = static_cast<uint8_t>(PCX_RUN_MARK | count);
    codes[used++] = value;
    return used;
}

// 1 for each pixel of row y that has exactly the background colour, 0 for any other; the padding
// after the last column is 1.
void classifyRow(const WindowImage& image, int32_t y, std::span<uint8_t> values) noexcept {
    const uint32_t background = image.background & 0x00FFFFFFu;
    for (size_t x = 0; x < values.size(); ++x) {
        const bool inside = x < static_cast<size_t>(image.width);
        values[x] = !inside || (image.pixel(static_cast<int32_t>(x), y) & 0x00FFFFFFu) == background ? 1 : 0;
    }
}

// The header, then each row from the top, classified, packed and encoded; then closing.
bool savePcxRows(MessageSink& messages, const std::string& path, const WindowImage& image,
                 std::span<uint8_t> values, std::span<uint8_t> packed, std::span<uint8_t> codes) {
    ImageFile file(messages, imaging_text::PCX_CAPTION);
    if (!file.create(path) || !file.write(pcxHeader(image.width, image.height, image.background),
                                          imaging_text::PCX_HEADER_NOT_WRITTEN)) {
        return false;
    }
    for (int32_t y = 0; y < image.height; ++y) {
        classifyRow(image, y, values);
        packPcxRow(values, packed);
        const size_t used = encodePcxRow(packed, codes);
        if (!file.write(codes.first(used), imaging_text::PCX_CODES_NOT_WRITTEN)) return false;
    }
    return file.close();
}

}  // namespace

int32_t pcxBytesPerLine(int32_t width) noexcept {
    return static_cast<int32_t>((static_cast<int64_t>(width) + 31) / 32 * 4);
}

std::array<uint8_t, PCX_HEADER_SIZE> pcxHeader(int32_t width, int32_t height, uint32_t background) noexcept {
    std::array<uint8_t, PCX_HEADER_SIZE> header{};
    header[0] = 10;  // manufacturer
    header[1] = 5;   // version
    header[2] = 1;   // run-length encoding
    header[3] = 1;   // bits per pixel
    putLittleEndian16(header, 8, static_cast<uint16_t>(width - 1));
    putLittleEndian16(header, 10, static_cast<uint16_t>(height - 1));
    putLittleEndian16(header, 12, 640);
    putLittleEndian16(header, 14, 480);
    header[16 + 3] = static_cast<uint8_t>(background >> 16);  // palette entry 1: red, green, blue
    header[16 + 4] = static_cast<uint8_t>(background >> 8);
    header[16 + 5] = static_cast<uint8_t>(background);
    header[65] = 1;  // colour planes
    putLittleEndian16(header, 66, static_cast<uint16_t>(pcxBytesPerLine(width)));
    putLittleEndian16(header, 68, 1);  // palette info
    return header;
}

void packPcxRow(std::span<const uint8_t> pixelValues, std::span<uint8_t> packed) noexcept {
    for (size_t i = 0; i < packed.size(); ++i) {
        uint8_t byte = 0;
        for (size_t bit = 0; bit < 8; ++bit) {
            const size_t x = i * 8 + bit;
            const uint8_t value = x < pixelValues.size() ? pixelValues[x] : 0;
            byte = static_cast<uint8_t>((byte << 1) | (value & 1u));
        }
        packed[i] = byte;
    }
}

size_t pcxEncodedRowCapacity(size_t bytesPerLine) noexcept {
    return bytesPerLine > PCX_ENCODED_ROW_LEAST / 2 ? bytesPerLine * 2 : PCX_ENCODED_ROW_LEAST;
}

size_t encodePcxRow(std::span<const uint8_t> packed, std::span<uint8_t> codes) noexcept {
    assert(codes.size() >= pcxEncodedRowCapacity(packed.size()));
    if (packed.empty()) return 0;
    size_t used = 0;
    uint8_t current = packed[0];
    uint8_t count = 1;
    for (size_t i = 1; i < packed.size(); ++i) {
        const uint8_t byte = packed[i];
        if (byte == current) {
            ++count;
            if (count == PCX_LONGEST_RUN) {
                used = emitRun(codes, used, current, count);
                count = 0;  // the next byte starts a new run, whatever its value
            }
            continue;
        }
        // A run that was just emitted at 63 leaves nothing pending.
        if (count > 0) used = emitRun(codes, used, current, count);
        current = byte;
        count = 1;
    }
    if (count > 0) used = emitRun(codes, used, current, count);
    return used;
}

bool writePcxFile(MessageSink& messages, const std::string& path, const WindowImage& image) {
    if (!fitsPcx(image)) return false;
    const auto bytesPerLine = static_cast<size_t>(pcxBytesPerLine(image.width));
    const memory::OwnedArray<uint8_t> values = memory::allocateOwnedZeroed<uint8_t>(bytesPerLine * 8);
    if (!values) {
        tellPcx(messages, imaging_text::NO_MEMORY_FOR_ROW);
        return false;
    }
    // The row's codes: its packed form, then room for the encoded form.
    const memory::OwnedArray<uint8_t> codes =
        memory::allocateOwnedZeroed<uint8_t>(bytesPerLine + pcxEncodedRowCapacity(bytesPerLine));
    if (!codes) {
        tellPcx(messages, imaging_text::NO_MEMORY_FOR_CODES);
        return false;
    }
    const std::span<uint8_t> all = codes.span();
    return savePcxRows(messages, path, image, values.span(), all.first(bytesPerLine),
                       all.subspan(bytesPerLine));
}

}  // namespace tessaline
