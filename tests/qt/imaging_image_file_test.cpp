// Image files are written whole or not at all, for each of the three formats: a write that fails
// leaves the older file of the name byte for byte and nothing beside it; one that succeeds
// replaces it. Links, modes and names that are no regular file keep what they were.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>

#include "gui/qt_image.h"
#include "imaging/bmp_writer.h"
#include "imaging/image_file.h"
#include "imaging/pcx_writer.h"
#include "platform/collecting_sink.h"
#include "tests/support/image_files.h"

namespace tessaline {
namespace {

using testing_files::readFileBytes;
using testing_files::ScratchFolder;

// A picture that differs with `seed`, with some background so that PCX has both colours.
QImage picture(int seed) {
    QImage image(40, 20, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, (x + y + seed) % 3 == 0 ? 0xFFFFFFFFu : qRgb(x * 6, y * 12, seed * 40));
    return image;
}

size_t entriesIn(const ScratchFolder& folder) {
    const std::filesystem::directory_iterator entries(folder.file(""));
    return static_cast<size_t>(std::distance(begin(entries), end(entries)));
}

TEST(ImageFiles, AFailedWriteKeepsTheOlderFileAndASuccessfulOneReplacesIt) {
    using Writer = bool (*)(const QImage&, const std::string&);
    const std::pair<const char*, Writer> formats[] = {
        {"shot.bmp",
         [](const QImage& picture, const std::string& path) {
             CollectingSink window;
             const WindowImage image = windowImageOf(picture, kWhite);
             const auto d = buildBitmapDescription(window, bitmapPropertiesOf(image));
             return d && writeBitmapFile(window, path, *d, image);
         }},
        {"shot.pcx",
         [](const QImage& picture, const std::string& path) {
             CollectingSink window;
             return writePcxFile(window, path, windowImageOf(picture, kWhite));
         }},
        {"shot.png", [](const QImage& picture, const std::string& path) {
             std::string reason;
             return savePng(picture, path, reason);
         }}};
    for (const auto& [name, write] : formats) {
        ScratchFolder folder;
        const std::string path = folder.file(name);
        ASSERT_TRUE(write(picture(1), path)) << name;
        const std::vector<uint8_t> good = readFileBytes(path);
        ASSERT_GT(good.size(), 100u) << name;
        {
            // Every format's file is larger than this: the header or the data cannot be written.
            const testing_files::FileSizeLimit limit(100);
            EXPECT_FALSE(write(picture(2), path)) << name;
        }
        EXPECT_EQ(readFileBytes(path), good) << name;
        EXPECT_EQ(entriesIn(folder), 1u) << name;
        ASSERT_TRUE(write(picture(2), path)) << name;
        EXPECT_NE(readFileBytes(path), good) << name;
        EXPECT_EQ(entriesIn(folder), 1u) << name;
    }
}

mode_t modeOf(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 ? status.st_mode : 0;
}

bool replaceWith(const std::string& path, std::string_view text) {
    ReplacementFile file;
    return file.open(path) && file.write({reinterpret_cast<const uint8_t*>(text.data()), text.size()}) &&
           file.commit();
}

TEST(ReplacementFile, KeepsLinksModesAndNamesThatAreNoRegularFile) {
    ScratchFolder folder;
    const std::string file = folder.file("a.bmp"), link = folder.file("link.bmp"),
                      pipe = folder.file("pipe.bmp");
    const mode_t mask = ::umask(027);
    EXPECT_TRUE(replaceWith(file, "new"));
    ::umask(mask);
    EXPECT_EQ(modeOf(file) & 0777, 0640u) << "a new file gets the mode the umask leaves";
    ASSERT_EQ(::chmod(file.c_str(), 0604), 0);
    ASSERT_EQ(::symlink("a.bmp", link.c_str()), 0);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);

    // Links, pipes and devices are written through, never replaced by a regular file.
    const std::pair<std::string, mode_t> kept[] = {{link, S_IFLNK}, {pipe, S_IFIFO}, {"/dev/null", S_IFCHR}};
    for (const auto& [path, kind] : kept) {
        EXPECT_TRUE(replaceWith(path, "through the link")) << path;
        EXPECT_EQ(modeOf(path) & S_IFMT, kind) << path;
    }
    EXPECT_EQ(modeOf(file) & 0777, 0604u) << "a replaced file keeps its mode";
    EXPECT_EQ(readFileBytes(file).size(), std::string_view("through the link").size());

    // Whatever was not committed is removed when the file goes.
    {
        ReplacementFile unfinished;
        ASSERT_TRUE(unfinished.open(folder.file("b.bmp")));
    }
    EXPECT_EQ(entriesIn(folder), 3u);
}

}  // namespace
}  // namespace tessaline
