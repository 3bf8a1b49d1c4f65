// The statistical simulation from the menu, driven headless with scripted dialog answers: what
// the dialogs show, what OK and Cancel commit, what is refused, and the run and its display.
#include <gtest/gtest.h>

#include <algorithm>

#include <functional>
#include <map>
#include <set>
#include <string>

#include "app/commands.h"
#include "app/dialogs.h"
#include "app/simulation_commands.h"
#include "app/startup.h"
#include "app/state.h"
#include "app/window_paint.h"
#include "model/codes.h"
#include "platform/alloc.h"
#include "platform/headless.h"
#include "simulation/statistics.h"
#include "tests/support/recording_canvas.h"

namespace tessaline {
namespace {

TEST(EditNumber, ReadsTheLeadingNumberLikeTheStandardConversion) {
    EXPECT_EQ(editNumber("1200"), 1200);
    EXPECT_EQ(editNumber("  42abc"), 42);
    EXPECT_EQ(editNumber("-7"), -7);
    EXPECT_EQ(editNumber("+8,9"), 8);
    EXPECT_EQ(editNumber("abc"), 0);
    EXPECT_EQ(editNumber(""), 0);
    EXPECT_EQ(editNumber("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(editNumber("-99999999999999999999"), INT32_MIN);
    // Only the first 99 characters of an edit are read.
    EXPECT_EQ(editNumber(std::string(98, ' ') + "7"), 7);
    EXPECT_EQ(editNumber(std::string(99, ' ') + "7"), 0);
    EXPECT_DOUBLE_EQ(editReal(" 0.5x"), 0.5);
    EXPECT_EQ(upperBoundText(0.25), "0.25");
    EXPECT_EQ(upperBoundText(1.0 / 3.0), "0.33333");
}

TEST(StatisticsView, FollowsTheHandlingAndViewCases) {
    EXPECT_EQ(statisticsViewOf(1, 1, 0), 0);
    EXPECT_EQ(statisticsViewOf(1, 2, 1), 1);
    EXPECT_EQ(statisticsViewOf(7, 2, 0), 1);
    EXPECT_EQ(statisticsViewOf(2, 1, 1), 2);
    EXPECT_EQ(statisticsViewOf(2, 2, 0), 3);
    EXPECT_EQ(statisticsViewOf(3, 1, 0), 4);
    EXPECT_EQ(statisticsViewOf(3, 2, 0), 5);
    EXPECT_EQ(statisticsViewOf(3, 1, 1), 12);
    EXPECT_EQ(statisticsViewOf(3, 2, 1), 13);
}

class SimulationCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        window.setCommandHandler([this](int command) { dispatchCommand(window, state, command); });
        window.setDialogAnswerer([this](DialogForm& form) {
            // A dialog shown again has refused the scripted edits, which would only be refused again.
            const std::vector<DialogForm>& shown = window.shownDialogs();
            if (shown.size() >= 2 && shown[shown.size() - 2].resource == form.resource) return false;
            for (const auto& [id, text] : edits[form.resource]) form.find(id)->text = text;
            if (clicks.count(form.resource) > 0) clicks[form.resource](form);
            return cancelled.count(form.resource) == 0;
        });
        runStartUp(window, state);
        layOutWindow(state, Rect{0, 0, 1600, 1000}, 16);
        state.grid.simulationHooks.threads = 1;
        window.clearRecords();
    }
    // A small grid: pulse counts 6, 7, noise levels 0, 30, two repeats.
    void smallGrid() {
        edits[DIALOG_LOCATION_PARAMETERS] = {{EDIT_PULSES_FROM, "6"},
                                             {EDIT_PULSES_TO, "7"},
                                             {EDIT_NOISE_STEPS, "2"},
                                             {EDIT_NOISE_INCREMENT, "30"},
                                             {EDIT_REPEATS, "2"}};
    }
    std::vector<int> shownDialogs() const {
        std::vector<int> resources;
        for (const DialogForm& form : window.shownDialogs()) resources.push_back(form.resource);
        return resources;
    }
    void run(int command) { window.sendCommand(command); }
    std::string message(std::size_t i) const {
        return i < window.messages().size() ? window.messages()[i].text : std::string("(none)");
    }

    HeadlessWindow window;
    AppState state;
    std::map<int, std::map<int, std::string>> edits;
    std::map<int, std::function<void(DialogForm&)>> clicks;
    std::set<int> cancelled;
};

TEST_F(SimulationCommandsTest, DialogsShowTheSettingsInForce) {
    state.staging.wLeastPulses = 6;
    state.staging.wMostPulses = 30;
    const DialogForm series = seriesParametersForm(state);
    EXPECT_EQ(series.caption, "Create Series");
    EXPECT_EQ(series.find(EDIT_SERIES_LENGTH)->text, "1200");
    EXPECT_EQ(series.find(EDIT_TMIN)->text, "40");
    EXPECT_EQ(series.find(EDIT_TMAX)->text, "181");
    EXPECT_EQ(series.find(EDIT_ETALON_NUMBER)->text, "1");
    EXPECT_EQ(series.find(EDIT_MAKING_LEVEL)->text, "75");
    const DialogForm grid = locationParametersForm(state);
    EXPECT_EQ(grid.caption, " Location Parameters");
    EXPECT_EQ(grid.find(EDIT_PULSES_FROM)->text, "6");
    EXPECT_EQ(grid.find(EDIT_PULSES_TO)->text, "30");
    EXPECT_EQ(grid.find(EDIT_NOISE_STEPS)->text, "29");
    EXPECT_EQ(grid.find(EDIT_NOISE_INCREMENT)->text, "5");
    EXPECT_EQ(grid.find(EDIT_REPEATS)->text, "100");
    state.statistics.dwHandlingCase = 3;
    const DialogForm plain = statisticsDisplayForm(state, false);
    EXPECT_EQ(plain.find(RADIO_RECOGNITION_ERROR), nullptr);
    EXPECT_TRUE(plain.find(RADIO_RESTORING_ERROR)->checked);
    EXPECT_EQ(plain.find(EDIT_UPPER_BOUND)->text, "0.25");
    const DialogForm recognition = statisticsDisplayForm(state, true);
    EXPECT_TRUE(recognition.find(RADIO_RECOGNITION_ERROR)->checked);
    EXPECT_FALSE(recognition.find(RADIO_RESTORING_ERROR)->checked);
    EXPECT_TRUE(recognition.find(CHECK_BOUNDS_INCLUDED)->checked);
}

TEST_F(SimulationCommandsTest, StatisticsDisplayDialogKeepsWhatWasNotClicked) {
    // A handling case the dialog without "recognition error" cannot show survives OK.
    state.statistics.dwHandlingCase = 3;
    DialogForm form = statisticsDisplayForm(state, false);
    acceptStatisticsDisplay(state, form, false);
    EXPECT_EQ(state.statistics.dwHandlingCase, 3);
    // "fixed upper bound" cleared: the typed bound is not taken.
    form.find(EDIT_UPPER_BOUND)->text = "0.9";
    acceptStatisticsDisplay(state, form, false);
    EXPECT_DOUBLE_EQ(state.statistics.dUpperBound, 0.25);
    form.find(CHECK_FIXED_UPPER_BOUND)->checked = true;
    form.find(RADIO_RESTORING_ERROR)->checked = false;
    form.find(RADIO_DETECTION_ERROR)->checked = true;
    form.find(RADIO_COMPONENTWISE)->checked = false;
    form.find(RADIO_SUMMARY_VIEW)->checked = true;
    acceptStatisticsDisplay(state, form, false);
    EXPECT_DOUBLE_EQ(state.statistics.dUpperBound, 0.9);
    EXPECT_EQ(state.statistics.dwHandlingCase, 2);
    EXPECT_EQ(state.statistics.dwViewCase, 2);
    EXPECT_EQ(state.statistics.dwFixedUpperBound, 1);
    // Cancel changes nothing.
    cancelled.insert(DIALOG_STATISTICS_DISPLAY);
    clicks[DIALOG_STATISTICS_DISPLAY] = [](DialogForm& f) {
        f.find(CHECK_FIXED_UPPER_BOUND)->checked = false;
    };
    EXPECT_FALSE(runStatisticsDisplayDialog(window, state, false));
    EXPECT_EQ(state.statistics.dwFixedUpperBound, 1);
}

TEST_F(SimulationCommandsTest, SimulationRunsWithTheDialogsValuesAndShowsItsResult) {
    smallGrid();
    edits[DIALOG_SERIES_PARAMETERS] = {{EDIT_SERIES_LENGTH, "600"}};
    run(CMD_STATISTICAL_SIMULATION);
    EXPECT_EQ(shownDialogs(), (std::vector<int>{105, 110, 113}));
    ASSERT_EQ(window.messages().size(), 1u) << message(1);
    EXPECT_EQ(window.messages()[0].caption, "getPulseEstAsRepeats");
    EXPECT_EQ(message(0),
              "Create series parameters:\nдлина серии: 600\nwTmin: 40\nwTmax: 181\nдлина эталона: 20\n"
              "MinPulses: 6 -> 6\nMaxPulses: 7 -> 7\n\npulses: 2, from 6 to 7 incr 1 \n"
              "noise level: from 0 to 2 incr 30\nnumber of repeats: 2\n");
    EXPECT_EQ(state.series.dwSeriesLength, 600u);
    EXPECT_EQ(state.grid.wPulseSteps, 2);
    const RestErrorHeader* record = state.lpRestErrorHeader;
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->ifComplete, 1);
    EXPECT_EQ(record->wPulseValues[1], 7);
    EXPECT_EQ(record->lpNoiseLevels[1], 30);
    EXPECT_EQ(state.lpSeriesHeader->dwSeriesSize, 600u);
    EXPECT_EQ(state.lpSeriesHeader->wImpulseQuantity, 7);
    EXPECT_EQ(state.view.wResultKind, RESULT_STATISTICS);
    EXPECT_EQ(state.view.dwViewMode, VIEW_RESULT);
    EXPECT_EQ(state.statistics.dwStatisticsView, 0);
    EXPECT_EQ(state.grid.dwFirstSimulation, 0);
    EXPECT_GE(state.grid.dwSimulationEnd, state.grid.dwSimulationStart);
}

TEST_F(SimulationCommandsTest, CancelledDialogsCommitNothing) {
    smallGrid();
    cancelled.insert(DIALOG_LOCATION_PARAMETERS);
    edits[DIALOG_SERIES_PARAMETERS] = {{EDIT_SERIES_LENGTH, "600"}, {EDIT_ETALON_NUMBER, "3"}};
    run(CMD_STATISTICAL_SIMULATION);
    EXPECT_EQ(shownDialogs(), (std::vector<int>{105, 110}));
    EXPECT_TRUE(window.messages().empty());
    EXPECT_EQ(state.series.dwSeriesLength, 1200u);
    EXPECT_EQ(state.grid.wRepeats, 100);
    EXPECT_EQ(state.lpRestErrorHeader, nullptr);
    EXPECT_EQ(state.dwDialogAccepted, 0);
    // The series dialog's OK wrote the default etalon at once.
    EXPECT_EQ(state.selection.dwDefaultEtalon, 3);
}

// A series shorter than Tmax still holds one pulse: the grid offers 1 as the fewest pulses, not
// a 0 it would then refuse, and takes it as shown.
TEST_F(SimulationCommandsTest, AShortSeriesOffersOnePulseAtLeast) {
    edits[DIALOG_SERIES_PARAMETERS] = {{EDIT_SERIES_LENGTH, "100"}};
    run(CMD_SIMULATION_DIALOGS);
    EXPECT_EQ(shownDialogs(), (std::vector<int>{105, 110}));
    EXPECT_EQ(window.shownDialogs().back().find(EDIT_PULSES_FROM)->text, "1");
    EXPECT_TRUE(window.messages().empty()) << message(0);
    EXPECT_EQ(state.dwDialogAccepted, 1);
    EXPECT_EQ(state.series.wMinPulses, 1);
    EXPECT_EQ(state.series.wMaxPulses, 3);
}

TEST_F(SimulationCommandsTest, GridsNoRunCanWorkWithAreRefused) {
    struct Case {
        int dialog;
        int edit;
        const char* text;
        const char* setting;
    };
    const Case cases[] = {{105, EDIT_TMIN, "0", "wTmin"},
                          {105, EDIT_TMAX, "30", "wTmin"},
                          {110, EDIT_REPEATS, "0", "wRepeats"},
                          {110, EDIT_PULSES_FROM, "0", "wMinPulses"},
                          {110, EDIT_PULSES_FROM, "9", "wMinPulses"},
                          {110, EDIT_PULSES_TO, "31", "wMaxPulses"},
                          {110, EDIT_NOISE_STEPS, "0", "wNoiseSteps"},
                          {110, EDIT_NOISE_INCREMENT, "40000", "wNoiseIncrement"},
                          {105, EDIT_ETALON_NUMBER, "21", "dwDefaultEtalon"},
                          {105, EDIT_PROCESSING_LEVEL, "101", "wProcessingEnergyLevel"}};
    for (const Case& c : cases) {
        edits.clear();
        smallGrid();
        edits[DIALOG_LOCATION_PARAMETERS][EDIT_PULSES_TO] = "8";
        edits[c.dialog][c.edit] = c.text;
        window.clearRecords();
        run(CMD_STATISTICAL_SIMULATION);
        ASSERT_EQ(window.messages().size(), 1u) << c.text;
        EXPECT_EQ(message(0).rfind(std::string("Неверно задан ") + c.setting + "!", 0), 0u) << message(0);
        // The refused dialog stayed open (shown again, then cancelled) and nothing was taken.
        const std::vector<int> dialogs = shownDialogs();
        EXPECT_EQ(std::count(dialogs.begin(), dialogs.end(), c.dialog), 2) << c.text;
        EXPECT_EQ(state.dwDialogAccepted, 0);
        EXPECT_EQ(state.selection.dwDefaultEtalon, 1);
        EXPECT_EQ(state.series.wTmin, 40);
        EXPECT_EQ(state.series.wMaxPulses, 30);
        EXPECT_EQ(state.lpRestErrorHeader, nullptr);
    }
}

TEST_F(SimulationCommandsTest, ShowDoesNothingWithoutACompleteSimulation) {
    run(CMD_SHOW_STATISTICAL_SIMULATION);
    EXPECT_TRUE(window.shownDialogs().empty());
    EXPECT_EQ(state.view.wResultKind, RESULT_PROCESSING);
    state.lpRestErrorHeader = getRestErrHeader(window, 1, 1, 1, nullptr);
    run(CMD_SHOW_STATISTICAL_SIMULATION);
    EXPECT_TRUE(window.shownDialogs().empty());
    EXPECT_TRUE(window.invalidations().empty());
}

TEST_F(SimulationCommandsTest, ShowAsksWithTheRecognitionDialogForRecognition) {
    state.lpRestErrorHeader = getRestErrHeader(window, 1, 1, 1, nullptr);
    state.lpRestErrorHeader->ifComplete = 1;
    state.task.wSelectedTask = TASK_RECOGNITION;
    clicks[DIALOG_RECOGNITION_STATISTICS_DISPLAY] = [](DialogForm& f) {
        f.find(RADIO_RESTORING_ERROR)->checked = false;
        f.find(RADIO_RECOGNITION_ERROR)->checked = true;
        f.find(RADIO_COMPONENTWISE)->checked = false;
        f.find(RADIO_SUMMARY_VIEW)->checked = true;
    };
    run(CMD_SHOW_STATISTICAL_SIMULATION);
    EXPECT_EQ(shownDialogs(), (std::vector<int>{114}));
    EXPECT_EQ(state.statistics.dwStatisticsView, 13);
    EXPECT_EQ(state.view.wResultKind, RESULT_STATISTICS);
    EXPECT_FALSE(window.invalidations().empty());
}

TEST_F(SimulationCommandsTest, SeriesDialogShowsASelectedEtalon) {
    std::fill(std::begin(state.selection.wRequiredFlags), std::end(state.selection.wRequiredFlags),
              uint16_t{0});
    state.selection.wRequiredFlags[4] = 1;
    state.selection.dwCurrentEtalon = 2;
    run(CMD_SERIES_DIALOG);
    EXPECT_EQ(state.selection.dwCurrentEtalon, 5);
    EXPECT_EQ(window.shownDialogs().at(0).find(EDIT_ETALON_NUMBER)->text, "5");
    EXPECT_EQ(state.dwDialogAccepted, 1);
}

TEST_F(SimulationCommandsTest, RecordFailuresAbandonTheSimulation) {
    smallGrid();
    // The series record is reused as it is; the first allocation is the statistics record's.
    {
        memory::FailureInjection failure(1, true);
        run(CMD_STATISTICAL_SIMULATION);
    }
    // The summary, the record's own memory message, then the command's.
    ASSERT_EQ(window.messages().size(), 3u);
    EXPECT_EQ(message(1).rfind("Нет памяти", 0), 0u) << message(1);
    EXPECT_EQ(window.messages()[2].text, "Нет RestoreErrorHeader!");
    EXPECT_EQ(window.messages()[2].caption, " About RestoreErrorHeader ");
    EXPECT_EQ(state.lpRestErrorHeader, nullptr);

    // A longer series needs a bigger series record; when it cannot be had the run is abandoned.
    window.clearRecords();
    edits[DIALOG_SERIES_PARAMETERS] = {{EDIT_SERIES_LENGTH, "2400"}};
    edits[DIALOG_LOCATION_PARAMETERS][EDIT_PULSES_FROM] = "13";  // the fewest a 2400-sample series holds
    edits[DIALOG_LOCATION_PARAMETERS][EDIT_PULSES_TO] = "14";
    {
        memory::FailureInjection failure(1, true);
        run(CMD_STATISTICAL_SIMULATION);
    }
    ASSERT_FALSE(window.messages().empty());
    EXPECT_EQ(window.messages().back().text, "Не могу выделить память для lpCutOffSeriesHeader!");
    EXPECT_EQ(window.messages().back().caption, " About getCutOffSeriesHeader ");
    EXPECT_EQ(window.messages().back().icon, MessageIcon::Warning);
    EXPECT_EQ(state.lpSeriesHeader, nullptr);
    EXPECT_EQ(state.lpRestErrorHeader, nullptr);
}

TEST_F(SimulationCommandsTest, EveryHandlingCaseIsDrawnInsideTheGraphAtEverySize) {
    smallGrid();
    edits[DIALOG_LOCATION_PARAMETERS][EDIT_NOISE_STEPS] = "9";
    state.task.wSelectedTask = TASK_RECOGNITION;
    for (const int radio : {RADIO_RESTORING_ERROR, RADIO_DETECTION_ERROR, RADIO_RECOGNITION_ERROR}) {
        clicks[DIALOG_RECOGNITION_STATISTICS_DISPLAY] = [radio](DialogForm& f) {
            for (const int id : {RADIO_RESTORING_ERROR, RADIO_DETECTION_ERROR, RADIO_RECOGNITION_ERROR})
                f.find(id)->checked = id == radio;
        };
        run(radio == RADIO_RESTORING_ERROR ? CMD_STATISTICAL_SIMULATION : CMD_SHOW_STATISTICAL_SIMULATION);
        ASSERT_EQ(state.view.wResultKind, RESULT_STATISTICS);
        for (const auto& [width, height] : {std::pair{800, 600}, std::pair{1920, 1080}}) {
            RecordingCanvas canvas(width, height);
            storePaintedGeometry(state, paintClientArea(canvas, state, {0, 0, width, height}, window));
            const Rect graph = state.painted.layout.rcGraph;
            // The curves: the polylines after the noise labels' σ that start in the graph area (the
            // buttons and selectors are drawn after it, right of it).
            std::vector<CanvasCall> curves;
            bool afterLabels = false;
            for (const CanvasCall& call : canvas.calls()) {
                afterLabels = afterLabels || (call.op == CanvasOp::TextOut && call.text == "s");
                if (afterLabels && call.op == CanvasOp::Polyline && call.points[0].x < graph.right)
                    curves.push_back(call);
            }
            EXPECT_FALSE(curves.empty()) << radio << " at " << width;
            for (const CanvasCall& curve : curves) {
                for (const Point p : curve.points) {
                    EXPECT_TRUE(p.x > graph.left && p.x < graph.right && p.y > graph.top &&
                                p.y < graph.bottom)
                        << radio << " at " << width << ": " << p.x << "," << p.y;
                }
            }
            EXPECT_EQ(canvas.pixelsOutside(), 0);
        }
    }
    EXPECT_TRUE(window.messages().size() <= 1u) << message(1);  // the summary before the run
}

}  // namespace
}  // namespace tessaline
