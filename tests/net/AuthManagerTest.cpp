#include "AwaitTask.h"

#include "net/APIClient.h"
#include "net/AuthManager.h"
#include "platform/MemoryKeychain.h"

#include "StandinServer.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

using AwaitTask::failureOf;

namespace
{

const QString emailItem = u"com.vantorelle.auth-email"_s;
const QString passwordItem = u"com.vantorelle.auth-password"_s;

} // namespace

class AuthManagerTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        APIClient::shared().setBaseURLForTesting(m_server.apiBase());
        m_log.clear();
        m_keychain = std::make_unique<MemoryKeychain>(&m_log);
        m_auth = std::make_unique<AuthManager>(m_keychain.get());
        connect(m_auth.get(), &AuthManager::isAuthenticatedChanged, this,
                [this](bool value) { m_log.append(u"isAuthenticated=%1"_s.arg(value)); });
        connect(m_auth.get(), &AuthManager::isResolvingSessionChanged, this,
                [this](bool value) { m_log.append(u"isResolvingSession=%1"_s.arg(value)); });
        connect(m_auth.get(), &AuthManager::currentUserChanged, this, [this] {
            m_log.append(u"currentUser=%1"_s.arg(m_auth->currentUser() ? m_auth->currentUser()->fullName : u"none"_s));
        });
    }

    void cleanup()
    {
        m_auth.reset();
        m_keychain.reset();
    }

    void login_publishesUserThenFlagThenStoresEmailThenPassword()
    {
        QVERIFY(m_auth->isResolvingSession());
        AwaitTask::run(m_auth->login(StandinServer::demoEmail, StandinServer::demoPassword, true));
        QCOMPARE(m_log, (QStringList{u"currentUser=Dana Demo"_s, u"isAuthenticated=1"_s,
                                     "save "_L1 + emailItem + ' '_L1 + StandinServer::demoEmail,
                                     "save "_L1 + passwordItem + ' '_L1 + StandinServer::demoPassword}));
        QVERIFY(m_auth->accessToken());
        QVERIFY(m_auth->currentUserID());
        QCOMPARE(APIClient::shared().authProvider(), m_auth.get());
    }

    void login_withoutPersistLeavesStoredItems()
    {
        m_keychain->save(u"old@x.test"_s, emailItem);
        m_log.clear();
        AwaitTask::run(m_auth->login(StandinServer::demoEmail, StandinServer::demoPassword, false));
        QCOMPARE(m_log, (QStringList{u"currentUser=Dana Demo"_s, u"isAuthenticated=1"_s}));
        QCOMPARE(m_keychain->item(emailItem), u"old@x.test"_s);
    }

    void login_wrongPasswordChangesNothing()
    {
        const auto error = failureOf(m_auth->login(StandinServer::demoEmail, u"wrong"_s, true));
        QCOMPARE(error->kind(), APIError::Kind::Server);
        QCOMPARE(error->status(), 401);
        QVERIFY(m_log.isEmpty());
        QVERIFY(!m_auth->accessToken());
        QVERIFY(m_server.requests(u"/api/auth/refreshToken"_s).isEmpty());
    }

    void restore_signsInWithStoredCredentials()
    {
        storeDemoCredentials();
        AwaitTask::run(m_auth->restoreSession());
        QCOMPARE(m_log, (QStringList{"load "_L1 + emailItem, "load "_L1 + passwordItem, u"currentUser=Dana Demo"_s,
                                     u"isAuthenticated=1"_s, u"isResolvingSession=0"_s}));
    }

    void restore_withoutPasswordEndsSignedOutAndKeepsEmail()
    {
        m_keychain->save(StandinServer::demoEmail, emailItem);
        m_log.clear();
        AwaitTask::run(m_auth->restoreSession());
        QCOMPARE(m_log, (QStringList{"load "_L1 + emailItem, "load "_L1 + passwordItem, u"isAuthenticated=0"_s,
                                     u"isResolvingSession=0"_s}));
        QCOMPARE(m_keychain->item(emailItem), StandinServer::demoEmail);
        QVERIFY(m_server.requests(u"/api/auth/userLogin"_s).isEmpty());
    }

    void restore_rejectedPasswordKeepsBothItems()
    {
        m_keychain->save(StandinServer::demoEmail, emailItem);
        m_keychain->save(u"outdated"_s, passwordItem);
        AwaitTask::run(m_auth->restoreSession());
        QVERIFY(!m_auth->isAuthenticated());
        QVERIFY(!m_auth->isResolvingSession());
        QVERIFY(m_keychain->item(emailItem));
        QVERIFY(m_keychain->item(passwordItem));
    }

    void restore_whenSignedInOnlyEndsResolving()
    {
        signInDemo();
        AwaitTask::run(m_auth->restoreSession());
        QCOMPARE(m_log, QStringList{u"isResolvingSession=0"_s});
    }

    void refresh_replacesTokensOnly()
    {
        signInDemo();
        const auto before = m_auth->accessToken();
        QVERIFY(AwaitTask::run(m_auth->refreshAccessToken()));
        QVERIFY(m_auth->accessToken() != before);
        QVERIFY(m_log.isEmpty());
    }

    void refresh_rejectedFallsBackToStoredCredentials()
    {
        AwaitTask::run(m_auth->login(StandinServer::demoEmail, StandinServer::demoPassword, true));
        m_log.clear();
        m_server.injectFault({{"path"_L1, "/api/auth/refreshToken"_L1}, {"status"_L1, 401}});
        QVERIFY(AwaitTask::run(m_auth->refreshAccessToken()));
        QCOMPARE(m_log, (QStringList{"load "_L1 + emailItem, "load "_L1 + passwordItem, u"currentUser=Dana Demo"_s,
                                     u"isAuthenticated=1"_s}));
    }

    void refresh_withoutAnyWayBackClearsEverything()
    {
        AwaitTask::run(m_auth->login(StandinServer::demoEmail, StandinServer::demoPassword, true));
        m_log.clear();
        // Unreachable service: Qt repeats a request once on a dropped keep-alive connection.
        m_server.injectFault({{"path"_L1, "/api/auth/refreshToken"_L1}, {"drop"_L1, true}, {"times"_L1, 0}});
        m_server.injectFault({{"path"_L1, "/api/auth/userLogin"_L1}, {"drop"_L1, true}, {"times"_L1, 0}});
        QVERIFY(!AwaitTask::run(m_auth->refreshAccessToken()));
        QCOMPARE(m_log, (QStringList{"load "_L1 + emailItem, "load "_L1 + passwordItem, u"currentUser=none"_s,
                                     u"isAuthenticated=0"_s, "remove "_L1 + emailItem, "remove "_L1 + passwordItem}));
        QVERIFY(!m_auth->accessToken());
    }

    void refresh_withNothingToGoOnMakesNoCall()
    {
        QVERIFY(!AwaitTask::run(m_auth->refreshAccessToken()));
        QVERIFY(m_server.requests().isEmpty());
        QVERIFY(m_log.endsWith("remove "_L1 + passwordItem));
    }

    void refresh_completingAfterClearInstallsNothing()
    {
        signInDemo();
        m_server.injectFault({{"path"_L1, "/api/auth/refreshToken"_L1}, {"delayMs"_L1, 300}});
        QCoro::Task<bool> refresh = m_auth->refreshAccessToken();
        m_auth->clearSession();
        m_log.clear();
        QVERIFY(!AwaitTask::run(std::move(refresh)));
        QVERIFY(!m_auth->accessToken());
        QVERIFY(!m_auth->isAuthenticated());
        QVERIFY(m_log.isEmpty());
    }

    void reauthentication_completingAfterClearSignsNobodyIn()
    {
        AwaitTask::run(m_auth->login(StandinServer::demoEmail, StandinServer::demoPassword, true));
        m_server.injectFault({{"path"_L1, "/api/auth/refreshToken"_L1}, {"status"_L1, 401}});
        m_server.injectFault({{"path"_L1, "/api/auth/userLogin"_L1}, {"delayMs"_L1, 2000}});
        QCoro::Task<bool> refresh = m_auth->refreshAccessToken();
        QTRY_COMPARE_WITH_TIMEOUT(m_server.requests(u"/api/auth/userLogin"_s).size(), 1, 5000);
        m_auth->clearSession();
        m_log.clear();
        QVERIFY(!AwaitTask::run(std::move(refresh)));
        QVERIFY(!m_auth->isAuthenticated());
        QVERIFY(m_log.isEmpty());
    }

    // The manager can go (a closing test or application) while its replies are still on the way; they then
    // touch nothing of it.
    void operationsOutliveTheManager()
    {
        signInDemo();
        m_server.injectFault({{"path"_L1, "/api/auth/refreshToken"_L1}, {"delayMs"_L1, 300}});
        QCoro::Task<bool> refresh = m_auth->refreshAccessToken();
        m_server.injectFault({{"path"_L1, "/api/auth/userLogin"_L1}, {"delayMs"_L1, 300}});
        QCoro::Task<> login = m_auth->login(StandinServer::demoEmail, StandinServer::demoPassword, true);
        m_server.injectFault({{"path"_L1, "/api/auth/userLogout"_L1}, {"delayMs"_L1, 300}});
        QCoro::Task<> logout = m_auth->logout();
        m_auth.reset();
        QVERIFY(!AwaitTask::run(std::move(refresh)));
        AwaitTask::run(std::move(login));
        AwaitTask::run(std::move(logout));
        QVERIFY(!m_log.contains("remove "_L1 + passwordItem));
    }

    void clientRefreshesExpiredTokenThroughTheManager()
    {
        signInDemo();
        m_server.expireAccessTokens();
        const APIRequest request{.path = u"/patients/listAll"_s, .query = {{u"userId"_s, m_auth->currentUserID()}}};
        const QList<QJsonValue> patients = AwaitTask::run(APIClient::shared().request<QList<QJsonValue>>(request));
        QCOMPARE(patients.size(), 2);
        QCOMPARE(m_server.requests(u"/api/auth/refreshToken"_s).size(), 1);
        QCOMPARE(m_server.requests(u"/api/patients/listAll"_s).size(), 2);
    }

    void clearSession_republishesWhenAlreadyClear()
    {
        m_auth->clearSession();
        QCOMPARE(m_log, (QStringList{u"currentUser=none"_s, u"isAuthenticated=0"_s, "remove "_L1 + emailItem,
                                     "remove "_L1 + passwordItem}));
    }

    void logout_callsServiceThenClears()
    {
        signInDemo();
        const QString userID = *m_auth->currentUserID();
        const QByteArray bearer = "Bearer " + m_auth->accessToken()->toUtf8();
        AwaitTask::run(m_auth->logout());
        const LoggedRequest sent = m_server.requests(u"/api/auth/userLogout"_s).value(0);
        QCOMPARE(sent.header("Authorization"), bearer);
        QCOMPARE(sent.json().toObject(), (QJsonObject{{"userId"_L1, userID}}));
        QCOMPARE(m_log, (QStringList{u"currentUser=none"_s, u"isAuthenticated=0"_s, "remove "_L1 + emailItem,
                                     "remove "_L1 + passwordItem}));
    }

    void logout_failingServiceStillSignsOut()
    {
        signInDemo();
        m_server.injectFault({{"path"_L1, "/api/auth/userLogout"_L1}, {"status"_L1, 500}});
        AwaitTask::run(m_auth->logout());
        QVERIFY(!m_auth->isAuthenticated());
        QVERIFY(m_log.endsWith("remove "_L1 + passwordItem));
    }

    void logout_signedOutMakesNoCall()
    {
        AwaitTask::run(m_auth->logout());
        QVERIFY(m_server.requests().isEmpty());
        QCOMPARE(m_log.size(), 4);
    }

    void updatePassword_storesTheNewPasswordWhenOneIsStored()
    {
        AwaitTask::run(m_auth->login(StandinServer::demoEmail, StandinServer::demoPassword, true));
        m_log.clear();
        AwaitTask::run(m_auth->updatePassword(StandinServer::demoPassword, u"new-secret"_s));
        const LoggedRequest sent = m_server.requests(u"/api/auth/updatePassword"_s).value(0);
        QVERIFY(!sent.hasHeader("Authorization"));
        QCOMPARE(sent.json().toObject().keys(), (QStringList{u"newPass"_s, u"oldPass"_s, u"userId"_s}));
        QCOMPARE(m_log, (QStringList{"load "_L1 + passwordItem, "save "_L1 + passwordItem + u" new-secret"_s}));
        QVERIFY(m_auth->isAuthenticated());
    }

    void updatePassword_withNothingStoredStoresNothing()
    {
        signInDemo();
        AwaitTask::run(m_auth->updatePassword(StandinServer::demoPassword, u"new-secret"_s));
        QCOMPARE(m_log, QStringList{"load "_L1 + passwordItem});
    }

    void updatePassword_wrongCurrentPasswordIsServerErrorAndKeepsSession()
    {
        signInDemo();
        const auto error = failureOf(m_auth->updatePassword(u"wrong"_s, u"new"_s));
        QCOMPARE(error->status(), 401);
        QCOMPARE(error->description(), u"The current password is incorrect."_s);
        QVERIFY(m_auth->isAuthenticated());
        QVERIFY(m_log.isEmpty());
    }

    void updatePassword_signedOutFailsWithoutCall()
    {
        QCOMPARE(failureOf(m_auth->updatePassword(u"a"_s, u"b"_s))->kind(), APIError::Kind::Unauthorized);
        QVERIFY(m_server.requests().isEmpty());
    }

    void forgotPassword_worksSignedOut()
    {
        AwaitTask::run(m_auth->forgotPassword(StandinServer::demoEmail));
        QCOMPARE(m_server.requests(u"/api/auth/forgotPassword"_s).value(0).json().toObject(),
                 (QJsonObject{{"email"_L1, StandinServer::demoEmail}}));
        QVERIFY(m_log.isEmpty());
    }

    void register_signsInAndStoresCredentials()
    {
        AwaitTask::run(m_auth->registerAccount(u"Robin New"_s, u"robin@x.test"_s, u"pw-robin"_s));
        QCOMPARE(m_log, (QStringList{u"currentUser=Robin New"_s, u"isAuthenticated=1"_s,
                                     "save "_L1 + emailItem + u" robin@x.test"_s,
                                     "save "_L1 + passwordItem + u" pw-robin"_s}));
    }

    void register_emptyReplyFailsWithoutSignIn()
    {
        m_server.injectFault({{"path"_L1, "/api/auth/userRegister"_L1}, {"status"_L1, 200}, {"body"_L1, "{}"_L1}});
        const auto error = failureOf(m_auth->registerAccount(u"R"_s, u"r@x.test"_s, u"pw"_s));
        QCOMPARE(error->kind(), APIError::Kind::DecodingFailed);
        QVERIFY(m_server.requests(u"/api/auth/userLogin"_s).isEmpty());
        QVERIFY(m_log.isEmpty());
    }

private:
    void storeDemoCredentials()
    {
        m_keychain->save(StandinServer::demoEmail, emailItem);
        m_keychain->save(StandinServer::demoPassword, passwordItem);
        m_log.clear();
    }

    void signInDemo()
    {
        AwaitTask::run(m_auth->login(StandinServer::demoEmail, StandinServer::demoPassword, false));
        m_server.clearRequests();
        m_log.clear();
    }

    StandinServer m_server;
    QStringList m_log;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<AuthManager> m_auth;
};

QTEST_GUILESS_MAIN(AuthManagerTest)
#include "AuthManagerTest.moc"
