#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

// The date texts every screen shows, laid out by ICU for the locale (Qt has no medium date style and no
// field-based date-time patterns). The formatters are costly to make, so each locale's are made once per
// thread, when first needed, and kept; most locales' medium dates need none (MediumDateTable).
namespace DateText
{

// The locale's medium date style, without time: "Mar 5, 2021" in US English, "05.03.2021" in German.
QString mediumDate(const QDate &date, const QLocale &locale = QLocale());

// Day, abbreviated month, year, hour and minute in the locale's order, in local time:
// "Mar 5, 2021, 9:41 AM" in US English, "5. März 2021, 09:41" in German.
QString dateTime(const QDateTime &moment, const QLocale &locale = QLocale());

// The same without the year: "Dec 8, 9:41 AM".
QString monthDayTime(const QDateTime &moment, const QLocale &locale = QLocale());

} // namespace DateText
