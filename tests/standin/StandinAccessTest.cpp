#include "StandinServer.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

// A second account must never reach the demo account's patients, entries or documents.
class StandinAccessTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void otherAccountsData_isRefusedWith403_data();
    void otherAccountsData_isRefusedWith403();
    void otherAccountsUserId_isRefusedWith403();
    void ownData_isServed();

private:
    StandinServer m_server;
    StandinSession m_demo;
    StandinSession m_intruder;
    QString m_patientId;
    QString m_medbitId;
    QString m_documentId;
};

void StandinAccessTest::initTestCase()
{
    QVERIFY(m_server.isRunning());
    m_demo = m_server.signIn();
    const QJsonArray patients =
        m_server.apiCall("GET", QStringLiteral("/patients/listAll?userId=") + m_demo.userId, {}, m_demo.access)
            .toArray();
    m_patientId = patients.first()[QLatin1String("_id")].toString();
    const QJsonArray documents =
        m_server.apiCall("GET", QStringLiteral("/patients/all_documents?patientId=") + m_patientId, {}, m_demo.access)
            .toArray();
    m_documentId = documents.first()[QLatin1String("_id")].toString();
    m_medbitId = documents.first()[QLatin1String("medbitIds")][0].toString();
    m_server.apiCall("POST", QStringLiteral("/auth/userRegister"),
                     {{QStringLiteral("fullName"), QStringLiteral("Ivo Intruder")},
                      {QStringLiteral("email"), QStringLiteral("ivo@example.test")},
                      {QStringLiteral("password"), QStringLiteral("pw")}});
    m_intruder = m_server.signIn(QStringLiteral("ivo@example.test"), QStringLiteral("pw"));
    QVERIFY(!m_intruder.access.isEmpty());
}

void StandinAccessTest::otherAccountsData_isRefusedWith403_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("idKey"); // body key that carries the demo patient's id, if any
    QTest::newRow("entry list") << QByteArray("GET") << QStringLiteral("/medbits/list/summary?patientId={patient}")
                                << "";
    QTest::newRow("entry") << QByteArray("GET") << QStringLiteral("/medbits/get?medbitId={medbit}") << "";
    QTest::newRow("create entry") << QByteArray("POST") << QStringLiteral("/medbits/create") << "patientId";
    QTest::newRow("update entry") << QByteArray("PUT") << QStringLiteral("/medbits/update?medbitId={medbit}")
                                  << "patientId";
    QTest::newRow("delete entry") << QByteArray("DELETE") << QStringLiteral("/medbits/delete/{medbit}") << "";
    QTest::newRow("documents") << QByteArray("GET") << QStringLiteral("/patients/all_documents?patientId={patient}")
                               << "";
    QTest::newRow("document") << QByteArray("GET") << QStringLiteral("/patients/document?id={document}") << "";
    QTest::newRow("refresh link") << QByteArray("POST") << QStringLiteral("/patients/document/refresh") << "";
    QTest::newRow("activate") << QByteArray("PUT") << QStringLiteral("/patients/updateActive") << "patientId";
}

void StandinAccessTest::otherAccountsData_isRefusedWith403()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(QString, idKey);
    QJsonObject body{{QStringLiteral("userId"), m_intruder.userId},
                     {QStringLiteral("documentId"), m_documentId},
                     {QStringLiteral("entryText"), QStringLiteral("taken over")},
                     {QStringLiteral("date"), 0},
                     {QStringLiteral("medbit"),
                      QJsonObject{{QStringLiteral("entryText"), QStringLiteral("x")}, {QStringLiteral("date"), 0}}}};
    if (!idKey.isEmpty())
        body.insert(idKey, m_patientId);
    path.replace(QLatin1String("{patient}"), m_patientId)
        .replace(QLatin1String("{medbit}"), m_medbitId)
        .replace(QLatin1String("{document}"), m_documentId);
    const QJsonValue reply = m_server.apiCall(method, path, body, m_intruder.access);
    QCOMPARE(m_server.lastStatus(), 403);
    QVERIFY(!reply[QLatin1String("message")].toString().isEmpty());
    QVERIFY(!reply.toObject().contains(QLatin1String("_id")));
}

void StandinAccessTest::otherAccountsUserId_isRefusedWith403()
{
    m_server.apiCall("GET", QStringLiteral("/patients/listAll?userId=") + m_demo.userId, {}, m_intruder.access);
    QCOMPARE(m_server.lastStatus(), 403);
    m_server.apiCall("POST", QStringLiteral("/patients/create"),
                     {{QStringLiteral("userId"), m_demo.userId}, {QStringLiteral("firstName"), QStringLiteral("X")}},
                     m_intruder.access);
    QCOMPARE(m_server.lastStatus(), 403);
}

void StandinAccessTest::ownData_isServed()
{
    m_server.apiCall("GET", QStringLiteral("/medbits/get?medbitId=") + m_medbitId, {}, m_demo.access);
    QCOMPARE(m_server.lastStatus(), 200);
    const QJsonArray own =
        m_server.apiCall("GET", QStringLiteral("/patients/listAll?userId=") + m_intruder.userId, {}, m_intruder.access)
            .toArray();
    QCOMPARE(m_server.lastStatus(), 200);
    QVERIFY(own.isEmpty());
}

QTEST_GUILESS_MAIN(StandinAccessTest)
#include "StandinAccessTest.moc"
