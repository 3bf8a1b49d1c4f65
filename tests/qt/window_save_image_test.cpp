// " Save image as..." from the window's menu: the file's kind follows the name's extension in any
// case (PNG besides the bitmap and PCX files), a name with another extension is refused aloud and
// nothing is written, and a PNG that cannot be written says why.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "gui/window/main_window.h"
#include "tests/support/image_files.h"

namespace tessaline {
namespace {

using testing_files::ScratchFolder;

struct Said {
    std::string text, caption;
};

class SaveImageTest : public testing::Test {
protected:
    void SetUp() override {
        window.messageRecorder = [this](std::string_view text, std::string_view caption) {
            said.push_back({std::string(text), std::string(caption)});
        };
        window.saveAnswerer = [this](const SaveFileRequest& request) {
            filters = request.filters;
            return std::optional<std::string>(answer);
        };
        window.resize(900, 600);
        window.show();
    }

    MainWindow window;
    std::string answer;
    std::vector<std::pair<std::string, std::string>> filters;
    std::vector<Said> said;
};

TEST_F(SaveImageTest, TheNamesExtensionChoosesTheFileOrTheRefusal) {
    const ScratchFolder folder;
    const struct {
        const char* name;
        const char* magic;  // the file's first bytes; none when nothing may be written
    } cases[] = {
        {"a.png", "\x89PNG"}, {"b.PNG", "\x89PNG"}, {"c.bmp", "BM"},       {"d.pcx", "\x0a\x05"},
        {"e.txt", nullptr},   {"png", nullptr},     {"f.png.gz", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        said.clear();
        answer = folder.file(c.name);
        window.action(CMD_SAVE_IMAGE)->trigger();
        if (c.magic == nullptr) {
            EXPECT_FALSE(std::filesystem::exists(answer));
            ASSERT_EQ(said.size(), 1u);
            EXPECT_NE(said[0].text.find(answer), std::string::npos);
            EXPECT_NE(said[0].text.find(".png, .bmp or .pcx"), std::string::npos);
            continue;
        }
        const std::vector<uint8_t> bytes = testing_files::readFileBytes(answer);
        const std::string magic(c.magic);
        ASSERT_GE(bytes.size(), magic.size());
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(magic.size())),
                  magic);
        EXPECT_TRUE(said.empty());
    }
    // The PNG holds exactly the picture shown.
    const QImage png(QString::fromStdString(folder.file("a.png")));
    EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32),
              window.view().pictureInWindowPixels().convertToFormat(QImage::Format_RGB32));
    ASSERT_EQ(filters.size(), 3u);
    EXPECT_EQ(filters[0].second, "*.bmp");  // the first filter stays the one selected
    EXPECT_EQ(filters[2], (std::pair<std::string, std::string>("PNG Files (*.png)", "*.png")));
}

TEST_F(SaveImageTest, APngThatCannotBeWrittenSaysWhyAndLeavesNothing) {
    const ScratchFolder folder;
    answer = folder.file("missing-folder/x.png");
    window.action(CMD_SAVE_IMAGE)->trigger();
    EXPECT_FALSE(std::filesystem::exists(answer));
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].caption, "About Bitmap");
    EXPECT_EQ(said[0].text.rfind("PNG file is not created", 0), 0u);
    EXPECT_NE(said[0].text.find("No such file or directory"), std::string::npos);
}

}  // namespace
}  // namespace tessaline
