// tessaline-cli render end to end: options checked before anything runs, then a file of the format
// its extension names, readable as such.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <QImage>
#include <algorithm>
#include <cstdio>
#include <sstream>

#include "cli/commands.h"
#include "cli/qt_image_painter.h"
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
    for (const char* bad : {"", "800", "800x", "x600", "0x600", "800x0", "-5x10", "8193x10", "80 x60",
                            "80x60x2", "99999999999x1", "0x10x"}) {
        EXPECT_FALSE(parseImageSize(bad)) << bad;
    }
}

TEST(RenderOptions, TheExtensionChoosesTheFormatInAnyCase) {
    EXPECT_EQ(renderFormatOf("a.png"), RenderFormat::Png);
    EXPECT_EQ(renderFormatOf("dir/A.PNG"), RenderFormat::Png);
    EXPECT_EQ(renderFormatOf("a.Bmp"), RenderFormat::Bitmap);
    EXPECT_EQ(renderFormatOf("a.pcx"), RenderFormat::Pcx);
    for (const char* bad : {"a.jpg", ".png", "png", "a.png.txt", "a.pn"})
        EXPECT_FALSE(renderFormatOf(bad)) << bad;
}

class RenderTest : public testing::Test {
protected:
    int render(const std::string& view, const std::string& name, const std::string& size = "640x400") {
        RenderOptions options;
        options.view = view;
        options.size = size;
        options.out = folder.file(name);
        return runRenderCommand(options, painter, err);
    }
    ScratchFolder folder;
    std::ostringstream err;
    QtImagePainter painter;
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
    EXPECT_EQ(render("panels", "shot.png"), EXIT_REFUSED);
    RenderOptions options;
    options.view = "result";
    options.out = folder.file("shot.png");
    options.settings.tmin = 0;
    EXPECT_EQ(runRenderCommand(options, painter, err), EXIT_REFUSED);
    EXPECT_NE(err.str().find("tessaline-cli: render: "), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("")));
}

TEST_F(RenderTest, AFileThatCannotBeWrittenFails) {
    EXPECT_EQ(render("alphabet", "missing/shot.png", "32x32"), EXIT_FAILED);
    EXPECT_EQ(render("alphabet", "missing/shot.bmp", "32x32"), EXIT_FAILED);
    EXPECT_NE(err.str().find("[About Bitmap] CreateFile ERROR!"), std::string::npos) << err.str();
}

TEST_F(RenderTest, APngThatCannotBeWrittenGivesTheReason) {
    EXPECT_EQ(render("alphabet", "missing/shot.png", "32x32"), EXIT_FAILED);
    EXPECT_EQ(err.str(), "tessaline-cli: render: cannot write " + folder.file("missing/shot.png") +
                             ": No such file or directory\n");
}

// The program run with `environment` added and no display; its exit status and stderr.
std::pair<int, std::string> runProgram(const std::string& environment, const std::string& out) {
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY " + environment +
                                " '" TESSALINE_CLI_PROGRAM
                                "' render --view alphabet --steps 0 --size 32x32 --out '" +
                                out + "' 2>&1 >/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {-1, ""};
    std::string text;
    char block[4096];
    for (size_t got = 0; (got = std::fread(block, 1, sizeof block, pipe)) > 0;) text.append(block, got);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text};
}

TEST_F(RenderTest, APlatformThatCannotStartEndsTheProgramWithOneLine) {
    const struct {
        const char* environment;
        int status;
        const char* line;  // the start of the only line on stderr
    } cases[] = {
        {"QT_QPA_PLATFORM=xcb", EXIT_FAILED, "tessaline-cli: render: cannot start the Qt platform \"xcb\": "},
        {"QT_QPA_PLATFORM=nosuch", EXIT_FAILED,
         "tessaline-cli: render: cannot start the Qt platform \"nosuch\": no such platform plugin\n"},
        {"QT_QPA_PLATFORM=", EXIT_DONE, ""}};  // empty is as unset: the offscreen platform
    for (const auto& c : cases) {
        const std::string out = folder.file("shot.png");
        const auto [status, text] = runProgram(c.environment, out);
        EXPECT_EQ(status, c.status) << c.environment << ": " << text;
        EXPECT_EQ(text.substr(0, std::string_view(c.line).size()), c.line) << c.environment;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), c.status == EXIT_DONE ? 0 : 1) << text;
        EXPECT_EQ(std::filesystem::exists(out), c.status == EXIT_DONE) << c.environment;
        std::filesystem::remove(out);
    }
}

}  // namespace
}  // namespace tessaline::cli
