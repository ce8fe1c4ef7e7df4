#include "CreatePatientOnboardingView.h"

#include "AddPatientForm.h"
#include "net/AuthManager.h"
#include "widgets/BusyButton.h"
#include "widgets/FormKit.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CreatePatientOnboardingView::CreatePatientOnboardingView(AuthManager *authManager, PatientStore *patientStore,
                                                         QWidget *parent)
    : QWidget(parent), m_authManager(authManager)
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

    QLabel *error = FormKit::errorCaption(this);
    error->setObjectName(QStringLiteral("errorLabel"));
    layout->addLayout(FormKit::centredCaption(error));

    auto *continueButton = new BusyButton(tr("Continue"), this);
    continueButton->setObjectName(QStringLiteral("continueButton"));
    continueButton->setFixedWidth(FormKit::columnWidth);
    layout->addWidget(continueButton, 0, Qt::AlignHCenter);
    layout->addStretch();

    FormKit::bindReturn(this, continueButton);
    auto *form = new AddPatientForm(patientStore, m_name, continueButton, error, this);
    connect(form, &AddPatientForm::created, this, &CreatePatientOnboardingView::created);
    connect(form, &AddPatientForm::failed, this, [this] { m_name->setFocus(); });
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
