#pragma once

#include "MainContentFactory.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <QCoroTask>

#include <memory>

class AuthManager;
class Keychain;
class MainWindow;
class PatientStore;
class QWidget;
class SavingChangesDialog;
class SettingsView;
class UpdaterController;

// The application: the one session, patient store and update controller, its main windows and the one
// settings window. The keychain is not owned and must outlive the application; the factory builds what a
// signed-in window shows. The session and the stores are made before any screen and outlive every window (the
// destructor closes the windows first), so screens take and keep them as plain pointers that are never null.
class VantorelleApp final : public QObject
{
    Q_OBJECT

public:
    VantorelleApp(Keychain *keychain, MainContentFactory mainContent, QObject *parent = nullptr);
    ~VantorelleApp() override;

    AuthManager *authManager() const { return m_authManager.get(); }
    // Made on first use, then kept for the life of the application.
    PatientStore *patientStore();
    UpdaterController *updater();
    const MainContentFactory &mainContentFactory() const { return m_mainContent; }

    QList<MainWindow *> windows() const;
    // Null until Settings… is first chosen.
    SettingsView *settingsView() const;

    MainWindow *openNewWindow();
    // Only while signed in; the window closes at sign-out.
    void showSettings();
    // Quits, once no change to the service is on its way any more (a process that exits cuts them off).
    // Meanwhile the saving dialog shows; closing the last window waits the same way.
    void quit();
    // Null unless a quit waits for changes.
    SavingChangesDialog *savingChangesDialog() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void returnFromSettingsOnSignOut(bool isAuthenticated);
    bool isLastWindow(const QObject *closing) const;
    // Quits, or closes `closing` when it is a window, as soon as the changes in flight have ended well.
    QCoro::Task<> quitWhenSaved(QPointer<QWidget> closing);
    void finishQuit(const QPointer<QWidget> &closing);

    MainContentFactory m_mainContent;
    std::unique_ptr<AuthManager> m_authManager;
    std::unique_ptr<PatientStore> m_patientStore;
    std::unique_ptr<UpdaterController> m_updater;
    QList<QPointer<MainWindow>> m_windows;
    QPointer<SettingsView> m_settingsView;
    // The window Settings… was last chosen from.
    QPointer<MainWindow> m_settingsOpener;
    QPointer<SavingChangesDialog> m_savingChanges;
    // The user chose to quit without waiting for the changes.
    bool m_isLeavingChanges = false;
};
