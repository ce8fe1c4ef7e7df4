#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include <functional>
#include <optional>

// The date of an entry as the form edits it: a moment with its time of day, saved as whole seconds.
namespace EntryDate
{

// The current moment cut to the whole second, from the clock tests may replace.
QDateTime now();
// An empty clock restores the system's.
void setClockForTesting(std::function<QDateTime()> clock);

// Whole seconds since 1970, the fraction truncated toward zero (negative before 1970).
qint64 secondsSince1970(const QDateTime &moment);
// `moment` moved to `day`, keeping its time of day.
QDateTime onDay(const QDateTime &moment, QDate day);
// The locale's short date with the year in full ("M/d/yyyy" where the locale writes "M/d/yy"): a two-digit
// year would read "65" as 2065, or not at all.
QString fullYearFormat(const QLocale &locale);
// The day a person typed in that format, its day and month with or without a leading zero and blanks around
// it allowed; nullopt for anything else.
std::optional<QDate> read(const QString &text, const QLocale &locale);

} // namespace EntryDate
