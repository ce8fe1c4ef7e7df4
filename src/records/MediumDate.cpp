#include "MediumDate.h"

#include <QList>

namespace
{

// A date format split into fields ("MMMM", "yyyy"), quoted literals and other characters.
struct Token {
    QString text;
    bool isField = false;
};

QList<Token> tokenize(const QString &format)
{
    QList<Token> tokens;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        qsizetype end = i + 1;
        if (c == QLatin1Char('\'')) {
            end = format.indexOf(QLatin1Char('\''), i + 1);
            end = end < 0 ? format.size() : end + 1;
        } else if (c.isLetter() && c.unicode() < 128) {
            while (end < format.size() && format.at(end) == c)
                ++end;
        }
        tokens.append({format.mid(i, end - i), c.isLetter() && c.unicode() < 128});
        i = end;
    }
    return tokens;
}

bool isWeekday(const Token &token)
{
    return token.isField && token.text.startsWith(QLatin1Char('d')) && token.text.size() >= 3;
}

// Blanks and commas that only separate the weekday from the date.
bool isSeparator(const Token &token)
{
    if (token.isField)
        return false;
    for (const QChar c : token.text) {
        if (!c.isSpace() && c != QLatin1Char(',') && c != QChar(0x060C) && c != QChar(0x3001))
            return false;
    }
    return true;
}

void dropWeekday(QList<Token> &tokens)
{
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (!isWeekday(tokens.at(i)))
            continue;
        tokens.removeAt(i);
        if (i < tokens.size()) {
            while (i < tokens.size() && isSeparator(tokens.at(i)))
                tokens.removeAt(i);
        } else {
            while (i > 0 && isSeparator(tokens.at(i - 1)))
                tokens.removeAt(--i);
        }
        return;
    }
}

} // namespace

namespace MediumDate
{

QString format(const QLocale &locale)
{
    QList<Token> tokens = tokenize(locale.dateFormat(QLocale::LongFormat));
    dropWeekday(tokens);
    QString result;
    for (const Token &token : std::as_const(tokens))
        result += token.text == QLatin1String("MMMM") ? QStringLiteral("MMM") : token.text;
    return result;
}

QString text(const QDate &date, const QLocale &locale)
{
    return locale.toString(date, format(locale));
}

} // namespace MediumDate
