#include "ChangePasswordSheet.h"

#include "net/APIError.h"
#include "net/AuthManager.h"
#include "widgets/FormKit.h"
#include "widgets/ScreenAction.h"
#include "widgets/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

ChangePasswordSheet::ChangePasswordSheet(AuthManager *authManager, QWidget *parent)
    : Sheet(parent), m_authManager(authManager), m_change(new ScreenAction(this))
{
    setObjectName(QStringLiteral("changePasswordSheet"));
    setWindowTitle(tr("Change Password"));
    setWindowModality(Qt::WindowModal);
    setFixedWidth(360);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto *title = new QLabel(tr("Change Password"), this);
    title->setFont(Theme::headlineFont());
    layout->addWidget(title);
    m_currentPassword =
        addPasswordField(tr("Current Password"), tr("Current password"), QStringLiteral("currentPasswordField"));
    m_newPassword = addPasswordField(tr("New Password"), tr("New password"), QStringLiteral("newPasswordField"));
    m_confirmPassword = addPasswordField(tr("Confirm New Password"), tr("Confirm new password"),
                                         QStringLiteral("confirmPasswordField"));
    m_mismatch = FormKit::errorCaption(this);
    m_mismatch->setObjectName(QStringLiteral("mismatchLabel"));
    qobject_cast<QVBoxLayout *>(m_confirmPassword->parentWidget()->layout())->addWidget(m_mismatch);
    m_error = FormKit::errorCaption(this);
    m_error->setObjectName(QStringLiteral("errorLabel"));
    layout->addWidget(m_error);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    m_save = new BusyButton(tr("Save"), this);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setBusyTitle(tr("Saving…"));
    m_save->setProminent(false);
    m_save->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(m_save);
    layout->addLayout(buttons);

    connect(cancel, &QPushButton::clicked, this, &ChangePasswordSheet::dismiss);
    connect(m_save, &QPushButton::clicked, this, &ChangePasswordSheet::submit);
    connect(m_change, &ScreenAction::busyChanged, m_save, &BusyButton::setBusy);
    for (QLineEdit *field : {m_currentPassword, m_newPassword, m_confirmPassword})
        connect(field, &QLineEdit::textChanged, this, &ChangePasswordSheet::refresh);
    refresh();
}

QLineEdit *ChangePasswordSheet::addPasswordField(const QString &label, const QString &placeholder, const QString &name)
{
    auto *field = new QLineEdit(this);
    field->setObjectName(name);
    field->setPlaceholderText(placeholder);
    field->setEchoMode(QLineEdit::Password);
    field->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
    static_cast<QVBoxLayout *>(layout())->addWidget(FormKit::fieldGroup(label, field, this));
    return field;
}

bool ChangePasswordSheet::isFormValid() const
{
    return isFilled() && !m_change->isBusy();
}

bool ChangePasswordSheet::isFilled() const
{
    // Passwords are never trimmed: blanks count.
    return !m_currentPassword->text().isEmpty() && !m_newPassword->text().isEmpty() &&
           FormKit::passwordsMatch(m_newPassword->text(), m_confirmPassword->text());
}

void ChangePasswordSheet::refresh()
{
    const QString confirmation = m_confirmPassword->text();
    const bool mismatch = !confirmation.isEmpty() && !FormKit::passwordsMatch(m_newPassword->text(), confirmation);
    FormKit::setCaptionText(m_mismatch, mismatch ? tr("Passwords don't match.") : QString());
    m_save->setReady(isFilled());
}

void ChangePasswordSheet::submit()
{
    if (!isFormValid())
        return;
    FormKit::setCaptionText(m_error, QString());
    runChange(m_currentPassword->text(), m_newPassword->text());
}

QCoro::Task<> ChangePasswordSheet::runChange(QString currentPassword, QString newPassword)
{
    QCoro::Task<> operation = m_authManager->updatePassword(std::move(currentPassword), std::move(newPassword));
    const ScreenAction::Outcome outcome = co_await m_change->run(std::move(operation));
    if (outcome.abandoned)
        co_return;
    if (outcome.succeeded()) {
        accept();
        co_return;
    }
    FormKit::setCaptionText(m_error, outcome.failure.value_or(QString()));
    m_confirmPassword->setFocus();
}
