#include "mainwindow/entry/AttachmentUpload.h"
#include "mainwindow/entry/EntryDate.h"

#include <QTest>

class EntryFormRulesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondsSince1970_data()
    {
        QTest::addColumn<qint64>("msecs");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("epoch") << qint64(0) << qint64(0);
        QTest::newRow("fraction dropped") << qint64(1'700'000'000'999) << qint64(1'700'000'000);
        QTest::newRow("before 1970, toward zero") << qint64(-1'500) << qint64(-1);
        QTest::newRow("before 1970, whole") << qint64(-14'256'000'000) << qint64(-14'256'000);
    }

    void secondsSince1970()
    {
        QFETCH(qint64, msecs);
        QFETCH(qint64, seconds);
        QCOMPARE(EntryDate::secondsSince1970(QDateTime::fromMSecsSinceEpoch(msecs)), seconds);
    }

    // The locale's short date with the year in full, day and month with or without a leading zero.
    void typedDate_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDate>("read");
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QLocale german(QLocale::German, QLocale::Germany);
        QTest::newRow("US") << us << "3/5/1965" << QDate(1965, 3, 5);
        QTest::newRow("US, leading zeros and blanks") << us << " 03/05/2031 " << QDate(2031, 3, 5);
        QTest::newRow("US, day first") << us << "31/12/1929" << QDate();
        QTest::newRow("US, two-digit year") << us << "3/5/65" << QDate();
        QTest::newRow("US, not a date") << us << "yesterday" << QDate();
        QTest::newRow("US, February 30") << us << "2/30/2001" << QDate();
        QTest::newRow("German") << german << "5.3.1965" << QDate(1965, 3, 5);
        QTest::newRow("German, leading zeros") << german << "05.03.1965" << QDate(1965, 3, 5);
        QTest::newRow("German, US order") << german << "3/5/1965" << QDate();
        QTest::newRow("C, month name") << QLocale::c() << "5 Mar 1965" << QDate(1965, 3, 5);
        QTest::newRow("empty") << us << "" << QDate();
    }

    void typedDate()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, typed);
        QFETCH(QDate, read);
        QCOMPARE(EntryDate::read(typed, locale).value_or(QDate()), read);
    }

    void filePart_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("mimeType");
        QTest::newRow("pdf") << "Scan.pdf"
                             << "application/pdf";
        QTest::newRow("upper-case extension") << "PHOTO.JPG"
                                              << "image/jpeg";
        QTest::newRow("no extension") << "notes"
                                      << "application/octet-stream";
        QTest::newRow("unknown extension") << "data.qqzz"
                                           << "application/octet-stream";
    }

    void filePart()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, mimeType);
        const MultipartFile part = AttachmentUpload::filePart(fileName, "bytes");
        QCOMPARE(part.fieldName, QStringLiteral("file"));
        QCOMPARE(part.filename, fileName);
        QCOMPARE(part.mimeType, mimeType);
        QCOMPARE(part.data, QByteArray("bytes"));
    }
};

QTEST_GUILESS_MAIN(EntryFormRulesTest)
#include "EntryFormRulesTest.moc"
