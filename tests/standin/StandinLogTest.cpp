#include "StandinServer.h"

#include <QJsonObject>
#include <QTest>

#include <httplib.h>

// The request log: what tests read back to assert what the client sent.
class StandinLogTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void log_keepsMethodPathRawQueryHeadersAndBodyInOrder();
    void log_keepsMultipartBodyByteForByte();
    void log_omitsControlRoutes_andKeepsUnknownRoutes();
    void clearRequests_emptiesTheLog();
    void requestsForPath_filtersExactPath();
    void log_keepsOnlyTheLatestThousand();
    void log_cutsLongBodies_andSaysSo();

private:
    StandinServer m_server;
};

void StandinLogTest::init()
{
    QVERIFY(m_server.isRunning());
    m_server.reset();
}

void StandinLogTest::log_keepsMethodPathRawQueryHeadersAndBodyInOrder()
{
    httplib::Client client("127.0.0.1", m_server.port());
    const httplib::Headers headers{{"X-Client-Platform", "mac"}, {"authorization", "Bearer t"}};
    const std::string body = "{\"email\":\"a+b@example.test\",\"password\":\"p\"}";
    client.Post("/api/auth/userLogin", headers, body, "application/json");
    client.Get("/api/chats/my_questions?patientId=p%2B1&cursor=", headers);

    const QList<LoggedRequest> log = m_server.requests();
    QCOMPARE(log.size(), 2);
    QCOMPARE(log[0].method, QByteArray("POST"));
    QCOMPARE(log[0].path, QStringLiteral("/api/auth/userLogin"));
    QCOMPARE(log[0].query, QByteArray());
    QCOMPARE(log[0].body, QByteArray::fromStdString(body));
    QCOMPARE(log[0].json()[QLatin1String("email")].toString(), QStringLiteral("a+b@example.test"));
    QCOMPARE(log[0].header("content-type"), QByteArray("application/json"));
    QCOMPARE(log[0].header("X-CLIENT-PLATFORM"), QByteArray("mac"));
    QCOMPARE(log[1].method, QByteArray("GET"));
    QCOMPARE(log[1].path, QStringLiteral("/api/chats/my_questions"));
    QCOMPARE(log[1].query, QByteArray("patientId=p%2B1&cursor="));
    QVERIFY(log[1].hasHeader("Authorization"));
    QVERIFY(!log[1].hasHeader("Content-Type"));
    QVERIFY(log[1].body.isEmpty());
}

void StandinLogTest::log_keepsMultipartBodyByteForByte()
{
    const QByteArray body = "--Boundary-X\r\nContent-Disposition: form-data; name=\"file\"; filename=\"a.png\"\r\n"
                            "Content-Type: image/png\r\n\r\n\x89PNG\r\n\x1a\n\r\n--Boundary-X--\r\n";
    httplib::Client client("127.0.0.1", m_server.port());
    client.Post("/api/patients/smart_analyze_asset", body.toStdString(), "multipart/form-data; boundary=Boundary-X");

    const LoggedRequest request = m_server.requests().first();
    QCOMPARE(request.body, body);
    QCOMPARE(request.header("Content-Type"), QByteArray("multipart/form-data; boundary=Boundary-X"));
}

void StandinLogTest::log_omitsControlRoutes_andKeepsUnknownRoutes()
{
    m_server.clearFaults();
    m_server.apiCall("GET", QStringLiteral("/does/not/exist"));
    QCOMPARE(m_server.lastStatus(), 404);
    const QList<LoggedRequest> log = m_server.requests();
    QCOMPARE(log.size(), 1);
    QCOMPARE(log[0].path, QStringLiteral("/api/does/not/exist"));
}

void StandinLogTest::clearRequests_emptiesTheLog()
{
    m_server.apiCall("GET", QStringLiteral("/patients/listAll?userId=x"));
    m_server.clearRequests();
    QVERIFY(m_server.requests().isEmpty());
}

void StandinLogTest::requestsForPath_filtersExactPath()
{
    m_server.apiCall("GET", QStringLiteral("/patients/document?id=1"));
    m_server.apiCall("POST", QStringLiteral("/patients/document/refresh"), {{QStringLiteral("documentId"), "1"}});
    const QList<LoggedRequest> log = m_server.requests(QStringLiteral("/api/patients/document"));
    QCOMPARE(log.size(), 1);
    QCOMPARE(log[0].query, QByteArray("id=1"));
}

void StandinLogTest::log_keepsOnlyTheLatestThousand()
{
    httplib::Client client("127.0.0.1", m_server.port());
    client.set_keep_alive(true);
    for (int i = 0; i < 1005; ++i)
        client.Get("/api/does/not/exist?n=" + std::to_string(i));
    const QList<LoggedRequest> log = m_server.requests();
    QCOMPARE(log.size(), 1000);
    QCOMPARE(log.first().query, QByteArray("n=5"));
    QCOMPARE(log.last().query, QByteArray("n=1004"));
}

void StandinLogTest::log_cutsLongBodies_andSaysSo()
{
    const QByteArray small(1024, 's');
    const QByteArray large(1025, 'l');
    StandinServer server({QStringLiteral("--log-body-bytes"), QStringLiteral("1024")});
    QVERIFY(server.isRunning());
    httplib::Client client("127.0.0.1", server.port());
    client.Post("/api/auth/userLogin", small.toStdString(), "application/octet-stream");
    client.Post("/api/auth/userLogin", large.toStdString(), "application/octet-stream");
    const QList<LoggedRequest> log = server.requests();
    QCOMPARE(log.size(), 2);
    QCOMPARE(log[0].body, small);
    QVERIFY(!log[0].bodyCut);
    QCOMPARE(log[0].bodyLength, small.size());
    QCOMPARE(log[1].body, large.left(1024));
    QVERIFY(log[1].bodyCut);
    QCOMPARE(log[1].bodyLength, large.size());
}

QTEST_GUILESS_MAIN(StandinLogTest)
#include "StandinLogTest.moc"
