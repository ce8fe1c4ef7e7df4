#include "SignedInSession.h"

#include "StandinServer.h"

#include "AwaitTask.h"

#include "net/APIClient.h"

#include <QNetworkAccessManager>
#include <QUuid>

#include <QCoroTask>

SignedInSession::SignedInSession(StandinServer &server)
    : m_server(server), m_auth(std::make_unique<AuthManager>(&m_keychain))
{
    APIClient::shared().setBaseURLForTesting(server.apiBase());
    connect(APIClient::shared().network(), &QNetworkAccessManager::finished, this,
            [this](QNetworkReply *reply) { m_finishedPaths.append(reply->url().path()); });
}

SignedInSession::~SignedInSession() = default;

QString SignedInSession::userID() const
{
    return m_auth->currentUserID().value_or(QString());
}

void SignedInSession::signIn(const QString &email, const QString &password)
{
    AwaitTask::run(m_auth->login(email, password, false));
}

QString SignedInSession::registerAccount(const QString &name)
{
    const QString email = QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral("@vantorelle.test");
    m_server.apiCall("POST", QStringLiteral("/auth/userRegister"),
                     {{QStringLiteral("fullName"), name},
                      {QStringLiteral("email"), email},
                      {QStringLiteral("password"), StandinServer::demoPassword}});
    return email;
}

int SignedInSession::finishedReplies(const QString &apiPath) const
{
    return int(m_finishedPaths.count(QStringLiteral("/api") + apiPath));
}

void SignedInSession::roundTrip()
{
    const APIRequest request{.path = QStringLiteral("/medbits/get"),
                             .query = {{QStringLiteral("medbitId"), QStringLiteral("no-such-entry")}}};
    AwaitTask::run(APIClient::shared().request<EmptyResponse>(request));
}
