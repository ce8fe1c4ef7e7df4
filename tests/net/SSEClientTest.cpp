#include "AwaitTask.h"
#include "TestTokenProvider.h"

#include "net/APIClient.h"
#include "net/AbortHandle.h"
#include "net/SSEClient.h"

#include "RunningReplies.h"
#include "StandinServer.h"

#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace QTest
{
template <> char *toString(const SSEEvent &event)
{
    return qstrdup(QByteArray(event.event.toUtf8() + " | " + event.data).constData());
}
} // namespace QTest

using AwaitTask::failureOf;

namespace
{

const QString streamPath = u"/chats/get_answer_free"_s;

// Reads the stream to its end, or only `limit` events.
QCoro::Task<> collect(StreamRequest request, QList<SSEEvent> *events, std::function<void(double)> onProgress = {},
                      int limit = -1)
{
    auto stream = SSEClient::stream(std::move(request), std::move(onProgress));
    for (auto it = co_await stream.begin(); it != stream.end(); co_await ++it) {
        events->append(*it);
        if (events->size() == limit)
            break;
    }
}

// Reads the stream, aborting it through its handle once `abortAfter` events have arrived.
QCoro::Task<> collectAborting(StreamRequest request, QList<SSEEvent> *events, int abortAfter)
{
    const std::shared_ptr<AbortHandle> handle = request.abort;
    auto stream = SSEClient::stream(std::move(request));
    for (auto it = co_await stream.begin(); it != stream.end(); co_await ++it) {
        events->append(*it);
        if (events->size() == abortAfter)
            handle->abort();
    }
}

QJsonObject chunk(const QString &data, int pauseMs = 0)
{
    return {{"data"_L1, data}, {"pauseMs"_L1, pauseMs}};
}

} // namespace

class SSEClientTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        m_provider.token = u"tok"_s;
        APIClient::shared().setBaseURLForTesting(m_server.apiBase());
        APIClient::shared().setAuthProvider(&m_provider);
        APIClient::shared().setIdleTimeout(60s);
    }

    void events_survive_chunkBoundaries()
    {
        script({chunk(u"event: mess"_s), chunk(u"age\r"_s), chunk(u"\ndata: {\"t\":\"Hel"_s, 20),
                chunk(u"lo\"}\r\n\r\n"_s), chunk(u"data: a\ndata:   b  \n\n"_s),
                chunk(u": keep-alive\nid: 1\nevent: done\ndata: {}"_s)});
        QList<SSEEvent> events;
        AwaitTask::run(collect(getRequest(), &events));
        const QList<SSEEvent> expected{{u"message"_s, "{\"t\":\"Hello\"}"}, {u"message"_s, "a\nb"}, {u"done"_s, "{}"}};
        QCOMPARE(events, expected);
    }

    void events_arriveBeforeTheStreamEnds()
    {
        // The rest of the stream would take far longer than the test's own time limit.
        script({chunk(u"data: first\n\n"_s), chunk(u"data: late\n\n"_s, 600000)});
        QList<SSEEvent> events;
        AwaitTask::run(collect(getRequest(), &events, {}, 1));
        QCOMPARE(events, (QList<SSEEvent>{{u"message"_s, "first"}}));
    }

    // Qt keeps six connections to a host; a stream the reader left but Qt kept reading would hold one for good.
    void leftStreams_freeTheirConnections()
    {
        APIClient::shared().setIdleTimeout(5s);
        for (int left = 0; left < 8; ++left) {
            script({chunk(u"data: first\n\n"_s), chunk(u"data: late\n\n"_s, 600000)});
            QList<SSEEvent> events;
            AwaitTask::run(collect(getRequest(), &events, {}, 1));
            QCOMPARE(events.size(), 1);
        }
        script({chunk(u"data: after\n\n"_s)});
        QList<SSEEvent> events;
        AwaitTask::run(collect(getRequest(), &events));
        QCOMPARE(events, (QList<SSEEvent>{{u"message"_s, "after"}}));
    }

    void cutConnection_endsWithNetworkErrorAndLosesPendingEvent()
    {
        // The pause lets the first event reach the client before the cut, however loaded the machine.
        QJsonObject stream = streamScript({chunk(u"data: one\n\n"_s), chunk(u"data: pending\n"_s, 150)});
        stream.insert("cut"_L1, true);
        m_server.scriptStream(stream);
        QList<SSEEvent> events;
        const auto error = failureOf<APIError>(collect(getRequest(), &events));
        QVERIFY(error);
        QCOMPARE(error->kind(), APIError::Kind::Network);
        QCOMPARE(events, (QList<SSEEvent>{{u"message"_s, "one"}}));
    }

    // -1 aborts before the request is sent, 0 while the reply is awaited, 1 between two events.
    void abort_endsTheStreamAsACancellation_data()
    {
        QTest::addColumn<int>("abortAfter");
        QTest::newRow("before sending") << -1;
        QTest::newRow("awaiting the reply") << 0;
        QTest::newRow("between events") << 1;
    }

    void abort_endsTheStreamAsACancellation()
    {
        QFETCH(int, abortAfter);
        script({chunk(u"data: one\n\n"_s, abortAfter == 0 ? 600000 : 0), chunk(u"data: two\n\n"_s, 600000)});
        StreamRequest request = getRequest();
        request.abort = std::make_shared<AbortHandle>();
        if (abortAfter == -1)
            request.abort->abort();
        // Aborted once the stand-in holds the request, while the client waits for its reply.
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [this, &poll, handle = request.abort] {
            if (m_server.requests(u"/api"_s + streamPath).isEmpty())
                return;
            poll.stop();
            handle->abort();
        });
        if (abortAfter == 0)
            poll.start(20);
        QList<SSEEvent> events;
        const auto error = failureOf<APIError>(collectAborting(std::move(request), &events, abortAfter));
        QVERIFY(error);
        QVERIFY(error->isCanceled());
        QCOMPARE(events.size(), std::max(abortAfter, 0));
        QCOMPARE(runningReplies(), 0);
        QCOMPARE(m_server.requests(u"/api"_s + streamPath).size(), abortAfter == -1 ? 0 : 1);
    }

    void contentType_mustNameEventStream_data()
    {
        QTest::addColumn<QString>("contentType");
        QTest::newRow("json") << u"application/json"_s;
        QTest::newRow("capitals") << u"Text/Event-Stream"_s;
    }
    void contentType_mustNameEventStream()
    {
        QFETCH(QString, contentType);
        QJsonObject stream = streamScript({chunk(u"data: x\n\n"_s)});
        stream.insert("headers"_L1, QJsonObject{{"Content-Type"_L1, contentType}});
        m_server.scriptStream(stream);
        QList<SSEEvent> events;
        const auto error = failureOf<APIError>(collect(getRequest(), &events));
        QCOMPARE(error->kind(), APIError::Kind::NotAStream);
        QCOMPARE(error->description(), u"The server didn't send a streaming response. It may be updating, so please "
                                       "try again in a few minutes."_s);
        QVERIFY(events.isEmpty());
    }

    void contentType_mayCarryParameters()
    {
        QJsonObject stream = streamScript({chunk(u"data: x\n\n"_s)});
        stream.insert("headers"_L1, QJsonObject{{"Content-Type"_L1, "text/event-stream; charset=utf-8"_L1}});
        m_server.scriptStream(stream);
        QList<SSEEvent> events;
        AwaitTask::run(collect(getRequest(), &events));
        QCOMPARE(events.size(), 1);
    }

    void failedStatus_usesMessageWhenThereIsOne_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        const int server = int(APIError::Kind::Server);
        const int http = int(APIError::Kind::HttpError);
        QTest::newRow("json message") << 500 << "{\"message\":\"Busy\"}"_ba << server << u"Busy"_s;
        QTest::newRow("html") << 500 << "<html>oops</html>"_ba << http << u"Request failed with status 500."_s;
        QTest::newRow("empty") << 503 << ""_ba << http << u"Request failed with status 503."_s;
        const QByteArray padded = "{\"message\":\"Busy\",\"pad\":\"" + QByteArray(4100, 'x') + "\"}";
        QTest::newRow("json beyond the cap") << 500 << padded << http << u"Request failed with status 500."_s;
        QTest::newRow("401 is not refreshed") << 401 << "{\"message\":\"Expired\"}"_ba << server << u"Expired"_s;
    }
    void failedStatus_usesMessageWhenThereIsOne()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, kind);
        QFETCH(QString, text);
        m_provider.refreshCount = 0;
        m_server.injectFault({{"path"_L1, "/api"_L1 + streamPath},
                              {"status"_L1, status},
                              {"bodyBase64"_L1, QString::fromLatin1(body.toBase64())}});
        QList<SSEEvent> events;
        const auto error = failureOf<APIError>(collect(getRequest(), &events));
        QCOMPARE(int(error->kind()), kind);
        QCOMPARE(error->status(), status);
        QCOMPARE(error->description(), text);
        QCOMPARE(m_provider.refreshCount, 0);
        QCOMPARE(m_server.requests("/api"_L1 + streamPath).size(), 1);
    }

    void silence_failsWithTimeoutText()
    {
        APIClient::shared().setIdleTimeout(300ms);
        m_server.injectFault({{"path"_L1, "/api"_L1 + streamPath}, {"hang"_L1, true}});
        QList<SSEEvent> events;
        const auto error = failureOf<APIError>(collect(getRequest(), &events));
        QCOMPARE(error->description(), u"The request timed out."_s);
        m_server.clearFaults();
    }

    void streamRequest_headersAndQuery()
    {
        script({chunk(u"data: x\n\n"_s)});
        script({chunk(u"data: x\n\n"_s)});
        QList<SSEEvent> events;
        const QueryItems query{{u"content"_s, u"2+2?"_s}, {u"channelId"_s, std::nullopt}};
        const APIRequest authorized{.path = streamPath, .query = query};
        const APIRequest anonymous{.path = streamPath, .requiresAuth = false};
        AwaitTask::run(collect(APIClient::shared().makeStreamRequest(authorized), &events));
        AwaitTask::run(collect(APIClient::shared().makeStreamRequest(anonymous), &events));
        const QList<LoggedRequest> sent = m_server.requests("/api"_L1 + streamPath);
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent[0].query, "content=2%2B2%3F"_ba);
        QCOMPARE(sent[0].header("Accept"), "text/event-stream"_ba);
        QCOMPARE(sent[0].header("X-Client-Platform"), "mac"_ba);
        QCOMPARE(sent[0].header("Authorization"), "Bearer tok"_ba);
        QVERIFY(!sent[0].hasHeader("Content-Type"));
        QVERIFY(sent[1].query.isEmpty());
        QVERIFY(!sent[1].hasHeader("Authorization"));
    }

    void upload_sendsMultipartAndReportsProgress()
    {
        const QString path = u"/patients/smart_analyze_asset"_s;
        QJsonObject stream = streamScript({chunk(u"event: done\ndata: {}\n\n"_s)});
        stream.insert("method"_L1, "POST"_L1);
        stream.insert("path"_L1, "/api"_L1 + path);
        m_server.scriptStream(stream);
        const QList<MultipartFile> files{{u"files"_s, u"scan.pdf"_s, u"application/pdf"_s, QByteArray(200000, 'p')}};
        QList<SSEEvent> events;
        QList<double> fractions;
        AwaitTask::run(collect(APIClient::shared().makeUploadStreamRequest(path, {{u"patientId"_s, u"p1"_s}}, files),
                               &events, [&fractions](double fraction) { fractions.append(fraction); }));
        QCOMPARE(events, (QList<SSEEvent>{{u"done"_s, "{}"}}));
        const LoggedRequest sent = m_server.requests("/api"_L1 + path).value(0);
        const QByteArray contentType = sent.header("Content-Type");
        QVERIFY(contentType.startsWith("multipart/form-data; boundary=Boundary-"));
        const QString boundary = QString::fromLatin1(contentType.mid(contentType.indexOf('=') + 1));
        QCOMPARE(sent.body, APIClient::makeMultipartBody(boundary, {{u"patientId"_s, u"p1"_s}}, files));
        QCOMPARE(sent.header("Authorization"), "Bearer tok"_ba);
        QVERIFY(!sent.hasHeader("X-Client-Platform"));
        QVERIFY(!fractions.isEmpty());
        QCOMPARE(fractions.last(), 1.0);
        QVERIFY(std::is_sorted(fractions.cbegin(), fractions.cend()));
    }

    void invalidURL_failsBeforeSending()
    {
        APIClient::shared().setBaseURLForTesting(QUrl(u"http://"_s));
        const QList<StreamRequest> requests{
            getRequest(), APIClient::shared().makeUploadStreamRequest(u"/patients/smart_analyze_asset"_s, {}, {})};
        for (const StreamRequest &request : requests) {
            QList<SSEEvent> events;
            const auto error = failureOf<APIError>(collect(request, &events));
            QVERIFY(error);
            QCOMPARE(error->kind(), APIError::Kind::InvalidURL);
            QCOMPARE(error->description(), u"Invalid request URL."_s);
        }
    }

    void progressFraction_needsAKnownTotal()
    {
        QCOMPARE(SSEClient::progressFraction(400, 1000), 0.4);
        QCOMPARE(SSEClient::progressFraction(1000, 1000), 1.0);
        QCOMPARE(SSEClient::progressFraction(0, 0), std::nullopt);
        QCOMPARE(SSEClient::progressFraction(10, -1), std::nullopt);
    }

private:
    StreamRequest getRequest() const
    {
        const APIRequest call{.path = streamPath, .query = {{u"patientId"_s, u"p"_s}}};
        return APIClient::shared().makeStreamRequest(call);
    }

    static QJsonObject streamScript(const QList<QJsonObject> &chunks)
    {
        QJsonArray array;
        for (const QJsonObject &item : chunks)
            array.append(item);
        return {{"method"_L1, "GET"_L1}, {"path"_L1, "/api"_L1 + streamPath}, {"chunks"_L1, array}};
    }

    void script(const QList<QJsonObject> &chunks) { m_server.scriptStream(streamScript(chunks)); }

    StandinServer m_server;
    TestTokenProvider m_provider;
};

QTEST_GUILESS_MAIN(SSEClientTest)
#include "SSEClientTest.moc"
