// The workbench window itself on the offscreen platform: after a menu entry or a click, the picture
// it shows is that of its state, and leaving the parameters panel gives the mouse back.
#include <gtest/gtest.h>

#include <QTest>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/settings_dialogs.h"
#include "app/state.h"
#include "app/window_paint.h"
#include "gui/qt_canvas.h"
#include "gui/window/main_window.h"
#include "panels/params_header.h"

namespace tessaline {
namespace {

QPoint centreOf(const Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class WindowStateTest : public testing::Test {
protected:
    void SetUp() override {
        window.dialogAnswerer = [](DialogForm& form) {
            // New drawing options: every box turned over.
            for (DialogControl& control : form.controls) {
                if (control.kind == ControlKind::CheckBox) control.checked = !control.checked;
            }
            return true;
        };
        window.messageRecorder = [this](std::string_view text, std::string_view) {
            messages.emplace_back(text);
        };
        window.resize(1280, 720);
        window.show();
        window.view().picture();
    }
    // Whether the picture the window shows is the one a fresh paint of its state gives.
    bool showsItsState() {
        const QImage shown = window.view().picture();
        WorkbenchView& view = window.view();
        QtCanvas canvas(view.width(), view.height(), view.devicePixelRatioF());
        paintClientArea(canvas, window.state(), Rect{0, 0, view.width(), view.height()}, window);
        return shown == canvas.image();
    }
    void trigger(int command) {
        QAction* entry = window.action(command);
        ASSERT_NE(entry, nullptr) << command;
        entry->trigger();
    }

    MainWindow window;
    std::vector<std::string> messages;
};

TEST_F(WindowStateTest, MenuEntriesShowTheirNewState) {
    const int entries[] = {CMD_SERIES_FIXED_WHOLE, CMD_TASK_RECOGNITION,    CMD_PROCESSING_NEXT_DATA,
                           CMD_DRAWING_SETTINGS,   CMD_SERIES_FIXED_CUTOFF, CMD_TASK_DETECTION};
    for (const int entry : entries) {
        trigger(entry);
        EXPECT_TRUE(showsItsState()) << entry;
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(WindowStateTest, OneClickOnNextShowsTheSubsetPanelOfATuplesSeries) {
    trigger(CMD_SERIES_FIXED_TUPLES);
    ASSERT_EQ(window.state().view.dwViewMode, VIEW_ALPHABET);
    QTest::mouseClick(&window.view(), Qt::LeftButton, {},
                      centreOf(window.state().painted.layout.rcNextButton));
    EXPECT_EQ(window.state().view.dwViewMode, VIEW_SUBSETS);
    EXPECT_TRUE(showsItsState());
}

// A hover over a handle of the parameters panel grabs the mouse; F5 leaves the panel and lets go.
TEST_F(WindowStateTest, F5FromAHoveredHandleReleasesTheMouse) {
    trigger(CMD_VIEW_SERIES_PARAMETERS);
    window.view().picture();
    const ParamsHeader* record = window.state().lpParamsHeader;
    ASSERT_NE(record, nullptr);
    QTest::mouseMove(&window.view(), centreOf(record->rcFirstHighestHandle));
    ASSERT_EQ(QWidget::mouseGrabber(), &window.view());
    EXPECT_EQ(window.view().cursor().shape(), Qt::SizeVerCursor);
    trigger(CMD_PROCESSING_NEXT_DATA);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(window.view().cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(showsItsState());
}

}  // namespace
}  // namespace tessaline
