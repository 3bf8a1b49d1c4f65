// The headless windows: the command line's console window echoes messages and runs commands and
// dialogs but keeps no records; the tests' recording window keeps every one of them as well; the
// collecting sink keeps messages for a caller without a window.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/collecting_sink.h"
#include "platform/console_window.h"
#include "platform/headless.h"

namespace tessaline {
namespace {

// What a console window writes for each message, with and without a caption, and what a filter
// turns down.
TEST(ConsoleWindowTest, EchoesEachMessageOnOneLineUnlessTheFilterTurnsItDown) {
    const struct {
        const char* caption;
        const char* text;
        const char* echoed;
    } cases[] = {{"", "Нет памяти", "[Tessaline] Нет памяти\n"},
                 {"About PCX", "CreateFile ERROR!", "[About PCX] CreateFile ERROR!\n"},
                 {"Summary", "kept quiet", ""},
                 {"About Bitmap", "two lines\nend\n", "[About Bitmap] two lines\nend\n"},
                 {"About Bitmap", "", "[About Bitmap] \n"}};
    for (const auto& c : cases) {
        std::ostringstream console, recorded;
        ConsoleWindow window(&console);
        HeadlessWindow recording(&recorded);
        const auto notSummary = [](const ShownMessage& m) { return m.caption != "Summary"; };
        window.setEchoFilter(notSummary);
        recording.setEchoFilter(notSummary);
        window.showMessage(c.text, c.caption, MessageIcon::None);
        recording.showMessage(c.text, c.caption, MessageIcon::Warning);
        EXPECT_EQ(console.str(), c.echoed) << c.text;
        EXPECT_EQ(recorded.str(), c.echoed) << c.text;
        // The recording window keeps even what it does not echo.
        ASSERT_EQ(recording.messages().size(), 1u);
        EXPECT_EQ(recording.messages()[0].text, c.text);
        EXPECT_EQ(recording.messages()[0].icon, MessageIcon::Warning);
    }
}

// The services the command line relies on behave alike in both windows; the recording window alone
// keeps what was asked of it.
TEST(ConsoleWindowTest, RunsCommandsAndDialogsLikeTheRecordingWindowWithoutKeepingThem) {
    ConsoleWindow console;
    HeadlessWindow recording;
    for (ConsoleWindow* window : {&console, static_cast<ConsoleWindow*>(&recording)}) {
        std::vector<int> ran;
        window->setCommandHandler([&ran](int id) { ran.push_back(id); });
        window->sendCommand(40018);
        window->sendCommand(210);
        EXPECT_EQ(ran, (std::vector<int>{40018, 210}));

        DialogForm form;
        EXPECT_TRUE(window->runDialog(form));  // no answerer: OK as shown
        window->setDialogAnswerer([](DialogForm&) { return false; });
        EXPECT_FALSE(window->runDialog(form));

        window->setTminEditText("37");
        EXPECT_EQ(window->tminEditText(), "37");
        window->invalidateAll(true);
        window->invalidate({1, 2, 3, 4}, false);
        window->checkMenuItem(40018, true);
        EXPECT_FALSE(window->chooseSaveFileName(SaveFileRequest{}));
        window->requestClose();
        EXPECT_TRUE(window->closeRequested());
    }
    EXPECT_EQ(recording.sentCommands(), (std::vector<int>{40018, 210}));
    EXPECT_EQ(recording.shownDialogs().size(), 2u);
    EXPECT_EQ(recording.invalidations().size(), 2u);
    EXPECT_TRUE(recording.isChecked(40018));
    EXPECT_EQ(recording.saveFileRequests().size(), 1u);
    EXPECT_TRUE(console.captureClientArea().pixels.empty());
}

TEST(CollectingSinkTest, KeepsEveryMessageInOrderUntilCleared) {
    CollectingSink sink;
    EXPECT_EQ(sink.texts(" "), "");
    sink.showMessage("GetDIBits ERROR!", "About Bitmap", MessageIcon::None);
    sink.showMessage("Bitmap file is not created", "About Bitmap", MessageIcon::Error);
    ASSERT_EQ(sink.messages().size(), 2u);
    EXPECT_EQ(sink.messages()[1].icon, MessageIcon::Error);
    EXPECT_EQ(sink.texts(" "), " GetDIBits ERROR! Bitmap file is not created");
    sink.clear();
    EXPECT_TRUE(sink.messages().empty());
}

}  // namespace
}  // namespace tessaline
