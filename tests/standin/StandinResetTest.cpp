#include "StandinServer.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <QTest>

#include <httplib.h>

// Reset brings back the seed and forgets everything tests arranged.
class StandinResetTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void reset_restoresSeedAndClearsControls();
    void withoutSeed_startsWithNoAccounts();
    void seeds_giveIDsOfTheirOwn_theSameInEveryRun_data();
    void seeds_giveIDsOfTheirOwn_theSameInEveryRun();
};

namespace
{

// The ids of the demo account, its patients and their entries on a stand-in of `seed` run on its own.
QSet<QString> seededIDs(const QString &seed)
{
    StandinServer server({QStringLiteral("--seed"), seed});
    const StandinSession session = server.signIn();
    QSet<QString> ids{session.userId};
    const QJsonValue patients =
        server.apiCall("GET", QStringLiteral("/patients/listAll?userId=") + session.userId, {}, session.access);
    for (const QJsonValue &patient : patients.toArray()) {
        const QString id = patient.toObject().value(QStringLiteral("_id")).toString();
        ids.insert(id);
        const QJsonValue entries =
            server.apiCall("GET", QStringLiteral("/medbits/list/summary?patientId=") + id, {}, session.access);
        for (const QJsonValue &entry : entries.toArray())
            ids.insert(entry.toObject().value(QStringLiteral("_id")).toString());
    }
    return ids;
}

} // namespace

void StandinResetTest::initTestCase()
{
    QVERIFY(!qEnvironmentVariableIsEmpty("VANTORELLE_STANDIN"));
}

void StandinResetTest::reset_restoresSeedAndClearsControls()
{
    StandinServer server;
    StandinSession session = server.signIn();
    const QString listPath = QStringLiteral("/patients/listAll?userId=") + session.userId;
    server.apiCall("POST", QStringLiteral("/patients/create"),
                   {{QStringLiteral("userId"), session.userId}, {QStringLiteral("firstName"), QStringLiteral("Kim")}},
                   session.access);
    server.injectFault({{QStringLiteral("path"), QStringLiteral("/api/patients/listAll")},
                        {QStringLiteral("status"), 500},
                        {QStringLiteral("times"), 0}});
    server.scriptStream({{QStringLiteral("path"), QStringLiteral("/api/patients/listAll")},
                         {QStringLiteral("chunks"), QJsonArray{QJsonObject{{QStringLiteral("data"), "x"}}}}});

    server.reset();
    QVERIFY(server.requests().isEmpty());
    session = server.signIn();
    QCOMPARE(session.userId, listPath.section(QLatin1Char('='), 1));
    const QJsonArray patients = server.apiCall("GET", listPath, {}, session.access).toArray();
    QCOMPARE(server.lastStatus(), 200);
    QCOMPARE(patients.size(), 2);
}

void StandinResetTest::withoutSeed_startsWithNoAccounts()
{
    StandinServer server(QStringList{});
    QVERIFY(server.isRunning());
    server.apiCall("POST", QStringLiteral("/auth/userLogin"),
                   {{QStringLiteral("email"), StandinServer::demoEmail},
                    {QStringLiteral("password"), StandinServer::demoPassword}});
    QCOMPARE(server.lastStatus(), 401);
}

// The program keeps a patient's clipboard history and health story under the patient's id: two seeds run one
// after the other share none, and one seed gives the same ids in every run, so its patients keep theirs.
void StandinResetTest::seeds_giveIDsOfTheirOwn_theSameInEveryRun_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("then");
    QTest::newRow("demo, then large") << QStringLiteral("demo") << QStringLiteral("large");
    QTest::newRow("large, then demo") << QStringLiteral("large") << QStringLiteral("demo");
    QTest::newRow("demo twice") << QStringLiteral("demo") << QStringLiteral("demo");
}

void StandinResetTest::seeds_giveIDsOfTheirOwn_theSameInEveryRun()
{
    QFETCH(QString, first);
    QFETCH(QString, then);
    const QSet<QString> before = seededIDs(first);
    const QSet<QString> after = seededIDs(then);
    QVERIFY(before.size() > 3 && after.size() > 3);
    if (first == then)
        QCOMPARE(after, before);
    else
        QVERIFY(!after.intersects(before));
}

QTEST_GUILESS_MAIN(StandinResetTest)
#include "StandinResetTest.moc"
