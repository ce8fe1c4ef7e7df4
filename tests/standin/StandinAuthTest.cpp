#include "StandinServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <httplib.h>

// Sign-in, tokens and registration as the client's session code relies on them.
class StandinAuthTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void firstLine_namesTheApiBase();
    void signIn_returnsUserAndTokenPair();
    void signIn_wrongPassword_is401WithMessage();
    void authorizedRoute_withoutValidBearer_is401_data();
    void authorizedRoute_withoutValidBearer_is401();
    void expiredAccessToken_is401_andRefreshGivesWorkingToken();
    void refresh_unknownToken_is401();
    void register_newAccountCanSignIn_takenEmailRefused();
    void register_missingField_is400();
    void malformedOrUndeclaredJson_is400_unknownRoute_is404();
    void updatePassword_checksOldPassword();
    void logout_needsBearer_andEndsThatToken();

private:
    QString listPath(const QString &userId) const { return QStringLiteral("/patients/listAll?userId=") + userId; }

    StandinServer m_server;
};

void StandinAuthTest::init()
{
    QVERIFY(m_server.isRunning());
    m_server.reset();
}

void StandinAuthTest::firstLine_namesTheApiBase()
{
    QCOMPARE(m_server.apiBase(), QUrl(QStringLiteral("http://127.0.0.1:%1/api").arg(m_server.port())));
}

void StandinAuthTest::signIn_returnsUserAndTokenPair()
{
    const QJsonObject reply = m_server
                                  .apiCall("POST", QStringLiteral("/auth/userLogin"),
                                           {{QStringLiteral("email"), StandinServer::demoEmail},
                                            {QStringLiteral("password"), StandinServer::demoPassword}})
                                  .toObject();
    QCOMPARE(m_server.lastStatus(), 200);
    const QJsonObject user = reply[QLatin1String("user")].toObject();
    QVERIFY(user[QLatin1String("_id")].isString());
    QCOMPARE(user[QLatin1String("fullName")].toString(), QStringLiteral("Dana Demo"));
    QCOMPARE(user[QLatin1String("email")].toString(), StandinServer::demoEmail);
    QVERIFY(!reply[QLatin1String("token")][QLatin1String("access")].toString().isEmpty());
    QVERIFY(!reply[QLatin1String("token")][QLatin1String("refresh")].toString().isEmpty());
}

void StandinAuthTest::signIn_wrongPassword_is401WithMessage()
{
    const QJsonValue reply = m_server.apiCall(
        "POST", QStringLiteral("/auth/userLogin"),
        {{QStringLiteral("email"), StandinServer::demoEmail}, {QStringLiteral("password"), QStringLiteral("wrong")}});
    QCOMPARE(m_server.lastStatus(), 401);
    QCOMPARE(reply[QLatin1String("message")].toString(), QStringLiteral("Invalid email or password."));
}

void StandinAuthTest::authorizedRoute_withoutValidBearer_is401_data()
{
    QTest::addColumn<QByteArray>("authorization");
    QTest::newRow("no header") << QByteArray();
    QTest::newRow("unknown token") << QByteArray("Bearer acc.nothing");
    QTest::newRow("refresh token as bearer") << QByteArray("refresh");
    QTest::newRow("other scheme") << QByteArray("Basic Zm9vOmJhcg==");
}

void StandinAuthTest::authorizedRoute_withoutValidBearer_is401()
{
    QFETCH(QByteArray, authorization);
    const StandinSession session = m_server.signIn();
    httplib::Client client("127.0.0.1", m_server.port());
    httplib::Headers headers;
    if (authorization == "refresh")
        headers.emplace("Authorization", "Bearer " + session.refresh.toStdString());
    else if (!authorization.isEmpty())
        headers.emplace("Authorization", authorization.toStdString());
    const auto result = client.Get(("/api" + listPath(session.userId)).toStdString(), headers);
    QVERIFY(result);
    QCOMPARE(result->status, 401);
    QVERIFY(!QJsonDocument::fromJson(QByteArray::fromStdString(result->body))[QLatin1String("message")]
                 .toString()
                 .isEmpty());
}

void StandinAuthTest::expiredAccessToken_is401_andRefreshGivesWorkingToken()
{
    const StandinSession session = m_server.signIn();
    m_server.expireAccessTokens();
    m_server.apiCall("GET", listPath(session.userId), {}, session.access);
    QCOMPARE(m_server.lastStatus(), 401);

    const QJsonObject pair = m_server
                                 .apiCall("POST", QStringLiteral("/auth/refreshToken"),
                                          {{QStringLiteral("refreshToken"), QString::fromUtf8(session.refresh)}})
                                 .toObject();
    QCOMPARE(m_server.lastStatus(), 200);
    QVERIFY(pair[QLatin1String("refresh")].isString());
    const QByteArray fresh = pair[QLatin1String("access")].toString().toUtf8();
    QVERIFY(!fresh.isEmpty());
    QCOMPARE(m_server.apiCall("GET", listPath(session.userId), {}, fresh).toArray().size(), 2);
    QCOMPARE(m_server.lastStatus(), 200);
}

void StandinAuthTest::refresh_unknownToken_is401()
{
    m_server.apiCall("POST", QStringLiteral("/auth/refreshToken"),
                     {{QStringLiteral("refreshToken"), QStringLiteral("ref.unknown")}});
    QCOMPARE(m_server.lastStatus(), 401);
}

void StandinAuthTest::register_newAccountCanSignIn_takenEmailRefused()
{
    const QJsonObject body{{QStringLiteral("fullName"), QStringLiteral("Noor Test")},
                           {QStringLiteral("email"), QStringLiteral("noor@example.test")},
                           {QStringLiteral("password"), QStringLiteral("pw-1")}};
    const QJsonValue created = m_server.apiCall("POST", QStringLiteral("/auth/userRegister"), body);
    QCOMPARE(m_server.lastStatus(), 200);
    QVERIFY(created[QLatin1String("_id")].isString());
    QCOMPARE(m_server.signIn(QStringLiteral("noor@example.test"), QStringLiteral("pw-1")).userId,
             created[QLatin1String("_id")].toString());

    QJsonObject taken = body;
    taken[QStringLiteral("email")] = StandinServer::demoEmail;
    const QJsonValue refusal = m_server.apiCall("POST", QStringLiteral("/auth/userRegister"), taken);
    QCOMPARE(m_server.lastStatus(), 409);
    QVERIFY(!refusal[QLatin1String("message")].toString().isEmpty());
}

void StandinAuthTest::register_missingField_is400()
{
    const QJsonValue reply = m_server.apiCall("POST", QStringLiteral("/auth/userRegister"),
                                              {{QStringLiteral("email"), QStringLiteral("x@example.test")},
                                               {QStringLiteral("password"), QStringLiteral("pw")}});
    QCOMPARE(m_server.lastStatus(), 400);
    QVERIFY(reply[QLatin1String("message")].toString().contains(QLatin1String("fullName")));
}

void StandinAuthTest::malformedOrUndeclaredJson_is400_unknownRoute_is404()
{
    httplib::Client client("127.0.0.1", m_server.port());
    const auto malformed = client.Post("/api/auth/userLogin", "{\"email\": ", "application/json");
    QVERIFY(malformed);
    QCOMPARE(malformed->status, 400);
    QVERIFY(malformed->body.find("\"message\"") != std::string::npos);

    const auto formEncoded = client.Post("/api/auth/userLogin", "{\"email\": \"a\", \"password\": \"b\"}",
                                         "application/x-www-form-urlencoded");
    QVERIFY(formEncoded);
    QCOMPARE(formEncoded->status, 400);

    const auto unknown = client.Get("/api/no/such/route");
    QVERIFY(unknown);
    QCOMPARE(unknown->status, 404);
    QVERIFY(unknown->body.find("\"message\"") != std::string::npos);
}

void StandinAuthTest::updatePassword_checksOldPassword()
{
    const StandinSession session = m_server.signIn();
    QJsonObject body{{QStringLiteral("userId"), session.userId},
                     {QStringLiteral("oldPass"), QStringLiteral("not-it")},
                     {QStringLiteral("newPass"), QStringLiteral("new-pw")}};
    const QJsonValue refusal = m_server.apiCall("PUT", QStringLiteral("/auth/updatePassword"), body);
    QCOMPARE(m_server.lastStatus(), 401);
    QVERIFY(!refusal[QLatin1String("message")].toString().isEmpty());

    body[QStringLiteral("oldPass")] = StandinServer::demoPassword;
    m_server.apiCall("PUT", QStringLiteral("/auth/updatePassword"), body);
    QCOMPARE(m_server.lastStatus(), 200);
    QCOMPARE(m_server.signIn(StandinServer::demoEmail, QStringLiteral("new-pw")).userId, session.userId);
}

void StandinAuthTest::logout_needsBearer_andEndsThatToken()
{
    const StandinSession session = m_server.signIn();
    const QJsonObject body{{QStringLiteral("userId"), session.userId}};
    m_server.apiCall("POST", QStringLiteral("/auth/userLogout"), body);
    QCOMPARE(m_server.lastStatus(), 401);
    m_server.apiCall("POST", QStringLiteral("/auth/userLogout"), body, session.access);
    QCOMPARE(m_server.lastStatus(), 200);
    m_server.apiCall("GET", listPath(session.userId), {}, session.access);
    QCOMPARE(m_server.lastStatus(), 401);
}

QTEST_GUILESS_MAIN(StandinAuthTest)
#include "StandinAuthTest.moc"
