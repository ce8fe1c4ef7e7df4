#include "ImportFixture.h"
#include "ScreenTestKit.h"

#include "import/SmartTimelinePreviewView.h"
#include "records/MedbitStore.h"

#include <QJsonArray>
#include <QLabel>
#include <QProcess>
#include <QPushButton>

using ScreenTestKit::child;

// The review sheet as a screen reader reaches it: over AT-SPI, from another process, through the tree alone.
// The client (atspi/review_sheet.py) lists every control a person can reach; this side checks it against
// what the sheet then saves.
class ReviewSheetAtspiTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(f.m_server.isRunning()); }
    void init() { f.setUp(); }
    void cleanup() { f.tearDown(); }

    void everySuggestion_isReadWithItsFlagsAndDelete_beforeItIsSaved()
    {
        MedbitStore store;
        store.setPatientID(f.patientID(0));
        f.m_manager->importFiles({f.file("checkup.pdf")});
        SmartTimelinePreviewView sheet(f.m_manager.get(), &store);
        sheet.show();
        QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>(&sheet, "reviewTitle")->text(), QStringLiteral("Review Timeline"),
                                  f.deadlineMs);
        const qsizetype rows = f.review()->flattenedSuggestions().size();
        QVERIFY(rows >= 2);

        QList<QStringList> stops;
        readOverAtspi(rows, stops);
        if (QTest::currentTestFailed())
            return;
        QTest::mouseClick(child<QPushButton>(&sheet, "saveButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(f.m_server.requests(QStringLiteral("/api/medbits/bulk_create")).size(), 1,
                                  f.deadlineMs);
        const QJsonArray saved =
            f.m_server.requests(QStringLiteral("/api/medbits/bulk_create")).first().json()["medbits"].toArray();
        QCOMPARE(saved.size(), rows);

        // Each row, as its controls are walked: its text, then its star, lock and delete, each named.
        QStringList heard;
        for (const QStringList &stop : stops)
            heard << (stop.value(2).isEmpty() ? stop.value(1) : QStringLiteral("text: ") + stop.value(2));
        for (const QJsonValue &medbit : saved) {
            const QString text = QStringLiteral("text: ") + medbit[QLatin1String("entryText")].toString();
            const qsizetype at = heard.indexOf(text);
            QVERIFY2(at >= 0, qPrintable(text + QLatin1String(" not in ") + heard.join(QLatin1String(" | "))));
            QCOMPARE(heard.mid(at + 1, 3), (QStringList{"Star", "Lock", "Delete Entry"}));
        }
        QCOMPARE(heard.filter(QStringLiteral("text: ")).size(), rows);
    }

private:
    // The client's stops, each as its role, name and text.
    void readOverAtspi(qsizetype rows, QList<QStringList> &stops)
    {
        QProcess client;
        client.start(QStringLiteral("/usr/bin/python3"),
                     {qEnvironmentVariable("VANTORELLE_ATSPI_CLIENT"),
                      QString::number(QCoreApplication::applicationPid()), QString::number(rows)});
        QTRY_VERIFY_WITH_TIMEOUT(client.state() == QProcess::NotRunning, 60000);
        QVERIFY2(client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0,
                 client.readAllStandardError().constData());
        for (const QByteArray &line : client.readAllStandardOutput().split('\n')) {
            const QStringList fields = QString::fromUtf8(line).split(QLatin1Char('\t'));
            if (fields.first() == QLatin1String("stop"))
                stops << fields.mid(1);
        }
    }

    ImportFixture f;
};

QTEST_MAIN(ReviewSheetAtspiTest)
#include "ReviewSheetAtspiTest.moc"
