#pragma once

#include "net/APIClient.h"
#include "net/AuthManager.h"
#include "platform/MemoryKeychain.h"
#include "records/PatientStore.h"

#include "AwaitTask.h"
#include "StandinServer.h"

#include <QUuid>

#include <QCoroTask>

// The application's two long-lived objects over an in-memory keychain, pointed at a stand-in.
struct SignedInSession {
    explicit SignedInSession(StandinServer &server) { APIClient::shared().setBaseURLForTesting(server.apiBase()); }

    // Signs in as the application does from the sign-in screen (credentials stored).
    void signIn(const QString &email, const QString &password) { AwaitTask::run(auth.login(email, password, true)); }

    MemoryKeychain keychain;
    AuthManager auth{&keychain};
    PatientStore patients{&auth};
};

namespace SessionTestKit
{

// Makes an account without patients on the stand-in; returns its e-mail.
inline QString registerEmptyAccount(StandinServer &server, const QString &fullName, const QString &password)
{
    const QString email = QStringLiteral("user-%1@vantorelle.test").arg(QUuid::createUuid().toString(QUuid::Id128));
    server.apiCall("POST", QStringLiteral("/auth/userRegister"),
                   {{QStringLiteral("fullName"), fullName},
                    {QStringLiteral("email"), email},
                    {QStringLiteral("password"), password}});
    return email;
}

} // namespace SessionTestKit
