#include "AwaitTask.h"
#include "StandinServer.h"
#include "net/NetworkReplyPtr.h"

#include <QCoroNetworkReply>
#include <QCoroTask>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>

#include <httplib.h>

#include <thread>

namespace
{

struct Outcome {
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QVariant status;
    QByteArray body;
};

QCoro::Task<Outcome> fetch(QNetworkAccessManager *nam, QNetworkRequest request)
{
    const NetworkReplyPtr reply(nam->get(request));
    co_await reply.get();
    const QByteArray body = reply->isOpen() ? reply->readAll() : QByteArray();
    co_return Outcome{reply->error(), reply->attribute(QNetworkRequest::HttpStatusCodeAttribute), body};
}

} // namespace

// Injected faults: what the client's error handling is tested against.
class StandinFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void fault_answersOnce_thenRouteWorksAgain();
    void fault_timesZero_lastsUntilCleared();
    void fault_rawBytesAndExtraHeaders();
    void fault_matchesMethodWhenGiven();
    void delayOnly_isHandledNormallyAfterTheDelay();
    void drop_closesWithoutReply();
    void hang_neverAnswers_clientTimesOut();
    void gate_handlesOnlyOnceOpened_andOthersMeanwhile();

private:
    httplib::Result forgotPassword();
    QNetworkRequest request(const QString &path) const;

    StandinServer m_server;
    QNetworkAccessManager m_nam;
};

void StandinFaultsTest::init()
{
    QVERIFY(m_server.isRunning());
    m_server.reset();
}

httplib::Result StandinFaultsTest::forgotPassword()
{
    httplib::Client client("127.0.0.1", m_server.port());
    return client.Post("/api/auth/forgotPassword", "{\"email\":\"demo@vantorelle.test\"}", "application/json");
}

QNetworkRequest StandinFaultsTest::request(const QString &path) const
{
    QUrl url = m_server.apiBase();
    url.setPath(url.path() + path);
    return QNetworkRequest(url);
}

void StandinFaultsTest::fault_answersOnce_thenRouteWorksAgain()
{
    m_server.injectFault({{QStringLiteral("path"), QStringLiteral("/api/auth/forgotPassword")},
                          {QStringLiteral("status"), 503},
                          {QStringLiteral("body"), QStringLiteral("{\"message\":\"Down for maintenance\"}")}});
    const auto faulted = forgotPassword();
    QVERIFY(faulted);
    QCOMPARE(faulted->status, 503);
    QCOMPARE(faulted->body, std::string("{\"message\":\"Down for maintenance\"}"));
    const auto normal = forgotPassword();
    QVERIFY(normal);
    QCOMPARE(normal->status, 200);
}

void StandinFaultsTest::fault_timesZero_lastsUntilCleared()
{
    m_server.injectFault({{QStringLiteral("path"), QStringLiteral("/api/auth/forgotPassword")},
                          {QStringLiteral("status"), 500},
                          {QStringLiteral("times"), 0}});
    for (int i = 0; i < 3; ++i)
        QCOMPARE(forgotPassword()->status, 500);
    m_server.clearFaults();
    QCOMPARE(forgotPassword()->status, 200);
}

void StandinFaultsTest::fault_rawBytesAndExtraHeaders()
{
    const QByteArray bytes("\xff\x00not json", 10);
    m_server.injectFault({{QStringLiteral("path"), QStringLiteral("/api/auth/forgotPassword")},
                          {QStringLiteral("status"), 200},
                          {QStringLiteral("bodyBase64"), QString::fromLatin1(bytes.toBase64())},
                          {QStringLiteral("headers"), QJsonObject{{QStringLiteral("Content-Type"), "text/plain"},
                                                                  {QStringLiteral("X-Trace"), "abc"}}}});
    const auto result = forgotPassword();
    QCOMPARE(QByteArray::fromStdString(result->body), bytes);
    QCOMPARE(result->get_header_value("Content-Type"), std::string("text/plain"));
    QCOMPARE(result->get_header_value("X-Trace"), std::string("abc"));
}

void StandinFaultsTest::fault_matchesMethodWhenGiven()
{
    m_server.injectFault({{QStringLiteral("method"), QStringLiteral("GET")},
                          {QStringLiteral("path"), QStringLiteral("/api/auth/forgotPassword")},
                          {QStringLiteral("status"), 418}});
    QCOMPARE(forgotPassword()->status, 200);
    httplib::Client client("127.0.0.1", m_server.port());
    QCOMPARE(client.Get("/api/auth/forgotPassword")->status, 418);
}

void StandinFaultsTest::delayOnly_isHandledNormallyAfterTheDelay()
{
    m_server.injectFault(
        {{QStringLiteral("path"), QStringLiteral("/api/auth/forgotPassword")}, {QStringLiteral("delayMs"), 300}});
    const auto result = forgotPassword();
    QVERIFY(result);
    QCOMPARE(result->status, 200);
    QCOMPARE(m_server.requests().size(), 1);
}

void StandinFaultsTest::drop_closesWithoutReply()
{
    // Qt resends a request once when the connection closes before any reply, so one drop is not enough.
    m_server.injectFault({{QStringLiteral("path"), QStringLiteral("/api/patients/listAll")},
                          {QStringLiteral("drop"), true},
                          {QStringLiteral("times"), 0}});
    const Outcome outcome = AwaitTask::run(fetch(&m_nam, request(QStringLiteral("/patients/listAll"))));
    QCOMPARE(outcome.error, QNetworkReply::RemoteHostClosedError);
    QVERIFY(!outcome.status.isValid());
    QVERIFY(outcome.body.isEmpty());
}

void StandinFaultsTest::hang_neverAnswers_clientTimesOut()
{
    m_server.injectFault(
        {{QStringLiteral("path"), QStringLiteral("/api/patients/listAll")}, {QStringLiteral("hang"), true}});
    QNetworkRequest hanging = request(QStringLiteral("/patients/listAll"));
    hanging.setTransferTimeout(300);
    const Outcome outcome = AwaitTask::run(fetch(&m_nam, hanging));
    QCOMPARE(outcome.error, QNetworkReply::OperationCanceledError);
    QVERIFY(!outcome.status.isValid());
    m_server.clearFaults();
    QCOMPARE(forgotPassword()->status, 200);
}

void StandinFaultsTest::gate_handlesOnlyOnceOpened_andOthersMeanwhile()
{
    m_server.injectFault(
        {{QStringLiteral("path"), QStringLiteral("/api/auth/userRegister")}, {QStringLiteral("gate"), true}});
    int registered = 0;
    std::thread registering([this, &registered] {
        httplib::Client client("127.0.0.1", m_server.port());
        const auto result =
            client.Post("/api/auth/userRegister",
                        R"({"fullName":"Gated","email":"gated@example.test","password":"pw-1"})", "application/json");
        registered = result ? result->status : -1;
    });
    QTRY_COMPARE(m_server.gatedRequests(), 1);
    // Logged as it arrived, not yet handled: the account does not exist, and other requests are answered.
    QCOMPARE(m_server.requests(QStringLiteral("/api/auth/userRegister")).size(), 1);
    QVERIFY(m_server.signIn(QStringLiteral("gated@example.test"), QStringLiteral("pw-1")).access.isEmpty());
    QCOMPARE(m_server.lastStatus(), 401);
    QCOMPARE(forgotPassword()->status, 200);

    m_server.openGates();
    registering.join();
    QCOMPARE(registered, 200);
    QCOMPARE(m_server.gatedRequests(), 0);
    QVERIFY(!m_server.signIn(QStringLiteral("gated@example.test"), QStringLiteral("pw-1")).access.isEmpty());
}

QTEST_GUILESS_MAIN(StandinFaultsTest)
#include "StandinFaultsTest.moc"
