#include "AwaitTask.h"
#include "TestTokenProvider.h"

#include "net/APIClient.h"
#include "net/TokenRenewingStream.h"

#include "StandinServer.h"

#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;

using AwaitTask::failureOf;
using Rule = TokenRenewingStream::Rule;

namespace
{

const QString streamPath = u"/chats/get_answer_free"_s;

QCoro::Task<> collect(Rule rule, QList<SSEEvent> *events)
{
    const APIRequest call{.path = streamPath};
    auto stream = TokenRenewingStream::open(APIClient::shared().makeStreamRequest(call), rule);
    for (auto it = co_await stream.begin(); it != stream.end(); co_await ++it)
        events->append(*it);
}

} // namespace

class TokenRenewingStreamTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        m_provider = std::make_unique<TestTokenProvider>();
        m_provider->token = u"old"_s;
        m_provider->tokenAfterRefresh = u"new"_s;
        APIClient::shared().setBaseURLForTesting(m_server.apiBase());
        APIClient::shared().setAuthProvider(m_provider.get());
    }

    void unauthorized_isRenewedOnlyWhenTheRuleAccepts_data()
    {
        QTest::addColumn<Rule>("rule");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("renewed");
        const QByteArray message = "{\"message\":\"Expired\"}";
        QTest::newRow("any 401, bare") << Rule::anyUnauthorized << QByteArray() << true;
        QTest::newRow("any 401, with message") << Rule::anyUnauthorized << message << true;
        QTest::newRow("without message, bare") << Rule::unauthorizedWithoutMessage << QByteArray() << true;
        QTest::newRow("without message, with message") << Rule::unauthorizedWithoutMessage << message << false;
    }
    void unauthorized_isRenewedOnlyWhenTheRuleAccepts()
    {
        QFETCH(Rule, rule);
        QFETCH(QByteArray, body);
        QFETCH(bool, renewed);
        // The first reply refuses the token, the next one streams.
        const QJsonObject json{{"Content-Type"_L1, "application/json"_L1}};
        script(401, json, body.isEmpty() ? QJsonArray() : QJsonArray{chunk(QString::fromUtf8(body))});
        script(200, {}, {chunk(u"event: done\ndata: {}\n\n"_s)});
        QList<SSEEvent> events;
        const std::optional<APIError> error = failureOf<APIError>(collect(rule, &events));
        QCOMPARE(!error, renewed);
        QCOMPARE(m_provider->refreshCount, renewed ? 1 : 0);
        const QList<LoggedRequest> sent = m_server.requests("/api"_L1 + streamPath);
        QCOMPARE(sent.size(), renewed ? 2 : 1);
        QCOMPARE(sent.last().header("Authorization"), renewed ? "Bearer new"_ba : "Bearer old"_ba);
        QCOMPARE(events.size(), renewed ? 1 : 0);
    }

private:
    void script(int status, const QJsonObject &headers, const QJsonArray &chunks)
    {
        m_server.scriptStream({{"method"_L1, "GET"_L1},
                               {"path"_L1, "/api"_L1 + streamPath},
                               {"status"_L1, status},
                               {"headers"_L1, headers},
                               {"chunks"_L1, chunks}});
    }
    static QJsonObject chunk(const QString &data) { return {{"data"_L1, data}}; }

    StandinServer m_server;
    std::unique_ptr<TestTokenProvider> m_provider;
};

QTEST_GUILESS_MAIN(TokenRenewingStreamTest)
#include "TokenRenewingStreamTest.moc"
