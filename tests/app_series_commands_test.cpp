// Series making by hand, driven headless with scripted dialog answers: the list edits, the
// series-structure and required-etalons dialogs, and the two menu commands that open them.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
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

TEST(NumberListEdit, ReadsExactlyTheCountedEntries) {
    struct Case {
        const char* text;
        std::size_t count;
        std::vector<int32_t> entries;
    };
    const Case cases[] = {
        {"1,1,3", 3, {1, 1, 3}}, {"1, 2", 2, {1, 2}}, {"1 ,2", 2, {1, 0}}, {"4,5", 4, {4, 5, 0, 0}},
        {"1,2,3", 2, {1, 2}},    {"7 8", 2, {7, 8}},  {"", 1, {0}},        {"9, 8,7", 3, {9, 8, 7}},
        {"x,9", 2, {0, 9}},
    };
    for (const Case& c : cases) EXPECT_EQ(readNumberList(c.text, c.count), c.entries) << c.text;
    const uint16_t numbers[] = {3, 1, 12};
    EXPECT_EQ(numberListText(numbers), "3,1,12");
    EXPECT_EQ(numberListText({}), "");
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
    std::vector<uint16_t> edited(std::size_t count) const {
        return {state.lpEditedSequence, state.lpEditedSequence + count};
    }
    std::vector<uint16_t> required() const {
        return {state.lpRequiredList, state.lpRequiredList + state.wRequiredQuantity};
    }

    HeadlessWindow window;
    AppState state;
    std::deque<std::pair<Edits, bool>> answers;
};

TEST_F(SeriesCommandsTest, SeriesStructureDialogShowsTakesAndRefuses) {
    state.staging.wLeastPulses = 6;
    state.staging.wMostPulses = 30;
    state.wPulsesNumber = 7;
    state.wNoiseLevel = 35;
    state.staging.wNoiseLevel = 0;
    for (uint16_t i = 0; i < state.wEditedSequenceCapacity; ++i) state.lpEditedSequence[i] = i % 3 + 1;
    const DialogForm form = seriesStructureForm(state);
    EXPECT_EQ(form.caption, "Create Series");
    EXPECT_EQ(form.find(LABEL_STRUCTURE_PULSES)->text, "Number of Pulses in Series (from 6 to 30)");
    EXPECT_EQ(form.find(LABEL_STRUCTURE_SEQUENCE)->text,
              "Sequence of Etalons in Series (values from 1 to 20)");
    EXPECT_EQ(form.find(EDIT_STRUCTURE_PULSES)->text, "7");
    EXPECT_EQ(form.find(EDIT_STRUCTURE_SEQUENCE)->text, "1,2,3,1,2,3,1");
    EXPECT_EQ(form.find(EDIT_STRUCTURE_NOISE)->text, "35");

    // Refused values keep the dialog open and change nothing; the second answer cancels.
    struct Refused {
        Edits edits;
        std::string warning;
    };
    const Refused refused[] = {
        {{{EDIT_STRUCTURE_NOISE, "10923"}}, "Неверно задан wNoiseLevel!"},
        {{{EDIT_STRUCTURE_NOISE, "-1"}}, "Неверно задан wNoiseLevel!"},
        {{{EDIT_STRUCTURE_SEQUENCE, "1,2,25,1,2,3,1"}}, "элемент 3: 25 (нужно от 1 до 20)"},
        {{{EDIT_STRUCTURE_PULSES, "8"}}, "элемент 8: 0 (нужно от 1 до 20)"},
    };
    for (const Refused& r : refused) {
        window.clearRecords();
        answer(r.edits);
        answer({}, false);
        EXPECT_FALSE(runSeriesStructureDialog(window, state));
        EXPECT_EQ(window.shownDialogs().size(), 2U);
        ASSERT_EQ(window.messages().size(), 1U);
        EXPECT_NE(window.messages()[0].text.find(r.warning), std::string::npos) << window.messages()[0].text;
        EXPECT_EQ(state.dwDialogAccepted, 0);
        EXPECT_EQ(state.wDialogPulses, 40);
        EXPECT_EQ(state.staging.wNoiseLevel, 0);
        EXPECT_EQ(edited(8), (std::vector<uint16_t>{1, 2, 3, 1, 2, 3, 1, 2}));
    }

    // OK reads as many etalons as the typed count (extra ones ignored), the rest stay.
    answer({{EDIT_STRUCTURE_PULSES, "8"},
            {EDIT_STRUCTURE_SEQUENCE, "9, 8,7,6,5,4,3,2,1"},
            {EDIT_STRUCTURE_NOISE, "50"}});
    EXPECT_TRUE(runSeriesStructureDialog(window, state));
    EXPECT_EQ(state.dwDialogAccepted, 1);
    EXPECT_EQ(state.wDialogPulses, 8);
    EXPECT_EQ(state.staging.wNoiseLevel, 50);
    EXPECT_EQ(edited(9), (std::vector<uint16_t>{9, 8, 7, 6, 5, 4, 3, 2, 3}));
    EXPECT_EQ(state.wPulsesNumber, 7);
    EXPECT_EQ(state.wNoiseLevel, 35);
}

TEST_F(SeriesCommandsTest, RequiredEtalonsDialogShowsTakesAndRefuses) {
    state.wRequiredQuantity = 3;
    state.lpRequiredList[0] = 4;
    state.lpRequiredList[1] = 9;
    state.lpRequiredList[2] = 2;
    const DialogForm form = requiredEtalonsForm(state);
    EXPECT_EQ(form.caption, "List of Required Etalons");
    EXPECT_EQ(form.find(EDIT_REQUIRED_COUNT)->text, "3");
    EXPECT_EQ(form.find(LABEL_REQUIRED_LIST)->text, "List of Required Etalons (from 1 to 20)");
    EXPECT_EQ(form.find(EDIT_REQUIRED_LIST)->text, "4,9,2");

    struct Case {
        Edits edits;
        bool ok;
        std::string warning;  // empty: taken at once
        std::vector<uint16_t> list;
    };
    const Case cases[] = {
        {{{EDIT_REQUIRED_LIST, "5,6,7"}}, false, "", {4, 9, 2}},
        {{{EDIT_REQUIRED_LIST, "5,21,7"}}, true, "элемент 2: 21 (нужно от 1 до 20)", {4, 9, 2}},
        {{{EDIT_REQUIRED_COUNT, "4"}, {EDIT_REQUIRED_LIST, "5,6,7"}}, true, "элемент 4: 0", {4, 9, 2}},
        // A count of 0 or above the capacity keeps the old count; the list is read with it.
        {{{EDIT_REQUIRED_COUNT, "0"}, {EDIT_REQUIRED_LIST, "5,6,7,8"}}, true, "", {5, 6, 7}},
        {{{EDIT_REQUIRED_COUNT, "21"}, {EDIT_REQUIRED_LIST, "1,2,3"}}, true, "", {1, 2, 3}},
        {{{EDIT_REQUIRED_COUNT, "2"}, {EDIT_REQUIRED_LIST, "20,1"}}, true, "", {20, 1}},
    };
    for (const Case& c : cases) {
        window.clearRecords();
        answer(c.edits, c.ok);
        if (!c.warning.empty()) answer({}, false);
        EXPECT_EQ(runRequiredEtalonsDialog(window, state), c.ok && c.warning.empty());
        EXPECT_EQ(window.shownDialogs().size(), c.warning.empty() ? 1U : 2U);
        if (!c.warning.empty()) {
            ASSERT_EQ(window.messages().size(), 1U);
            EXPECT_NE(window.messages()[0].text.find(c.warning), std::string::npos)
                << window.messages()[0].text;
        }
        EXPECT_EQ(required(), c.list);
    }
}

TEST_F(SeriesCommandsTest, NewPulsesPutsEntriesOutsideTheAlphabetBackToTheirPlace) {
    state.wRequiredQuantity = 3;
    state.lpRequiredList[5] = 25;
    state.lpRequiredList[6] = 0;
    answer({{EDIT_REQUIRED_LIST, "2,5,7"}});
    window.sendCommand(CMD_NEW_PULSES);
    EXPECT_EQ(required(), (std::vector<uint16_t>{2, 5, 7}));
    EXPECT_EQ(state.lpRequiredList[5], 6);
    EXPECT_EQ(state.lpRequiredList[6], 7);
    for (int k = 1; k <= ALPHABET_CAPACITY; ++k) {
        EXPECT_EQ(state.wRequiredFlags[k - 1], k == 2 || k == 5 || k == 7 ? 1 : 0) << k;
    }
}

TEST_F(SeriesCommandsTest, CreateSeriesCancelledInTheStructureDialogKeepsTheSettings) {
    state.wPulsesNumber = 11;
    const uint32_t length = state.dwRequestedSeriesLength;
    const uint16_t type = state.wSeriesType;
    answer({{EDIT_SERIES_LENGTH, "600"}});
    answer({{EDIT_STRUCTURE_PULSES, "99"}}, false);
    window.sendCommand(CMD_CREATE_SERIES);
    EXPECT_EQ(state.wPulsesNumber, 11);
    EXPECT_EQ(state.dwRequestedSeriesLength, length);
    EXPECT_EQ(state.wSeriesType, type);
    // The typed count outside the bounds 4..15 of a 600-sample series became their middle.
    EXPECT_EQ(state.wDialogPulses, 9);
    EXPECT_EQ(state.dwCompletedRuns, 0U);
}

TEST_F(SeriesCommandsTest, CreateSeriesWithoutMemoryForTheLongerSequenceKeepsTheSettings) {
    state.wPulsesNumber = 11;
    // Gaps of 20 admit up to 60 pulses, more than the edited sequence holds.
    answer({{EDIT_TMIN, "20"}});
    {
        const memory::FailureInjection refused(1);
        window.sendCommand(CMD_CREATE_SERIES);
    }
    ASSERT_EQ(window.messages().size(), 1U);
    EXPECT_EQ(window.messages()[0].text, "Нет памяти для lpEditedSequence!");
    EXPECT_EQ(window.shownDialogs().size(), 1U);
    EXPECT_EQ(state.wPulsesNumber, 11);
    EXPECT_EQ(state.wTmin, 40);
    EXPECT_EQ(state.wEditedSequenceCapacity, 30);
}

TEST_F(SeriesCommandsTest, CreateSeriesMakesASeriesOfTheTypedSequence) {
    window.sendCommand(CMD_TASK_JOINT);
    window.sendCommand(CMD_SERIES_FIXED_WHOLE);
    // A sequence shorter than the count is refused; the second try types the whole sequence.
    answer({});
    answer({{EDIT_STRUCTURE_PULSES, "6"}, {EDIT_STRUCTURE_SEQUENCE, "3,1,4,1,5"}});
    answer({{EDIT_STRUCTURE_PULSES, "6"},
            {EDIT_STRUCTURE_SEQUENCE, "3,1,4,1,5,9"},
            {EDIT_STRUCTURE_NOISE, "0"}});
    window.sendCommand(CMD_CREATE_SERIES);
    ASSERT_EQ(window.shownDialogs().size(), 3U);
    EXPECT_EQ(window.messages().at(0).text.find("Неверно задан lpEditedSequence!\n\nэлемент 6: 0"), 0U);
    EXPECT_EQ(state.wSeriesType, SERIES_FIXED_WHOLE_LISTED);
    EXPECT_EQ(state.wPulsesNumber, 6);
    EXPECT_EQ(state.wRequestedNoiseLevel, 0);
    EXPECT_EQ(state.dwViewMode, VIEW_RESULT);
    EXPECT_EQ(state.dwCompletedRuns, 1U);
    ASSERT_NE(state.lpSeriesHeader, nullptr);
    ASSERT_EQ(state.lpSeriesHeader->wImpulseQuantity, 6);
    const std::vector<uint16_t> placed(state.lpSeriesHeader->lpEtalonNumbers,
                                       state.lpSeriesHeader->lpEtalonNumbers + 6);
    EXPECT_EQ(placed, (std::vector<uint16_t>{3, 1, 4, 1, 5, 9}));
    // Unfixed whole pulses become the listed unfixed type and run likewise.
    window.sendCommand(CMD_SERIES_UNFIXED_WHOLE);
    answer({});
    answer({});
    window.sendCommand(CMD_CREATE_SERIES);
    EXPECT_EQ(state.wSeriesType, SERIES_UNFIXED_WHOLE_LISTED);
    EXPECT_EQ(state.dwCompletedRuns, 2U);
}

}  // namespace
}  // namespace tessaline
