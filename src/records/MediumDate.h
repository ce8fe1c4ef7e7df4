#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

// The medium date style ("Jan 5, 2024" in US English). Qt has no such style, so it is derived from the
// locale's long format by dropping the weekday and abbreviating the month.
namespace MediumDate
{

QString format(const QLocale &locale);
QString text(const QDate &date, const QLocale &locale = QLocale());

} // namespace MediumDate
