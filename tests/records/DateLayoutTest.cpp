#include "records/DateLayout.h"
#include "records/DateText.h"

#include <QTest>

namespace
{

const DateLayout::MonthNames months{u"Jan", u"Feb", u"M\u00e4r", u"Apr", u"May", u"Jun",
                                    u"Jul", u"Aug", u"Sept",     u"Oct", u"Nov", u"Dec"};

} // namespace

// The layout of medium dates that stands in for ICU's formatter. tools/datetable checks every locale's entry
// against ICU when the application is built; these are the pattern rules it relies on.
class DateLayoutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void format_followsThePatternsFields_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("text"); // null: not laid out
        QTest::newRow("abbreviated month") << "MMM d, y" << QDate(2021, 3, 5) << u"M\u00e4r 5, 2021"_qs;
        QTest::newRow("two-digit fields") << "dd.MM.y" << QDate(2021, 3, 5) << "05.03.2021";
        QTest::newRow("short year") << "d/M/yy" << QDate(2009, 12, 31) << "31/12/09";
        QTest::newRow("padded year") << "yyyy-MM-dd" << QDate(1999, 9, 9) << "1999-09-09";
        QTest::newRow("quoted text") << "d 'de' MMM 'de' y" << QDate(2021, 9, 1) << "1 de Sept de 2021";
        QTest::newRow("apostrophes") << "d MMM ''yy 'o''clock'" << QDate(2021, 1, 2) << "2 Jan '21 o'clock";
        QTest::newRow("unknown field") << "EEE, MMM d, y" << QDate(2021, 3, 5) << QString();
        QTest::newRow("full month name") << "MMMM d, y" << QDate(2021, 3, 5) << QString();
        QTest::newRow("quote never closed") << "d MMM 'y" << QDate(2021, 3, 5) << QString();
        QTest::newRow("before the Gregorian reform") << "MMM d, y" << QDate(1582, 10, 4) << QString();
    }

    void format_followsThePatternsFields()
    {
        QFETCH(QString, pattern);
        QFETCH(QDate, date);
        QFETCH(QString, text);
        const std::optional<QString> laidOut = DateLayout::format(date, pattern, months);
        QCOMPARE(laidOut.has_value(), !text.isNull());
        if (laidOut)
            QCOMPARE(*laidOut, text);
    }

    // Dates the table cannot lay out are left to ICU's formatter, in the same locale.
    void mediumDate_beforeTheReform_comesFromICU()
    {
        QCOMPARE(DateText::mediumDate(QDate(1582, 10, 15), QLocale(QLocale::English, QLocale::UnitedStates)),
                 QStringLiteral("Oct 15, 1582"));
        QCOMPARE(DateText::mediumDate(QDate(1500, 3, 1), QLocale(QLocale::German, QLocale::Germany)),
                 QStringLiteral("20.02.1500"));
    }
};

QTEST_GUILESS_MAIN(DateLayoutTest)
#include "DateLayoutTest.moc"
