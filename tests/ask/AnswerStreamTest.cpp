#include "AwaitTask.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include "ask/AnswerStream.h"
#include "net/SSEEvent.h"

#include <QJsonArray>
#include <QTest>

#include <QCoroAsyncGenerator>

#include <memory>

using namespace Qt::StringLiterals;
using AwaitTask::failureOf;

namespace
{

const QString answerPath = u"/api/chats/get_answer_free"_s;

QCoro::Task<> collect(AnswerQuestion question, QList<AnswerEvent> *events)
{
    QCoro::AsyncGenerator<AnswerEvent> stream = AnswerStream::open(std::move(question));
    QCORO_FOREACH(const AnswerEvent &event, stream)
    {
        events->append(event);
    }
}

// An event as one line: "delta <text>", "done <user> | <assistant>", "error <message or (none)>".
QString describe(const AnswerEvent &event)
{
    if (const auto *delta = std::get_if<ChatMessageDeltaEvent>(&event))
        return "delta "_L1 + delta->delta;
    if (const auto *done = std::get_if<ChatDoneEvent>(&event))
        return "done "_L1 + done->user.content + " | "_L1 + done->assistant.content;
    return "error "_L1 + std::get<AnswerStreamError>(event).message.value_or(u"(none)"_s);
}

QJsonObject chunk(const QString &data)
{
    return {{"data"_L1, data}, {"pauseMs"_L1, 0}};
}

} // namespace

// The answer to a question, read from the stand-in as it streams in.
class AnswerStreamTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        m_session = std::make_unique<SignedInSession>(m_server, SignedInSession::Stores::AuthOnly);
        m_patientID = m_session->signInForPatientIDs().first();
        m_server.clearRequests();
    }

    void cleanup()
    {
        m_server.clearFaults();
        m_session.reset();
    }

    void answer_deltasBuildTheStoredAnswer_data()
    {
        QTest::addColumn<bool>("isFollowUp");
        QTest::newRow("new conversation") << false;
        QTest::newRow("follow-up in the stored conversation") << true;
    }
    void answer_deltasBuildTheStoredAnswer()
    {
        QFETCH(bool, isFollowUp);
        const std::optional<QString> channel = isFollowUp ? std::optional<QString>(storedChannel()) : std::nullopt;
        const QByteArray channelQuery = channel ? "&channelId=" + QUrl::toPercentEncoding(*channel) : QByteArray();
        QList<AnswerEvent> events;
        AwaitTask::run(
            collect({.patientID = m_patientID, .content = u"Is 2+2 fine?"_s, .channelID = channel}, &events));

        QVERIFY(events.size() >= 2);
        const auto *done = std::get_if<ChatDoneEvent>(&events.last());
        QVERIFY(done);
        QString streamed;
        for (const AnswerEvent &event : events.first(events.size() - 1))
            streamed += std::get<ChatMessageDeltaEvent>(event).delta;
        QCOMPARE(streamed, done->assistant.content);
        QCOMPARE(done->user.content, u"Is 2+2 fine?"_s);
        if (channel)
            QCOMPARE(done->assistant.channelId, channel);

        const QList<LoggedRequest> sent = m_session->requests(answerPath);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].query, "patientId=" + m_patientID.toUtf8() + "&content=Is%202%2B2%20fine%3F" + channelQuery);
        QCOMPARE(sent[0].header("Accept"), "text/event-stream"_ba);
    }

    void events_undecodableOrUnknownAreSkipped()
    {
        QJsonArray chunks;
        for (const QString &data :
             {u"data: {\"delta\":\"An\"}\n\n"_s, u"data: {\"delta\":7}\n\n"_s, u"event: progress\ndata: {}\n\n"_s,
              u"event: done\ndata: {\"user\":{}}\n\n"_s, u"event: stream_error\ndata: {\"message\":\"Busy\"}\n\n"_s,
              u"event: stream_error\ndata: oops\n\n"_s, u"data: {\"delta\":\"swer\"}\n\n"_s})
            chunks.append(chunk(data));
        m_server.scriptStream({{"method"_L1, "GET"_L1}, {"path"_L1, answerPath}, {"chunks"_L1, chunks}});
        QList<AnswerEvent> events;
        AwaitTask::run(collect({.patientID = m_patientID, .content = u"q"_s}, &events));
        QStringList described;
        for (const AnswerEvent &event : std::as_const(events))
            described << describe(event);
        QCOMPARE(described, QStringList({u"delta An"_s, u"error Busy"_s, u"error (none)"_s, u"delta swer"_s}));
    }

    void failedStream_isAnAPIError_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("unauthorizedWithoutMessage");
        QTest::newRow("401 bare") << 401 << QByteArray() << u"Request failed with status 401."_s << true;
        QTest::newRow("401 with message") << 401 << "{\"message\":\"Expired\"}"_ba << u"Expired"_s << false;
        QTest::newRow("500 bare") << 500 << QByteArray() << u"Request failed with status 500."_s << false;
    }
    void failedStream_isAnAPIError()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        QFETCH(bool, unauthorizedWithoutMessage);
        // Twice: a 401 is met again after the one renewal of the token.
        m_server.injectFault({{"path"_L1, answerPath},
                              {"status"_L1, status},
                              {"bodyBase64"_L1, QString::fromLatin1(body.toBase64())},
                              {"times"_L1, 2}});
        QList<AnswerEvent> events;
        const std::optional<APIError> error =
            failureOf(collect({.patientID = m_patientID, .content = u"q"_s}, &events));
        QVERIFY(error);
        QCOMPARE(error->description(), text);
        QCOMPARE(error->status(), status);
        QCOMPARE(error->isUnauthorizedWithoutMessage(), unauthorizedWithoutMessage);
        QVERIFY(!error->isCanceled());
        QVERIFY(events.isEmpty());
    }

    void unauthorized_beforeAnyEvent_renewsTheTokenOnce_data()
    {
        QTest::addColumn<bool>("answered");
        QTest::newRow("expired token") << true;
        QTest::newRow("rejected again after renewal") << false;
    }
    void unauthorized_beforeAnyEvent_renewsTheTokenOnce()
    {
        QFETCH(bool, answered);
        if (answered)
            m_server.expireAccessTokens();
        else
            m_server.injectFault({{"path"_L1, answerPath}, {"status"_L1, 401}, {"times"_L1, 2}});
        QList<AnswerEvent> events;
        const std::optional<APIError> error =
            failureOf(collect({.patientID = m_patientID, .content = u"q"_s}, &events));
        QCOMPARE(!error, answered);
        if (answered)
            QVERIFY(std::holds_alternative<ChatDoneEvent>(events.last()));
        else
            QCOMPARE(error->status(), 401);
        QCOMPARE(m_server.requests(answerPath).size(), 2);
        QCOMPARE(m_server.requests(u"/api/auth/refreshToken"_s).size(), 1);
        const QList<LoggedRequest> sent = m_server.requests(answerPath);
        QVERIFY(sent[0].header("Authorization") != sent[1].header("Authorization"));
        QCOMPARE(sent[0].query, sent[1].query);
    }

private:
    // The demo patient's stored conversation, which a follow-up may name.
    QString storedChannel()
    {
        const StandinSession direct = m_server.signIn();
        const QJsonValue page =
            m_server.apiCall("GET", "/chats/my_questions?patientId=" + m_patientID, {}, direct.access);
        m_server.clearRequests();
        return page[u"data"_s][0][u"_id"_s].toString();
    }

    StandinServer m_server;
    std::unique_ptr<SignedInSession> m_session;
    QString m_patientID;
};

QTEST_GUILESS_MAIN(AnswerStreamTest)
#include "AnswerStreamTest.moc"
