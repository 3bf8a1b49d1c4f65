// What the window shows is the state it holds. The window keeps its picture and repaints only what a
// command invalidated; so, at the client areas of a 1920 x 1080 and a 1280 x 720 window, every menu
// command is run as the window runs it (dialogs answered with changed values) from a fully painted
// picture, the invalidated areas of that picture are painted anew, and the result must be the
// picture a fresh paint of the new state gives. The same for the clicks that change the view.
#include <gtest/gtest.h>

#include <QPainter>
#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/dialogs.h"
#include "app/menu.h"
#include "app/mouse.h"
#include "app/series_dialogs.h"
#include "app/settings_dialogs.h"
#include "app/startup.h"
#include "app/state.h"
#include "app/window_paint.h"
#include "gui/qt_canvas.h"
#include "gui/window/main_window.h"
#include "panels/params_header.h"
#include "platform/headless.h"
#include "tests/support/case_random.h"

namespace tessaline {
namespace {

// The client area a window of the given outer size gives (the menu bar takes its share).
QSize clientAreaOf(int width, int height) {
    MainWindow window;
    window.resize(width, height);
    window.show();
    return window.view().size();
}

Point centrePoint(const Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// Answers every dialog with values other than those shown, so that each command changes something;
// a dialog that refused them and is shown again at once is cancelled.
bool answerDialog(const std::vector<DialogForm>& shown, DialogForm& form) {
    if (shown.size() >= 2 && shown[shown.size() - 2].resource == form.resource) return false;
    const std::map<int, std::map<int, std::string>> edits = {
        {DIALOG_SERIES_PARAMETERS, {{EDIT_SERIES_LENGTH, "600"}}},
        {DIALOG_REQUIRED_ETALONS, {{EDIT_REQUIRED_COUNT, "3"}, {EDIT_REQUIRED_LIST, "2,5,9"}}},
        {DIALOG_LOCATION_PARAMETERS,
         {{EDIT_PULSES_FROM, "3"},
          {EDIT_PULSES_TO, "4"},
          {EDIT_NOISE_STEPS, "2"},
          {EDIT_NOISE_INCREMENT, "30"},
          {EDIT_REPEATS, "1"}}}};
    if (const auto typed = edits.find(form.resource); typed != edits.end()) {
        for (const auto& [id, text] : typed->second) form.find(id)->text = text;
    }
    // Every check box turned over, and the next radio button of each group checked.
    std::map<int, std::vector<DialogControl*>> groups;
    for (DialogControl& control : form.controls) {
        if (control.kind == ControlKind::CheckBox) control.checked = !control.checked;
        if (control.kind == ControlKind::RadioButton) groups[control.group].push_back(&control);
    }
    for (auto& [group, buttons] : groups) {
        std::size_t on = 0;
        while (on < buttons.size() && !buttons[on]->checked) ++on;
        for (DialogControl* button : buttons) button->checked = false;
        buttons[(on + 1) % buttons.size()]->checked = true;
    }
    return true;
}

// Where two pictures differ: the count of pixels and their bounding box.
std::string differenceOf(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return "sizes differ";
    int count = 0, left = a.width(), top = a.height(), right = -1, bottom = -1;
    for (int y = 0; y < a.height(); ++y) {
        const auto* rowA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rowB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (rowA[x] == rowB[x]) continue;
            ++count;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    if (count == 0) return {};
    std::ostringstream text;
    text << count << " pixels differ within (" << left << ", " << top << ") - (" << right << ", " << bottom
         << ")";
    return text.str();
}

// The window's part, headless: the picture it shows, and its repaint of what was invalidated.
class PictureWalk {
public:
    explicit PictureWalk(QSize client) : client_{0, 0, client.width(), client.height()} {
        window.setCommandHandler([this](int command) { dispatchCommand(window, state, command); });
        window.setDialogAnswerer(
            [this](DialogForm& form) { return answerDialog(window.shownDialogs(), form); });
        state.grid.simulationHooks.threads = 1;
        runStartUp(window, state);
        shown_ = freshPicture();
        window.clearRecords();
    }

    // Paints the whole client area from the state as the window does, keeping what it drew.
    QImage freshPicture() {
        prepareForPaint(window, state);
        QtCanvas canvas(client_.right, client_.bottom);
        const PaintedGeometry painted = paintClientArea(canvas, state, client_, window);
        storePaintedGeometry(state, painted);
        placeEditField(window, painted);
        return canvas.image().copy();
    }

    // After a command: the shown picture with the invalidated areas painted anew, against a fresh
    // paint of the whole; empty when they agree, else where they differ.
    std::string repaintDifference() {
        const QImage fresh = freshPicture();
        QImage repainted = shown_;
        {
            QPainter painter(&repainted);
            for (const Invalidation& invalidated : window.invalidations()) {
                const Rect& r = invalidated.area;
                const QRect area = invalidated.whole
                                       ? repainted.rect()
                                       : QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
                painter.drawImage(area, fresh, area);
            }
        }
        std::string difference = differenceOf(repainted, fresh);
        if (!difference.empty()) difference += " after " + recordsText();
        shown_ = fresh;
        window.clearRecords();
        return difference;
    }

    std::string afterCommand(int command) {
        window.sendCommand(command);
        return repaintDifference();
    }

    std::string afterClick(Point at) {
        mouseButtonDown(window, state, at);
        mouseButtonUp(window, state, at);
        return repaintDifference();
    }

    HeadlessWindow window;
    AppState state;

private:
    // The commands sent and the areas invalidated, for a failure's message.
    std::string recordsText() const {
        std::ostringstream text;
        text << "commands";
        for (const int command : window.sentCommands()) text << " " << command;
        text << ", invalidated";
        for (const Invalidation& i : window.invalidations()) {
            if (i.whole) {
                text << " all";
            } else {
                text << " (" << i.area.left << ", " << i.area.top << ", " << i.area.right << ", "
                     << i.area.bottom << ")";
            }
        }
        return text.str();
    }

    Rect client_;
    QImage shown_;
};

std::vector<int> menuCommands() {
    std::vector<int> commands;
    for (const MenuItem& item : mainMenu()) {
        if (item.kind == MenuItem::Kind::Entry) commands.push_back(item.command);
    }
    return commands;
}

const QSize WINDOW_SIZES[] = {{1920, 1080}, {1280, 720}};

// Each walk first brings the workbench into a view with a few commands, then runs the whole menu in
// its order; every command of both is checked.
TEST(WindowStateWalk, EveryMenuCommandLeavesThePictureOfTheNewState) {
    struct Start {
        const char* name;
        std::vector<int> commands;
    };
    const Start starts[] = {
        {"alphabet", {}},
        {"result of recognition", {CMD_TASK_RECOGNITION, CMD_SERIES_FIXED_WHOLE, CMD_PROCESSING_NEXT_DATA}},
        {"subset panel of tuples",
         {CMD_SERIES_UNFIXED_TUPLES, CMD_TASK_RECOGNITION, CMD_SELECT_SET_OF_PULSES}},
        {"parameters panel", {CMD_VIEW_SERIES_PARAMETERS}},
        {"statistics", {CMD_STATISTICAL_SIMULATION}},
    };
    const std::vector<int> menu = menuCommands();
    ASSERT_EQ(menu.size(), 32u);
    for (const QSize& size : WINDOW_SIZES) {
        const QSize client = clientAreaOf(size.width(), size.height());
        for (const Start& start : starts) {
            PictureWalk walk(client);
            std::vector<int> commands = start.commands;
            commands.insert(commands.end(), menu.begin(), menu.end());
            for (const int command : commands) {
                EXPECT_EQ(walk.afterCommand(command), "")
                    << "command " << command << " in the walk from the " << start.name << " at "
                    << client.width() << "x" << client.height();
            }
        }
    }
}

// Every target the last paint recorded for the mouse in the view shown: the buttons, the selector
// rows and the view's own cells, rows, buttons and areas.
std::vector<Rect> clickTargets(const AppState& state) {
    const WindowLayout& layout = state.painted.layout;
    std::vector<Rect> targets = {layout.rcNextButton, layout.rcExitButton};
    if (state.view.dwViewMode == VIEW_RESULT) targets.push_back(layout.rcRestartButton);
    if (layout.hasSelectButton) targets.push_back(layout.rcSelectButton);
    targets.insert(targets.end(), std::begin(state.painted.lengthRows), std::end(state.painted.lengthRows));
    targets.insert(targets.end(), std::begin(state.painted.noiseRows), std::end(state.painted.noiseRows));
    if (layout.hasLostSelector)
        targets.insert(targets.end(), std::begin(state.painted.lostRows), std::end(state.painted.lostRows));
    const auto add = [&](const std::vector<Rect>& rects) {
        targets.insert(targets.end(), rects.begin(), rects.end());
    };
    const SubsetPanelGeometry& subsets = drawnSubsetPanel(state.painted);
    switch (state.view.dwViewMode) {
        case VIEW_ALPHABET:
            targets.insert(targets.end(), layout.rcEtalonCells, layout.rcEtalonCells + layout.cellCount);
            break;
        case VIEW_RESULT: add(state.painted.tupleRows); break;
        case VIEW_SUBSETS:
            for (const std::vector<Rect>* rects :
                 {&subsets.cells, &subsets.subsetSlots, &subsets.buttons, &subsets.rowFrames})
                add(*rects);
            break;
        case VIEW_PARAMETERS:
            if (const ParamsHeader* record = state.lpParamsHeader) {
                targets.insert(
                    targets.end(), record->pulsesSelectedAreas,
                    record->pulsesSelectedAreas + std::clamp(record->dwAreas, 0, record->dwAreasCapacity));
                targets.push_back(record->rcCancelButton);
                targets.push_back(record->rcOkButton);
            }
            break;
        default: break;
    }
    return targets;
}

// Clicks on what the picture shows, now and then a menu command between them, in every view the
// clicks and commands lead to.
TEST(WindowStateWalk, EveryClickLeavesThePictureOfTheNewState) {
    const std::vector<int> menu = menuCommands();
    for (const QSize& size : WINDOW_SIZES) {
        const QSize client = clientAreaOf(size.width(), size.height());
        cases::CaseRandom random(20260524);
        PictureWalk walk(client);
        const int steps = cases::randomCaseCount(200);
        for (int step = 0; step < steps; ++step) {
            if (random.oneIn(6)) {
                const int command =
                    menu[static_cast<std::size_t>(random.between(0, static_cast<int64_t>(menu.size()) - 1))];
                EXPECT_EQ(walk.afterCommand(command), "") << "step " << step << ", command " << command;
                continue;
            }
            const std::vector<Rect> targets = clickTargets(walk.state);
            const Rect target = targets[static_cast<std::size_t>(
                random.between(0, static_cast<int64_t>(targets.size()) - 1))];
            const int32_t view = walk.state.view.dwViewMode;
            EXPECT_EQ(walk.afterClick(centrePoint(target)), "")
                << "step " << step << ", view " << view << ", click at (" << centrePoint(target).x << ", "
                << centrePoint(target).y << ") at " << client.width() << "x" << client.height();
        }
    }
}

// Next in the alphabet view on a tuples series without its tuple shows the subset panel at once.
TEST(WindowStateWalk, AlphabetNextOnATuplesSeriesShowsTheSubsetPanelAtOnce) {
    for (const QSize& size : WINDOW_SIZES) {
        PictureWalk walk(clientAreaOf(size.width(), size.height()));
        ASSERT_EQ(walk.afterCommand(CMD_SERIES_FIXED_TUPLES), "");
        EXPECT_EQ(walk.afterClick(centrePoint(walk.state.painted.layout.rcNextButton)), "");
        EXPECT_EQ(walk.state.view.dwViewMode, VIEW_SUBSETS);
    }
}

}  // namespace
}  // namespace tessaline
