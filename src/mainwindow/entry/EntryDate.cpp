#include "mainwindow/entry/EntryDate.h"

#include <QRegularExpression>

namespace
{

std::function<QDateTime()> &testClock()
{
    static std::function<QDateTime()> clock;
    return clock;
}

} // namespace

QDateTime EntryDate::now()
{
    const QDateTime moment = testClock() ? testClock()() : QDateTime::currentDateTime();
    return QDateTime::fromSecsSinceEpoch(secondsSince1970(moment));
}

void EntryDate::setClockForTesting(std::function<QDateTime()> clock)
{
    testClock() = std::move(clock);
}

qint64 EntryDate::secondsSince1970(const QDateTime &moment)
{
    // Integer division truncates toward zero, also for moments before 1970.
    return moment.toMSecsSinceEpoch() / 1000;
}

QDateTime EntryDate::onDay(const QDateTime &moment, QDate day)
{
    QDateTime moved = moment;
    moved.setDate(day);
    return moved;
}

QString EntryDate::fullYearFormat(const QLocale &locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    static const QRegularExpression year(QStringLiteral("y+"));
    format.replace(year, QStringLiteral("yyyy"));
    return format;
}
