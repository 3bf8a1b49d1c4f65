#include "gui/window/window_texts.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <string>
#include <vector>

namespace tessaline {
namespace {

// The embedded English translation.
constexpr const char* ENGLISH_TRANSLATION = ":/translations/tessaline_en.qm";

// The shell's texts with their variable parts as %1, %2, ...; a line takes the first that matches
// it whole, so the narrower come before the wider.
constexpr const char* const PATTERNS[] = {
    QT_TRANSLATE_NOOP("Tessaline", "Нет памяти для %1!"),
    QT_TRANSLATE_NOOP("Tessaline", "Нет памяти для %1"),
    QT_TRANSLATE_NOOP("Tessaline", "Не могу выделить память для %1!"),
    QT_TRANSLATE_NOOP("Tessaline", "Неверно задан %1!"),
    QT_TRANSLATE_NOOP("Tessaline", "Не определен %1!"),
    QT_TRANSLATE_NOOP("Tessaline", "Ошибка %1!"),
    QT_TRANSLATE_NOOP("Tessaline", "Нет %1!"),
    QT_TRANSLATE_NOOP("Tessaline", "Проблемы при выполнении %1"),
    QT_TRANSLATE_NOOP("Tessaline", "длина серии: %1"),
    QT_TRANSLATE_NOOP("Tessaline", "длина эталона: %1"),
    QT_TRANSLATE_NOOP("Tessaline", "элемент %1: %2 (нужно от %3 до %4)"),
    QT_TRANSLATE_NOOP("Tessaline", "от %1 до %2 (нужно %3 <= от <= до <= %4)"),
    // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one text written on two lines
    QT_TRANSLATE_NOOP("Tessaline",
                      "последний уровень шума %1 (нужно не больше %2: при большем уровне генератор шума "
                      "переполняется)"),
    QT_TRANSLATE_NOOP("Tessaline", "%1 (нужно от %2 до %3: при большем уровне генератор шума переполняется)"),
    QT_TRANSLATE_NOOP("Tessaline", "%1 (нужно хотя бы одно повторение)"),
    QT_TRANSLATE_NOOP("Tessaline", "%1 (нужен хотя бы один уровень шума)"),
    QT_TRANSLATE_NOOP("Tessaline", "%1 (нужно от %2 до %3)"),
    QT_TRANSLATE_NOOP("Tessaline", "%1 (нужно %2)"),
};

QString translated(const char* source) { return QCoreApplication::translate(WINDOW_TEXT_CONTEXT, source); }

// A pattern as an expression that matches a whole line, each %n a captured part.
QRegularExpression expressionOf(const char* pattern) {
    static const QRegularExpression placeholder(QStringLiteral("%(\\d)"));
    const QString text = QString::fromUtf8(pattern);
    QString expression = QStringLiteral("^");
    qsizetype from = 0;
    for (auto found = placeholder.globalMatch(text); found.hasNext();) {
        const QRegularExpressionMatch part = found.next();
        expression += QRegularExpression::escape(text.mid(from, part.capturedStart() - from));
        expression += QStringLiteral("(.+?)");
        from = part.capturedEnd();
    }
    expression += QRegularExpression::escape(text.mid(from)) + u'$';
    return QRegularExpression(expression);
}

// `translation` with each %n replaced by the part the pattern's n-th placeholder matched.
QString filledIn(const QString& translation, const QRegularExpressionMatch& parts) {
    QString result;
    for (qsizetype i = 0; i < translation.size(); ++i) {
        const QChar c = translation.at(i);
        const bool placeholder = c == u'%' && i + 1 < translation.size() && translation.at(i + 1).isDigit() &&
                                 translation.at(i + 1) != u'0';
        if (!placeholder) {
            result += c;
            continue;
        }
        result += parts.captured(translation.at(i + 1).digitValue());
        ++i;
    }
    return result;
}

QString translatedLine(const QString& line) {
    const QByteArray source = line.toUtf8();
    QString whole = translated(source.constData());
    if (whole != line) return whole;
    static const std::vector<QRegularExpression> expressions = [] {
        std::vector<QRegularExpression> compiled;
        for (const char* pattern : PATTERNS) compiled.push_back(expressionOf(pattern));
        return compiled;
    }();
    for (std::size_t i = 0; i < expressions.size(); ++i) {
        const QRegularExpressionMatch parts = expressions[i].match(line);
        if (!parts.hasMatch()) continue;
        const QString translation = translated(PATTERNS[i]);
        return translation == QString::fromUtf8(PATTERNS[i]) ? line : filledIn(translation, parts);
    }
    return line;
}

}  // namespace

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString windowText(std::string_view text) {
    QStringList lines = fromUtf8(text).split(u'\n');
    for (QString& line : lines) line = translatedLine(line);
    return lines.join(u'\n');
}

QString pictureText(std::string_view text) {
    const std::string source(text);
    return translated(source.c_str());
}

std::span<const char* const> windowTextPatterns() { return PATTERNS; }

WindowTranslation::WindowTranslation(const QLocale& locale) {
    if (locale.language() == QLocale::Russian) return;
    installed_ = translator_.load(QString::fromLatin1(ENGLISH_TRANSLATION)) &&
                 QCoreApplication::installTranslator(&translator_);
}

WindowTranslation::~WindowTranslation() {
    if (installed_) QCoreApplication::removeTranslator(&translator_);
}

}  // namespace tessaline
