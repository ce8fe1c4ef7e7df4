#include "SignedInSession.h"

#include "AwaitTask.h"

#include "net/APIClient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>
#include <QUuid>

#include <QCoroTask>

const QString SignedInSession::activationPath = QStringLiteral("/api/patients/updateActive");

SignedInSession::SignedInSession(StandinServer &server, Stores stores)
    : m_server(server), m_auth(std::make_unique<AuthManager>(&m_keychain))
{
    APIClient::shared().setBaseURLForTesting(server.apiBase());
    if (stores == Stores::WithPatients)
        m_patients = std::make_unique<PatientStore>(m_auth.get());
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
    AwaitTask::run(m_auth->login(email, password, true));
}

bool SignedInSession::signInAndLoad(const QString &email, const QString &password)
{
    signIn(email, password);
    const bool loaded = QTest::qWaitFor([this] { return !m_patients->isLoading(); }, 10000);
    const QString chosen = m_patients->selectedPatientID();
    if (!loaded || chosen.isEmpty())
        return loaded;
    return QTest::qWaitFor(
        [this, chosen] {
            const QList<LoggedRequest> activations = requests(activationPath);
            return !activations.isEmpty() && activations.constLast().json()[QLatin1String("patientId")] == chosen;
        },
        10000);
}

QString SignedInSession::registerAccount(const QString &fullName, const QString &password)
{
    const QString email = QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral("@vantorelle.test");
    m_server.apiCall("POST", QStringLiteral("/auth/userRegister"),
                     {{QStringLiteral("fullName"), fullName},
                      {QStringLiteral("email"), email},
                      {QStringLiteral("password"), password}});
    return email;
}

QList<LoggedRequest> SignedInSession::requests(const QString &path) const
{
    const QByteArray bearer = "Bearer " + m_auth->accessToken().value_or(QString()).toUtf8();
    QList<LoggedRequest> own = m_server.requests(path);
    own.removeIf([&bearer](const LoggedRequest &request) { return request.header("Authorization") != bearer; });
    return own;
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
