#include "RootView.h"

#include "CreateAccountView.h"
#include "LoginView.h"
#include "MainContent.h"
#include "net/AuthManager.h"
#include "widgets/BusyIndicator.h"

#include <QLabel>
#include <QVBoxLayout>

RootView::RootView(AuthManager *authManager, PatientStore *patientStore, MainContentFactory mainContent,
                   QWidget *parent)
    : QWidget(parent), m_authManager(authManager), m_patientStore(patientStore), m_mainContent(std::move(mainContent)),
      m_layout(new QVBoxLayout(this))
{
    setObjectName(QStringLiteral("rootView"));
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_screen = chooseScreen();
    m_content = makeScreen(m_screen);
    m_layout->addWidget(m_content, 0, m_screen == Screen::Main ? Qt::Alignment() : Qt::AlignCenter);
    connect(m_authManager, &AuthManager::isResolvingSessionChanged, this, &RootView::refresh);
    connect(m_authManager, &AuthManager::isAuthenticatedChanged, this, &RootView::refresh);
}

void RootView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_restoreStarted)
        return;
    m_restoreStarted = true;
    restoreSessionTask();
}

QCoro::Task<> RootView::restoreSessionTask()
{
    // Never throws; the published flags redraw every window.
    co_await m_authManager->restoreSession();
}

RootView::Screen RootView::chooseScreen() const
{
    if (m_authManager->isResolvingSession())
        return Screen::Resolving;
    if (m_authManager->isAuthenticated())
        return Screen::Main;
    return m_showingCreateAccount ? Screen::Registration : Screen::SignIn;
}

void RootView::refresh()
{
    const Screen next = chooseScreen();
    if (next == m_screen)
        return;
    // A screen's running task may still resume after it is replaced, so it goes later, not now.
    m_layout->removeWidget(m_content);
    m_content->hide();
    m_content->deleteLater();
    m_screen = next;
    m_content = makeScreen(next);
    m_layout->addWidget(m_content, 0, next == Screen::Main ? Qt::Alignment() : Qt::AlignCenter);
    // Shown now rather than on the layout's later turn, so the window can size itself to it at once.
    m_content->show();
    m_content->setFocus();
    emit screenChanged(next);
}

QWidget *RootView::makeScreen(Screen screen)
{
    switch (screen) {
    case Screen::Resolving:
        return makeProgressScreen();
    case Screen::Main: {
        MainContent *view = m_mainContent(m_authManager, m_patientStore, this);
        connect(view, &MainContent::settingsRequested, this, &RootView::settingsRequested);
        return view;
    }
    case Screen::Registration: {
        auto *view = new CreateAccountView(m_authManager, this);
        connect(view, &CreateAccountView::switchToSignIn, this, [this] { setShowingCreateAccount(false); });
        return view;
    }
    case Screen::SignIn:
        break;
    }
    auto *view = new LoginView(m_authManager, this);
    connect(view, &LoginView::switchToCreateAccount, this, [this] { setShowingCreateAccount(true); });
    return view;
}

QWidget *RootView::makeProgressScreen()
{
    auto *screen = new QWidget(this);
    screen->setObjectName(QStringLiteral("signingInView"));
    screen->setFixedSize(420, 420);
    auto *layout = new QVBoxLayout(screen);
    layout->setSpacing(8);
    layout->addStretch(1);
    layout->addWidget(new BusyIndicator(24, screen), 0, Qt::AlignHCenter);
    auto *label = new QLabel(tr("Signing in…"), screen);
    label->setObjectName(QStringLiteral("progressLabel"));
    layout->addWidget(label, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    return screen;
}

void RootView::setShowingCreateAccount(bool showing)
{
    m_showingCreateAccount = showing;
    refresh();
}
