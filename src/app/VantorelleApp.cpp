#include "VantorelleApp.h"

#include "MainWindow.h"
#include "SettingsView.h"
#include "net/AuthManager.h"
#include "platform/UpdaterController.h"
#include "records/PatientStore.h"

#include <QApplication>
#include <QTimer>

VantorelleApp::VantorelleApp(Keychain *keychain, MainContentFactory mainContent, QObject *parent)
    : QObject(parent), m_mainContent(std::move(mainContent)), m_authManager(std::make_unique<AuthManager>(keychain))
{
    connect(m_authManager.get(), &AuthManager::isAuthenticatedChanged, this,
            &VantorelleApp::returnFromSettingsOnSignOut);
}

VantorelleApp::~VantorelleApp()
{
    // Windows use the stores, so they go first.
    for (const auto &window : std::as_const(m_windows))
        delete window.data();
    delete m_settingsView.data();
}

PatientStore *VantorelleApp::patientStore()
{
    if (!m_patientStore)
        m_patientStore = std::make_unique<PatientStore>(m_authManager.get());
    return m_patientStore.get();
}

UpdaterController *VantorelleApp::updater()
{
    if (!m_updater)
        m_updater = std::make_unique<UpdaterController>();
    return m_updater.get();
}

QList<MainWindow *> VantorelleApp::windows() const
{
    QList<MainWindow *> open;
    for (const auto &window : m_windows) {
        if (window)
            open.append(window);
    }
    return open;
}

SettingsView *VantorelleApp::settingsView() const
{
    return m_settingsView;
}

MainWindow *VantorelleApp::openNewWindow()
{
    m_windows.removeIf([](const QPointer<MainWindow> &window) { return window.isNull(); });
    auto *window = new MainWindow(this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_windows.append(window);
    window->show();
    return window;
}

void VantorelleApp::showSettings()
{
    // Signed out, it would show no account and offer changes that fail.
    if (!m_authManager->isAuthenticated())
        return;
    if (auto *opener = qobject_cast<MainWindow *>(QApplication::activeWindow()))
        m_settingsOpener = opener;
    if (!m_settingsView)
        m_settingsView = new SettingsView(m_authManager.get(), patientStore());
    m_settingsView->show();
    m_settingsView->raise();
    m_settingsView->activateWindow();
}

// Signing out closes the settings window, which leaves no window active: the window it was opened from takes the
// keyboard back, on its sign-in screen, once the settings window has gone.
void VantorelleApp::returnFromSettingsOnSignOut(bool isAuthenticated)
{
    if (isAuthenticated || !m_settingsView || !m_settingsView->isVisible())
        return;
    const QList<MainWindow *> open = windows();
    QPointer<MainWindow> window = m_settingsOpener ? m_settingsOpener.data() : (open.isEmpty() ? nullptr : open.last());
    if (window)
        QTimer::singleShot(0, window, [window] { window->activateWindow(); });
}
