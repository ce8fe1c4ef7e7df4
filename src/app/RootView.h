#pragma once

#include "MainContentFactory.h"

#include <QWidget>

#include <QCoroTask>

class AuthManager;
class PatientStore;
class QVBoxLayout;

// The root of a main window: "Signing in…" while the session is being resolved, then the main window
// when signed in, else the sign-in or the registration screen, whichever this window last chose.
// When first shown it restores the session from the stored credentials.
class RootView final : public QWidget
{
    Q_OBJECT

public:
    enum class Screen { Resolving, Main, Registration, SignIn };
    Q_ENUM(Screen)

    RootView(AuthManager *authManager, PatientStore *patientStore, MainContentFactory mainContent,
             QWidget *parent = nullptr);

    Screen screen() const { return m_screen; }
    QWidget *content() const { return m_content; }

Q_SIGNALS:
    void screenChanged(RootView::Screen screen);
    // The signed-in window's "Settings".
    void settingsRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    Screen chooseScreen() const;
    void refresh();
    QWidget *makeScreen(Screen screen);
    QWidget *makeProgressScreen();
    void setShowingCreateAccount(bool showing);
    QCoro::Task<> restoreSessionTask();

    AuthManager *m_authManager = nullptr;
    PatientStore *m_patientStore = nullptr;
    MainContentFactory m_mainContent;
    QVBoxLayout *m_layout = nullptr;
    QWidget *m_content = nullptr;
    Screen m_screen = Screen::Resolving;
    bool m_showingCreateAccount = false;
    bool m_restoreStarted = false;
};
