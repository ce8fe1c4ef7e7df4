#include "mainwindow/entry/PastDaysCalendar.h"

#include "widgets/Theme.h"

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QTableView>
#include <QTextCharFormat>

namespace
{

// The month grid shows at most six weeks, and the calendar never turns past today's month.
constexpr int shownDaysAfterToday = 6 * 7;

} // namespace

namespace PastDaysCalendar
{

void prepare(QCalendarWidget *calendar, QDate today)
{
    calendar->setMaximumDate(today);
    QTextCharFormat unavailable;
    unavailable.setForeground(Theme::palette().brush(QPalette::Disabled, QPalette::Text));
    for (int days = 1; days <= shownDaysAfterToday; ++days)
        calendar->setDateTextFormat(today.addDays(days), unavailable);
    // The day grid is a focus stop of its own.
    if (auto *grid = calendar->findChild<QTableView *>(QStringLiteral("qt_calendar_calendarview")))
        grid->setAccessibleName(QCoreApplication::translate("CreateEntryView", "Calendar"));
}

} // namespace PastDaysCalendar
