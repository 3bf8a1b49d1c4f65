// The subset-settings and drawing-settings dialogs and the menu commands around them, driven
// headless with scripted dialog answers.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app/command_ids.h"
#include "app/commands.h"
#include "app/layout.h"
#include "app/settings_dialogs.h"
#include "app/startup.h"
#include "app/state.h"
#include "model/codes.h"
#include "model/subsets.h"
#include "panels/subset_panel_state.h"
#include "platform/headless.h"

namespace tessaline {
namespace {

// The options both dialogs write: frame, shaded, highlight, special size, tuples, employment,
// init position, proceeding.
using Settings = std::tuple<int32_t, int32_t, int32_t, int32_t, uint16_t, uint16_t, uint16_t, uint16_t>;
auto options(AppState& s) {
    return std::tie(s.drawing.dwFrameGraphFields, s.drawing.dwShadedOriginalPulses,
                    s.drawing.dwHighlightDetectedPulses, s.drawing.dwSpecialGraphSize,
                    s.drawing.wTuplesHighlight, s.subsets.wSubsetEmployment, s.subsets.wSubsetInitPosition,
                    s.subsets.wSubsetProceeding);
}

std::vector<int> checkedIds(const DialogForm& form) {
    std::vector<int> ids;
    for (const DialogControl& control : form.controls) {
        if (control.checked) ids.push_back(control.id);
    }
    return ids;
}

class SettingsTest : public testing::Test {
protected:
    void SetUp() override {
        window.setCommandHandler([this](int command) { dispatchCommand(window, state, command); });
        window.setDialogAnswerer([this](DialogForm& form) {
            if (answer) answer(form);
            return ok;
        });
        runStartUp(window, state);
        layOutWindow(state, Rect{0, 0, 1600, 1000}, 16);
        window.clearRecords();
    }

    // Answers with clicks that check the controls `on` and clear `off`.
    void clickOnAnswer(std::vector<int> on, std::vector<int> off) {
        answer = [on, off](DialogForm& form) {
            for (int id : off) form.find(id)->checked = false;
            for (int id : on) form.find(id)->checked = true;
        };
    }

    HeadlessWindow window;
    AppState state;
    std::function<void(DialogForm&)> answer;
    bool ok = true;
};

TEST_F(SettingsTest, DialogsShowTheOptionsInForce) {
    for (const auto& [settings, subsetChecked, drawingChecked] : {
             std::tuple{Settings{1, 0, 1, 0, 0, 2, 7, 2}, std::vector{1016, 1022},
                        std::vector{1044, 1023, 1027}},
             {Settings{0, 5, 0, 1, 1, 5, 1, 1}, {1019, 1021}, {1024, 1043, 1025}},
             // Values no button stands for: employment 9 shows "Complete ", tuples 7 "coloured background".
             {Settings{0, 0, 0, 0, 7, 9, 3, 0}, {1018, 1021}, {1026}},
         }) {
        options(state) = settings;
        const DialogForm subset = subsetSettingsForm(state);
        EXPECT_EQ(checkedIds(subset), subsetChecked);
        EXPECT_EQ(subset.find(EDIT_SUBSET_INIT_POSITION)->text, std::to_string(std::get<6>(settings)));
        EXPECT_FALSE(subset.find(EDIT_SUBSET_INIT_POSITION)->enabled);
        EXPECT_EQ(checkedIds(drawingSettingsForm(state)), drawingChecked);
    }
}

TEST_F(SettingsTest, OkTakesWhatWasClickedAndCancelRestoresEverything) {
    const Settings start{3, 1, 0, 0, 7, 9, 4, 1};
    struct Case {
        int menu;
        std::vector<int> on, off;
        Settings afterOk;
    };
    const Case cases[] = {
        // Nothing clicked: values no control shows survive, a nonzero option is not turned into 1.
        {CMD_DRAWING_SETTINGS, {}, {}, start},
        {CMD_DRAWING_SETTINGS, {1023, 1043, 1025}, {1044, 1024, 1026}, {0, 0, 1, 1, 1, 9, 4, 1}},
        {CMD_DRAWING_SETTINGS, {1027}, {1026}, {3, 1, 0, 0, 0, 9, 4, 1}},
        {CMD_SUBSET_SETTINGS, {}, {}, start},
        {CMD_SUBSET_SETTINGS, {1015, 1022}, {1018, 1021}, {3, 1, 0, 0, 7, 1, 4, 2}},
        {CMD_SUBSET_SETTINGS, {1017}, {1018}, {3, 1, 0, 0, 7, 3, 4, 1}},
    };
    for (const Case& c : cases) {
        for (const bool confirm : {false, true}) {
            options(state) = start;
            ok = confirm;
            clickOnAnswer(c.on, c.off);
            window.clearRecords();
            window.sendCommand(c.menu);
            EXPECT_EQ(options(state), confirm ? c.afterOk : start) << c.menu << " ok " << confirm;
            // The whole picture is drawn anew after new drawing options, and after the subset
            // settings, which put the panel's subset into the series on Cancel as well.
            const bool redrawn = confirm || c.menu == CMD_SUBSET_SETTINGS;
            ASSERT_EQ(window.invalidations().size(), redrawn ? 1u : 0u) << c.menu << " ok " << confirm;
            if (redrawn) {
                EXPECT_TRUE(window.invalidations()[0].whole);
            }
        }
    }
    answer = [](DialogForm& form) { form.find(EDIT_SUBSET_INIT_POSITION)->text = "12"; };
    ok = true;
    EXPECT_TRUE(runSubsetSettingsDialog(window, state));
    EXPECT_EQ(state.subsets.wSubsetInitPosition, 12);
}

TEST_F(SettingsTest, SubsetSettingsReachTheCurrentSeriesAtOnce) {
    ASSERT_NE(state.lpSeriesHeader, nullptr);
    ASSERT_EQ(initSubsetPanel(window, state.subsetPanel, 10), 1);
    for (int32_t e : {2, 5}) offerEtalonToSubset(state.subsetPanel, e);
    state.task.wTaskType = TASK_TUPLES_DETECTION;
    clickOnAnswer({RADIO_SINGLE_FIXED}, {RADIO_COMPLETE});
    window.sendCommand(CMD_SUBSET_SETTINGS);
    const SeriesHeader& series = *state.lpSeriesHeader;
    const auto subset = [&] {
        return std::vector<uint16_t>(series.lpSubset, series.lpSubset + series.wSubsetSize);
    };
    EXPECT_EQ(subset(), (std::vector<uint16_t>{2, 5}));
    EXPECT_EQ(series.wSubsetEmployment, EMPLOY_SINGLE_FIXED);
    // Tuple recognition puts the chosen stored subset in use instead.
    acceptComposedSubset(state.subsetPanel);
    deleteAllSubsetEntries(state.subsetPanel);
    offerEtalonToSubset(state.subsetPanel, 9);
    state.task.wTaskType = TASK_TUPLES_RECOGNITION;
    window.sendCommand(CMD_SUBSET_SETTINGS);
    EXPECT_EQ(series.wSubsets, 1);
    EXPECT_EQ(subset(), (std::vector<uint16_t>{2, 5}));
    // Cancel keeps the settings, and the series still takes the panel's subset with them.
    state.task.wTaskType = TASK_TUPLES_DETECTION;
    ok = false;
    window.sendCommand(CMD_SUBSET_SETTINGS);
    EXPECT_EQ(subset(), (std::vector<uint16_t>{9}));
    EXPECT_EQ(series.wSubsetEmployment, EMPLOY_SINGLE_FIXED);
}

TEST_F(SettingsTest, SelectSetOfPulsesShowsTheSubsetPanelAndTheSpareEntryDoesNothing) {
    window.sendCommand(CMD_SELECT_SET_OF_PULSES);
    EXPECT_EQ(state.view.dwViewMode, VIEW_SUBSETS);
    // The graph area, then the whole client area: the view's buttons change with it.
    ASSERT_EQ(window.invalidations().size(), 2u);
    EXPECT_EQ(window.invalidations()[0].area, graphInvalidationArea(state.painted.layout));
    EXPECT_TRUE(window.invalidations()[0].erase);
    EXPECT_TRUE(window.invalidations()[1].whole);
    window.clearRecords();
    state.view.dwViewMode = VIEW_RESULT;
    window.sendCommand(CMD_ELSE_CREATE_SERIES);
    EXPECT_EQ(state.view.dwViewMode, VIEW_RESULT);
    EXPECT_TRUE(window.invalidations().empty());
    EXPECT_TRUE(window.shownDialogs().empty());
}

}  // namespace
}  // namespace tessaline
