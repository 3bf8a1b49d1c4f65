// The workbench window on the offscreen platform: its menu, the commands its entries send, clicks
// through Qt's mouse events at the rectangles of the picture shown, the saved snapshot, and a
// random walk over all of it.
#include <gtest/gtest.h>

#include <QMenuBar>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/commands.h"
#include "app/dialogs.h"
#include "app/mouse.h"
#include "app/series_dialogs.h"
#include "app/startup.h"
#include "app/state.h"
#include "gui/qt_canvas.h"
#include "gui/qt_image.h"
#include "gui/window/main_window.h"
#include "imaging/bmp_writer.h"
#include "model/codes.h"
#include "panels/params_header.h"
#include "platform/headless.h"
#include "simulation/statistics.h"
#include "tests/support/case_random.h"
#include "tests/support/image_files.h"

namespace tessaline {
namespace {

using testing_files::readFileBytes;
using testing_files::ScratchFolder;

QPoint centre(const Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        window.dialogAnswerer = [this](DialogForm& form) {
            // A dialog shown again at once has refused what was typed, which would only be refused again.
            const bool again = !shownDialogs.empty() && shownDialogs.back() == form.resource;
            shownDialogs.push_back(form.resource);
            if (again) return false;
            for (const auto& [id, text] : edits[form.resource]) {
                if (DialogControl* control = form.find(id)) control->text = text;
            }
            return cancelled.count(form.resource) == 0;
        };
        window.messageRecorder = [this](std::string_view text, std::string_view) {
            messages.emplace_back(text);
        };
        window.resize(1200, 800);
        window.show();
        picture();
    }
    const QImage& picture() { return window.view().picture(); }
    void trigger(int command) {
        QAction* entry = window.action(command);
        ASSERT_NE(entry, nullptr) << command;
        entry->trigger();
    }
    void click(const Rect& r) {
        picture();
        QTest::mouseClick(&window.view(), Qt::LeftButton, {}, centre(r));
    }
    // The simulation grid typed into " Location Parameters": a few cells only.
    void smallGrid() {
        edits[DIALOG_LOCATION_PARAMETERS] = {
            {EDIT_PULSES_FROM, "6"}, {EDIT_PULSES_TO, "7"}, {EDIT_NOISE_STEPS, "3"}, {EDIT_REPEATS, "2"}};
    }

    MainWindow window;
    AppState& state = window.state();
    std::map<int, std::map<int, std::string>> edits;
    std::set<int> cancelled;
    std::vector<int> shownDialogs;
    std::vector<std::string> messages;
};

TEST_F(MainWindowTest, MenuHoldsThePopupsAndEveryEntrySendsItsCommand) {
    std::vector<QString> popups;
    for (QAction* popup : window.menuBar()->actions()) popups.push_back(popup->text());
    EXPECT_EQ(popups, (std::vector<QString>{" File", " Processing", " Settings", " Else One"}));
    EXPECT_EQ(window.action(CMD_TYPE_MORE_DETAILS)->text(), " Type more detales");
    EXPECT_EQ(window.action(CMD_SAVE_IMAGE)->shortcut(), QKeySequence::Save);

    trigger(CMD_SERIES_FIXED_WHOLE);
    EXPECT_EQ(state.task.wSeriesType, SERIES_FIXED_WHOLE);
    EXPECT_TRUE(window.action(CMD_SERIES_FIXED_WHOLE)->isChecked());
    EXPECT_FALSE(window.action(CMD_SERIES_UNFIXED_CUTOFF)->isChecked());
    trigger(CMD_SHOW_STATISTICAL_SIMULATION);  // nothing to show before a simulation
    EXPECT_TRUE(shownDialogs.empty());
    trigger(CMD_PROCESSING_NEXT_DATA);
    EXPECT_EQ(state.view.dwViewMode, VIEW_RESULT);
    EXPECT_EQ(state.dwCompletedRuns, 1u);
}

TEST_F(MainWindowTest, CreateSeriesFromTheMenuKeepsOrTakesTheCountAsItsSecondDialogEnds) {
    trigger(CMD_SERIES_FIXED_WHOLE);
    const uint16_t count = state.series.wPulsesNumber;
    edits[DIALOG_SERIES_STRUCTURE] = {{EDIT_STRUCTURE_PULSES, "6"}, {EDIT_STRUCTURE_SEQUENCE, "3,1,4,1,5,9"}};
    cancelled = {DIALOG_SERIES_STRUCTURE};
    trigger(CMD_CREATE_SERIES);
    EXPECT_EQ(std::tuple(state.task.wSeriesType, state.series.wPulsesNumber),
              std::tuple(SERIES_FIXED_WHOLE, count));
    cancelled.clear();
    trigger(CMD_CREATE_SERIES);
    EXPECT_EQ(std::tuple(state.task.wSeriesType, state.series.wPulsesNumber),
              std::tuple(SERIES_FIXED_WHOLE_LISTED, 6));
    EXPECT_EQ(state.view.dwViewMode, VIEW_RESULT);
}

// A drag of the parameters panel's Tmax slope through Qt's mouse events: the pointer changes over
// the line and the slope follows the drag.
TEST_F(MainWindowTest, ParametersPanelSlopeFollowsADrag) {
    trigger(CMD_VIEW_SERIES_PARAMETERS);
    picture();
    ASSERT_NE(state.lpParamsHeader, nullptr);
    const LineSegment slope = state.lpParamsHeader->tmaxSlope;
    const QPoint start = centre({slope.from.x, slope.from.y, slope.to.x, slope.to.y});
    const int32_t tmax = state.lpParamsHeader->dwTmax;
    QTest::mouseMove(&window.view(), start);
    EXPECT_EQ(window.view().cursor().shape(), Qt::SizeFDiagCursor);
    QTest::mousePress(&window.view(), Qt::LeftButton, {}, start);
    for (int dy = 2; dy <= 10; dy += 2) {
        picture();
        QTest::mouseMove(&window.view(), start + QPoint(0, -dy));
    }
    QTest::mouseRelease(&window.view(), Qt::LeftButton, {}, start + QPoint(0, -10));
    EXPECT_GT(state.lpParamsHeader->dwTmax, tmax);  // higher at the same place: a steeper slope
    EXPECT_EQ(state.lpParamsHeader->dwTmaxDrag, 0);
}

TEST_F(MainWindowTest, ClicksOnTheShownPictureChooseEtalonsAndMoveOn) {
    trigger(CMD_TASK_JOINT);
    click(state.painted.layout.rcEtalonCells[3]);
    click(state.painted.layout.rcEtalonCells[5]);
    EXPECT_EQ(std::vector<uint16_t>(state.selection.lpRequiredList,
                                    state.selection.lpRequiredList + state.selection.wRequiredQuantity),
              (std::vector<uint16_t>{1, 4, 6}));
    click(state.painted.layout.rcNextButton);
    EXPECT_EQ(state.view.dwViewMode, VIEW_RESULT);
    EXPECT_EQ(state.dwCompletedRuns, 1u);
    EXPECT_TRUE(messages.empty());
}

// The run behind the progress dialog gives exactly the matrices of the same run on the calling
// thread, as the command line makes it.
TEST_F(MainWindowTest, SimulationBehindItsProgressGivesTheResultOfARunInPlace) {
    smallGrid();
    trigger(CMD_STATISTICAL_SIMULATION);
    ASSERT_NE(state.lpRestErrorHeader, nullptr);
    ASSERT_EQ(state.lpRestErrorHeader->ifComplete, 1);
    EXPECT_EQ(state.view.wResultKind, RESULT_STATISTICS);

    HeadlessWindow headless;
    AppState inPlace;
    headless.setCommandHandler([&](int command) { dispatchCommand(headless, inPlace, command); });
    headless.setDialogAnswerer([this](DialogForm& form) {
        for (const auto& [id, text] : edits[form.resource]) form.find(id)->text = text;
        return true;
    });
    runStartUp(headless, inPlace);
    headless.sendCommand(CMD_STATISTICAL_SIMULATION);
    ASSERT_NE(inPlace.lpRestErrorHeader, nullptr);
    const RestErrorHeader& a = *state.lpRestErrorHeader;
    const RestErrorHeader& b = *inPlace.lpRestErrorHeader;
    ASSERT_EQ(a.wNoiseLevels, b.wNoiseLevels);
    ASSERT_EQ(a.wVariousPulses, b.wVariousPulses);
    for (int k = 0; k < a.wNoiseLevels; ++k) {
        for (int j = 0; j < a.wVariousPulses; ++j) {
            EXPECT_EQ(a.lpErrors[k][j], b.lpErrors[k][j]);
            EXPECT_EQ(a.lpDetectionErrors[k][j], b.lpDetectionErrors[k][j]);
        }
    }
}

TEST_F(MainWindowTest, SaveImageWritesWhatTheWindowShowsByTheNamesExtension) {
    const ScratchFolder folder;
    std::string answer;
    window.saveAnswerer = [&answer](const SaveFileRequest& request) {
        EXPECT_EQ(request.title, "Snapshot File Name");
        return std::optional<std::string>(answer);
    };
    const struct {
        const char* name;
        bool written;
    } cases[] = {{"shot.bmp", true}, {"shot.PCX", true}, {"shot.txt", false}};
    for (const auto& c : cases) {
        answer = folder.file(c.name);
        trigger(CMD_SAVE_IMAGE);
        EXPECT_EQ(std::filesystem::exists(answer), c.written) << c.name;
    }
    const std::vector<uint8_t> bmp = readFileBytes(folder.file("shot.bmp"));
    const WindowImage shown = windowImageOf(picture(), WINDOW_BACKGROUND);
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ(bmp.size(), 54u + std::size_t{4} * shown.width * shown.height);
    EXPECT_EQ(messages.size(), 1u);  // another extension writes nothing and says so
}

// Menu commands, clicks, drags and dialog answers at random: nothing breaks and every message is
// answered.
TEST_F(MainWindowTest, RandomWalkOverMenuClicksAndDialogs) {
    smallGrid();
    cases::CaseRandom random(20261207);
    const int menu[] = {CMD_NEW_PULSES,
                        CMD_CREATE_SERIES,
                        CMD_VIEW_SERIES_PARAMETERS,
                        CMD_SELECT_SET_OF_PULSES,
                        CMD_PROCESSING_SAME_DATA,
                        CMD_PROCESSING_NEXT_DATA,
                        CMD_MORE_DETAILS,
                        CMD_TYPE_MORE_DETAILS,
                        CMD_FIXED_CASE,
                        CMD_UNFIXED_CASE,
                        CMD_STATISTICAL_SIMULATION,
                        CMD_SHOW_STATISTICAL_SIMULATION,
                        CMD_REPEAT_DETECTION,
                        CMD_REPEAT_JOINT,
                        CMD_TASK_DETECTION,
                        CMD_TASK_RECOGNITION,
                        CMD_TASK_JOINT,
                        CMD_SERIES_FIXED_CUTOFF,
                        CMD_SERIES_UNFIXED_WHOLE,
                        CMD_SERIES_UNFIXED_TUPLES,
                        CMD_SUBSET_SETTINGS,
                        CMD_DRAWING_SETTINGS,
                        CMD_ELSE_CREATE_SERIES};
    const int steps = cases::randomCaseCount(2000);
    for (int i = 0; i < steps; ++i) {
        cancelled.clear();
        if (random.oneIn(3)) cancelled.insert(static_cast<int>(random.between(105, 114)));
        if (random.oneIn(4)) {
            trigger(menu[random.between(0, std::size(menu) - 1)]);
            continue;
        }
        picture();
        const QPoint at(static_cast<int>(random.between(0, 1199)), static_cast<int>(random.between(0, 799)));
        if (hitsRect(state.painted.layout.rcExitButton, {at.x(), at.y()}))
            continue;  // the walk goes on in the window
        if (random.oneIn(3)) {
            QTest::mousePress(&window.view(), Qt::LeftButton, {}, at);
            QTest::mouseMove(&window.view(), at + QPoint(5, -7));
            QTest::mouseRelease(&window.view(), Qt::LeftButton, {}, at + QPoint(5, -7));
        } else {
            QTest::mouseClick(&window.view(), Qt::LeftButton, {}, at);
        }
        ASSERT_TRUE(window.isVisible()) << i;
        ASSERT_LE(state.selection.wRequiredQuantity, state.selection.wRequiredCapacity);
        ASSERT_LE(state.subsetPanel.dwEntries, SUBSET_ENTRY_CAPACITY);
    }
    // About one step in twenty completes a run; a shorter walk (the sanitizer build) expects fewer.
    EXPECT_GT(state.dwCompletedRuns, static_cast<uint32_t>(std::min(10, steps / 20)));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(MainWindowPictures, AButtonPictureThatCannotBeMadeIsNamedAndNothingStarts) {
    int made = 0;
    const MainWindow window([&made](std::string_view caption) {
        return ++made == 3 ? WindowImage{} : paintButtonPicture(caption);
    });
    EXPECT_EQ(window.missingPicture(), "IDB_BITMAP1");
    EXPECT_EQ(made, 3);
    const MainWindow whole;
    EXPECT_EQ(whole.missingPicture(), "");
}

}  // namespace
}  // namespace tessaline
