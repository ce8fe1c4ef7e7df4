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

std::optional<QDate> EntryDate::read(const QString &text, const QLocale &locale)
{
    // A single d or M reads one digit or two, where dd and MM refuse "5.3.1965"; names (MMM, dddd) stay.
    static const QRegularExpression twoDigits(QStringLiteral("(?<![dM])([dM])\\1(?![dM])"));
    const QString format = fullYearFormat(locale).replace(twoDigits, QStringLiteral("\\1"));
    const QDate day = locale.toDate(text.trimmed(), format);
    return day.isValid() ? std::optional<QDate>(day) : std::nullopt;
}
