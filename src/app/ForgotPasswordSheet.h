#pragma once

#include "widgets/Sheet.h"

#include <QCoroTask>

class AuthManager;
class BusyButton;
class QLabel;
class QLineEdit;
class ScreenAction;

// Asks the service to mail a password-reset link. Confirmation and errors share one status caption,
// and the sheet stays open until the user cancels it: Escape and the window's close do nothing.
class ForgotPasswordSheet final : public Sheet
{
    Q_OBJECT

public:
    explicit ForgotPasswordSheet(AuthManager *authManager, QWidget *parent = nullptr);

private:
    void updateButton();
    void submit();
    QCoro::Task<> sendResetTask(QString email);

    AuthManager *m_authManager = nullptr;
    QLineEdit *m_emailField = nullptr;
    QLabel *m_statusLabel = nullptr;
    BusyButton *m_sendButton = nullptr;
    ScreenAction *m_sendReset = nullptr;
};
