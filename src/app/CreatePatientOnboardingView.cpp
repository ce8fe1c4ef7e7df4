#include "CreatePatientOnboardingView.h"

#include "ScreenAction.h"
#include "net/AuthManager.h"
#include "records/PatientStore.h"
#include "widgets/FormKit.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CreatePatientOnboardingView::CreatePatientOnboardingView(AuthManager *authManager, PatientStore *patientStore,
                                                         QWidget *parent)
    : QWidget(parent), m_authManager(authManager), m_patientStore(patientStore), m_create(new ScreenAction(this))
{
    setObjectName(QStringLiteral("createPatientOnboardingView"));
    setMinimumSize(600, 400);
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(20);
    layout->addStretch();
    layout->addWidget(FormKit::header(tr("Welcome to Vantorelle"), tr("Let's set up your first patient"), this), 0,
                      Qt::AlignHCenter);

    QWidget *column = FormKit::formColumn(this);
    m_name = new QLineEdit(column);
    m_name->setObjectName(QStringLiteral("patientNameField"));
    m_name->setPlaceholderText(tr("e.g. your own name"));
    FormKit::columnLayout(column)->addWidget(FormKit::fieldGroup(tr("Patient Name"), m_name, column));
    layout->addWidget(column, 0, Qt::AlignHCenter);

    m_error = FormKit::errorCaption(this);
    m_error->setObjectName(QStringLiteral("errorLabel"));
    m_error->setAlignment(Qt::AlignHCenter);
    layout->addWidget(m_error, 0, Qt::AlignHCenter);

    m_continue = new BusyButton(tr("Continue"), this);
    m_continue->setObjectName(QStringLiteral("continueButton"));
    m_continue->setFixedWidth(FormKit::columnWidth);
    layout->addWidget(m_continue, 0, Qt::AlignHCenter);
    layout->addStretch();

    FormKit::bindReturn(this, m_continue);
    connect(m_continue, &QPushButton::clicked, this, &CreatePatientOnboardingView::createPatient);
    connect(m_name, &QLineEdit::textChanged, this, &CreatePatientOnboardingView::refreshButton);
    connect(m_create, &ScreenAction::busyChanged, m_continue, &BusyButton::setBusy);
    refreshButton();
}

void CreatePatientOnboardingView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    prefillName();
    // The prefilled name can be submitted at once with Return.
    m_name->setFocus();
}

void CreatePatientOnboardingView::prefillName()
{
    // A name the user has typed is never replaced.
    if (!m_name->text().isEmpty())
        return;
    const std::optional<AuthUser> &user = m_authManager->currentUser();
    m_name->setText(user ? user->fullName : QString());
}

void CreatePatientOnboardingView::refreshButton()
{
    m_continue->setReady(!m_name->text().trimmed().isEmpty());
}

void CreatePatientOnboardingView::createPatient()
{
    const QString name = m_name->text().trimmed();
    if (name.isEmpty() || m_create->isBusy())
        return;
    FormKit::setCaptionText(m_error, QString());
    runCreate(name);
}

QCoro::Task<> CreatePatientOnboardingView::runCreate(QString name)
{
    QCoro::Task<Patient> operation = m_patientStore->createPatient(std::move(name));
    const ScreenAction::Outcome outcome = co_await m_create->run(std::move(operation));
    if (outcome.abandoned)
        co_return;
    FormKit::setCaptionText(m_error, outcome.failure.value_or(QString()));
    if (outcome.succeeded())
        Q_EMIT created();
    else
        m_name->setFocus();
}
