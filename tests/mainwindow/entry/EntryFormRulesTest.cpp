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
