#include "StandinServer.h"

#include "ask/HealthStory.h"
#include "clipboard/ClipboardManager.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

namespace
{

// The demo account's patients' ids on a stand-in of `seed`, in the service's order.
QStringList patientIDs(const QString &seed)
{
    StandinServer server({QStringLiteral("--seed"), seed});
    const StandinSession session = server.signIn();
    QStringList ids;
    const QJsonValue patients =
        server.apiCall("GET", QStringLiteral("/patients/listAll?userId=") + session.userId, {}, session.access);
    for (const QJsonValue &patient : patients.toArray())
        ids.append(patient.toObject().value(QStringLiteral("_id")).toString());
    return ids;
}

} // namespace

// What the program keeps of a patient on this computer (the clipboard history, the last health story) is kept
// under the patient's id: after the demo's stand-in, one of another seed in the same home shows none of it.
class SeededPatientsLocalDataTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("Vantorelle"));
        QCoreApplication::setApplicationName(QStringLiteral("Vantorelle"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_home.path());
    }

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
        QSettings().clear();
        const QStringList before = patientIDs(first);
        QVERIFY(!before.isEmpty());
        for (const QString &patient : before) {
            ClipboardItem copy;
            copy.id = QUuid::createUuid();
            copy.text = QStringLiteral("Copied for ") + patient;
            copy.date = QDateTime::currentDateTime();
            copy.patientID = patient;
            ClipboardManager::saveHistory({copy}, patient);
            HealthStory::saveCached({QStringLiteral("The story of ") + patient, QDateTime::currentDateTime()}, patient);
        }

        const QStringList after = patientIDs(then);
        QVERIFY(!after.isEmpty());
        for (const QString &patient : after) {
            QVERIFY2(!before.contains(patient), qPrintable(patient));
            QVERIFY(ClipboardManager::loadHistory(patient).isEmpty());
            QVERIFY(!HealthStory::loadCached(patient).has_value());
        }
        // What the first run kept is still its patients'.
        QCOMPARE(ClipboardManager::loadHistory(before.first()).size(), 1);
    }
};

QTEST_GUILESS_MAIN(SeededPatientsLocalDataTest)
#include "SeededPatientsLocalDataTest.moc"
