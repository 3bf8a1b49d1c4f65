// Two-colour PCX files: the header, packing, the run-length rule on its edges, whole files byte for
// byte, rows wider than the usual 512-byte encoded row, and an independent reader's view.
#include <gtest/gtest.h>

#include <algorithm>

#include "imaging/pcx_writer.h"
#include "platform/collecting_sink.h"
#include "tests/support/image_files.h"

namespace tessaline {
namespace {

using testing_files::readFileBytes;
using testing_files::ScratchFolder;

using Bytes = std::vector<uint8_t>;

Bytes encoded(const Bytes& packed) {
    Bytes codes(pcxEncodedRowCapacity(packed.size()));
    codes.resize(encodePcxRow(packed, codes));
    return codes;
}

Bytes repeated(size_t count, uint8_t value) { return Bytes(count, value); }

Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A plain decoder of the run-length rows, written apart from the encoder: a byte with both top
// bits set repeats the next byte (its low six bits) times, any other byte stands for itself.
Bytes decodedRows(const Bytes& file) {
    Bytes rows;
    for (size_t i = PCX_HEADER_SIZE; i < file.size(); ++i) {
        if ((file[i] & 0xC0) == 0xC0 && i + 1 < file.size()) {
            rows.insert(rows.end(), file[i] & 0x3Fu, file[i + 1]);
            ++i;
        } else {
            rows.push_back(file[i]);
        }
    }
    return rows;
}

TEST(PcxHeader, CarriesTheSizesTheRowLengthAndTheBackgroundAsPaletteEntryOne) {
    const auto header = pcxHeader(1, 3, 0x00123456);
    Bytes expected(PCX_HEADER_SIZE, 0);
    const Bytes start = {10, 5,    1,    1,    0,    0, 0, 0, 0,    0,    2,
                         0,  0x80, 0x02, 0xE0, 0x01, 0, 0, 0, 0x12, 0x34, 0x56};
    std::copy(start.begin(), start.end(), expected.begin());
    expected[65] = 1;
    expected[66] = 4;  // ((1 + 31) / 32) x 4 bytes per line
    expected[68] = 1;
    EXPECT_EQ(Bytes(header.begin(), header.end()), expected);

    const auto wide = pcxHeader(2049, 1000, 0);
    EXPECT_EQ(wide[8] | (wide[9] << 8), 2048);
    EXPECT_EQ(wide[10] | (wide[11] << 8), 999);
    EXPECT_EQ(wide[66] | (wide[67] << 8), 260);
}

TEST(PcxRows, RunsStopAt63AndLoneMarkedBytesGetACount) {
    EXPECT_EQ(encoded({0x3F}), (Bytes{0x3F}));
    EXPECT_EQ(encoded({0xC5}), (Bytes{0xC1, 0xC5}));
    EXPECT_EQ(encoded({0xFF}), (Bytes{0xC1, 0xFF}));
    EXPECT_EQ(encoded({0x12, 0x12, 0x34}), (Bytes{0xC2, 0x12, 0x34}));
    EXPECT_EQ(encoded(repeated(63, 0xFF)), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(encoded(repeated(64, 0xFF)), (Bytes{0xFF, 0xFF, 0xC1, 0xFF}));
    EXPECT_EQ(encoded(repeated(200, 0xFF)), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xCB, 0xFF}));
    EXPECT_EQ(encoded(repeated(126, 0x00)), (Bytes{0xFF, 0x00, 0xFF, 0x00}));
    EXPECT_EQ(encoded(repeated(64, 0x00)), (Bytes{0xFF, 0x00, 0x00}));
}

TEST(PcxRows, AByteAfterARunCutAt63StartsAFreshRunWithNothingLeftOver) {
    EXPECT_EQ(encoded(joined({repeated(63, 0x00), {0x01}})), (Bytes{0xFF, 0x00, 0x01}));
    EXPECT_EQ(encoded(joined({repeated(63, 0xD0), {0xC7, 0xC7}})), (Bytes{0xFF, 0xD0, 0xC2, 0xC7}));
}

TEST(PcxWriter, OnePixelWideImageFillsEachRowWith31BackgroundPixels) {
    const WindowImage image{1, 2, {0x00ABCDEF, 0x00000001}, 0x00ABCDEF};
    CollectingSink window;
    ScratchFolder folder;
    const std::string path = folder.file("narrow.pcx");
    ASSERT_TRUE(writePcxFile(window, path, image));
    EXPECT_TRUE(window.messages().empty());
    const auto header = pcxHeader(1, 2, 0x00ABCDEF);
    // Row 0: 0xFF x 4 is one run of four; row 1: 0x7F, then 0xFF x 3.
    const Bytes expected = joined({Bytes(header.begin(), header.end()), {0xC4, 0xFF, 0x7F, 0xC3, 0xFF}});
    EXPECT_EQ(readFileBytes(path), expected);
}

TEST(PcxWriter, RunsNeverContinueIntoTheNextRow) {
    const WindowImage image{64, 2, std::vector<uint32_t>(128, 0x00FFFFFF), 0x00FFFFFF};
    CollectingSink window;
    ScratchFolder folder;
    const std::string path = folder.file("plain.pcx");
    ASSERT_TRUE(writePcxFile(window, path, image));
    const Bytes file = readFileBytes(path);
    EXPECT_EQ(Bytes(file.begin() + PCX_HEADER_SIZE, file.end()), (Bytes{0xC8, 0xFF, 0xC8, 0xFF}));
}

// Columns that pack to 0xC5, 0xCA, 0xC5, ...: every byte differs from the one before and has its
// top bits set, so each takes two bytes encoded, the most a row can need.
WindowImage worstCaseImage(int32_t width, int32_t height) {
    WindowImage image{width, height, {}, 0x00FFFFFF};
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t byte = (x / 8) % 2 == 0 ? 0xC5 : 0xCA;
            const bool background = ((byte >> (7 - x % 8)) & 1) != 0;
            image.pixels.push_back(background ? 0x00FFFFFF : 0x00000000);
        }
    }
    return image;
}

TEST(PcxWriter, RowsWiderThan2048PixelsKeepEveryCodeOfTheWorstCase) {
    const int32_t width = 4100;  // 516 bytes per line, 1,032 encoded: twice the usual room
    const WindowImage image = worstCaseImage(width, 3);
    CollectingSink window;
    ScratchFolder folder;
    const std::string path = folder.file("wide.pcx");
    ASSERT_TRUE(writePcxFile(window, path, image));
    const Bytes file = readFileBytes(path);
    const auto bytesPerLine = static_cast<size_t>(pcxBytesPerLine(width));
    EXPECT_EQ(file.size(), PCX_HEADER_SIZE + 3 * (2 * 512 + 2 + 2));  // 512 pairs, 0xCF alone, 0xFF x 3
    Bytes row;
    for (size_t i = 0; i < 512; ++i) row.push_back(i % 2 == 0 ? 0xC5 : 0xCA);
    row.push_back(0xCF);  // four pixels of 0xC5's first half, then four padding pixels
    row.insert(row.end(), bytesPerLine - row.size(), 0xFF);
    EXPECT_EQ(decodedRows(file), joined({row, row, row}));
}

TEST(PcxWriter, AnImageNoPcxFileCanCarryMakesNoFile) {
    CollectingSink window;
    ScratchFolder folder;
    const std::string path = folder.file("empty.pcx");
    EXPECT_FALSE(writePcxFile(window, path, WindowImage{0, 5, {}, 0}));
    EXPECT_FALSE(writePcxFile(window, path, WindowImage{3, 3, std::vector<uint32_t>(4), 0}));
    EXPECT_FALSE(
        writePcxFile(window, path, WindowImage{65536, 1, std::vector<uint32_t>(65536), 0}));  // x max
    EXPECT_TRUE(readFileBytes(path).empty());
}

TEST(PcxWriter, AnIndependentReaderSeesBackgroundExactlyWhereTheImageHasIt) {
    const std::optional<std::string> converter = testing_files::imageMagickConverter();
    if (!converter) GTEST_SKIP() << "ImageMagick is not installed";
    ScratchFolder folder;
    const std::string path = folder.file("read.pcx");
    // A near-background pixel (one step off) must come out as not background.
    WindowImage image = worstCaseImage(77, 5);
    image.background = 0x00C0C0C0;
    for (uint32_t& pixel : image.pixels) pixel = pixel == 0x00FFFFFF ? 0x00C0C0C0 : 0x00C0C0C1;
    image.pixels[0] = 0x00C0C0C0;
    CollectingSink window;
    ASSERT_TRUE(writePcxFile(window, path, image));
    const std::optional<testing_files::DecodedImage> decoded =
        testing_files::decodeWithImageMagick(*converter, path);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->width, 77);
    ASSERT_EQ(decoded->height, 5);
    // Two colours only: the one of the background pixel (0, 0) and another.
    const uint32_t backgroundSeen = decoded->pixel(0, 0);
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 77; ++x) {
            EXPECT_EQ(decoded->pixel(x, y) == backgroundSeen, image.pixel(x, y) == image.background)
                << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace tessaline
