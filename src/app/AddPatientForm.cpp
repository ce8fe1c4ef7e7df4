#include "AddPatientForm.h"

#include "PatientChoice.h"
#include "records/PatientStore.h"
#include "widgets/BusyButton.h"
#include "widgets/FormKit.h"
#include "widgets/ScreenAction.h"

#include <QLabel>
#include <QLineEdit>

AddPatientForm::AddPatientForm(PatientStore *patientStore, QLineEdit *name, BusyButton *button, QLabel *error,
                               QObject *parent)
    : QObject(parent), m_patientStore(patientStore), m_name(name), m_button(button), m_error(error),
      m_create(new ScreenAction(this))
{
    connect(m_button, &QPushButton::clicked, this, &AddPatientForm::submit);
    connect(m_name, &QLineEdit::textChanged, this, &AddPatientForm::refreshButton);
    connect(m_create, &ScreenAction::busyChanged, m_button, &BusyButton::setBusy);
    refreshButton();
}

void AddPatientForm::submit()
{
    const QString name = m_name->text().trimmed();
    if (name.isEmpty() || m_create->isBusy())
        return;
    FormKit::setCaptionText(m_error, QString());
    runCreate(name);
}

void AddPatientForm::refreshButton()
{
    m_button->setReady(!m_name->text().trimmed().isEmpty());
}

QCoro::Task<> AddPatientForm::runCreate(QString name)
{
    // Selected by the same rule as a patient picked from a list, asked when the patient exists.
    PatientStore *store = m_patientStore;
    QCoro::Task<Patient> operation =
        store->createPatient(std::move(name), [store] { return PatientChoice::mayMove(store); });
    const ScreenAction::Outcome outcome = co_await m_create->run(std::move(operation));
    if (outcome.abandoned)
        co_return;
    FormKit::setCaptionText(m_error, outcome.failure.value_or(QString()));
    if (outcome.succeeded())
        Q_EMIT created();
    else
        Q_EMIT failed();
}
