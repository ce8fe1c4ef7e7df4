#include "StandinServer.h"

#include <QTest>

#include <httplib.h>

#include <memory>

// Command-line options: the test controls are off unless asked for, and request bodies have a ceiling.
class StandinOptionsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void withoutTestControls_controlRoutesAre404_andApiWorks_data();
    void withoutTestControls_controlRoutesAre404_andApiWorks();
    void bodyOverLimit_is413_andNotLogged_data();
    void bodyOverLimit_is413_andNotLogged();

private:
    StandinServer m_demoLike{{QStringLiteral("--seed"), QStringLiteral("demo")}, StandinServer::Controls::Off};
    StandinServer m_limited{{QStringLiteral("--max-body-bytes"), QStringLiteral("1024")}};
};

void StandinOptionsTest::initTestCase()
{
    QVERIFY(m_demoLike.isRunning());
    QVERIFY(m_limited.isRunning());
}

void StandinOptionsTest::withoutTestControls_controlRoutesAre404_andApiWorks_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::newRow("read the log") << QByteArray("GET") << QStringLiteral("/_standin/requests");
    QTest::newRow("clear the log") << QByteArray("DELETE") << QStringLiteral("/_standin/requests");
    QTest::newRow("inject a fault") << QByteArray("POST") << QStringLiteral("/_standin/faults");
    QTest::newRow("clear faults") << QByteArray("DELETE") << QStringLiteral("/_standin/faults");
    QTest::newRow("script a stream") << QByteArray("POST") << QStringLiteral("/_standin/streams");
    QTest::newRow("expire tokens") << QByteArray("POST") << QStringLiteral("/_standin/expire-tokens");
    QTest::newRow("reset") << QByteArray("POST") << QStringLiteral("/_standin/reset");
}

void StandinOptionsTest::withoutTestControls_controlRoutesAre404_andApiWorks()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    const StandinSession session = m_demoLike.signIn();
    QVERIFY(!session.access.isEmpty());
    const QJsonObject fault{{QStringLiteral("path"), QStringLiteral("/api/patients/listAll")},
                            {QStringLiteral("status"), 500}};
    m_demoLike.apiCall(method, path, fault);
    QCOMPARE(m_demoLike.lastStatus(), 404);
    m_demoLike.apiCall("GET", QStringLiteral("/patients/listAll?userId=") + session.userId, {}, session.access);
    QCOMPARE(m_demoLike.lastStatus(), 200);
}

void StandinOptionsTest::bodyOverLimit_is413_andNotLogged_data()
{
    QTest::addColumn<bool>("chunked");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("status");
    QTest::newRow("declared length at the limit") << false << 1024 << 400;
    QTest::newRow("declared length over it") << false << 1025 << 413;
    QTest::newRow("chunked at the limit") << true << 1024 << 400;
    QTest::newRow("chunked over it") << true << 1025 << 413;
}

void StandinOptionsTest::bodyOverLimit_is413_andNotLogged()
{
    QFETCH(bool, chunked);
    QFETCH(int, size);
    QFETCH(int, status);
    m_limited.clearRequests();
    const auto body = std::make_shared<std::string>(size_t(size), 'x');
    httplib::Client client("127.0.0.1", m_limited.port());
    const auto provide = [body](size_t offset, httplib::DataSink &sink) {
        if (offset < body->size())
            sink.write(body->data() + offset, body->size() - offset);
        else
            sink.done();
        return true;
    };
    const auto result = chunked ? client.Post("/api/auth/userLogin", provide, "application/json")
                                : client.Post("/api/auth/userLogin", *body, "application/json");
    QVERIFY(result);
    QCOMPARE(result->status, status);
    QCOMPARE(m_limited.requests().size(), status == 413 ? 0 : 1);
}

QTEST_GUILESS_MAIN(StandinOptionsTest)
#include "StandinOptionsTest.moc"
