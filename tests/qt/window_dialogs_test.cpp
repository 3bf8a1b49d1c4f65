// The window's modal dialogs driven as a user would: the parameter dialogs built from the real
// forms (found by caption, filled through their numbered controls, confirmed or cancelled), the
// message box and the save-file question.
#include <gtest/gtest.h>
#include <QTest>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <map>

#include "app/dialogs.h"
#include "app/series_dialogs.h"
#include "app/settings_dialogs.h"
#include "app/snapshot.h"
#include "app/startup.h"
#include "app/state.h"
#include "gui/window/qt_dialogs.h"
#include "platform/headless.h"

namespace tessaline {
namespace {

using Answer = std::function<void(QWidget& modal)>;

// Calls `show`, which opens a modal dialog, and answers the dialog with `answer` once it shows. A
// dialog the answer left open fails the test and is closed, so that the test goes on.
template <typename Show>
auto answered(const Answer& answer, Show show) {
    QTimer::singleShot(0, [answer] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr) << "no dialog shows";
        answer(*modal);
        if (QApplication::activeModalWidget() == modal) {
            ADD_FAILURE() << "dialog left open: " << modal->windowTitle().toStdString();
            modal->close();
        }
    });
    return show();
}

// A control as the user sees it: "group box | number | text | checked | enabled".
std::string seen(const QString& box, const QString& id, const QString& text, bool checked, bool enabled) {
    return QStringList{box, id, text, checked ? "x" : "", enabled ? "" : "disabled"}
        .join(" | ")
        .toStdString();
}

std::vector<std::string> controlsOf(const DialogForm& form) {
    std::vector<std::string> controls;
    QString box;
    for (const DialogControl& control : form.controls) {
        const QString text = QString::fromStdString(control.text);
        if (control.kind == ControlKind::Group) box = text;
        const QString id = control.id == 0 ? QString() : QString::number(control.id);
        controls.push_back(control.kind == ControlKind::Group
                               ? seen("", "", text, false, control.enabled)
                               : seen(box, id, text, control.checked, control.enabled));
    }
    std::sort(controls.begin(), controls.end());
    return controls;
}

std::vector<std::string> controlsOf(const QWidget& dialog) {
    std::vector<std::string> controls;
    for (const QWidget* widget : dialog.findChildren<QWidget*>()) {
        QString box;  // the title of the group box it shows in
        const QWidget* parent = widget->parentWidget();
        while (parent != nullptr && qobject_cast<const QGroupBox*>(parent) == nullptr)
            parent = parent->parentWidget();
        if (parent != nullptr) box = static_cast<const QGroupBox*>(parent)->title();
        const auto add = [&](const QString& text, bool checked) {
            controls.push_back(seen(box, widget->objectName(), text, checked, widget->isEnabled()));
        };
        if (const auto* group = qobject_cast<const QGroupBox*>(widget)) add(group->title(), false);
        if (const auto* label = qobject_cast<const QLabel*>(widget)) add(label->text(), false);
        if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) add(edit->text(), false);
        if (const auto* check = qobject_cast<const QCheckBox*>(widget))
            add(check->text(), check->isChecked());
        if (const auto* radio = qobject_cast<const QRadioButton*>(widget))
            add(radio->text(), radio->isChecked());
    }
    std::sort(controls.begin(), controls.end());
    return controls;
}

void press(QWidget& dialog, QDialogButtonBox::StandardButton which) {
    dialog.findChild<QDialogButtonBox*>()->button(which)->click();
}

class FormDialogTest : public testing::Test {
protected:
    void SetUp() override { runStartUp(window, state); }

    HeadlessWindow window;
    AppState state;
};

// Every form the workbench shows, as its dialog: the caption as title, each control in the group
// box of the group before it, with its number, text, check mark and enabled state; the dialog font,
// OK as the default button.
TEST_F(FormDialogTest, ShowsEachFormsControlsInTheirGroups) {
    const std::vector<DialogForm> forms = {
        seriesParametersForm(state),         seriesStructureForm(state),        requiredEtalonsForm(state),
        locationParametersForm(state),       subsetSettingsForm(state),         drawingSettingsForm(state),
        statisticsDisplayForm(state, false), statisticsDisplayForm(state, true)};
    for (const DialogForm& shown : forms) {
        SCOPED_TRACE(shown.resource);
        DialogForm form = shown;
        const bool accepted = answered(
            [&](QWidget& dialog) {
                EXPECT_EQ(dialog.windowTitle().toStdString(), shown.caption);
                EXPECT_EQ(dialog.font().pointSize(), 8);
                EXPECT_TRUE(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isDefault());
                EXPECT_EQ(controlsOf(dialog), controlsOf(shown));
                press(dialog, QDialogButtonBox::Cancel);
            },
            [&] { return runFormDialog(nullptr, form); });
        EXPECT_FALSE(accepted);
    }
}

// Each valued control of a form: an edit's text, "on" or "off" for a button.
std::map<int, std::string> valuesOf(const DialogForm& form) {
    std::map<int, std::string> values;
    for (const DialogControl& control : form.controls) {
        if (control.kind == ControlKind::Edit) values[control.id] = control.text;
        if (control.kind == ControlKind::CheckBox || control.kind == ControlKind::RadioButton) {
            values[control.id] = control.checked ? "on" : "off";
        }
    }
    return values;
}

DialogForm recognitionStatistics(const AppState& state) { return statisticsDisplayForm(state, true); }

// What the user typed and clicked comes back in the form on OK, nothing of it on Cancel.
TEST_F(FormDialogTest, WritesTheAnswerBackOnlyOnOk) {
    struct Case {
        const char* name;
        DialogForm (*form)(const AppState&);
        std::map<int, std::string> typed;  // edits, cleared and typed into
        std::vector<int> clicked;          // check boxes and radio buttons
        bool ok;
        std::map<int, std::string> changed;  // the values that differ from those shown
    };
    const std::string longText(120, '7');
    const std::string frameMark = state.drawing.dwFrameGraphFields != 0 ? "off" : "on";
    // clang-format off
    const std::vector<Case> cases = {
        {"typed", seriesParametersForm, {{EDIT_SERIES_LENGTH, "1234"}}, {}, true, {{EDIT_SERIES_LENGTH, "1234"}}},
        {"typing cancelled", seriesParametersForm, {{EDIT_SERIES_LENGTH, "1234"}}, {}, false, {}},
        {"99 characters kept", seriesStructureForm, {{EDIT_STRUCTURE_SEQUENCE, longText}}, {}, true,
         {{EDIT_STRUCTURE_SEQUENCE, longText.substr(0, EDIT_TEXT_LIMIT)}}},
        // Each radio group keeps one button checked; the other group is untouched by the first.
        {"radio groups", recognitionStatistics, {}, {RADIO_RECOGNITION_ERROR, RADIO_SUMMARY_VIEW}, true,
         {{RADIO_RESTORING_ERROR, "off"}, {RADIO_RECOGNITION_ERROR, "on"},
          {RADIO_COMPONENTWISE, "off"}, {RADIO_SUMMARY_VIEW, "on"}}},
        {"check and radio", drawingSettingsForm, {}, {CHECK_FRAME_GRAPH_FIELDS, RADIO_TUPLES_NONE}, true,
         {{CHECK_FRAME_GRAPH_FIELDS, frameMark}, {RADIO_TUPLES_COLOURED_BACKGROUND, "off"},
          {RADIO_TUPLES_NONE, "on"}}},
        {"clicks cancelled", drawingSettingsForm, {}, {CHECK_FRAME_GRAPH_FIELDS, RADIO_TUPLES_NONE}, false, {}},
    };
    // clang-format on
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        DialogForm form = test.form(state);
        std::map<int, std::string> expected = valuesOf(form);
        for (const auto& [id, value] : test.changed) expected[id] = value;
        const bool ok = answered(
            [&](QWidget& dialog) {
                for (const auto& [id, keys] : test.typed) {
                    auto* edit = dialog.findChild<QLineEdit*>(QString::number(id));
                    ASSERT_NE(edit, nullptr) << id;
                    edit->clear();
                    QTest::keyClicks(edit, QString::fromStdString(keys));
                }
                for (const int id : test.clicked) {
                    auto* button = dialog.findChild<QAbstractButton*>(QString::number(id));
                    ASSERT_NE(button, nullptr) << id;
                    button->click();
                }
                press(dialog, test.ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
            },
            [&] { return runFormDialog(nullptr, form); });
        EXPECT_EQ(ok, test.ok);
        EXPECT_EQ(valuesOf(form), expected);
    }
}

TEST(MessageBox, ShowsTheTextAsGivenUnderItsCaptionAndIcon) {
    struct Case {
        std::string text;
        std::string caption;
        MessageIcon icon;
        QString title;
        QMessageBox::Icon shownIcon;
    };
    const std::vector<Case> cases = {
        {"Неверно задан wTmin!", "", MessageIcon::Warning, "Tessaline", QMessageBox::Warning},
        {"No Bitmap <restart>", "Open File Name", MessageIcon::Error, "Open File Name",
         QMessageBox::Critical},
        {"Done.", " Location Parameters", MessageIcon::Information, " Location Parameters",
         QMessageBox::Information},
        {"<b>plain</b>", "x", MessageIcon::None, "x", QMessageBox::NoIcon},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.text);
        answered(
            [&](QWidget& modal) {
                auto* box = qobject_cast<QMessageBox*>(&modal);
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(box->windowTitle(), test.title);
                EXPECT_EQ(box->text().toStdString(), test.text);
                EXPECT_EQ(box->textFormat(), Qt::PlainText);
                EXPECT_EQ(box->icon(), test.shownIcon);
                EXPECT_EQ(box->buttons().size(), 1);
                box->button(QMessageBox::Ok)->click();
            },
            [&] { showMessageBox(nullptr, test.text, test.caption, test.icon); });
    }
}

TEST(SaveFileQuestion, OffersTheFiltersAndAddsTheChosenFiltersExtension) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString existing = folder.filePath("old.bmp");
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    struct Case {
        const char* name;
        QString typed;  // empty: cancelled
        int filter;
        QString chosen;    // in the folder; empty: none
        bool replacement;  // the question whether to replace the existing file comes up
    };
    const std::vector<Case> cases = {
        {"default extension", "shot", 0, "shot.bmp", false},
        {"PCX filter", "shot", 1, "shot.pcx", false},
        {"own extension", "shot.PCX", 0, "shot.PCX", false},
        {"existing file", "old", 0, "old.bmp", true},
        {"cancelled", "", 0, "", false},
    };
    const SaveFileRequest request = snapshotFileRequest();
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        bool askedToReplace = false;
        const std::optional<std::string> chosen = answered(
            [&](QWidget& modal) {
                auto* dialog = qobject_cast<QFileDialog*>(&modal);
                ASSERT_NE(dialog, nullptr);
                EXPECT_EQ(dialog->windowTitle(), "Snapshot File Name");
                EXPECT_EQ(dialog->nameFilters(), QStringList({"Bitmap Files (*.bmp)", "PCX Files (*.pcx)"}));
                EXPECT_EQ(dialog->selectedNameFilter(), "Bitmap Files (*.bmp)");
                EXPECT_EQ(dialog->defaultSuffix(), "bmp");
                EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
                if (test.typed.isEmpty()) return dialog->reject();
                dialog->setDirectory(folder.path());
                dialog->selectNameFilter(dialog->nameFilters().at(test.filter));
                dialog->findChild<QLineEdit*>("fileNameEdit")->setText(test.typed);
                // The question whether to replace a file comes up while the dialog takes the name.
                QTimer question;
                question.setSingleShot(true);
                QObject::connect(&question, &QTimer::timeout, [&] {
                    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    askedToReplace = box != nullptr;
                    if (box != nullptr) box->button(QMessageBox::Yes)->click();
                });
                question.start(0);
                static_cast<QDialog*>(dialog)->accept();  // as the Save button does
            },
            [&] { return askSaveFileName(nullptr, request); });
        EXPECT_EQ(askedToReplace, test.replacement);
        if (test.chosen.isEmpty()) {
            EXPECT_FALSE(chosen.has_value());
        } else {
            EXPECT_EQ(chosen, folder.filePath(test.chosen).toStdString());
        }
    }
}

}  // namespace
}  // namespace tessaline
