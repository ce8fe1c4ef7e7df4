#pragma once

#include <QPointer>
#include <QWidget>

#include <QCoroTask>

class AuthManager;
class BusyButton;
class ForgotPasswordSheet;
class QLabel;
class QLineEdit;
class ScreenAction;

// The sign-in screen. It never navigates after a successful sign-in: the session change does.
class LoginView final : public QWidget
{
    Q_OBJECT

public:
    explicit LoginView(AuthManager *authManager, QWidget *parent = nullptr);

Q_SIGNALS:
    void switchToCreateAccount();

private:
    QWidget *buildForm();
    void updateButton();
    void signIn();
    QCoro::Task<> signInTask(QString email, QString password);
    void showForgotPassword();

    AuthManager *m_authManager = nullptr;
    QLineEdit *m_emailField = nullptr;
    QLineEdit *m_passwordField = nullptr;
    QLabel *m_errorLabel = nullptr;
    BusyButton *m_signInButton = nullptr;
    ScreenAction *m_signIn = nullptr;
    QPointer<ForgotPasswordSheet> m_forgotPasswordSheet;
};
