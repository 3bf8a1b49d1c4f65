// tessaline-cli render end to end: options checked before anything runs, then a file of the format
// its extension names, readable as such.
#include <gtest/gtest.h>

#include <QImage>
#include <sstream>

#include "cli/commands.h"
#include "cli/render_command.h"
#include "tests/support/image_files.h"

namespace tessaline::cli {
namespace {

using testing_files::readFileBytes;
using testing_files::ScratchFolder;

TEST(RenderOptions, SizesAreWidthByHeightWithinTheLimits) {
    const std::optional<ImageSize> size = parseImageSize("800x600");
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 800);
    EXPECT_EQ(size->height, 600);
    EXPECT_TRUE(parseImageSize("1X8192"));
    for (const char* bad : {"", "800", "800x", "x600", "0x600", "800x0", "-5x10", "8193x10", "80 x60", "80x60x2",
                            "99999999999x1", "0x10x"}) {
        EXPECT_FALSE(parseImageSize(bad)) << bad;
    }
}

TEST(RenderOptions, TheExtensionChoosesTheFormatInAnyCase) {
    EXPECT_EQ(renderFormatOf("a.png"), RenderFormat::Png);
    EXPECT_EQ(renderFormatOf("dir/A.PNG"), RenderFormat::Png);
    EXPECT_EQ(renderFormatOf("a.Bmp"), RenderFormat::Bitmap);
    EXPECT_EQ(renderFormatOf("a.pcx"), RenderFormat::Pcx);
    for (const char* bad : {"a.jpg", ".png", "png", "a.png.txt", "a.pn"}) EXPECT_FALSE(renderFormatOf(bad)) << bad;
}

class RenderTest : public testing::Test {
protected:
    int render(const std::string& view, const std::string& name, const std::string& size = "640x400") {
        RenderOptions options;
        options.view = view;
        options.size = size;
        options.out = folder.file(name);
        return runRenderCommand(options, err);
    }
    ScratchFolder folder;
    std::ostringstream err;
};

TEST_F(RenderTest, WritesAPngOfTheClientAreaForEachView) {
    ASSERT_EQ(render("result", "result.png"), EXIT_DONE) << err.str();
    ASSERT_EQ(render("alphabet", "alphabet.PNG", "320x200"), EXIT_DONE) << err.str();
    const QImage result(QString::fromStdString(folder.file("result.png")));
    EXPECT_EQ(result.size(), QSize(640, 400));
    const QImage alphabet(QString::fromStdString(folder.file("alphabet.PNG")));
    EXPECT_EQ(alphabet.size(), QSize(320, 200));
    EXPECT_NE(result, alphabet.scaled(640, 400));
    EXPECT_EQ(err.str(), "");
}

TEST_F(RenderTest, WritesBitmapAndPcxFilesWithTheWorkbenchWriters) {
    ASSERT_EQ(render("alphabet", "shot.bmp", "64x32"), EXIT_DONE) << err.str();
    ASSERT_EQ(render("alphabet", "shot.pcx", "64x32"), EXIT_DONE) << err.str();
    const std::vector<uint8_t> bmp = readFileBytes(folder.file("shot.bmp"));
    ASSERT_EQ(bmp.size(), 54u + 64 / 8 * 32 * 32);
    EXPECT_EQ(bmp[0], 'B');
    const std::vector<uint8_t> pcx = readFileBytes(folder.file("shot.pcx"));
    ASSERT_GT(pcx.size(), 128u);
    EXPECT_EQ(pcx[0], 10);
    EXPECT_EQ(pcx[8], 63);  // x max
}

TEST_F(RenderTest, RefusesBadOptionsBeforeWritingAnything) {
    EXPECT_EQ(render("result", "shot.jpg"), EXIT_REFUSED);
    EXPECT_NE(err.str().find("--out must name a .png, .bmp or .pcx file"), std::string::npos) << err.str();
    EXPECT_EQ(render("result", "shot.png", "640"), EXIT_REFUSED);
    EXPECT_EQ(render("subsets", "shot.png"), EXIT_REFUSED);
    RenderOptions options;
    options.view = "result";
    options.out = folder.file("shot.png");
    options.settings.tmin = 0;
    EXPECT_EQ(runRenderCommand(options, err), EXIT_REFUSED);
    EXPECT_NE(err.str().find("tessaline-cli: render: "), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("")));
}

TEST_F(RenderTest, AFileThatCannotBeWrittenFails) {
    EXPECT_EQ(render("alphabet", "missing/shot.png", "32x32"), EXIT_FAILED);
    EXPECT_EQ(render("alphabet", "missing/shot.bmp", "32x32"), EXIT_FAILED);
    EXPECT_NE(err.str().find("[About Bitmap] CreateFile ERROR!"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace tessaline::cli
