// The client area painted on the Qt canvas from a started-up, processed state, in the alphabet and
// the processing result views, at a small and a large window size.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/commands.h"
#include "app/startup.h"
#include "app/state.h"
#include "app/window_paint.h"
#include "gui/qt_canvas.h"
#include "platform/headless.h"

namespace tessaline {
namespace {

bool paintsInside(const QImage& image, const Rect& area) {
    for (int y = std::max(area.top, 0); y < std::min(area.bottom, image.height()); ++y) {
        for (int x = std::max(area.left, 0); x < std::min(area.right, image.width()); ++x) {
            if (image.pixel(x, y) != 0xFFFFFFFFu) return true;
        }
    }
    return false;
}

TEST(QtPaint, BothViewsPaintAtSmallAndLargeSizes) {
    HeadlessWindow window;
    AppState state;
    window.setCommandHandler([&](int command) { dispatchCommand(window, state, command); });
    runStartUp(window, state);
    window.sendCommand(CMD_PROCESSING_NEXT_DATA);
    ASSERT_TRUE(window.messages().empty());
    for (const int32_t view : {VIEW_ALPHABET, VIEW_RESULT}) {
        for (const auto& [width, height] : {std::pair{800, 600}, std::pair{1920, 1080}}) {
            state.view.dwViewMode = view;
            state.view.wResultKind = RESULT_PROCESSING;
            QtCanvas canvas(width, height);
            storePaintedGeometry(state, paintClientArea(canvas, state, Rect{0, 0, width, height}, window));
            EXPECT_EQ(state.painted.lineHeight, lineHeightOf(canvas));
            EXPECT_LT(state.painted.layout.rcGraph.right, width);
            EXPECT_TRUE(paintsInside(canvas.image(), state.painted.layout.rcGraph))
                << "view " << view << " at " << width << "x" << height;
        }
    }
    EXPECT_TRUE(window.messages().empty());
}

}  // namespace
}  // namespace tessaline
