#include "DateLayout.h"

namespace
{

// ICU counts dates before the Gregorian reform of October 1582 in the Julian calendar; Qt does not.
constexpr int firstYear = 1583;

bool isPatternLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

QString paddedNumber(int value, int minimumDigits)
{
    return QString::number(value).rightJustified(minimumDigits, QLatin1Char('0'));
}

// One run of a field letter; nullopt for a field or width this layout does not know.
std::optional<QString> patternField(QChar letter, qsizetype width, const QDate &date,
                                    const DateLayout::MonthNames &months)
{
    switch (letter.unicode()) {
    case 'd':
        if (width <= 2)
            return paddedNumber(date.day(), int(width));
        break;
    case 'M':
        if (width <= 2)
            return paddedNumber(date.month(), int(width));
        if (width == 3)
            return months.at(size_t(date.month() - 1)).toString();
        break;
    case 'y':
        if (width == 2)
            return paddedNumber(date.year() % 100, 2);
        if (width == 1 || width == 4)
            return paddedNumber(date.year(), int(width));
        break;
    }
    return std::nullopt;
}

bool isQuoteAt(QStringView pattern, qsizetype at)
{
    return at < pattern.size() && pattern.at(at) == QLatin1Char('\'');
}

// From the quote at `at`: '' is an apostrophe; otherwise the text up to the closing quote is literal, with ''
// inside it an apostrophe. Gives where the pattern goes on, or nullopt for a quote never closed.
std::optional<qsizetype> appendQuoted(QStringView pattern, qsizetype at, QString &text)
{
    if (isQuoteAt(pattern, at + 1)) {
        text += QLatin1Char('\'');
        return at + 2;
    }
    for (++at; at < pattern.size(); ++at) {
        if (!isQuoteAt(pattern, at)) {
            text += pattern.at(at);
            continue;
        }
        if (!isQuoteAt(pattern, at + 1))
            return at + 1;
        text += QLatin1Char('\'');
        ++at;
    }
    return std::nullopt;
}

} // namespace

namespace DateLayout
{

std::optional<QString> format(const QDate &date, QStringView pattern, const MonthNames &shortMonths)
{
    if (!date.isValid() || date.year() < firstYear)
        return std::nullopt;
    QString text;
    qsizetype at = 0;
    while (at < pattern.size()) {
        const QChar c = pattern.at(at);
        if (c == QLatin1Char('\'')) {
            const std::optional<qsizetype> next = appendQuoted(pattern, at, text);
            if (!next)
                return std::nullopt;
            at = *next;
            continue;
        }
        if (!isPatternLetter(c)) {
            text += c;
            ++at;
            continue;
        }
        qsizetype end = at;
        while (end < pattern.size() && pattern.at(end) == c)
            ++end;
        const std::optional<QString> value = patternField(c, end - at, date, shortMonths);
        if (!value)
            return std::nullopt;
        text += *value;
        at = end;
    }
    return text;
}

} // namespace DateLayout
