#pragma once

#include "StandinServer.h"

#include "net/AuthManager.h"
#include "platform/MemoryKeychain.h"
#include "records/PatientStore.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

// The application's session over an in-memory keychain, pointed at a stand-in, for store and screen
// tests: an AuthManager and (unless a test makes its own) the PatientStore the application would hand
// its screens. It counts finished replies per path, so a test can wait until a (delayed) reply has been
// handled, and reads the stand-in's log as this session sent it. It ends only when none of its requests
// is still on its way, so one case's requests never reach the next case's stand-in state.
class SignedInSession final : public QObject
{
    Q_OBJECT

public:
    enum class Stores { AuthOnly, WithPatients };

    explicit SignedInSession(StandinServer &server, Stores stores = Stores::WithPatients);
    ~SignedInSession() override;

    MemoryKeychain &keychain() { return m_keychain; }
    AuthManager *auth() const { return m_auth.get(); }
    // Null with Stores::AuthOnly.
    PatientStore *patients() const { return m_patients.get(); }
    QString userID() const;

    // Signs in as the sign-in screen does (credentials stored).
    void signIn(const QString &email, const QString &password);
    // Signs in as signIn() does, then reads back the account's patients' ids in the service's order (the
    // demo account's Alex, then Sam).
    QStringList signInForPatientIDs(const QString &email = StandinServer::demoEmail,
                                    const QString &password = StandinServer::demoPassword);
    // Signs in, then waits for the patient store's first load and for the activation of the patient it
    // chose to reach the stand-in. False past the deadline.
    bool signInAndLoad(const QString &email = StandinServer::demoEmail,
                       const QString &password = StandinServer::demoPassword);
    // Registers an account without patients on the stand-in and returns its e-mail.
    QString registerAccount(const QString &fullName, const QString &password = StandinServer::demoPassword);

    // The stand-in's log of one path ("/api/…"), only the requests this session's current token sent: an
    // earlier test's session may still have a request on its way after the stand-in was reset.
    QList<LoggedRequest> requests(const QString &path) const;
    int finishedReplies(const QString &apiPath) const;
    // One authorized round trip through the client: whatever was sent before it has been sent.
    void roundTrip();

    // Waits until no request of the shared client is on its way (for screen tests that build whole
    // windows without a session of their own).
    static void drainSharedClient();

    static const QString activationPath;

private:
    StandinServer &m_server;
    MemoryKeychain m_keychain;
    std::unique_ptr<AuthManager> m_auth;
    std::unique_ptr<PatientStore> m_patients;
    QStringList m_finishedPaths;
};
