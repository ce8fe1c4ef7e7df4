#pragma once

#include "app/LoginView.h"
#include "net/AuthManager.h"
#include "platform/MemoryKeychain.h"

#include <QTest>

// The sign-in screen over a signed-out session with an in-memory keychain, shown and exposed.
struct SignInScreen {
    SignInScreen()
    {
        view.show();
        exposed = QTest::qWaitForWindowExposed(&view);
    }

    MemoryKeychain keychain;
    AuthManager auth{&keychain};
    LoginView view{&auth};
    bool exposed = false;
};
