#include "../clipboard/ClipboardTestSettings.h"
#include "StandinServer.h"

#include "ask/HealthStory.h"
#include "clipboard/ClipboardManager.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>
#include <QUuid>

// What the program keeps of a patient on this computer (the clipboard history, the last health story) is kept
// under the patient's id: after the stand-in of one seed, one of another seed in the same home shows none of it.
class SeededPatientsLocalDataTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void seedsOneAfterTheOther_showNoneOfTheOthersData_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("then");
        QTest::newRow("demo, then large") << QStringLiteral("demo") << QStringLiteral("large");
        QTest::newRow("large, then demo") << QStringLiteral("large") << QStringLiteral("demo");
    }

    void seedsOneAfterTheOther_showNoneOfTheOthersData()
    {
        QFETCH(QString, first);
        QFETCH(QString, then);
        ClipboardTestSettings::clear();
        const QStringList before = patientIDs(first);
        for (const QString &patient : before) {
            ClipboardItem copy;
            copy.id = QUuid::createUuid();
            copy.text = QStringLiteral("Copied for ") + patient;
            copy.date = QDateTime::currentDateTime();
            copy.patientID = patient;
            ClipboardManager::saveHistory({copy}, patient);
            HealthStory::saveCached({QStringLiteral("The story of ") + patient, copy.date}, patient);
        }
        const QStringList after = patientIDs(then);
        QVERIFY(!before.isEmpty() && !after.isEmpty());
        for (const QString &patient : after) {
            QVERIFY(ClipboardManager::loadHistory(patient).isEmpty());
            QVERIFY(!HealthStory::loadCached(patient).has_value());
        }
        QCOMPARE(ClipboardManager::loadHistory(before.first()).size(), 1);
    }

private:
    // The demo account's patients on a stand-in of `seed`, run on its own.
    static QStringList patientIDs(const QString &seed)
    {
        StandinServer server({QStringLiteral("--seed"), seed});
        const StandinSession session = server.signIn();
        QStringList ids;
        const QString path = QStringLiteral("/patients/listAll?userId=") + session.userId;
        for (const QJsonValue &patient : server.apiCall("GET", path, {}, session.access).toArray())
            ids.append(patient.toObject().value(QStringLiteral("_id")).toString());
        return ids;
    }

    ClipboardTestSettings m_settings;
};

QTEST_GUILESS_MAIN(SeededPatientsLocalDataTest)
#include "SeededPatientsLocalDataTest.moc"
