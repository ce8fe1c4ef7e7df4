#include "AwaitTask.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include "ask/ChatAPIClient.h"
#include "net/APIClient.h"

#include <QJsonDocument>
#include <QTest>

#include <memory>

using AwaitTask::failureOf;

namespace
{

enum class Call { suggestions, refreshedSuggestions, myQuestions, channelMessages, undo, healthStory };

// Runs one call for its request; the result is dropped.
QCoro::Task<> perform(Call call, QString patientId, QString channelId)
{
    switch (call) {
    case Call::suggestions:
        co_await ChatAPIClient::fetchSuggestedQuestions(patientId, false);
        break;
    case Call::refreshedSuggestions:
        co_await ChatAPIClient::fetchSuggestedQuestions(patientId, true);
        break;
    case Call::myQuestions:
        co_await ChatAPIClient::fetchMyQuestions(patientId);
        break;
    case Call::channelMessages:
        co_await ChatAPIClient::fetchChannelMessages(channelId);
        break;
    case Call::undo:
        co_await ChatAPIClient::undoLastQuestion(channelId);
        break;
    case Call::healthStory:
        co_await ChatAPIClient::generateHealthStory(patientId);
        break;
    }
}

QByteArrayList sortedItems(const QByteArray &query)
{
    QByteArrayList items = query.split('&');
    items.removeAll(QByteArray());
    std::sort(items.begin(), items.end());
    return items;
}

QJsonObject message(const QString &id, const QJsonValue &createdAt)
{
    QJsonObject json{{"_id", id}, {"role", "user"}, {"content", "q"}};
    if (!createdAt.isUndefined())
        json.insert(QStringLiteral("createdAt"), createdAt);
    return json;
}

} // namespace

class ChatAPIClientTest : public QObject
{
    Q_OBJECT

private:
    StandinServer m_server;
    std::unique_ptr<SignedInSession> m_session;
    QString m_patientId;
    QString m_channelId; // the demo patient's stored conversation

    QString channelPath() const { return QStringLiteral("/api/chats/channels/") + m_channelId; }

    void replyWith(const QString &path, int status, const QByteArray &body)
    {
        m_server.injectFault({{"path", path}, {"status", status}, {"body", QString::fromUtf8(body)}});
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        m_session = std::make_unique<SignedInSession>(m_server, SignedInSession::Stores::AuthOnly);
        m_patientId = m_session->signInForPatientIDs().first();
        const StandinSession direct = m_server.signIn();
        const QJsonObject page =
            m_server.apiCall("GET", "/chats/my_questions?patientId=" + m_patientId, {}, direct.access).toObject();
        m_channelId = page[QStringLiteral("data")][0][QStringLiteral("_id")].toString();
        QVERIFY(!m_channelId.isEmpty());
        m_server.clearRequests();
    }

    void cleanup() { m_session.reset(); }

    void requests_carryTheirMethodPathQueryAndBody_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");         // "%1" stands for the channel id
        QTest::addColumn<QByteArrayList>("query"); // "%P" stands for the patient id
        QTest::addColumn<QByteArray>("body");      // JSON with "%P", or empty for none
        QTest::newRow("suggestions") << Call::suggestions << QByteArray("GET")
                                     << QStringLiteral("/api/chats/suggested_questions")
                                     << QByteArrayList{"patientId=%P"} << QByteArray();
        QTest::newRow("refreshed suggestions")
            << Call::refreshedSuggestions << QByteArray("GET") << QStringLiteral("/api/chats/suggested_questions")
            << QByteArrayList{"patientId=%P", "refresh=true"} << QByteArray();
        QTest::newRow("my questions") << Call::myQuestions << QByteArray("GET")
                                      << QStringLiteral("/api/chats/my_questions")
                                      << QByteArrayList{"cursor=", "patientId=%P"} << QByteArray();
        QTest::newRow("channel messages")
            << Call::channelMessages << QByteArray("GET") << QStringLiteral("/api/chats/channels/%1")
            << QByteArrayList{"cursor="} << QByteArray();
        QTest::newRow("undo") << Call::undo << QByteArray("POST") << QStringLiteral("/api/chats/channels/%1/undo")
                              << QByteArrayList{} << QByteArray();
        QTest::newRow("health story") << Call::healthStory << QByteArray("POST")
                                      << QStringLiteral("/api/chats/health_story") << QByteArrayList{}
                                      << QByteArray(R"({"patientId":"%P"})");
    }

    void requests_carryTheirMethodPathQueryAndBody()
    {
        QFETCH(Call, call);
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArrayList, query);
        QFETCH(QByteArray, body);
        AwaitTask::run(perform(call, m_patientId, m_channelId));
        // Only requests with this session's bearer token are counted.
        const QList<LoggedRequest> sent = m_session->requests(path.arg(m_channelId));
        QCOMPARE(sent.size(), 1);
        const LoggedRequest &request = sent.first();
        QCOMPARE(request.method, method);
        for (QByteArray &item : query)
            item.replace("%P", m_patientId.toUtf8());
        QCOMPARE(sortedItems(request.query), query);
        QCOMPARE(request.header("X-Client-Platform"), QByteArray("mac"));
        if (body.isEmpty()) {
            QVERIFY(!request.hasHeader("Content-Type"));
            QCOMPARE(request.bodyLength, 0);
        } else {
            QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
            QCOMPARE(request.body, body.replace("%P", m_patientId.toUtf8()));
        }
    }

    // Every call renews an expired sign-in once and repeats itself.
    void expiredToken_isRenewedOnce_andTheCallRepeated_data() { requests_carryTheirMethodPathQueryAndBody_data(); }

    void expiredToken_isRenewedOnce_andTheCallRepeated()
    {
        QFETCH(Call, call);
        QFETCH(QString, path);
        m_server.expireAccessTokens();
        AwaitTask::run(perform(call, m_patientId, m_channelId));
        QCOMPARE(m_server.requests(path.arg(m_channelId)).size(), 2);
        QCOMPARE(m_server.requests(QStringLiteral("/api/auth/refreshToken")).size(), 1);
    }

    void channelMessages_areSortedOldestFirst_undatedBeforeDated()
    {
        const QJsonArray data{message("10:02", "2025-03-01T10:02:00Z"), message("none-1", QJsonValue()),
                              message("10:01", "2025-03-01T10:01:00Z"), message("same-a", "2025-03-01T10:01:00Z"),
                              message("none-2", QJsonValue::Undefined)};
        replyWith(channelPath(), 200, QJsonDocument(QJsonObject{{"data", data}, {"cursor", "next"}}).toJson());
        const QList<ChatMessage> sorted = AwaitTask::run(ChatAPIClient::fetchChannelMessages(m_channelId));
        QStringList ids;
        for (const ChatMessage &m : sorted)
            ids << m.id;
        QCOMPARE(ids, (QStringList{"none-1", "none-2", "10:01", "same-a", "10:02"}));
    }

    void replies_thatDoNotDecode_failTheCall_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("fails");
        QTest::newRow("undo []") << Call::undo << QStringLiteral("/api/chats/channels/%1/undo") << QByteArray("[]")
                                 << false;
        QTest::newRow("undo {}") << Call::undo << QStringLiteral("/api/chats/channels/%1/undo") << QByteArray("{}")
                                 << true;
        QTest::newRow("undo empty") << Call::undo << QStringLiteral("/api/chats/channels/%1/undo") << QByteArray()
                                    << true;
        QTest::newRow("story without narrative")
            << Call::healthStory << QStringLiteral("/api/chats/health_story") << QByteArray(R"({"story":"x"})") << true;
        QTest::newRow("story narrative not text") << Call::healthStory << QStringLiteral("/api/chats/health_story")
                                                  << QByteArray(R"({"narrative":5})") << true;
        QTest::newRow("page message without content")
            << Call::channelMessages << QStringLiteral("/api/chats/channels/%1")
            << QByteArray(R"({"data":[{"_id":"a","role":"user","content":"q"},{"_id":"b","role":"user"}]})") << true;
        QTest::newRow("page with a numeric date") << Call::myQuestions << QStringLiteral("/api/chats/my_questions")
                                                  << QByteArray(R"({"data":[{"_id":"a","updatedAt":5}]})") << true;
        QTest::newRow("suggestions not strings")
            << Call::suggestions << QStringLiteral("/api/chats/suggested_questions") << QByteArray(R"(["a",1])")
            << true;
    }

    void replies_thatDoNotDecode_failTheCall()
    {
        QFETCH(Call, call);
        QFETCH(QString, path);
        QFETCH(QByteArray, reply);
        QFETCH(bool, fails);
        replyWith(path.arg(m_channelId), 200, reply);
        const std::optional<APIError> error = failureOf(perform(call, m_patientId, m_channelId));
        QCOMPARE(error.has_value(), fails);
        if (error)
            QCOMPARE(error->kind(), APIError::Kind::DecodingFailed);
    }
};

QTEST_MAIN(ChatAPIClientTest)
#include "ChatAPIClientTest.moc"
