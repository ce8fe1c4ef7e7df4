#include "StandinServer.h"

#include <QJsonArray>
#include <QJsonObject>
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
};

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

QTEST_GUILESS_MAIN(StandinResetTest)
#include "StandinResetTest.moc"
