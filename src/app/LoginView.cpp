#include "LoginView.h"

#include "ForgotPasswordSheet.h"
#include "net/AuthManager.h"
#include "widgets/FormKit.h"
#include "widgets/ScreenAction.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

LoginView::LoginView(AuthManager *authManager, QWidget *parent)
    : QWidget(parent), m_authManager(authManager), m_signIn(new ScreenAction(this))
{
    setObjectName(QStringLiteral("loginView"));
    FormKit::layOutAccountPage(this, QSize(420, 420), tr("Vantorelle"), tr("Sign in to sync your health timeline"),
                               buildForm());
    FormKit::bindReturn(this, m_signInButton);
    setFocusProxy(m_emailField);
    updateButton();
    m_authManager->prepareToSignIn();
}

QWidget *LoginView::buildForm()
{
    auto *column = FormKit::formColumn(this);
    auto *form = FormKit::columnLayout(column);

    m_emailField = new QLineEdit(column);
    m_emailField->setObjectName(QStringLiteral("emailField"));
    m_emailField->setPlaceholderText(tr("name@example.com"));
    m_emailField->setInputMethodHints(Qt::ImhEmailCharactersOnly | Qt::ImhNoAutoUppercase);
    form->addWidget(FormKit::fieldGroup(tr("Email"), m_emailField, column));

    m_passwordField = new QLineEdit(column);
    m_passwordField->setObjectName(QStringLiteral("passwordField"));
    m_passwordField->setPlaceholderText(tr("Password"));
    m_passwordField->setEchoMode(QLineEdit::Password);
    form->addWidget(FormKit::fieldGroup(tr("Password"), m_passwordField, column));

    m_errorLabel = FormKit::errorCaption(column);
    m_errorLabel->setObjectName(QStringLiteral("errorLabel"));
    form->addWidget(m_errorLabel);

    m_signInButton = new BusyButton(tr("Sign In"), column);
    m_signInButton->setObjectName(QStringLiteral("signInButton"));
    form->addWidget(m_signInButton);

    auto *links = new QHBoxLayout;
    auto *forgotButton = FormKit::linkButton(tr("Forgot password?"), column);
    forgotButton->setObjectName(QStringLiteral("forgotPasswordButton"));
    auto *createButton = FormKit::linkButton(tr("Create Account"), column);
    createButton->setObjectName(QStringLiteral("createAccountButton"));
    links->addWidget(forgotButton);
    links->addStretch(1);
    links->addWidget(createButton);
    form->addLayout(links);

    connect(m_emailField, &QLineEdit::textChanged, this, &LoginView::updateButton);
    connect(m_passwordField, &QLineEdit::textChanged, this, &LoginView::updateButton);
    connect(m_signInButton, &QPushButton::clicked, this, &LoginView::signIn);
    connect(m_signIn, &ScreenAction::busyChanged, m_signInButton, &BusyButton::setBusy);
    connect(forgotButton, &QPushButton::clicked, this, &LoginView::showForgotPassword);
    connect(createButton, &QPushButton::clicked, this, &LoginView::switchToCreateAccount);
    return column;
}

void LoginView::updateButton()
{
    m_signInButton->setReady(!m_emailField->text().trimmed().isEmpty() && !m_passwordField->text().isEmpty());
}

void LoginView::signIn()
{
    const QString email = m_emailField->text().trimmed();
    if (email.isEmpty() || m_passwordField->text().isEmpty() || m_signIn->isBusy())
        return;
    FormKit::setCaptionText(m_errorLabel, {});
    signInTask(email, m_passwordField->text());
}

QCoro::Task<> LoginView::signInTask(QString email, QString password)
{
    QCoro::Task<> operation = m_authManager->login(email, password, true);
    const ScreenAction::Outcome outcome = co_await m_signIn->run(std::move(operation));
    if (outcome.abandoned)
        co_return;
    FormKit::setCaptionText(m_errorLabel, outcome.failure.value_or(QString()));
}

void LoginView::showForgotPassword()
{
    if (m_forgotPasswordSheet) {
        m_forgotPasswordSheet->raise();
        return;
    }
    m_forgotPasswordSheet = new ForgotPasswordSheet(m_authManager, this);
    m_forgotPasswordSheet->setAttribute(Qt::WA_DeleteOnClose);
    m_forgotPasswordSheet->open();
}
