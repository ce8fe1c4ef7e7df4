#pragma once

#include "net/APIClient.h"
#include "net/AuthManager.h"
#include "platform/MemoryKeychain.h"
#include "records/PatientStore.h"

#include "AwaitTask.h"
#include "StandinServer.h"

#include <QLabel>
#include <QTest>
#include <QUuid>

#include <QCoroTask>

// The application's two long-lived objects over an in-memory keychain, pointed at a stand-in.
struct SignedInSession
{
    explicit SignedInSession(StandinServer &server)
    {
        APIClient::shared().setBaseURLForTesting(server.apiBase());
    }

    // Signs in as the application does from the sign-in screen (credentials stored).
    void signIn(const QString &email, const QString &password)
    {
        AwaitTask::run(auth.login(email, password, true));
    }

    MemoryKeychain keychain;
    AuthManager auth{&keychain};
    PatientStore patients{&auth};
};

namespace SessionTestKit {

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

// Types text character by character, also characters that QTest::keyClicks cannot send.
inline void type(QWidget *widget, const QString &text)
{
    for (const QChar character : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
}

inline QString shownText(const QLabel *label)
{
    return label->isVisible() ? label->text() : QString();
}

} // namespace SessionTestKit
