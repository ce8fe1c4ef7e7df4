#pragma once

#include <QDate>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// Lays a date out by a date pattern in ICU's syntax ("MMM d, y", "dd.MM.y", "d 'de' MMM 'de' y") with the
// month abbreviations given, in ASCII digits and in the Gregorian calendar as ICU has it, from 1583 on.
// Understands the fields d, dd, M, MM, MMM, y, yy and yyyy and quoted text; any other field, or an earlier
// year, gives nullopt.
namespace DateLayout
{

using MonthNames = std::array<QStringView, 12>;

std::optional<QString> format(const QDate &date, QStringView pattern, const MonthNames &shortMonths);

} // namespace DateLayout
