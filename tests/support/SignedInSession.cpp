#include "SignedInSession.h"

#include "AwaitTask.h"

#include "net/APIClient.h"
#include "records/Patient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>
#include <QTimer>
#include <QUuid>

#include <QCoroTask>

#include <algorithm>

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

SignedInSession::~SignedInSession()
{
    drainSharedClient();
}

void SignedInSession::drainSharedClient()
{
    // A request left on its way would be answered 401 once the next case resets the stand-in, and the
    // shared client would retry it through the next case's session. So a case ends only after one more
    // event-loop turn (a queued activation starts) and every reply finished.
    QObject context;
    bool turned = false;
    QTimer::singleShot(0, &context, [&turned] { turned = true; });
    const bool drained = QTest::qWaitFor(
        [&turned] {
            const QList<QNetworkReply *> replies = APIClient::shared().network()->findChildren<QNetworkReply *>();
            return turned && std::none_of(replies.cbegin(), replies.cend(),
                                          [](const QNetworkReply *reply) { return !reply->isFinished(); });
        },
        20000);
    if (!drained)
        qWarning("a request of the ended case is still on its way");
}

QString SignedInSession::userID() const
{
    return m_auth->currentUserID().value_or(QString());
}

void SignedInSession::signIn(const QString &email, const QString &password)
{
    AwaitTask::run(m_auth->login(email, password, true));
}

QStringList SignedInSession::signInForPatientIDs(const QString &email, const QString &password)
{
    signIn(email, password);
    const APIRequest request{.path = QStringLiteral("/patients/listAll"),
                             .query = {{QStringLiteral("userId"), userID()}}};
    QStringList ids;
    for (const Patient &patient : AwaitTask::run(APIClient::shared().request<QList<Patient>>(request)))
        ids.append(patient._id);
    return ids;
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
    const APIRequest request{.method = HTTPMethod::GET,
                             .path = QStringLiteral("/medbits/get"),
                             .query = {{QStringLiteral("medbitId"), QStringLiteral("no-such-entry")}}};
    AwaitTask::run(APIClient::shared().request<EmptyResponse>(request));
}
