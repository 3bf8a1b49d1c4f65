// The window's texts under its English translation and under a Russian locale: the messages the
// shell makes (with names and values in them), their captions, the message box and the menu as the
// user sees them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>
#include <string>

#include "app/command_ids.h"
#include "app/simulation_commands.h"
#include "app/state.h"
#include "gui/qt_canvas.h"
#include "gui/window/main_window.h"
#include "gui/window/window_texts.h"
#include "model/records.h"

namespace tessaline {
namespace {

bool hasCyrillic(const QString& text) {
    static const QRegularExpression cyrillic(QStringLiteral("\\p{Cyrillic}"));
    return text.contains(cyrillic);
}

TEST(WindowTranslation, TheShellsTextsWithTheirNamesAndValuesBecomeEnglish) {
    const WindowTranslation translation(QLocale(QLocale::English));
    const struct {
        const char* source;
        const char* english;
    } cases[] = {
        {"Нет памяти для newSeriesHeader->lpPureData!", "No memory for newSeriesHeader->lpPureData!"},
        {"Нет памяти для BITMAPINFO", "No memory for BITMAPINFO"},
        {"Нет памяти для буфера строки!", "No memory for the line buffer!"},
        {"Неверно задан wMinPulses!\n\nот 3 до 9 (нужно 4 <= от <= до <= 9)\n",
         "wMinPulses is set wrongly!\n\nfrom 3 to 9 (must be 4 <= from <= to <= 9)\n"},
        {"Неверно задан wEtalons!\n\nВ алфавите нет эталонов.\n",
         "wEtalons is set wrongly!\n\nThe alphabet holds no etalons.\n"},
        {"Неверно задан lpRequiredList!\n\nэлемент 3: 25 (нужно от 1 до 20)\n",
         "lpRequiredList is set wrongly!\n\nentry 3: 25 (must be from 1 to 20)\n"},
        {"wRepeats: 0 (нужно хотя бы одно повторение)", "wRepeats: 0 (at least one repeat is needed)"},
        {"Нет RestoreErrorHeader!", "No RestoreErrorHeader!"},
        {"Ошибка initRestErrHeader!", "initRestErrHeader failed!"},
        {"Проблемы при выполнении MakeSnapshot", "Problems while running MakeSnapshot"},
        {"Нет памяти для %2!", "No memory for %2!"},  // a part that looks like a placeholder stays as it is
        // captions: a function's name becomes what it is about
        {"getPulseEstAsRepeats", "Simulation parameters"},
        {" About statCutoffVandrel ", "Statistical simulation"},
        {" getCutOffSeries ", "Making a series"},
        // English texts stay
        {"Statistical simulation cancelled", "Statistical simulation cancelled"},
        {"wNoiseLevel: 9000", "wNoiseLevel: 9000"},
    };
    for (const auto& c : cases) EXPECT_EQ(windowText(c.source).toStdString(), c.english) << c.source;
}

// Texts as the shell makes them, and Russian messages of every pattern: none keeps a Russian word.
TEST(WindowTranslation, NoMessageOfTheShellStaysRussian) {
    const WindowTranslation translation(QLocale(QLocale::English));
    AppState state;
    const std::string texts[] = {
        simulationSummaryText(state),
        seriesSettingsRefusal(10, 0, 50, 2000),
        seriesSettingsRefusal(60, 20, 50, 2000),
        seriesSettingsRefusal(10, 20, 50, 5),
        "Неверно задан wNoiseIncrement!\n\nпоследний уровень шума 40000 (нужно не больше 32000: при большем "
        "уровне генератор шума переполняется)\n",
        "Неверно задан wNoiseLevel!\n\nwNoiseLevel: 40000 (нужно от 0 до 32000: при большем уровне генератор "
        "шума переполняется)\n",
        "Неверно задан wNoiseSteps!\n\nwNoiseSteps: 0 (нужен хотя бы один уровень шума)\n",
        "Несовместимые входные параметры!\n\ndwSeriesSize: 100 [200]\n",
        "Не могу выделить память для lpCutOffSeriesHeader!",
        "Не определен lpChainsHeader!",
        "Отладка",
    };
    for (const std::string& text : texts) {
        const QString english = windowText(text);
        EXPECT_FALSE(hasCyrillic(english)) << text << "\n -> " << english.toStdString();
    }
}

// A text drawn in the window's picture is translated only whole, and measured as it is drawn.
TEST(WindowTranslation, APictureTextIsTranslatedWhole) {
    const WindowTranslation translation(QLocale(QLocale::English));
    QtCanvas translated(300, 40), plain(300, 40);
    translated.setTextTranslation(pictureText);
    EXPECT_EQ(translated.textExtent(" restored error, agregate form").cx,
              plain.textExtent(" restored error, aggregate form").cx);
    EXPECT_EQ(pictureText(" pulse 3 [72834]"), " pulse 3 [72834]");
}

// A message box as the user sees it, answered as soon as it shows: its caption and text.
std::pair<QString, QString> shownMessage(MainWindow& window, std::string_view text,
                                         std::string_view caption) {
    std::pair<QString, QString> seen;
    QTimer::singleShot(0, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        seen = {box->windowTitle(), box->text()};
        box->accept();
    });
    window.showMessage(text, caption, MessageIcon::None);
    return seen;
}

TEST(WindowTranslation, TheWindowShowsEnglishUnlessTheLocaleIsRussian) {
    const struct {
        QLocale::Language language;
        const char* caption;
        const char* text;
        const char* entry;
    } cases[] = {
        {QLocale::English, "Simulation statistics", "initRestErrHeader failed!", " Type more details"},
        {QLocale::Russian, " About RestoreErrorHeader ", "Ошибка initRestErrHeader!", " Type more detales"},
    };
    for (const auto& c : cases) {
        const WindowTranslation translation{QLocale(c.language)};
        EXPECT_EQ(translation.installed(), c.language != QLocale::Russian);
        MainWindow window;
        window.show();
        const auto [caption, text] =
            shownMessage(window, "Ошибка initRestErrHeader!", " About RestoreErrorHeader ");
        EXPECT_EQ(caption.toStdString(), c.caption);
        EXPECT_EQ(text.toStdString(), c.text);
        EXPECT_EQ(window.action(CMD_TYPE_MORE_DETAILS)->text().toStdString(), c.entry);
    }
}

}  // namespace
}  // namespace tessaline
