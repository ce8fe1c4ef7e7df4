#include "ForgotPasswordSheet.h"

#include "net/AuthManager.h"
#include "widgets/FormKit.h"
#include "widgets/ScreenAction.h"
#include "widgets/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ForgotPasswordSheet::ForgotPasswordSheet(AuthManager *authManager, QWidget *parent)
    : Sheet(parent), m_authManager(authManager), m_sendReset(new ScreenAction(this))
{
    setObjectName(QStringLiteral("forgotPasswordSheet"));
    setWindowTitle(tr("Reset Password"));
    setFixedWidth(360);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    // The sheet grows with its status text.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto *title = new QLabel(tr("Reset Password"), this);
    title->setFont(Theme::headlineFont());
    layout->addWidget(title);

    m_emailField = new QLineEdit(this);
    m_emailField->setObjectName(QStringLiteral("resetEmailField"));
    m_emailField->setPlaceholderText(tr("name@example.com"));
    m_emailField->setAccessibleName(tr("Email"));
    m_emailField->setInputMethodHints(Qt::ImhEmailCharactersOnly | Qt::ImhNoAutoUppercase);
    m_emailField->setMinimumHeight(24);
    layout->addWidget(m_emailField);

    m_statusLabel = FormKit::caption(this);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    FormKit::setSecondary(m_statusLabel);
    layout->addWidget(m_statusLabel);

    auto *buttons = new QHBoxLayout;
    auto *cancelButton = new QPushButton(tr("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setAutoDefault(false);
    m_sendButton = new BusyButton(tr("Send Reset Link"), this);
    m_sendButton->setObjectName(QStringLiteral("sendResetLinkButton"));
    m_sendButton->setBusyTitle(tr("Sending…"));
    buttons->addStretch(1);
    buttons->addWidget(cancelButton);
    buttons->addWidget(m_sendButton);
    layout->addLayout(buttons);

    connect(m_emailField, &QLineEdit::textChanged, this, &ForgotPasswordSheet::updateButton);
    connect(cancelButton, &QPushButton::clicked, this, &ForgotPasswordSheet::dismiss);
    connect(m_sendButton, &QPushButton::clicked, this, &ForgotPasswordSheet::submit);
    connect(m_sendReset, &ScreenAction::busyChanged, m_sendButton, &BusyButton::setBusy);
    updateButton();
}

void ForgotPasswordSheet::updateButton()
{
    m_sendButton->setReady(!m_emailField->text().trimmed().isEmpty());
}

void ForgotPasswordSheet::submit()
{
    const QString email = m_emailField->text().trimmed();
    if (email.isEmpty() || m_sendReset->isBusy())
        return;
    sendResetTask(email);
}

QCoro::Task<> ForgotPasswordSheet::sendResetTask(QString email)
{
    QCoro::Task<> operation = m_authManager->forgotPassword(email);
    const ScreenAction::Outcome outcome = co_await m_sendReset->run(std::move(operation));
    if (outcome.abandoned)
        co_return;
    FormKit::setCaptionText(m_statusLabel, outcome.failure.value_or(
                                               tr("If an account exists for that email, a reset link is on its way.")));
}
