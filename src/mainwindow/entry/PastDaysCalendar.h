#pragma once

#include <QDate>

class QCalendarWidget;

// The entry form's calendar, which offers no day after today: those days show greyed, as unavailable.
namespace PastDaysCalendar
{

void prepare(QCalendarWidget *calendar, QDate today);

} // namespace PastDaysCalendar
