// A statistical simulation behind its progress dialog, acted on while it runs: Cancel keeps the
// dialog up until the run has ended, the keys, menu entries, commands and clicks that would work on
// the records being written do nothing, and closing the window cancels the run and closes once it
// has ended, without a hang.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/dialogs.h"
#include "app/state.h"
#include "gui/window/main_window.h"
#include "simulation/statistics.h"

namespace tessaline {
namespace {

// The grid typed into " Location Parameters": many repeats, so that the run lasts until it is
// cancelled.
bool answerWithALongRun(DialogForm& form) {
    if (form.resource == DIALOG_LOCATION_PARAMETERS) {
        const std::pair<int, const char*> edits[] = {
            {EDIT_PULSES_FROM, "6"}, {EDIT_PULSES_TO, "7"}, {EDIT_NOISE_STEPS, "3"}, {EDIT_REPEATS, "30000"}};
        for (const auto& [id, text] : edits) form.find(id)->text = text;
    }
    return form.resource == DIALOG_SERIES_PARAMETERS || form.resource == DIALOG_LOCATION_PARAMETERS;
}

// The progress dialog's Cancel button, pressed as a user would.
void pressCancel() {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    for (QPushButton* button : modal->findChildren<QPushButton*>()) {
        if (button->text() == "Cancel") QTest::mouseClick(button, Qt::LeftButton);
    }
}

std::vector<QString> labelsOf(const QWidget& widget) {
    std::vector<QString> texts;
    for (const QLabel* label : widget.findChildren<QLabel*>()) texts.push_back(label->text());
    return texts;
}

// Calls `during` once from inside the run (its worker started), then runs `start`, which starts
// the run; true when `during` was called.
bool whileRunning(const std::function<void()>& during, const std::function<void()>& start) {
    QTimer timer;
    bool called = false;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const QWidget* modal = QApplication::activeModalWidget();
        if (called || modal == nullptr || modal->windowTitle() != " Statistical Simulation") return;
        called = true;
        during();
    });
    timer.start(10);
    start();
    return called;
}

class SimulationRunTest : public testing::Test {
protected:
    void SetUp() override {
        window.dialogAnswerer = [this](DialogForm& form) {
            shownDialogs.push_back(form.resource);
            return answerWithALongRun(form);
        };
        window.messageRecorder = [this](std::string_view text, std::string_view) {
            messages.emplace_back(text);
        };
        window.saveAnswerer = [this](const SaveFileRequest&) {
            ++saveQuestions;
            return std::optional<std::string>();
        };
        window.resize(1200, 800);
        window.show();
        window.view().picture();
    }

    MainWindow window;
    AppState& state = window.state();
    std::vector<int> shownDialogs;
    std::vector<std::string> messages;
    int saveQuestions = 0;
};

TEST_F(SimulationRunTest, AfterCancelNothingActsOnTheRecordsUntilTheRunHasEnded) {
    const QPoint next((state.painted.layout.rcNextButton.left + state.painted.layout.rcNextButton.right) / 2,
                      (state.painted.layout.rcNextButton.top + state.painted.layout.rcNextButton.bottom) / 2);
    const struct {
        const char* what;
        std::function<void(MainWindow&)> act;
    } acts[] = {
        {"F5", [](MainWindow& w) { QTest::keyClick(&w, Qt::Key_F5); }},
        {"Ctrl+S", [](MainWindow& w) { QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier); }},
        {"Ctrl+Q", [](MainWindow& w) { QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier); }},
        {"menu entry", [](MainWindow& w) { w.action(CMD_PROCESSING_NEXT_DATA)->trigger(); }},
        {"command", [](MainWindow& w) { w.sendCommand(CMD_STATISTICAL_SIMULATION); }},
        {"click on Next", [next](MainWindow& w) { QTest::mouseClick(&w.view(), Qt::LeftButton, {}, next); }},
    };
    for (const auto& a : acts) {
        SCOPED_TRACE(a.what);
        shownDialogs.clear();
        messages.clear();
        const uint32_t runs = state.dwCompletedRuns;
        const bool acted = whileRunning(
            [&] {
                EXPECT_FALSE(window.menuBar()->isEnabled());
                EXPECT_FALSE(window.action(CMD_SAVE_IMAGE)->isEnabled());
                pressCancel();
                QWidget* modal = QApplication::activeModalWidget();
                ASSERT_NE(modal, nullptr) << "Cancel hid the dialog while the run goes on";
                EXPECT_TRUE(modal->isVisible());
                const std::vector<QString> labels = labelsOf(*modal);
                EXPECT_NE(std::find(labels.begin(), labels.end(), "Cancelling…"), labels.end());
                a.act(window);
            },
            [&] { window.action(CMD_STATISTICAL_SIMULATION)->trigger(); });
        ASSERT_TRUE(acted);
        EXPECT_EQ(state.dwCompletedRuns, runs);
        EXPECT_EQ(saveQuestions, 0);
        EXPECT_EQ(shownDialogs, (std::vector<int>{DIALOG_SERIES_PARAMETERS, DIALOG_LOCATION_PARAMETERS}));
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back(), "Statistical simulation cancelled");
        ASSERT_NE(state.lpRestErrorHeader, nullptr);
        EXPECT_EQ(state.lpRestErrorHeader->ifComplete, 0);
        EXPECT_TRUE(window.isVisible());
        EXPECT_FALSE(window.simulationRunning());
        EXPECT_TRUE(window.menuBar()->isEnabled());
        EXPECT_TRUE(window.action(CMD_SAVE_IMAGE)->isEnabled());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

// Closing the window in the middle of a run, with the run cancelled first or not, as the program
// does it: inside the application's event loop, which ends when the last window has closed. The
// messages are real message boxes, answered as they show.
TEST(SimulationRunClose, ClosingTheWindowMidRunEndsTheRunAndThenTheWindow) {
    for (const bool cancelFirst : {true, false}) {
        SCOPED_TRACE(cancelFirst ? "Cancel, then close" : "close");
        MainWindow window;
        window.dialogAnswerer = answerWithALongRun;
        window.show();
        int boxes = 0;
        QTimer answerer;
        QObject::connect(&answerer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++boxes;
                box->accept();
            }
        });
        answerer.start(10);
        bool closed = false;
        QTimer::singleShot(0, &window, [&] {
            closed = whileRunning(
                [&] {
                    if (cancelFirst) pressCancel();
                    window.close();
                    EXPECT_TRUE(window.isVisible());  // until the run has ended
                },
                [&] { window.action(CMD_STATISTICAL_SIMULATION)->trigger(); });
        });
        // Should the window never close, the loop still ends.
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, QApplication::instance(), &QCoreApplication::quit);
        safety.start(60000);
        QApplication::exec();
        EXPECT_TRUE(closed);
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(boxes, 1);  // the parameters before the run; nothing said after the close
        ASSERT_NE(window.state().lpRestErrorHeader, nullptr);
        EXPECT_EQ(window.state().lpRestErrorHeader->ifComplete, 0);
    }
}

}  // namespace
}  // namespace tessaline
