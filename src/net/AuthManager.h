#pragma once

#include "AuthModels.h"
#include "AuthTokenProviding.h"
#include "Generation.h"

#include <optional>

class Keychain;

// The signed-in session and the token provider of APIClient. Registers itself with APIClient::shared()
// on construction. Every assignment of a published value emits its signal (observers that want
// duplicates removed do so themselves), in the order the operations give.
class AuthManager final : public AuthTokenProviding
{
    Q_OBJECT
    Q_PROPERTY(bool isAuthenticated READ isAuthenticated NOTIFY isAuthenticatedChanged)
    Q_PROPERTY(bool isResolvingSession READ isResolvingSession NOTIFY isResolvingSessionChanged)

public:
    // The keychain is not owned and must outlive the manager.
    explicit AuthManager(Keychain *keychain, QObject *parent = nullptr);
    ~AuthManager() override;

    bool isAuthenticated() const { return m_isAuthenticated; }
    bool isResolvingSession() const { return m_isResolvingSession; }
    const std::optional<AuthUser> &currentUser() const { return m_currentUser; }
    std::optional<QString> currentUserID() const;
    std::optional<QString> accessToken() const override { return m_accessToken; }

    QCoro::Task<> restoreSession();
    QCoro::Task<> login(QString email, QString password, bool persist);
    // A sign-in form is open: the connection its request will take is opened while it is filled in.
    void prepareToSignIn();
    void clearSession() override;
    QCoro::Task<bool> refreshAccessToken() override;
    QCoro::Task<bool> reauthenticateFromKeychain();

    QCoro::Task<> registerAccount(QString fullName, QString email, QString password);
    // Lets every change to the service still on its way end first (the program's, whatever window made it),
    // then posts the sign-out and ends the session whatever the service answers. When a change fails while
    // the sign-out waits, the session stays and ChangeFailure with that change's text is thrown.
    QCoro::Task<> logout();
    QCoro::Task<> updatePassword(QString currentPassword, QString newPassword);
    QCoro::Task<> forgotPassword(QString email);

Q_SIGNALS:
    void isAuthenticatedChanged(bool isAuthenticated);
    void currentUserChanged();
    void isResolvingSessionChanged(bool isResolvingSession);

private:
    void setAuthenticated(bool value);
    void setCurrentUser(std::optional<AuthUser> user);
    void setResolvingSession(bool value);
    // The sign-in call alone; nullopt on any failure.
    QCoro::Task<std::optional<LoginResponse>> fetchLogin(QString email, QString password);
    void install(const LoginResponse &reply, const QString &email, const QString &password, bool persist);

    Keychain *m_keychain = nullptr;
    bool m_isAuthenticated = false;
    std::optional<AuthUser> m_currentUser;
    bool m_isResolvingSession = true;
    std::optional<QString> m_accessToken;
    std::optional<QString> m_refreshTokenValue;
    // Advanced only by clearSession: a reply that arrives for an ended session installs nothing.
    Generation m_sessions;
};
