#include "CreateAccountView.h"

#include "ScreenAction.h"
#include "net/AuthManager.h"
#include "widgets/FormKit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CreateAccountView::CreateAccountView(AuthManager *authManager, QWidget *parent)
    : QWidget(parent), m_authManager(authManager), m_register(new ScreenAction(this))
{
    setObjectName(QStringLiteral("createAccountView"));
    setFixedSize(420, 560);
    FormKit::layOutAccountPage(this, tr("Create Account"), tr("Start building your health timeline"), buildForm());
    FormKit::bindReturn(this, m_createButton);
    setFocusProxy(m_fullNameField);
    updateForm();
}

QWidget *CreateAccountView::buildForm()
{
    auto *column = FormKit::formColumn(this);
    auto *form = FormKit::columnLayout(column);

    m_fullNameField = addField(column, QStringLiteral("fullNameField"), tr("Full Name"), tr("Jane Doe"));
    m_emailField = addField(column, QStringLiteral("emailField"), tr("Email"), tr("name@example.com"));
    m_emailField->setInputMethodHints(Qt::ImhEmailCharactersOnly | Qt::ImhNoAutoUppercase);
    m_passwordField = addField(column, QStringLiteral("passwordField"), tr("Password"), tr("Password"));
    m_passwordField->setEchoMode(QLineEdit::Password);
    m_confirmPasswordField =
        addField(column, QStringLiteral("confirmPasswordField"), tr("Confirm Password"), tr("Confirm password"));
    m_confirmPasswordField->setEchoMode(QLineEdit::Password);

    m_mismatchLabel = FormKit::errorCaption(column);
    m_mismatchLabel->setObjectName(QStringLiteral("mismatchLabel"));
    m_confirmPasswordField->parentWidget()->layout()->addWidget(m_mismatchLabel);

    m_errorLabel = FormKit::errorCaption(column);
    m_errorLabel->setObjectName(QStringLiteral("errorLabel"));
    form->addWidget(m_errorLabel);

    m_createButton = new BusyButton(tr("Create Account"), column);
    m_createButton->setObjectName(QStringLiteral("createAccountButton"));
    form->addWidget(m_createButton);

    auto *signInButton = FormKit::linkButton(tr("Already have an account? Sign in"), column);
    signInButton->setObjectName(QStringLiteral("signInLinkButton"));
    form->addWidget(signInButton, 0, Qt::AlignLeft);

    connect(m_createButton, &QPushButton::clicked, this, &CreateAccountView::submit);
    connect(m_register, &ScreenAction::busyChanged, m_createButton, &BusyButton::setBusy);
    connect(m_register, &ScreenAction::busyChanged, this, &CreateAccountView::updateForm);
    connect(signInButton, &QPushButton::clicked, this, &CreateAccountView::switchToSignIn);
    return column;
}

QLineEdit *CreateAccountView::addField(QWidget *column, const QString &name, const QString &label,
                                       const QString &placeholder)
{
    auto *field = new QLineEdit(column);
    field->setObjectName(name);
    field->setPlaceholderText(placeholder);
    FormKit::columnLayout(column)->addWidget(FormKit::fieldGroup(label, field, column));
    connect(field, &QLineEdit::textChanged, this, &CreateAccountView::updateForm);
    return field;
}

bool CreateAccountView::isFormValid() const
{
    return !m_fullNameField->text().trimmed().isEmpty() && !m_emailField->text().trimmed().isEmpty() &&
           !m_passwordField->text().isEmpty() &&
           FormKit::passwordsMatch(m_passwordField->text(), m_confirmPasswordField->text()) && !m_register->isBusy();
}

void CreateAccountView::updateForm()
{
    const QString confirmation = m_confirmPasswordField->text();
    const bool mismatch = !confirmation.isEmpty() && !FormKit::passwordsMatch(m_passwordField->text(), confirmation);
    FormKit::setCaptionText(m_mismatchLabel, mismatch ? tr("Passwords don't match.") : QString());
    m_createButton->setReady(isFormValid());
}

void CreateAccountView::submit()
{
    if (!isFormValid())
        return;
    FormKit::setCaptionText(m_errorLabel, {});
    registerTask(m_fullNameField->text().trimmed(), m_emailField->text().trimmed(), m_passwordField->text());
}

QCoro::Task<> CreateAccountView::registerTask(QString fullName, QString email, QString password)
{
    QCoro::Task<> operation = m_authManager->registerAccount(fullName, email, password);
    const ScreenAction::Outcome outcome = co_await m_register->run(std::move(operation));
    if (outcome.abandoned)
        co_return;
    FormKit::setCaptionText(m_errorLabel, outcome.failure.value_or(QString()));
}
