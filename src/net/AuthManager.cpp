#include "AuthManager.h"

#include "APIClient.h"
#include "ChangeFailure.h"
#include "Keychain.h"

#include <QPointer>

using namespace Qt::StringLiterals;

namespace
{

// The sign-in call of a session, which has no token yet.
APIRequest loginRequest(const QString &email, const QString &password)
{
    APIRequest request{.method = HTTPMethod::POST, .path = u"/auth/userLogin"_s, .requiresAuth = false};
    request.setJSONBody(LoginBody{email, password}.toJson());
    return request;
}

} // namespace

AuthManager::AuthManager(Keychain *keychain, QObject *parent) : AuthTokenProviding(parent), m_keychain(keychain)
{
    APIClient::shared().setAuthProvider(this);
}

AuthManager::~AuthManager() = default;

std::optional<QString> AuthManager::currentUserID() const
{
    if (!m_currentUser)
        return std::nullopt;
    return m_currentUser->id;
}

void AuthManager::setAuthenticated(bool value)
{
    m_isAuthenticated = value;
    Q_EMIT isAuthenticatedChanged(value);
}

void AuthManager::setCurrentUser(std::optional<AuthUser> user)
{
    m_currentUser = std::move(user);
    Q_EMIT currentUserChanged();
}

void AuthManager::setResolvingSession(bool value)
{
    m_isResolvingSession = value;
    Q_EMIT isResolvingSessionChanged(value);
}

QCoro::Task<> AuthManager::restoreSession()
{
    if (m_isAuthenticated) {
        setResolvingSession(false);
        co_return;
    }
    const QPointer<AuthManager> self(this);
    const std::optional<QString> email = co_await m_keychain->load(Keychain::emailService);
    // Not a conditional expression: GCC 12 destroys the result of a co_await inside one twice.
    std::optional<QString> password;
    if (email && self)
        password = co_await m_keychain->load(Keychain::passwordService);
    if (!self)
        co_return;
    if (email && password) {
        const std::optional<LoginResponse> reply = co_await fetchLogin(*email, *password);
        if (!self)
            co_return;
        if (reply) {
            install(*reply, *email, *password, false);
            setResolvingSession(false);
            co_return;
        }
    }
    // A failed restore keeps the stored credentials, so the next start tries again.
    setAuthenticated(false);
    setResolvingSession(false);
}

QCoro::Task<> AuthManager::login(QString email, QString password, bool persist)
{
    const APIRequest request = loginRequest(email, password);
    const QPointer<AuthManager> self(this);
    const LoginResponse reply = co_await APIClient::shared().request<LoginResponse>(request);
    if (self)
        install(reply, email, password, persist);
}

void AuthManager::prepareToSignIn()
{
    APIClient::shared().connectAhead();
}

QCoro::Task<std::optional<LoginResponse>> AuthManager::fetchLogin(QString email, QString password)
{
    const APIRequest request = loginRequest(email, password);
    try {
        co_return co_await APIClient::shared().request<LoginResponse>(request);
    } catch (const APIError &) {
        // A silent sign-in has no one to tell: a transport failure, a 500 and a wrong password all leave it signed out.
        co_return std::nullopt;
    }
}

void AuthManager::install(const LoginResponse &reply, const QString &email, const QString &password, bool persist)
{
    m_accessToken = reply.token.access;
    m_refreshTokenValue = reply.token.refresh;
    setCurrentUser(reply.user);
    setAuthenticated(true);
    if (persist) {
        m_keychain->save(email, Keychain::emailService);
        m_keychain->save(password, Keychain::passwordService);
    }
}

void AuthManager::clearSession()
{
    // Replies still in flight for the ended session see the new generation and install nothing.
    m_sessions.next();
    m_accessToken.reset();
    m_refreshTokenValue.reset();
    setCurrentUser(std::nullopt);
    setAuthenticated(false);
    m_keychain->remove(Keychain::emailService);
    m_keychain->remove(Keychain::passwordService);
}

QCoro::Task<bool> AuthManager::refreshAccessToken()
{
    if (!m_refreshTokenValue)
        co_return co_await reauthenticateFromKeychain();
    const QPointer<AuthManager> self(this);
    const Generation::Token session = m_sessions.current();
    APIRequest request{.method = HTTPMethod::POST, .path = u"/auth/refreshToken"_s, .requiresAuth = false};
    request.setJSONBody({{u"refreshToken"_s, *m_refreshTokenValue}});
    std::optional<RefreshTokenResponse> reply;
    try {
        reply = co_await APIClient::shared().request<RefreshTokenResponse>(request);
    } catch (const APIError &) {
        // Whatever the refresh failed on, the stored credentials below are the fallback.
    }
    if (!self || !m_sessions.isCurrent(session))
        co_return false;
    if (!reply)
        co_return co_await reauthenticateFromKeychain();
    m_accessToken = reply->access;
    m_refreshTokenValue = reply->refresh;
    co_return true;
}

QCoro::Task<bool> AuthManager::reauthenticateFromKeychain()
{
    const QPointer<AuthManager> self(this);
    const Generation::Token session = m_sessions.current();
    // Destroyed, or cleared meanwhile (signed out, or another refresh gave up): sign nobody back in.
    const auto current = [&] { return self && m_sessions.isCurrent(session); };
    const std::optional<QString> email = co_await m_keychain->load(Keychain::emailService);
    std::optional<QString> password;
    if (email && current())
        password = co_await m_keychain->load(Keychain::passwordService);
    std::optional<LoginResponse> reply;
    if (email && password && current())
        reply = co_await fetchLogin(*email, *password);
    if (!current())
        co_return false;
    if (reply) {
        install(*reply, *email, *password, false);
        co_return true;
    }
    clearSession();
    co_return false;
}

QCoro::Task<> AuthManager::registerAccount(QString fullName, QString email, QString password)
{
    const QPointer<AuthManager> self(this);
    APIRequest request{.method = HTTPMethod::POST, .path = u"/auth/userRegister"_s, .requiresAuth = false};
    request.setJSONBody(RegisterBody{fullName, email, password}.toJson());
    co_await APIClient::shared().request<RegisterResponse>(request);
    if (self)
        co_await login(email, password, true);
}

QCoro::Task<> AuthManager::logout()
{
    const QPointer<AuthManager> self(this);
    // A change that reached the service after the sign-out would be refused, and nothing would send it again.
    ChangesInFlight::Settling settling = APIClient::shared().changes().settled();
    const std::optional<QString> failure = co_await settling;
    if (failure)
        throw ChangeFailure(*failure);
    if (!self)
        co_return;
    if (const std::optional<QString> userID = currentUserID()) {
        APIRequest request{.method = HTTPMethod::POST, .path = u"/auth/userLogout"_s};
        request.setJSONBody({{u"userId"_s, *userID}});
        try {
            co_await APIClient::shared().request<std::optional<EmptyResponse>>(request);
        } catch (const std::exception &) {
            // Signing out never fails for the user: the session ends below whatever the service said.
        }
    }
    if (self)
        clearSession();
}

QCoro::Task<> AuthManager::updatePassword(QString currentPassword, QString newPassword)
{
    const std::optional<QString> userID = currentUserID();
    if (!userID)
        throw APIError::unauthorized();
    APIRequest request{.method = HTTPMethod::PUT, .path = u"/auth/updatePassword"_s, .requiresAuth = false};
    request.setJSONBody(UpdatePasswordBody{*userID, currentPassword, newPassword}.toJson());
    const QPointer<AuthManager> self(this);
    co_await APIClient::shared().request<EmptyResponse>(request);
    // The stored password must stay the one that works, or the next silent sign-in would fail and
    // a failed refresh would end the session.
    if (!self)
        co_return;
    const std::optional<QString> stored = co_await m_keychain->load(Keychain::passwordService);
    if (stored && self)
        m_keychain->save(newPassword, Keychain::passwordService);
}

QCoro::Task<> AuthManager::forgotPassword(QString email)
{
    APIRequest request{.method = HTTPMethod::POST, .path = u"/auth/forgotPassword"_s, .requiresAuth = false};
    request.setJSONBody(ForgotPasswordBody{email}.toJson());
    co_await APIClient::shared().request<EmptyResponse>(request);
}
