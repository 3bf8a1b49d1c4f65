// Series making by hand, driven headless with scripted dialog answers: the list edits, the
// series-structure and required-etalons dialogs, and the two menu commands that open them.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <tuple>
#include <vector>

#include "app/commands.h"
#include "app/dialogs.h"
#include "app/series_commands.h"
#include "app/series_dialogs.h"
#include "app/startup.h"
#include "app/state.h"
#include "model/codes.h"
#include "platform/alloc.h"
#include "platform/headless.h"

namespace tessaline {
namespace {

using Edits = std::vector<std::pair<int, std::string>>;
using Numbers = std::vector<uint16_t>;

TEST(NumberListEdit, ReadsExactlyTheCountedEntries) {
    const struct {
        const char* text;
        std::size_t count;
        std::vector<int32_t> entries;
    } cases[] = {{"1, 2", 2, {1, 2}},  {"1 ,2", 2, {1, 0}}, {"4,5", 4, {4, 5, 0, 0}},
                 {"1,2,3", 2, {1, 2}}, {"7 8", 2, {7, 8}},  {"x,9", 2, {0, 9}}};
    for (const auto& c : cases) EXPECT_EQ(readNumberList(c.text, c.count), c.entries) << c.text;
    EXPECT_EQ(numberListText(Numbers{3, 1, 12}), "3,1,12");
}

class SeriesCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        window.setCommandHandler([this](int command) { dispatchCommand(window, state, command); });
        // Each dialog shown takes the next scripted answer; without one it is cancelled.
        window.setDialogAnswerer([this](DialogForm& form) {
            if (answers.empty()) return false;
            const auto [edits, ok] = answers.front();
            answers.pop_front();
            for (const auto& [id, text] : edits) form.find(id)->text = text;
            return ok;
        });
        runStartUp(window, state);
        layOutWindow(state, Rect{0, 0, 1600, 1000}, 16);
        window.clearRecords();
    }
    void answer(Edits edits, bool ok = true) { answers.emplace_back(std::move(edits), ok); }
    Numbers edited(std::size_t n) const {
        return {state.selection.lpEditedSequence, state.selection.lpEditedSequence + n};
    }
    Numbers required() const {
        return {state.selection.lpRequiredList,
                state.selection.lpRequiredList + state.selection.wRequiredQuantity};
    }

    HeadlessWindow window;
    AppState state;
    std::deque<std::pair<Edits, bool>> answers;
};

TEST_F(SeriesCommandsTest, SeriesDialogsShowTakeAndRefuse) {
    state.staging.wLeastPulses = 6;
    state.staging.wMostPulses = 30;
    state.series.wPulsesNumber = 7;
    state.noise.wNoiseLevel = 35;
    for (uint16_t i = 0; i < state.selection.wEditedSequenceCapacity; ++i)
        state.selection.lpEditedSequence[i] = i % 3 + 1;
    state.selection.wRequiredQuantity = 3;
    std::copy_n(Numbers{4, 9, 2}.begin(), 3, state.selection.lpRequiredList);
    const DialogForm structure = seriesStructureForm(state), requiredForm = requiredEtalonsForm(state);
    EXPECT_EQ(structure.find(LABEL_STRUCTURE_PULSES)->text, "Number of Pulses in Series (from 6 to 30)");
    EXPECT_EQ(structure.find(EDIT_STRUCTURE_PULSES)->text, "7");
    EXPECT_EQ(structure.find(EDIT_STRUCTURE_SEQUENCE)->text, "1,2,3,1,2,3,1");
    EXPECT_EQ(structure.find(EDIT_STRUCTURE_NOISE)->text, "35");
    EXPECT_EQ(requiredForm.find(EDIT_REQUIRED_COUNT)->text, "3");
    EXPECT_EQ(requiredForm.find(EDIT_REQUIRED_LIST)->text, "4,9,2");

    // Cancel changes nothing; a refused value warns and shows the dialog again (cancelled here).
    const auto taken = [&] {
        return std::tuple(state.dwDialogAccepted, state.series.wDialogPulses, state.staging.wNoiseLevel,
                          edited(8), required());
    };
    const auto before = taken();
    using Dialog = bool (*)(Window&, AppState&);
    const Dialog S = runSeriesStructureDialog, R = runRequiredEtalonsDialog;
    const struct {
        Dialog dialog;
        Edits edits;
        bool ok;
        std::string warning;
    } unchanging[] = {
        {S, {{EDIT_STRUCTURE_NOISE, "50"}}, false, ""},
        {S, {{EDIT_STRUCTURE_NOISE, "10923"}}, true, "Неверно задан wNoiseLevel!"},
        {S, {{EDIT_STRUCTURE_NOISE, "-1"}}, true, "Неверно задан wNoiseLevel!"},
        {S, {{EDIT_STRUCTURE_SEQUENCE, "1,2,25,1,2,3,1"}}, true, "элемент 3: 25 (нужно от 1 до 20)"},
        {S, {{EDIT_STRUCTURE_PULSES, "8"}}, true, "элемент 8: 0 (нужно от 1 до 20)"},
        {R, {{EDIT_REQUIRED_LIST, "5,6,7"}}, false, ""},
        {R, {{EDIT_REQUIRED_LIST, "5,21,7"}}, true, "элемент 2: 21 (нужно от 1 до 20)"},
        {R, {{EDIT_REQUIRED_COUNT, "4"}, {EDIT_REQUIRED_LIST, "5,6,7"}}, true, "элемент 4: 0"},
    };
    for (const auto& c : unchanging) {
        window.clearRecords();
        answer(c.edits, c.ok);
        if (c.ok) answer({}, false);
        EXPECT_FALSE(c.dialog(window, state)) << c.warning;
        EXPECT_EQ(window.shownDialogs().size(), c.ok ? 2U : 1U) << c.warning;
        const std::string shown = window.messages().empty() ? "" : window.messages()[0].text;
        EXPECT_NE(shown.find(c.warning), std::string::npos) << shown;
        EXPECT_EQ(window.messages().size(), c.ok ? 1U : 0U) << c.warning;
        EXPECT_EQ(taken(), before) << c.warning;
    }

    // OK reads as many etalons as the typed count (extra ones ignored), the rest stay.
    answer({{EDIT_STRUCTURE_PULSES, "8"},
            {EDIT_STRUCTURE_SEQUENCE, "9, 8,7,6,5,4,3,2,1"},
            {EDIT_STRUCTURE_NOISE, "50"}});
    EXPECT_TRUE(runSeriesStructureDialog(window, state));
    EXPECT_EQ(taken(), std::tuple(1, 8, 50, Numbers{9, 8, 7, 6, 5, 4, 3, 2}, Numbers{4, 9, 2}));
    EXPECT_EQ(state.selection.lpEditedSequence[8], 3);
    EXPECT_EQ(std::tuple(state.series.wPulsesNumber, state.noise.wNoiseLevel), std::tuple(7, 35));
    // A count of 0 or above the capacity keeps the old count; the list is read with it.
    const struct {
        const char* count;
        const char* list;
        Numbers taken;
    } lists[] = {{"0", "5,6,7,8", {5, 6, 7}}, {"21", "1,2,3", {1, 2, 3}}, {"2", "20,1", {20, 1}}};
    for (const auto& l : lists) {
        answer({{EDIT_REQUIRED_COUNT, l.count}, {EDIT_REQUIRED_LIST, l.list}});
        EXPECT_TRUE(runRequiredEtalonsDialog(window, state)) << l.list;
        EXPECT_EQ(required(), l.taken);
    }
}

TEST_F(SeriesCommandsTest, NewPulsesPutsEntriesOutsideTheAlphabetBackToTheirPlace) {
    state.selection.wRequiredQuantity = 3;
    state.selection.lpRequiredList[5] = 25;
    state.selection.lpRequiredList[6] = 0;
    answer({{EDIT_REQUIRED_LIST, "2,5,7"}});
    window.sendCommand(CMD_NEW_PULSES);
    EXPECT_EQ(required(), (Numbers{2, 5, 7}));
    EXPECT_EQ(std::tuple(state.selection.lpRequiredList[5], state.selection.lpRequiredList[6]),
              std::tuple(6, 7));
    for (int k = 1; k <= ALPHABET_CAPACITY; ++k)
        EXPECT_EQ(state.selection.wRequiredFlags[k - 1], k == 2 || k == 5 || k == 7 ? 1 : 0) << k;
}

TEST_F(SeriesCommandsTest, CreateSeriesNotCarriedThroughKeepsTheSettings) {
    state.series.wPulsesNumber = 11;
    const auto settings =
        std::tuple(state.series.dwRequestedSeriesLength, state.task.wSeriesType, state.dwCompletedRuns);
    answer({{EDIT_SERIES_LENGTH, "600"}});
    answer({{EDIT_STRUCTURE_PULSES, "99"}}, false);
    window.sendCommand(CMD_CREATE_SERIES);
    EXPECT_EQ(state.series.wPulsesNumber, 11);
    EXPECT_EQ(std::tuple(state.series.dwRequestedSeriesLength, state.task.wSeriesType, state.dwCompletedRuns),
              settings);
    // The typed count outside the bounds 4..15 of a 600-sample series became their middle.
    EXPECT_EQ(state.series.wDialogPulses, 9);

    // Gaps of 20 admit up to 60 pulses, more than the edited sequence holds: no memory for it.
    window.clearRecords();
    answer({{EDIT_TMIN, "20"}});
    {
        const memory::FailureInjection refused(1);
        window.sendCommand(CMD_CREATE_SERIES);
    }
    ASSERT_EQ(window.messages().size(), 1U);
    EXPECT_EQ(window.messages()[0].text, "Нет памяти для lpEditedSequence!");
    EXPECT_EQ(window.shownDialogs().size(), 1U);
    EXPECT_EQ(
        std::tuple(state.series.wPulsesNumber, state.series.wTmin, state.selection.wEditedSequenceCapacity),
        std::tuple(11, 40, 30));
}

TEST_F(SeriesCommandsTest, CreateSeriesMakesASeriesOfTheTypedSequence) {
    window.sendCommand(CMD_TASK_JOINT);
    const std::pair<int, uint16_t> types[] = {{CMD_SERIES_FIXED_WHOLE, SERIES_FIXED_WHOLE_LISTED},
                                              {CMD_SERIES_UNFIXED_WHOLE, SERIES_UNFIXED_WHOLE_LISTED}};
    for (const auto& [command, listedType] : types) {
        window.clearRecords();
        window.sendCommand(command);
        // A sequence shorter than the count is refused; the second try types the whole sequence.
        answer({});
        answer({{EDIT_STRUCTURE_PULSES, "6"}, {EDIT_STRUCTURE_SEQUENCE, "3,1,4,1,5"}});
        answer({{EDIT_STRUCTURE_PULSES, "6"},
                {EDIT_STRUCTURE_SEQUENCE, "3,1,4,1,5,9"},
                {EDIT_STRUCTURE_NOISE, "0"}});
        const uint32_t runs = state.dwCompletedRuns;
        window.sendCommand(CMD_CREATE_SERIES);
        ASSERT_EQ(window.shownDialogs().size(), 3U) << command;
        EXPECT_EQ(window.messages().at(0).text.find("Неверно задан lpEditedSequence!\n\nэлемент 6: 0"), 0U);
        EXPECT_EQ(
            std::tuple(state.task.wSeriesType, state.series.wPulsesNumber, state.noise.wRequestedNoiseLevel),
            std::tuple(listedType, 6, 0));
        EXPECT_EQ(state.view.dwViewMode, VIEW_RESULT);
        EXPECT_EQ(state.dwCompletedRuns, runs + 1);
        ASSERT_NE(state.lpSeriesHeader, nullptr);
        ASSERT_EQ(state.lpSeriesHeader->wImpulseQuantity, 6);
        const uint16_t* placed = state.lpSeriesHeader->lpEtalonNumbers;
        EXPECT_EQ(Numbers(placed, placed + 6), (Numbers{3, 1, 4, 1, 5, 9}));
    }
}

// The refusals the dialogs compose from the typed value and the workbench's bounds, compared whole:
// heading, blank line, detail and closing line end, byte for byte.
TEST(DialogRefusalTexts, ComposeTheTypedValueAndItsBounds) {
    HeadlessWindow window;
    AppState state;
    runStartUp(window, state);
    const std::string Tmax = std::to_string(state.series.wTmax);
    const std::string n = std::to_string(state.alphabet.wEtalonLength);
    const struct {
        bool structure;  // the series-structure dialog, else the series-parameters one
        int edit;
        const char* typed;
        std::string expected;
    } cases[] = {
        {false, EDIT_TMIN, "0",
         "Неверно задан wTmin!\n\nwTmin: 0 (нужно 1 <= wTmin <= wTmax = " + Tmax + ")\n"},
        {false, EDIT_SERIES_LENGTH, "40000",
         "Неверно задан dwSeriesSize!\n\ndwSeriesSize: 40000 (нужно wImpulseSize = " + n +
             " <= dwSeriesSize < 32768)\n"},
        {false, EDIT_ETALON_NUMBER, "21",
         "Неверно задан dwDefaultEtalon!\n\ndwDefaultEtalon: 21 (нужно от 1 до 20)\n"},
        {false, EDIT_PROCESSING_LEVEL, "101",
         "Неверно задан wProcessingEnergyLevel!\n\nwProcessingEnergyLevel: 101 (нужно от 0 до 100)\n"},
        {true, EDIT_STRUCTURE_NOISE, "-1",
         "Неверно задан wNoiseLevel!\n\nwNoiseLevel: -1 (нужно от 0 до 10922: при большем уровне генератор "
         "шума "
         "переполняется)\n"},
    };
    for (const auto& c : cases) {
        DialogForm form = c.structure ? seriesStructureForm(state) : seriesParametersForm(state);
        form.find(c.edit)->text = c.typed;
        const std::string refused =
            c.structure ? seriesStructureRefusal(state, form) : seriesParametersRefusal(state, form);
        EXPECT_EQ(refused, c.expected) << c.typed;
    }
}

}  // namespace
}  // namespace tessaline
