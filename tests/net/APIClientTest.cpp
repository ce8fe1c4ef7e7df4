#include "AwaitTask.h"
#include "TestTokenProvider.h"

#include "net/APIClient.h"
#include "net/AuthModels.h"

#include "StandinServer.h"

#include <QJsonArray>
#include <QTcpServer>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

using AwaitTask::failureOf;

namespace
{

// Tests are ordinary functions, so the descriptor may be built in the call: no co_await expression holds it.
template <typename T> QCoro::Task<T> call(APIRequest request)
{
    return APIClient::shared().request<T>(std::move(request));
}

} // namespace

class APIClientTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        m_provider.token = u"tok"_s;
        m_provider.tokenAfterRefresh.reset();
        m_provider.refreshCount = 0;
        m_provider.clearCount = 0;
        APIClient::shared().setBaseURLForTesting(m_server.apiBase());
        APIClient::shared().setAuthProvider(&m_provider);
        APIClient::shared().setIdleTimeout(60s);
    }

    void headers_jsonCallCarriesAllThree()
    {
        stub(u"/api/probe"_s, 200, u"{}"_s);
        APIRequest request{.method = HTTPMethod::PUT, .path = u"/probe"_s};
        request.setJSONBody({{u"a"_s, 1}});
        AwaitTask::run(call<EmptyResponse>(request));
        const LoggedRequest sent = m_server.requests(u"/api/probe"_s).value(0);
        QCOMPARE(sent.method, "PUT"_ba);
        QCOMPARE(sent.header("Content-Type"), "application/json"_ba);
        QCOMPARE(sent.header("X-Client-Platform"), "mac"_ba);
        QCOMPARE(sent.header("Authorization"), "Bearer tok"_ba);
        QCOMPARE(sent.body, "{\"a\":1}"_ba);
    }

    void headers_contentTypeOnlyWhenGiven()
    {
        stub(u"/api/probe"_s, 200, u"{}"_s, 0);
        AwaitTask::run(call<EmptyResponse>({.method = HTTPMethod::POST, .path = u"/probe"_s}));
        AwaitTask::run(call<EmptyResponse>({.method = HTTPMethod::POST, .path = u"/probe"_s, .body = "raw"_ba}));
        const QList<LoggedRequest> sent = m_server.requests(u"/api/probe"_s);
        QCOMPARE(sent.size(), 2);
        QVERIFY(!sent[0].hasHeader("Content-Type"));
        QVERIFY(sent[0].body.isEmpty());
        QVERIFY(!sent[1].hasHeader("Content-Type"));
        QCOMPARE(sent[1].body, "raw"_ba);
    }

    void headers_bearerRules()
    {
        stub(u"/api/probe"_s, 200, u"{}"_s, 0);
        AwaitTask::run(call<EmptyResponse>({.path = u"/probe"_s, .requiresAuth = false}));
        m_provider.token = u""_s;
        AwaitTask::run(call<EmptyResponse>({.path = u"/probe"_s}));
        m_provider.token.reset();
        AwaitTask::run(call<EmptyResponse>({.path = u"/probe"_s}));
        const QList<LoggedRequest> sent = m_server.requests(u"/api/probe"_s);
        QVERIFY(!sent[0].hasHeader("Authorization"));
        // The server's header parser drops the trailing space of "Bearer ".
        QCOMPARE(sent[1].header("Authorization"), "Bearer"_ba);
        QVERIFY(!sent[2].hasHeader("Authorization"));
    }

    void query_isEncodedAndSkipsAbsentValues_data()
    {
        QTest::addColumn<QueryItems>("query");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("none") << QueryItems{} << ""_ba;
        QTest::newRow("all absent") << QueryItems{{u"a"_s, std::nullopt}} << ""_ba;
        QTest::newRow("empty value kept") << QueryItems{{u"cursor"_s, u""_s}, {u"x"_s, std::nullopt}} << "cursor="_ba;
        QTest::newRow("plus survives") << QueryItems{{u"content"_s, u"2+2 & more=?"_s}}
                                       << "content=2%2B2%20%26%20more%3D%3F"_ba;
        QTest::newRow("order kept") << QueryItems{{u"b"_s, u"1"_s}, {u"a"_s, u"\u00e9"_s}} << "b=1&a=%C3%A9"_ba;
    }
    void query_isEncodedAndSkipsAbsentValues()
    {
        QFETCH(QueryItems, query);
        QFETCH(QByteArray, sent);
        stub(u"/api/probe"_s, 200, u"{}"_s);
        AwaitTask::run(call<EmptyResponse>({.path = u"/probe"_s, .query = query}));
        QCOMPARE(m_server.requests(u"/api/probe"_s).value(0).query, sent);
        const QByteArray url = APIClient::shared().makeURL(u"/probe"_s, query)->toEncoded();
        QCOMPARE(url.contains('?'), !sent.isEmpty());
    }

    void path_joinsWithOneSlash()
    {
        QUrl base = m_server.apiBase();
        base.setPath(base.path() + u"/"_s);
        APIClient::shared().setBaseURLForTesting(base);
        QCOMPARE(APIClient::shared().makeURL(u"/auth/userLogin"_s, {})->path(), u"/api/auth/userLogin"_s);
        QCOMPARE(APIClient::shared()
                     .makeURL(u"/medbits/delete/a?b#c"_s, {})
                     ->toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority),
                 "/api/medbits/delete/a%3Fb%23c"_ba);
        APIClient::shared().setBaseURLForTesting(QUrl(u"http://"_s));
        QCOMPARE(failureOf(call<EmptyResponse>({.path = u"/x"_s}))->description(), u"Invalid request URL."_s);
    }

    void unauthorized_refreshesOnceAndRepeatsWithNewToken()
    {
        const auto [userID, token] = signIn();
        m_provider.token = u"stale"_s;
        m_provider.tokenAfterRefresh = token;
        AwaitTask::run(call<EmptyResponse>({.path = u"/patients/listAll"_s, .query = {{u"userId"_s, userID}}}));
        const QList<LoggedRequest> sent = m_server.requests(u"/api/patients/listAll"_s);
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent[0].header("Authorization"), "Bearer stale"_ba);
        QCOMPARE(sent[1].header("Authorization"), "Bearer " + token.toUtf8());
        QCOMPARE(sent[1].query, sent[0].query);
        QCOMPARE(m_provider.refreshCount, 1);
        QCOMPARE(m_provider.clearCount, 0);
    }

    void unauthorized_secondRejectionIsServerErrorWithoutSecondRefresh()
    {
        m_provider.token = u"stale"_s;
        m_provider.tokenAfterRefresh = u"also-stale"_s;
        const auto error =
            failureOf(call<EmptyResponse>({.path = u"/patients/listAll"_s, .query = {{u"userId"_s, u"u"_s}}}));
        QCOMPARE(error->kind(), APIError::Kind::Server);
        QCOMPARE(error->status(), 401);
        QCOMPARE(error->description(), u"Invalid or expired access token."_s);
        QCOMPARE(m_server.requests(u"/api/patients/listAll"_s).size(), 2);
        QCOMPARE(m_provider.refreshCount, 1);
        QCOMPARE(m_provider.clearCount, 0);
    }

    void unauthorized_failedRefreshClearsOnce()
    {
        m_provider.token = u"stale"_s;
        const auto error =
            failureOf(call<EmptyResponse>({.path = u"/patients/listAll"_s, .query = {{u"userId"_s, u"u"_s}}}));
        QCOMPARE(error->kind(), APIError::Kind::Unauthorized);
        QCOMPARE(error->description(), u"Please sign in again."_s);
        QCOMPARE(m_server.requests(u"/api/patients/listAll"_s).size(), 1);
        QCOMPARE(m_provider.refreshCount, 1);
        QCOMPARE(m_provider.clearCount, 1);
    }

    void unauthorized_withoutProviderFailsAtOnce()
    {
        APIClient::shared().setAuthProvider(nullptr);
        const auto error =
            failureOf(call<EmptyResponse>({.path = u"/patients/listAll"_s, .query = {{u"userId"_s, u"u"_s}}}));
        QCOMPARE(error->kind(), APIError::Kind::Unauthorized);
        const QList<LoggedRequest> sent = m_server.requests(u"/api/patients/listAll"_s);
        QCOMPARE(sent.size(), 1);
        QVERIFY(!sent[0].hasHeader("Authorization"));
    }

    void unauthorized_onUnauthorizedCallIsServerError()
    {
        APIRequest request{.method = HTTPMethod::POST, .path = u"/auth/userLogin"_s, .requiresAuth = false};
        request.setJSONBody(LoginBody{StandinServer::demoEmail, u"wrong"_s}.toJson());
        const auto error = failureOf(call<LoginResponse>(request));
        QCOMPARE(error->kind(), APIError::Kind::Server);
        QCOMPARE(error->status(), 401);
        QCOMPARE(error->description(), u"Invalid email or password."_s);
        QCOMPARE(m_provider.refreshCount, 0);
    }

    void failedStatus_messageRule_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("contentType"); // empty: the stand-in's default, JSON
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message");
        QTest::newRow("json message") << 500 << u""_s << "{\"message\":\"Boom\"}"_ba << u"Boom"_s;
        QTest::newRow("empty json message") << 500 << u""_s << "{\"message\":\"\"}"_ba << u""_s;
        QTest::newRow("json without message") << 500 << u""_s << "{\"error\":1}"_ba << u"{\"error\":1}"_s;
        QTest::newRow("text untrimmed") << 500 << u""_s << "  down for maintenance\n"_ba
                                        << u"  down for maintenance\n"_s;
        QTest::newRow("plain text") << 503 << u"text/plain"_s << "Service unavailable"_ba << u"Service unavailable"_s;
        QTest::newRow("empty") << 500 << u""_s << ""_ba << u"Request failed with status 500."_s;
        QTest::newRow("not UTF-8") << 500 << u""_s << "\xff\xfe\x80"_ba << u"Request failed with status 500."_s;
        // A proxy's or gateway's page: its markup means nothing to the user.
        QTest::newRow("html page") << 502 << u"text/html"_s
                                   << "<!DOCTYPE html><html><body><h1>502 Bad Gateway</h1></body></html>"_ba
                                   << u"Request failed with status 502."_s;
        QTest::newRow("markup after blanks")
            << 500 << u""_s << " \r\n\t<html>oops</html>"_ba << u"Request failed with status 500."_s;
        QTest::newRow("html type, plain words")
            << 504 << u"Text/HTML; charset=utf-8"_s << "Gateway Timeout"_ba << u"Request failed with status 504."_s;
        QTest::newRow("html type, json body")
            << 500 << u"text/html"_s << "{\"message\":\"Boom\"}"_ba << u"Request failed with status 500."_s;
    }
    void failedStatus_messageRule()
    {
        QFETCH(int, status);
        QFETCH(QString, contentType);
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        QJsonObject fault{{"path"_L1, "/api/probe"_L1},
                          {"status"_L1, status},
                          {"bodyBase64"_L1, QString::fromLatin1(body.toBase64())}};
        if (!contentType.isEmpty())
            fault.insert("headers"_L1, QJsonObject{{"Content-Type"_L1, contentType}});
        m_server.injectFault(fault);
        const auto error = failureOf(call<EmptyResponse>({.path = u"/probe"_s}));
        QCOMPARE(error->kind(), APIError::Kind::Server);
        QCOMPARE(error->status(), status);
        QCOMPARE(error->description(), message);
    }

    void emptyBody_dependsOnResultType()
    {
        stub(u"/api/probe"_s, 204, {}, 0);
        AwaitTask::run(call<EmptyResponse>({.method = HTTPMethod::DELETE, .path = u"/probe"_s}));
        QVERIFY(AwaitTask::run(call<std::optional<EmptyResponse>>({.method = HTTPMethod::POST, .path = u"/probe"_s}))
                    .has_value());
        QCOMPARE(failureOf(call<std::optional<AuthUser>>({.path = u"/probe"_s}))->kind(),
                 APIError::Kind::DecodingFailed);
        QCOMPARE(failureOf(call<QStringList>({.method = HTTPMethod::POST, .path = u"/probe"_s}))->description(),
                 u"Received an unexpected response from the server."_s);
    }

    void nullBody_isAbsentForOptionals()
    {
        stub(u"/api/probe"_s, 200, u"null"_s, 0);
        QVERIFY(!AwaitTask::run(call<std::optional<AuthUser>>({.path = u"/probe"_s})).has_value());
        QCOMPARE(failureOf(call<AuthUser>({.path = u"/probe"_s}))->kind(), APIError::Kind::DecodingFailed);
    }

    void missingRequiredKey_failsDecoding()
    {
        stub(u"/api/probe"_s, 200, u"{\"_id\":\"u\",\"fullName\":\"N\"}"_s);
        QCOMPARE(failureOf(call<AuthUser>({.path = u"/probe"_s}))->kind(), APIError::Kind::DecodingFailed);
    }

    // A body that comes in many pieces, with or without its length announced, is read whole, and decodes the
    // same on a worker thread; a malformed one fails there as it does here.
    void pieces_gatherIntoOneBody_decodedHereOrAside_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<bool>("decodes");
        QList<QByteArray> many{"["};
        for (int i = 0; i < 400; ++i)
            many << (i ? ",\"" : "\"") + QByteArray(1000, char('a' + i % 26)) + '"';
        many << "]";
        QTest::newRow("one piece") << QList<QByteArray>{"[\"a\",\"b\"]"} << true;
        QTest::newRow("many pieces") << many << true;
        QTest::newRow("cut in a text") << QList<QByteArray>{"[\"a", "b\",\"c\"]"} << true;
        QTest::newRow("malformed") << QList<QByteArray>{"[\"a\",", "]"} << false;
    }

    void pieces_gatherIntoOneBody_decodedHereOrAside()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(bool, decodes);
        QJsonArray chunks;
        for (const QByteArray &piece : pieces)
            chunks.append(QJsonObject{{"data"_L1, QString::fromUtf8(piece)}});
        m_server.scriptStream({{"method"_L1, "GET"_L1},
                               {"path"_L1, "/api/probe"_L1},
                               {"times"_L1, 2},
                               {"headers"_L1, QJsonObject{{"Content-Type"_L1, "application/json"_L1}}},
                               {"chunks"_L1, chunks}});
        if (!decodes) {
            QCOMPARE(failureOf(call<QStringList>({.path = u"/probe"_s}))->kind(), APIError::Kind::DecodingFailed);
            QCOMPARE(failureOf(APIClient::shared().requestDecodedAside<QStringList>({.path = u"/probe"_s}))->kind(),
                     APIError::Kind::DecodingFailed);
            return;
        }
        const QStringList expected = APIClient::decodeReply<QStringList>(pieces.join());
        QCOMPARE(AwaitTask::run(call<QStringList>({.path = u"/probe"_s})), expected);
        QCOMPARE(AwaitTask::run(APIClient::shared().requestDecodedAside<QStringList>({.path = u"/probe"_s})), expected);
    }

    // The connection a request is about to need is opened ahead, to the service's own host and port.
    void connectAhead_opensAConnectionToTheService()
    {
        QTcpServer service;
        QVERIFY(service.listen(QHostAddress::LocalHost));
        APIClient::shared().setBaseURLForTesting(QUrl(u"http://127.0.0.1:%1/api"_s.arg(service.serverPort())));
        APIClient::shared().connectAhead();
        QTRY_VERIFY(service.hasPendingConnections());
    }

    void silence_failsWithTimeoutText()
    {
        APIClient::shared().setIdleTimeout(300ms);
        m_server.injectFault({{"path"_L1, "/api/probe"_L1}, {"hang"_L1, true}});
        const auto error = failureOf(call<EmptyResponse>({.path = u"/probe"_s}));
        QCOMPARE(error->kind(), APIError::Kind::Network);
        QCOMPARE(error->description(), u"The request timed out."_s);
        m_server.clearFaults();
    }

    void droppedConnection_isNetworkError()
    {
        m_server.injectFault({{"path"_L1, "/api/probe"_L1}, {"drop"_L1, true}, {"times"_L1, 0}});
        const auto error = failureOf(call<EmptyResponse>({.path = u"/probe"_s}));
        QCOMPARE(error->kind(), APIError::Kind::Network);
        QVERIFY(!error->description().isEmpty());
        QVERIFY(error->description() != u"Operation canceled"_s);
        m_server.clearFaults();
    }

private:
    void stub(const QString &path, int status, const QString &body, int times = 1)
    {
        m_server.injectFault({{"path"_L1, path}, {"status"_L1, status}, {"body"_L1, body}, {"times"_L1, times}});
    }

    std::pair<QString, QString> signIn()
    {
        const QJsonObject reply =
            m_server
                .apiCall("POST", u"/auth/userLogin"_s,
                         {{"email"_L1, StandinServer::demoEmail}, {"password"_L1, StandinServer::demoPassword}})
                .toObject();
        m_server.clearRequests();
        return {reply["user"_L1]["_id"_L1].toString(), reply["token"_L1]["access"_L1].toString()};
    }

    StandinServer m_server;
    TestTokenProvider m_provider;
};

QTEST_GUILESS_MAIN(APIClientTest)
#include "APIClientTest.moc"
