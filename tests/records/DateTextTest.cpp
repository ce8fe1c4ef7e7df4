#include "records/DateText.h"

#include <QTest>

#include <ctime>

namespace
{

void setTimeZone(const char *zone)
{
    qputenv("TZ", zone);
    tzset();
}

QDateTime utc(int year, int month, int day, int hour, int minute)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::UTC);
}

} // namespace

// The texts follow the default locale and the local time zone. ICU puts a narrow no-break space (U+202F)
// between the time and the AM/PM marker.
class DateTextTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        // Central European time: one hour east of UTC in winter, two in summer.
        setTimeZone("CET-1CEST,M3.5.0,M10.5.0/3");
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void mediumDate_followsTheLocalesMediumStyle_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("US English") << "en_US" << QDate(2021, 3, 5) << "Mar 5, 2021";
        QTest::newRow("German") << "de_DE" << QDate(2021, 3, 5) << "05.03.2021";
        QTest::newRow("US English, before 1970") << "en_US" << QDate(1969, 12, 31) << "Dec 31, 1969";
        QTest::newRow("German, before 1970") << "de_DE" << QDate(1969, 12, 31) << "31.12.1969";
        QTest::newRow("invalid date") << "en_US" << QDate() << "";
    }

    void mediumDate_followsTheLocalesMediumStyle()
    {
        QFETCH(QString, locale);
        QFETCH(QDate, date);
        QLocale::setDefault(QLocale(locale));
        QTEST(DateText::mediumDate(date), "text");
    }

    void dateTimes_showLocalWallClockInTheLocalesOrder_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<QString>("withYear");
        QTest::addColumn<QString>("withoutYear");
        QTest::newRow("US English, morning")
            << "en_US" << utc(2021, 12, 8, 8, 41) << QStringLiteral("Dec 8, 2021, 9:41\u202FAM")
            << QStringLiteral("Dec 8, 9:41\u202FAM");
        QTest::newRow("US English, evening")
            << "en_US" << utc(2021, 3, 5, 20, 5) << QStringLiteral("Mar 5, 2021, 9:05\u202FPM")
            << QStringLiteral("Mar 5, 9:05\u202FPM");
        QTest::newRow("US English, summer time")
            << "en_US" << utc(2021, 7, 5, 7, 41) << QStringLiteral("Jul 5, 2021, 9:41\u202FAM")
            << QStringLiteral("Jul 5, 9:41\u202FAM");
        QTest::newRow("US English, next local day")
            << "en_US" << utc(2021, 12, 31, 23, 30) << QStringLiteral("Jan 1, 2022, 12:30\u202FAM")
            << QStringLiteral("Jan 1, 12:30\u202FAM");
        QTest::newRow("German, morning") << "de_DE" << utc(2021, 12, 8, 8, 41) << QStringLiteral("8. Dez. 2021, 09:41")
                                         << QStringLiteral("8. Dez., 09:41");
        QTest::newRow("German, evening") << "de_DE" << utc(2021, 3, 5, 20, 5) << QStringLiteral("5. März 2021, 21:05")
                                         << QStringLiteral("5. März, 21:05");
        QTest::newRow("German, summer time")
            << "de_DE" << utc(2021, 7, 5, 7, 41) << QStringLiteral("5. Juli 2021, 09:41")
            << QStringLiteral("5. Juli, 09:41");
        QTest::newRow("invalid moment") << "de_DE" << QDateTime() << QString() << QString();
    }

    void dateTimes_showLocalWallClockInTheLocalesOrder()
    {
        QFETCH(QString, locale);
        QFETCH(QDateTime, moment);
        QLocale::setDefault(QLocale(locale));
        QTEST(DateText::dateTime(moment), "withYear");
        QTEST(DateText::monthDayTime(moment), "withoutYear");
    }

    void dateTimes_followAZoneChangedAtRunTime()
    {
        const QDateTime moment = utc(2021, 12, 8, 2, 30);
        QCOMPARE(DateText::monthDayTime(moment), QStringLiteral("Dec 8, 3:30\u202FAM"));
        setTimeZone("EST5");
        QCOMPARE(DateText::monthDayTime(moment), QStringLiteral("Dec 7, 9:30\u202FPM"));
    }

    void explicitLocale_leavesTheDefaultsFormattersAlone()
    {
        const QDateTime moment = utc(2021, 12, 8, 8, 41);
        QCOMPARE(DateText::dateTime(moment, QLocale(QLocale::German, QLocale::Germany)),
                 QStringLiteral("8. Dez. 2021, 09:41"));
        QCOMPARE(DateText::dateTime(moment), QStringLiteral("Dec 8, 2021, 9:41\u202FAM"));
        QCOMPARE(DateText::mediumDate(QDate(2021, 12, 8), QLocale(QLocale::English, QLocale::UnitedKingdom)),
                 QStringLiteral("8 Dec 2021"));
    }
};

QTEST_GUILESS_MAIN(DateTextTest)
#include "DateTextTest.moc"
