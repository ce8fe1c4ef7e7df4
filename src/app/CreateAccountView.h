#pragma once

#include <QWidget>

#include <QCoroTask>

class AuthManager;
class BusyButton;
class QLabel;
class QLineEdit;
class ScreenAction;

// The registration screen. A successful registration signs in, and the session change leaves the screen.
class CreateAccountView final : public QWidget
{
    Q_OBJECT

public:
    explicit CreateAccountView(AuthManager *authManager, QWidget *parent = nullptr);

    bool isFormValid() const;

Q_SIGNALS:
    void switchToSignIn();

private:
    QWidget *buildForm();
    QLineEdit *addField(QWidget *column, const QString &name, const QString &label, const QString &placeholder);
    void updateForm();
    void submit();
    QCoro::Task<> registerTask(QString fullName, QString email, QString password);

    AuthManager *m_authManager = nullptr;
    QLineEdit *m_fullNameField = nullptr;
    QLineEdit *m_emailField = nullptr;
    QLineEdit *m_passwordField = nullptr;
    QLineEdit *m_confirmPasswordField = nullptr;
    QLabel *m_mismatchLabel = nullptr;
    QLabel *m_errorLabel = nullptr;
    BusyButton *m_createButton = nullptr;
    ScreenAction *m_register = nullptr;
};
