#pragma once

#include "../clipboard/ClipboardTestSettings.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include "clipboard/ClipboardHistories.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/ProgramRecords.h"
#include "widgets/ModalShield.h"

#include <QSize>
#include <QTest>

#include <memory>

// The main window over a fresh session on a reset stand-in, for the window's screen tests. A member of the
// test class beside its stand-in: each case opens it in init() and closes it in cleanup(). The window's
// settings live in a temporary folder of the test executable. Its records stand for the program's: a second
// window of the same program is handed them too.
class SignedInWindow final
{
public:
    enum class SignIn { Demo, Later };

    explicit SignedInWindow(StandinServer &server) : m_server(server) {}
    // The program's clipboard watch reads the world through clipboardSeams.
    SignedInWindow(StandinServer &server, const ClipboardSeams &clipboardSeams)
        : m_server(server), m_clipboardSeams(clipboardSeams)
    {
    }
    ~SignedInWindow() { close(); }
    SignedInWindow(const SignedInWindow &) = delete;
    SignedInWindow &operator=(const SignedInWindow &) = delete;

    // Shows the window at `size`, then signs in as the demo user unless the case does it later; what the
    // case waits for after that is its own.
    bool open(QSize size, SignIn signIn = SignIn::Demo)
    {
        m_server.reset();
        ClipboardTestSettings::clear();
        // As the application does at start: sheets and alerts keep screen readers away from what is behind.
        ModalShield::install();
        m_session = std::make_unique<SignedInSession>(m_server);
        m_records = std::make_unique<ProgramRecords>(m_clipboardSeams);
        m_view = std::make_unique<ContentView>(m_session->auth(), m_session->patients(), m_records.get());
        m_view->resize(size);
        m_view->show();
        if (!QTest::qWaitForWindowExposed(m_view.get()))
            return false;
        if (signIn == SignIn::Demo)
            m_session->signIn(StandinServer::demoEmail, StandinServer::demoPassword);
        return true;
    }

    // The window goes before the session it shows, and the records it showed after it.
    void close()
    {
        m_view.reset();
        m_session.reset();
        m_records.reset();
    }

    SignedInSession *session() const { return m_session.get(); }
    ContentView *view() const { return m_view.get(); }
    ProgramRecords *records() { return m_records.get(); }

private:
    ClipboardTestSettings m_settings;
    StandinServer &m_server;
    ClipboardSeams m_clipboardSeams;
    std::unique_ptr<SignedInSession> m_session;
    std::unique_ptr<ProgramRecords> m_records;
    std::unique_ptr<ContentView> m_view;
};
