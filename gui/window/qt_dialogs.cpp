#include "gui/window/qt_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <map>
#include <vector>

#include "app/dialogs.h"
#include "gui/window/window_texts.h"

namespace tessaline {
namespace {

// The dialogs' font: the desktop's sans serif face at 8 points.
constexpr int DIALOG_FONT_POINTS = 8;
// Wide enough for the longest label beside its edit.
constexpr int DIALOG_MINIMUM_WIDTH = 360;
// What a title bar takes besides the caption: its icon and buttons.
constexpr int TITLE_BAR_BUTTONS_WIDTH = 120;

// Buttons and group boxes read '&' as the mark of a shortcut letter; doubled, it shows as itself.
QString captionText(std::string_view text) { return windowText(text).replace(u'&', QStringLiteral("&&")); }

QFont dialogFont() {
    QFont font(QStringLiteral("Sans Serif"), DIALOG_FONT_POINTS);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// A control of the form that carries a value, and the widget that edits it.
struct ValueWidget {
    std::size_t index = 0;  // into the form's controls
    QLineEdit* edit = nullptr;
    QAbstractButton* button = nullptr;
};

// Lays the form's controls out in a dialog, section by section: the controls before the first
// group straight in the dialog, each group's in its box.
class FormBuilder {
public:
    FormBuilder(QDialog& dialog, QVBoxLayout& column) : dialog_(dialog), column_(column) {}

    void add(const std::vector<DialogControl>& controls) {
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const DialogControl& control = controls[i];
            switch (control.kind) {
                case ControlKind::Group: addGroup(control); break;
                case ControlKind::Label:
                    // An unnumbered label followed by an edit names the edit: both make one row. A
                    // numbered label is a sentence of its own (with the values it states) above
                    // the edit.
                    if (control.id == 0 && i + 1 < controls.size() &&
                        controls[i + 1].kind == ControlKind::Edit) {
                        ++i;
                        section().addRow(label(control), edit(controls[i], i));
                    } else {
                        section().addRow(label(control));
                    }
                    break;
                case ControlKind::Edit: section().addRow(edit(control, i)); break;
                case ControlKind::CheckBox: section().addRow(checkBox(control, i)); break;
                case ControlKind::RadioButton: section().addRow(radioButton(control, i)); break;
            }
        }
    }

    const std::vector<ValueWidget>& valueWidgets() const { return values_; }

private:
    static void describe(QWidget& widget, const DialogControl& control) {
        if (control.id != 0) widget.setObjectName(QString::number(control.id));
        widget.setEnabled(control.enabled);
    }

    QFormLayout& section() {
        if (rows_ == nullptr) {
            rows_ = new QFormLayout;  // owned by the dialog's column once added
            column_.addLayout(rows_);
            rows_->setRowWrapPolicy(QFormLayout::WrapLongRows);
        }
        return *rows_;
    }

    void addGroup(const DialogControl& control) {
        auto* box = new QGroupBox(captionText(control.text), &dialog_);
        describe(*box, control);
        column_.addWidget(box);
        rows_ = new QFormLayout(box);
        rows_->setRowWrapPolicy(QFormLayout::WrapLongRows);
    }

    QLabel* label(const DialogControl& control) {
        auto* widget = new QLabel(windowText(control.text), &dialog_);
        widget->setTextFormat(Qt::PlainText);
        describe(*widget, control);
        return widget;
    }

    QLineEdit* edit(const DialogControl& control, std::size_t index) {
        auto* widget = new QLineEdit(&dialog_);
        // The logic reads no more than this of a text; a longer one is cut where the user sees it.
        widget->setMaxLength(static_cast<int>(EDIT_TEXT_LIMIT));
        widget->setText(fromUtf8(control.text));
        widget->setCursorPosition(0);  // a long list shows from its start
        describe(*widget, control);
        values_.push_back({index, widget, nullptr});
        return widget;
    }

    QCheckBox* checkBox(const DialogControl& control, std::size_t index) {
        auto* widget = new QCheckBox(captionText(control.text), &dialog_);
        widget->setChecked(control.checked);
        describe(*widget, control);
        values_.push_back({index, nullptr, widget});
        return widget;
    }

    QRadioButton* radioButton(const DialogControl& control, std::size_t index) {
        auto* widget = new QRadioButton(captionText(control.text), &dialog_);
        // Buttons of one radio group exclude each other wherever they stand; buttons of different
        // groups never do, even in one box.
        QButtonGroup*& group = radioGroups_[control.group];
        if (group == nullptr) group = new QButtonGroup(&dialog_);
        group->addButton(widget);
        widget->setChecked(control.checked);
        describe(*widget, control);
        values_.push_back({index, nullptr, widget});
        return widget;
    }

    QDialog& dialog_;
    QVBoxLayout& column_;
    QFormLayout* rows_ = nullptr;  // the section being filled
    std::map<int, QButtonGroup*> radioGroups_;
    std::vector<ValueWidget> values_;
};

QMessageBox::Icon messageBoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Warning: return QMessageBox::Warning;
        case MessageIcon::Error: return QMessageBox::Critical;
        case MessageIcon::Information: return QMessageBox::Information;
        case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// A filter as the file dialog lists it, "Description (pattern)"; a description that already names
// its pattern is kept. Several patterns are separated by blanks rather than semicolons.
QString nameFilter(const std::string& description, const std::string& pattern) {
    const QString patterns = fromUtf8(pattern).replace(u';', u' ');
    QString text = windowText(description);
    if (text.contains(u'(' + patterns + u')')) return text;
    return text + QStringLiteral(" (") + patterns + u')';
}

// The extension a filter of one pattern "*.ext" stands for; empty for any other filter.
QString filterExtension(const std::string& pattern) {
    const QString text = fromUtf8(pattern);
    const QString extension = text.mid(2);
    const bool single = text.startsWith(QStringLiteral("*.")) && !extension.isEmpty() &&
                        !extension.contains(u'*') && !extension.contains(u'?') && !extension.contains(u';');
    return single ? extension : QString();
}

// A save dialog in which a name typed without an extension takes the one of the filter chosen
// when it names one (a picture saved under the PCX filter is a .pcx file), else the request's
// default extension.
class SaveFileDialog : public QFileDialog {
public:
    SaveFileDialog(QWidget* parent, const SaveFileRequest& request)
        : QFileDialog(parent, windowText(request.title)) {
        // Qt's own dialog on every desktop, so that it behaves alike everywhere and scripts can drive it.
        setOption(QFileDialog::DontUseNativeDialog);
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        setOption(QFileDialog::DontConfirmOverwrite, !request.promptOverwrite);
        defaultSuffix_ = fromUtf8(request.defaultExtension);
        for (const auto& [description, pattern] : request.filters) {
            filters_ << nameFilter(description, pattern);
            extensions_ << filterExtension(pattern);
        }
        setNameFilters(filters_);
        if (!filters_.isEmpty()) selectNameFilter(filters_.constFirst());
        setDefaultSuffix(defaultSuffix_);
    }

    void accept() override {
        const qsizetype chosen = filters_.indexOf(selectedNameFilter());
        const bool named = chosen >= 0 && !extensions_.at(chosen).isEmpty();
        setDefaultSuffix(named ? extensions_.at(chosen) : defaultSuffix_);
        QFileDialog::accept();
    }

private:
    QStringList filters_;
    QStringList extensions_;  // of each filter, empty where it names none
    QString defaultSuffix_;
};

// A message box is as wide as its text, and a title bar cuts a longer caption: the box is made wide
// enough for its caption beside the title bar's buttons.
void widenForTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) return;
    const int width =
        box.fontMetrics().horizontalAdvance(box.windowTitle()) * 5 / 4 + TITLE_BAR_BUTTONS_WIDTH;
    // Owned by the box's layout once added.
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(),
                  0, 1, grid->columnCount());
}

}  // namespace

bool runFormDialog(QWidget* parent, DialogForm& form) {
    QDialog dialog(parent);
    dialog.setWindowTitle(windowText(form.caption));
    dialog.setFont(dialogFont());
    dialog.setMinimumWidth(DIALOG_MINIMUM_WIDTH);

    auto* column = new QVBoxLayout(&dialog);
    FormBuilder builder(dialog, *column);
    builder.add(form.controls);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    column->addWidget(buttons);

    if (dialog.exec() != QDialog::Accepted) return false;
    for (const ValueWidget& value : builder.valueWidgets()) {
        DialogControl& control = form.controls[value.index];
        if (value.edit != nullptr) control.text = value.edit->text().toStdString();
        if (value.button != nullptr) control.checked = value.button->isChecked();
    }
    return true;
}

void showMessageBox(QWidget* parent, std::string_view text, std::string_view caption, MessageIcon icon) {
    QMessageBox box(messageBoxIcon(icon), windowText(caption.empty() ? DEFAULT_MESSAGE_CAPTION : caption),
                    windowText(text), QMessageBox::Ok, parent);
    // Texts name files and values the user gave ("No Bitmap <...>"): shown as they are, never
    // read as markup.
    box.setTextFormat(Qt::PlainText);
    widenForTitle(box);
    box.exec();
}

std::optional<std::string> askSaveFileName(QWidget* parent, const SaveFileRequest& request) {
    SaveFileDialog dialog(parent, request);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return QFile::encodeName(chosen.constFirst()).toStdString();
}

}  // namespace tessaline
