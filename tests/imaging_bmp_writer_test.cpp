// Windows bitmap files: the description built from a bitmap's properties, the file header, and the
// file the writer makes from a window image, byte for byte and as an independent reader sees it.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/bmp_writer.h"
#include "platform/collecting_sink.h"
#include "tests/support/image_files.h"

namespace tessaline {
namespace {

using testing_files::readFileBytes;
using testing_files::ScratchFolder;

uint32_t le32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} | (uint32_t{bytes[1]} << 8) | (uint32_t{bytes[2]} << 16) |
           (uint32_t{bytes[3]} << 24);
}
uint16_t le16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)); }

WindowImage patternImage(int32_t width, int32_t height) {
    WindowImage image{width, height, {}, 0x00FFFFFF};
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            image.pixels.push_back((static_cast<uint32_t>(x * 37 + y) & 0xFF) << 16 |
                                   (static_cast<uint32_t>(y * 11) & 0xFF) << 8 |
                                   static_cast<uint32_t>(x ^ y));
        }
    }
    return image;
}

TEST(BitmapDescription, RoundsTheDepthUpToAStandardOneWithoutOverflow) {
    const struct {
        uint16_t planes, bits, depth;
    } cases[] = {{1, 1, 1},   {1, 2, 4},   {1, 4, 4},   {1, 5, 8},   {1, 8, 8},
                 {1, 9, 16},  {1, 16, 16}, {1, 17, 24}, {1, 24, 24}, {1, 25, 32},
                 {1, 32, 32}, {2, 4, 8},   {3, 8, 24},  {4, 1, 4},   {65535, 65535, 32}};
    for (const auto& c : cases) {
        EXPECT_EQ(effectiveColorDepth(c.planes, c.bits), c.depth) << c.planes << " x " << c.bits;
    }
}

TEST(BitmapDescription, ThirtyTwoBitImageHasNoTableAndTheUnalignedImageSize) {
    CollectingSink window;
    const std::optional<BitmapDescription> d = buildBitmapDescription(window, {13, 5, 1, 32});
    ASSERT_TRUE(d);
    ASSERT_EQ(d->block.size(), 40u);
    const uint8_t* h = d->block.data();
    EXPECT_EQ(le32(h + 0), 40u);
    EXPECT_EQ(le32(h + 4), 13u);
    EXPECT_EQ(le32(h + 8), 5u);
    EXPECT_EQ(le16(h + 12), 1);
    EXPECT_EQ(le16(h + 14), 32);
    EXPECT_EQ(le32(h + 16), 0u);
    EXPECT_EQ(le32(h + 20), (13u + 7) / 8 * 5 * 32);  // 320, larger than 13 x 4 x 5 = 260
    EXPECT_EQ(le32(h + 24), 0u);
    EXPECT_EQ(le32(h + 28), 0u);
    EXPECT_EQ(le32(h + 32), 0u);
    EXPECT_EQ(le32(h + 36), 0u);

    const auto file = bitmapFileHeader(*d);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(le32(&file[2]), 54u + 320u);
    EXPECT_EQ(le32(&file[6]), 0u);
    EXPECT_EQ(le32(&file[10]), 54u);
    EXPECT_TRUE(window.messages().empty());
}

TEST(BitmapDescription, LowDepthsCarryAColourTableAndReportTheirOwnBitCount) {
    CollectingSink window;
    const std::optional<BitmapDescription> eight = buildBitmapDescription(window, {10, 3, 1, 8});
    ASSERT_TRUE(eight);
    EXPECT_EQ(eight->colorTableEntries, 256u);
    ASSERT_EQ(eight->block.size(), 40u + 1024u);
    EXPECT_EQ(le32(eight->block.data() + 20), 2u * 3 * 8);
    EXPECT_EQ(le32(eight->block.data() + 32), 256u);
    for (size_t i = 40; i < eight->block.size(); ++i) ASSERT_EQ(eight->block.data()[i], 0) << i;
    const auto file = bitmapFileHeader(*eight);
    EXPECT_EQ(le32(&file[10]), 1078u);
    EXPECT_EQ(le32(&file[2]), 1078u + 48u);

    // Two bits per pixel are described as a 4-bit bitmap, but the bit count stays as reported.
    const std::optional<BitmapDescription> two = buildBitmapDescription(window, {9, 2, 1, 2});
    ASSERT_TRUE(two);
    EXPECT_EQ(two->colorTableEntries, 16u);
    EXPECT_EQ(le16(two->block.data() + 14), 2);
    EXPECT_EQ(le32(two->block.data() + 20), 2u * 2 * 4);
    EXPECT_EQ(le32(&bitmapFileHeader(*two)[10]), 54u + 64u);
}

TEST(BitmapDescription, RefusesPropertiesNoFileCanHoldAndAFailedBlock) {
    const BitmapProperties unreadable[] = {
        {-1, 5, 1, 32}, {5, -1, 1, 32}, {5, 5, 0, 32}, {5, 5, 1, 0}, {65536, 65536, 1, 32}};
    for (const BitmapProperties& properties : unreadable) {
        CollectingSink window;
        EXPECT_FALSE(buildBitmapDescription(window, properties));
        ASSERT_EQ(window.messages().size(), 1u);
        EXPECT_EQ(window.messages()[0].text, "Проблемы при выполнении GetObject");
        EXPECT_EQ(window.messages()[0].caption, "About Bitmap");
    }
    const std::int64_t blocks = memory::outstandingBlocks();
    CollectingSink window;
    {
        memory::FailureInjection failure(1);
        EXPECT_FALSE(buildBitmapDescription(window, {4, 4, 1, 32}));
    }
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(window.messages()[0].text, "Нет памяти для BITMAPINFO");
    EXPECT_EQ(window.messages()[0].caption, "About Bitmap");
    EXPECT_EQ(memory::outstandingBlocks(), blocks);
}

TEST(BitmapWriter, WritesHeadersThenTheRowsBottomUpPaddedWithZerosToTheImageSize) {
    const WindowImage image{
        3, 2, {0x00112233, 0x00445566, 0x00778899, 0x00AABBCC, 0x00DDEEFF, 0x00010203}, 0x00FFFFFF};
    CollectingSink window;
    const std::optional<BitmapDescription> d = buildBitmapDescription(window, bitmapPropertiesOf(image));
    ASSERT_TRUE(d);
    ScratchFolder folder;
    const std::string path = folder.file("small.bmp");
    ASSERT_TRUE(writeBitmapFile(window, path, *d, image));
    EXPECT_TRUE(window.messages().empty());

    const uint32_t imageSize = (3 + 7) / 8 * 2 * 32;  // 64 bytes, 24 of them pixels
    const auto fileHeader = bitmapFileHeader(*d);
    std::vector<uint8_t> expected(fileHeader.begin(), fileHeader.end());
    expected.insert(expected.end(), d->block.data(), d->block.data() + d->block.size());
    const std::vector<uint8_t> rows = {
        0xCC, 0xBB, 0xAA, 0, 0xFF, 0xEE, 0xDD, 0, 0x03, 0x02, 0x01, 0,   // bottom row
        0x33, 0x22, 0x11, 0, 0x66, 0x55, 0x44, 0, 0x99, 0x88, 0x77, 0};  // top row
    expected.insert(expected.end(), rows.begin(), rows.end());
    expected.resize(54 + imageSize, 0);
    EXPECT_EQ(readFileBytes(path), expected);
}

TEST(BitmapWriter, ReplacesAnOlderFileOfTheName) {
    ScratchFolder folder;
    const std::string path = folder.file("old.bmp");
    std::FILE* old = std::fopen(path.c_str(), "wb");
    ASSERT_NE(old, nullptr);
    std::fputs(std::string(5000, 'x').c_str(), old);
    std::fclose(old);
    const WindowImage image = patternImage(8, 1);
    CollectingSink window;
    const std::optional<BitmapDescription> d = buildBitmapDescription(window, bitmapPropertiesOf(image));
    ASSERT_TRUE(d && writeBitmapFile(window, path, *d, image));
    EXPECT_EQ(readFileBytes(path).size(), 54u + 32u);
}

TEST(BitmapWriter, AnIndependentReaderDecodesTheImage) {
    const std::optional<std::string> converter = testing_files::imageMagickConverter();
    if (!converter) GTEST_SKIP() << "ImageMagick is not installed";
    ScratchFolder folder;
    for (const auto& [width, height] : {std::pair{1, 1}, std::pair{13, 7}, std::pair{64, 3}}) {
        const WindowImage image = patternImage(width, height);
        CollectingSink window;
        const std::optional<BitmapDescription> d = buildBitmapDescription(window, bitmapPropertiesOf(image));
        const std::string path = folder.file("read.bmp");
        ASSERT_TRUE(d && writeBitmapFile(window, path, *d, image));
        const std::optional<testing_files::DecodedImage> decoded =
            testing_files::decodeWithImageMagick(*converter, path);
        ASSERT_TRUE(decoded) << width << "x" << height;
        ASSERT_EQ(decoded->width, width);
        ASSERT_EQ(decoded->height, height);
        EXPECT_EQ(decoded->pixels, image.pixels) << width << "x" << height;
    }
}

}  // namespace
}  // namespace tessaline
