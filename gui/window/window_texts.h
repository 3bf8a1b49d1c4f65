#pragma once
// Every text the window shows goes through Qt's translation, with the workbench's own texts as the
// source strings: without a translation installed they show as they are. The shell's texts are
// made with values in them ("Нет памяти для lpErrors!", "длина серии: 2000"), so a line that has
// no translation of its own is matched against the texts' patterns, whose variable parts are
// written %1, %2, ...; the pattern's translation takes the same parts.
#include <QString>
#include <QTranslator>
#include <span>
#include <string_view>

class QLocale;

namespace tessaline {

// The context of the window's texts in the translation.
inline constexpr const char* WINDOW_TEXT_CONTEXT = "Tessaline";

// A UTF-8 text as Qt's string, untranslated.
QString fromUtf8(std::string_view text);

// A text of the window (a message, a caption, a menu entry, a dialog's label or title, a progress
// text), line by line.
QString windowText(std::string_view text);

// A text drawn in the picture: translated only where the translation has the whole text.
QString pictureText(std::string_view text);

// The patterns of the shell's texts, narrower ones first.
std::span<const char* const> windowTextPatterns();

// The window's English translation, embedded in the program: installed while this object lives
// unless the locale's language is Russian, the language of the texts themselves.
class WindowTranslation {
public:
    explicit WindowTranslation(const QLocale& locale);
    ~WindowTranslation();
    WindowTranslation(const WindowTranslation&) = delete;
    WindowTranslation& operator=(const WindowTranslation&) = delete;

    bool installed() const { return installed_; }

private:
    QTranslator translator_;
    bool installed_ = false;
};

}  // namespace tessaline
