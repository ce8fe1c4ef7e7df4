#pragma once

#include "widgets/Sheet.h"

#include <QCoroTask>

class AuthManager;
class BusyButton;
class QLabel;
class QLineEdit;
class ScreenAction;

// The window-modal sheet in which the signed-in user changes the account password. A successful change
// closes it; a failure shows the service's text in the sheet and keeps the fields. Only Cancel and a
// successful change close it: Escape and the window's close do nothing.
class ChangePasswordSheet final : public Sheet
{
    Q_OBJECT

public:
    explicit ChangePasswordSheet(AuthManager *authManager, QWidget *parent = nullptr);

    bool isFormValid() const;

private:
    bool isFilled() const;
    QLineEdit *addPasswordField(const QString &label, const QString &placeholder, const QString &name);
    void refresh();
    void submit();
    QCoro::Task<> runChange(QString currentPassword, QString newPassword);

    AuthManager *m_authManager = nullptr;
    ScreenAction *m_change = nullptr;
    QLineEdit *m_currentPassword = nullptr;
    QLineEdit *m_newPassword = nullptr;
    QLineEdit *m_confirmPassword = nullptr;
    QLabel *m_mismatch = nullptr;
    QLabel *m_error = nullptr;
    BusyButton *m_save = nullptr;
};
