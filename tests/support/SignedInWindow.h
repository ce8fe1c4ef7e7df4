#pragma once

#include "../clipboard/ClipboardTestSettings.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include "mainwindow/ContentView.h"

#include <QSize>
#include <QTest>

#include <memory>

// The main window of the demo account on a freshly reset stand-in, for the window's screen tests.
namespace SignedInWindow
{

// Shows the window at `size`, then signs in; what the case waits for after that is its own.
inline bool open(StandinServer &server, std::unique_ptr<SignedInSession> &session, std::unique_ptr<ContentView> &view,
                 QSize size)
{
    server.reset();
    ClipboardTestSettings::clear();
    session = std::make_unique<SignedInSession>(server);
    view = std::make_unique<ContentView>(session->auth(), session->patients());
    view->resize(size);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        return false;
    session->signIn(StandinServer::demoEmail, StandinServer::demoPassword);
    return true;
}

// The window goes before the session it shows.
inline void close(std::unique_ptr<SignedInSession> &session, std::unique_ptr<ContentView> &view)
{
    view.reset();
    session.reset();
}

} // namespace SignedInWindow
