// " Save image as..." driven headless: the copy is taken before the question, the extension chooses
// the writer, and every failure is told once with its caption, leaving no block behind.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "app/commands.h"
#include "app/snapshot.h"
#include "app/state.h"
#include "imaging/pcx_writer.h"
#include "platform/alloc.h"
#include "platform/headless.h"
#include "tests/support/image_files.h"

namespace tessaline {
namespace {

using testing_files::readFileBytes;
using testing_files::ScratchFolder;

// A headless window that also notes the order in which the command uses it.
class RecordingWindow : public HeadlessWindow {
public:
    WindowImage captureClientArea() override {
        calls.push_back("capture");
        return HeadlessWindow::captureClientArea();
    }
    std::optional<std::string> chooseSaveFileName(const SaveFileRequest& request) override {
        calls.push_back("ask");
        return HeadlessWindow::chooseSaveFileName(request);
    }
    std::vector<std::string> calls;
};

WindowImage smallImage() {
    WindowImage image{5, 4, std::vector<uint32_t>(20, 0x00FFFFFF), 0x00FFFFFF};
    image.pixels[7] = 0x00000000;
    return image;
}

struct Told {
    std::string text;
    std::string caption;
    friend bool operator==(const Told&, const Told&) = default;
};

std::vector<Told> told(const HeadlessWindow& window) {
    std::vector<Told> all;
    for (const ShownMessage& m : window.messages()) all.push_back({m.text, m.caption});
    return all;
}

class SnapshotTest : public testing::Test {
protected:
    void SetUp() override { window.setShownImage(smallImage()); }
    // Runs the command for the answer `name`; the command itself must succeed.
    void snapshotAs(const std::string& name) {
        window.setSaveFileAnswer(name);
        EXPECT_TRUE(MakeSnapshot(window));
    }
    RecordingWindow window;
    ScratchFolder folder;
};

TEST_F(SnapshotTest, CopiesTheAreaBeforeAskingWithTheBitmapAndPcxFilters) {
    window.setSaveFileAnswer(std::nullopt);
    EXPECT_TRUE(MakeSnapshot(window));
    EXPECT_EQ(window.calls, (std::vector<std::string>{"capture", "ask"}));
    ASSERT_EQ(window.saveFileRequests().size(), 1u);
    const SaveFileRequest& request = window.saveFileRequests()[0];
    EXPECT_EQ(request.title, "Snapshot File Name");
    const std::vector<std::pair<std::string, std::string>> filters = {{"Bitmap Files (*.bmp)", "*.bmp"},
                                                                      {"PCX Files (*.pcx)", "*.pcx"}};
    EXPECT_EQ(request.filters, filters);
    EXPECT_EQ(request.defaultExtension, "bmp");
    EXPECT_TRUE(request.promptOverwrite);
    EXPECT_TRUE(window.messages().empty());
}

TEST_F(SnapshotTest, TheExtensionInAnyCaseChoosesTheWriter) {
    snapshotAs(folder.file("shot.PCX"));
    snapshotAs(folder.file("shot.Bmp"));
    const std::vector<uint8_t> pcx = readFileBytes(folder.file("shot.PCX"));
    ASSERT_GT(pcx.size(), PCX_HEADER_SIZE);
    EXPECT_EQ(pcx[0], 10);
    const std::vector<uint8_t> bmp = readFileBytes(folder.file("shot.Bmp"));
    ASSERT_EQ(bmp.size(), 54u + (5 + 7) / 8 * 4 * 32);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_TRUE(window.messages().empty());
}

TEST_F(SnapshotTest, ANameWithoutABitmapOrPcxExtensionWritesAndSaysNothing) {
    EXPECT_EQ(snapshotFormatOf(".bmp"), SnapshotFormat::None);  // no character before the extension
    EXPECT_EQ(snapshotFormatOf("a.bmp"), SnapshotFormat::Bitmap);
    for (const char* name : {"notes.txt", "shot.bm", "shot.pcx.txt", "pcx"}) snapshotAs(folder.file(name));
    EXPECT_TRUE(window.messages().empty());
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("")));
}

TEST_F(SnapshotTest, AnImageThatCannotBeReadEndsTheCommandBeforeTheQuestion) {
    window.setShownImage(WindowImage{4, 4, std::vector<uint32_t>(3), 0});
    window.setSaveFileAnswer(folder.file("shot.bmp"));
    EXPECT_FALSE(MakeSnapshot(window));
    EXPECT_TRUE(window.saveFileRequests().empty());
}

// The menu command adds its own message when the command fails, and says nothing more otherwise.
TEST_F(SnapshotTest, TheMenuCommandTellsWhenTheSnapshotFails) {
    AppState state;
    window.setSaveFileAnswer(folder.file("menu.BMP"));
    dispatchCommand(window, state, CMD_SAVE_IMAGE);
    EXPECT_TRUE(window.messages().empty());
    EXPECT_FALSE(readFileBytes(folder.file("menu.BMP")).empty());
    window.setShownImage(WindowImage{4, 4, std::vector<uint32_t>(3), 0});
    dispatchCommand(window, state, CMD_SAVE_IMAGE);
    EXPECT_EQ(told(window), (std::vector<Told>{{"Проблемы при выполнении MakeSnapshot", "Open File Name"}}));
}

TEST_F(SnapshotTest, AnEmptyAreaIsToldForABitmapAndRefusedForAPcx) {
    window.setShownImage(WindowImage{0, 0, {}, 0x00FFFFFF});
    snapshotAs(folder.file("empty.bmp"));
    snapshotAs(folder.file("empty.pcx"));
    const std::vector<Told> expected = {{"GetDIBits ERROR!", "About Bitmap"},
                                        {"Bitmap file is not created", "About Bitmap"},
                                        {"PCX file is not created", "About Bitmap"}};
    EXPECT_EQ(told(window), expected);
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("")));
}

TEST_F(SnapshotTest, AFileThatCannotBeCreatedIsToldByEachWriter) {
    snapshotAs(folder.file("missing/shot.bmp"));
    snapshotAs(folder.file("missing/shot.pcx"));
    const std::vector<Told> expected = {{"CreateFile ERROR!", "About Bitmap"},
                                        {"Bitmap file is not created", "About Bitmap"},
                                        {"CreateFile ERROR!", "About PCX"},
                                        {"PCX file is not created", "About Bitmap"}};
    EXPECT_EQ(told(window), expected);
}

TEST_F(SnapshotTest, AFullDeviceFailsTheFirstWriteOfEachWriter) {
    ASSERT_EQ(symlink("/dev/full", folder.file("full.bmp").c_str()), 0);
    ASSERT_EQ(symlink("/dev/full", folder.file("full.pcx").c_str()), 0);
    snapshotAs(folder.file("full.bmp"));
    snapshotAs(folder.file("full.pcx"));
    const std::vector<Told> expected = {{"ERROR while writing BITMAPFILEHEADER!", "About Bitmap"},
                                        {"Bitmap file is not created", "About Bitmap"},
                                        {"ERROR while writing PCXHEADER!", "About PCX"},
                                        {"PCX file is not created", "About Bitmap"}};
    EXPECT_EQ(told(window), expected);
}

TEST_F(SnapshotTest, AWriteCutShortLeavesNoFile) {
    const struct {
        const char* name;
        uint64_t limit;
        const char* text;
        const char* caption;
        const char* notCreated;
    } cases[] = {
        {"info.bmp", 14, "ERROR while writing BITMAPINFOHEADER!", "About Bitmap",
         "Bitmap file is not created"},
        {"bits.bmp", 54, "ERROR while writing bitmap bits!", "About Bitmap", "Bitmap file is not created"},
        {"codes.pcx", PCX_HEADER_SIZE, "ERROR while writing PCX codes!", "About PCX",
         "PCX file is not created"}};
    for (const auto& c : cases) {
        window.clearRecords();
        {
            const testing_files::FileSizeLimit limit(c.limit);
            snapshotAs(folder.file(c.name));
        }
        EXPECT_EQ(told(window), (std::vector<Told>{{c.text, c.caption}, {c.notCreated, "About Bitmap"}}))
            << c.name;
        EXPECT_FALSE(std::filesystem::exists(folder.file(c.name))) << c.name;
    }
}

TEST_F(SnapshotTest, EachMissingBlockIsToldAndNothingIsLeftAllocated) {
    const struct {
        const char* name;
        int64_t failingCall;
        const char* text;
        const char* caption;
        const char* notCreated;
    } cases[] = {{"a.bmp", 1, "Нет памяти для BITMAPINFO", "About Bitmap", "Bitmap file is not created"},
                 {"b.bmp", 2, "GlobalAlloc ERROR!", "About Bitmap", "Bitmap file is not created"},
                 {"c.pcx", 1, "Нет памяти для буфера строки!", "About PCX", "PCX file is not created"},
                 {"d.pcx", 2, "Нет памяти для кодов строки!", "About PCX", "PCX file is not created"}};
    for (const auto& c : cases) {
        window.clearRecords();
        const std::int64_t blocks = memory::outstandingBlocks();
        {
            const memory::FailureInjection failure(c.failingCall);
            snapshotAs(folder.file(c.name));
        }
        EXPECT_EQ(told(window), (std::vector<Told>{{c.text, c.caption}, {c.notCreated, "About Bitmap"}}))
            << c.name;
        EXPECT_EQ(memory::outstandingBlocks(), blocks) << c.name;
        EXPECT_FALSE(std::filesystem::exists(folder.file(c.name))) << c.name;
    }
}

}  // namespace
}  // namespace tessaline
