#pragma once

#include "net/AuthManager.h"
#include "platform/MemoryKeychain.h"

#include <QNetworkReply>
#include <QObject>
#include <QString>

#include <memory>

class StandinServer;

// A session for store tests against the stand-in: an AuthManager over an in-memory keychain, and a count
// of finished replies per path, so a test can wait until a (delayed) reply has been handled by the client.
class SignedInSession final : public QObject
{
    Q_OBJECT

public:
    explicit SignedInSession(StandinServer &server);
    ~SignedInSession() override;

    AuthManager *auth() const { return m_auth.get(); }
    QString userID() const;
    void signIn(const QString &email, const QString &password);
    // Registers a new account on the stand-in and returns its e-mail; the password is the demo one.
    QString registerAccount(const QString &name);
    int finishedReplies(const QString &apiPath) const;
    // One authorized round trip through the client: whatever was sent before it has been sent.
    void roundTrip();

private:
    StandinServer &m_server;
    MemoryKeychain m_keychain;
    std::unique_ptr<AuthManager> m_auth;
    QStringList m_finishedPaths;
};
