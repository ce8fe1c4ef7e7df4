#include "AwaitTask.h"
#include "StandinServer.h"
#include "net/NetworkReplyPtr.h"

#include <QCoroNetworkReply>
#include <QCoroTask>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>

#include <httplib.h>

namespace
{

const QString streamPath = QStringLiteral("/api/chats/get_answer_free");

QJsonObject chunk(const QString &data, int pauseMs = 0)
{
    return {{QStringLiteral("data"), data}, {QStringLiteral("pauseMs"), pauseMs}};
}

struct StreamOutcome {
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray body;
};

QCoro::Task<StreamOutcome> readStream(QNetworkAccessManager *nam, QUrl url)
{
    const NetworkReplyPtr reply(nam->get(QNetworkRequest(url)));
    QByteArray body;
    const QDeadlineTimer deadline(15000);
    while (!reply->isFinished() && !deadline.hasExpired()) {
        co_await qCoro(reply.get()).waitForReadyRead(10000);
        body += reply->readAll();
    }
    body += reply->readAll();
    co_return StreamOutcome{reply->error(), body};
}

} // namespace

// Scripted raw streams: the event-stream reader is tested against them.
class StandinStreamsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void chunks_arriveAsWrittenWithStatusAndHeaders();
    void firstChunk_arrivesBeforeTheNextIsWritten();
    void splitCrLf_isKeptByteForByte();
    void cut_endsConnectionMidBody();
    void script_isUsedOnce_thenRouteAnswersNormally();

private:
    QUrl streamUrl() const;
    static std::string marked(const QByteArray &marker);
    QList<QByteArray> queriesOf(const QByteArray &marker) const;

    StandinServer m_server;
    QNetworkAccessManager m_nam;
};

void StandinStreamsTest::init()
{
    QVERIFY(m_server.isRunning());
    m_server.reset();
}

QUrl StandinStreamsTest::streamUrl() const
{
    QUrl url = m_server.apiBase();
    url.setPath(streamPath);
    return url;
}

void StandinStreamsTest::chunks_arriveAsWrittenWithStatusAndHeaders()
{
    m_server.scriptStream(
        {{QStringLiteral("path"), streamPath},
         {QStringLiteral("headers"), QJsonObject{{QStringLiteral("X-Request-Id"), "r1"}}},
         {QStringLiteral("chunks"), QJsonArray{chunk("data: one\n\n"), chunk("data: tw", 50), chunk("o\n\n", 50)}}});
    httplib::Client client("127.0.0.1", m_server.port());
    const auto result = client.Get(streamPath.toStdString());
    QVERIFY(result);
    QCOMPARE(result->status, 200);
    QCOMPARE(result->get_header_value("Content-Type"), std::string("text/event-stream"));
    QCOMPARE(result->get_header_value("X-Request-Id"), std::string("r1"));
    QCOMPARE(result->body, std::string("data: one\n\ndata: two\n\n"));
}

void StandinStreamsTest::firstChunk_arrivesBeforeTheNextIsWritten()
{
    // The second chunk waits far longer than the test; the reader stops after the first.
    m_server.scriptStream({{QStringLiteral("path"), streamPath},
                           {QStringLiteral("chunks"), QJsonArray{chunk("data: early\n\n"), chunk("late", 60000)}}});
    httplib::Client client("127.0.0.1", m_server.port());
    std::string first;
    client.Get(streamPath.toStdString(), [&first](const char *data, size_t length) {
        first.assign(data, length);
        return false;
    });
    QCOMPARE(first, std::string("data: early\n\n"));
}

void StandinStreamsTest::splitCrLf_isKeptByteForByte()
{
    const QByteArray expected = "data: a\r\n\r\ndata: b\r\n\r\n";
    m_server.scriptStream(
        {{QStringLiteral("path"), streamPath},
         {QStringLiteral("chunks"),
          QJsonArray{chunk("data: a\r"), chunk("\n\r", 20),
                     QJsonObject{{QStringLiteral("dataBase64"),
                                  QString::fromLatin1(QByteArray("\ndata: b\r\n\r\n").toBase64())}}}}});
    const StreamOutcome outcome = AwaitTask::run(readStream(&m_nam, streamUrl()));
    QCOMPARE(outcome.error, QNetworkReply::NoError);
    QCOMPARE(outcome.body, expected);
}

// httplib, unlike Qt, fails a chunked body that ends without its closing chunk whatever the timing: Qt can
// take a close it notices after draining the socket for a clean end, and then sends the request again.
void StandinStreamsTest::cut_endsConnectionMidBody()
{
    m_server.scriptStream({{QStringLiteral("path"), streamPath},
                           {QStringLiteral("chunks"), QJsonArray{chunk("data: whole\n\n"), chunk("data: hal")}},
                           {QStringLiteral("cut"), true}});
    httplib::Client client("127.0.0.1", m_server.port());
    std::string body;
    const auto result = client.Get(marked("cut"), [&body](const char *data, size_t length) {
        body.append(data, length);
        return true;
    });
    QVERIFY(!result);
    QCOMPARE(result.error(), httplib::Error::Read);
    QCOMPARE(body, std::string("data: whole\n\ndata: hal"));
    QCOMPARE(queriesOf("cut"), QList<QByteArray>{"case=cut"});
}

void StandinStreamsTest::script_isUsedOnce_thenRouteAnswersNormally()
{
    m_server.scriptStream({{QStringLiteral("method"), QStringLiteral("GET")},
                           {QStringLiteral("path"), streamPath},
                           {QStringLiteral("status"), 202},
                           {QStringLiteral("chunks"), QJsonArray{chunk("x")}}});
    httplib::Client client("127.0.0.1", m_server.port());
    QCOMPARE(client.Get(marked("script-1"))->status, 202);
    QVERIFY(client.Get(marked("script-2"))->status != 202);
    QCOMPARE(queriesOf("script-1") + queriesOf("script-2"), (QList<QByteArray>{"case=script-1", "case=script-2"}));
}

std::string StandinStreamsTest::marked(const QByteArray &marker)
{
    return (streamPath + QStringLiteral("?case=") + QString::fromLatin1(marker)).toStdString();
}

// A request another case left behind (a client's late resend) may reach the log at any time; only
// the ones carrying this case's marker count.
QList<QByteArray> StandinStreamsTest::queriesOf(const QByteArray &marker) const
{
    QList<QByteArray> queries;
    for (const LoggedRequest &request : m_server.requests(streamPath)) {
        if (request.query == "case=" + marker)
            queries.append(request.query);
    }
    return queries;
}

QTEST_GUILESS_MAIN(StandinStreamsTest)
#include "StandinStreamsTest.moc"
