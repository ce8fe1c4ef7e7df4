#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <QCoroTask>

class AuthManager;
class BusyButton;
class ChangePasswordSheet;
class PatientStore;
class QLabel;
class QPushButton;
class QScrollArea;
class ScreenAction;

// The settings window: the signed-in account (password change, sign-out), the account's patients and
// the support links. It shows what the session and the patient store publish, and closes when the session
// signs out.
class SettingsView final : public QWidget
{
    Q_OBJECT

public:
    SettingsView(AuthManager *authManager, PatientStore *patientStore, QWidget *parent = nullptr);

    static const QString supportEmail;
    static const QString feedbackEmail;
    static const QUrl privacyPolicyURL;

    // "mailto:" + address + "?subject=" + the subject percent-encoded for a query.
    static QUrl mailURL(const QString &address, const QString &subject);

    // Tall enough to show all of its content unscrolled, within the window's height limits and the screen.
    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildAccountSection();
    QWidget *buildSupportSection();
    QPushButton *supportButton(const QString &title, const QString &name, QWidget *parent);
    void refreshAccount();
    void closeOnSignOut(bool isAuthenticated);
    void showChangePassword();
    void signOut();
    QCoro::Task<> runSignOut();

    AuthManager *m_authManager = nullptr;
    ScreenAction *m_signingOut = nullptr;
    QScrollArea *m_scroll = nullptr;
    QLabel *m_name = nullptr;
    QLabel *m_email = nullptr;
    BusyButton *m_signOut = nullptr;
    QLabel *m_signOutError = nullptr;
    QPointer<ChangePasswordSheet> m_changePasswordSheet;
    bool m_openedOnce = false;
};
