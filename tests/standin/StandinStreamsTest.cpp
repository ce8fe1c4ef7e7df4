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
    int status = 0;
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
    co_return StreamOutcome{reply->error(), reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), body};
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

void StandinStreamsTest::cut_endsConnectionMidBody()
{
    m_server.scriptStream({{QStringLiteral("path"), streamPath},
                           {QStringLiteral("chunks"), QJsonArray{chunk("data: whole\n\n"), chunk("data: hal")}},
                           {QStringLiteral("cut"), true}});
    const StreamOutcome outcome = AwaitTask::run(readStream(&m_nam, streamUrl()));
    QCOMPARE(outcome.status, 200);
    QVERIFY(outcome.error != QNetworkReply::NoError);
    QCOMPARE(outcome.body, QByteArray("data: whole\n\ndata: hal"));
}

void StandinStreamsTest::script_isUsedOnce_thenRouteAnswersNormally()
{
    m_server.scriptStream({{QStringLiteral("method"), QStringLiteral("GET")},
                           {QStringLiteral("path"), streamPath},
                           {QStringLiteral("status"), 202},
                           {QStringLiteral("chunks"), QJsonArray{chunk("x")}}});
    httplib::Client client("127.0.0.1", m_server.port());
    QCOMPARE(client.Get(streamPath.toStdString())->status, 202);
    QVERIFY(client.Get(streamPath.toStdString())->status != 202);
    QCOMPARE(m_server.requests(streamPath).size(), 2);
}

QTEST_GUILESS_MAIN(StandinStreamsTest)
#include "StandinStreamsTest.moc"
