#include "VantorelleApp.h"

#include "MainWindow.h"
#include "SavingChangesDialog.h"
#include "SettingsView.h"
#include "net/APIClient.h"
#include "net/AuthManager.h"
#include "platform/UpdaterController.h"
#include "records/PatientStore.h"

#include <QApplication>
#include <QCloseEvent>
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
    delete m_savingChanges.data();
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
    window->installEventFilter(this);
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
    if (!m_settingsView) {
        m_settingsView = new SettingsView(m_authManager.get(), patientStore());
        m_settingsView->installEventFilter(this);
    }
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

SavingChangesDialog *VantorelleApp::savingChangesDialog() const
{
    return m_savingChanges;
}

void VantorelleApp::quit()
{
    if (APIClient::shared().changes().count() == 0) {
        QCoreApplication::quit();
        return;
    }
    quitWhenSaved(nullptr);
}

// The close of the last window ends the program: with a change still on its way it waits, as Quit does.
bool VantorelleApp::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Close || m_isLeavingChanges || APIClient::shared().changes().count() == 0 ||
        !isLastWindow(watched))
        return false;
    event->ignore();
    quitWhenSaved(qobject_cast<QWidget *>(watched));
    return true;
}

bool VantorelleApp::isLastWindow(const QObject *closing) const
{
    for (const MainWindow *window : windows()) {
        if (window != closing && window->isVisible())
            return false;
    }
    return !m_settingsView || m_settingsView == closing || !m_settingsView->isVisible();
}

QCoro::Task<> VantorelleApp::quitWhenSaved(QPointer<QWidget> closing)
{
    if (m_savingChanges) {
        m_savingChanges->raise();
        m_savingChanges->activateWindow();
        co_return;
    }
    const QPointer<SavingChangesDialog> dialog = new SavingChangesDialog;
    m_savingChanges = dialog;
    const QPointer<VantorelleApp> self(this);
    connect(dialog, &SavingChangesDialog::quitNowChosen, this, [this, closing] {
        m_isLeavingChanges = true;
        finishQuit(closing);
    });
    dialog->show();
    ChangesInFlight::Settling settling = APIClient::shared().changes().settled();
    const std::optional<QString> failure = co_await settling;
    // Cancelled, or left with "Quit Now", meanwhile.
    if (!self || !dialog)
        co_return;
    if (failure) {
        dialog->showFailure(*failure);
        co_return;
    }
    dialog->close();
    finishQuit(closing);
}

void VantorelleApp::finishQuit(const QPointer<QWidget> &closing)
{
    if (closing)
        closing->close();
    else
        QCoreApplication::quit();
}
