#include "SettingsPatientsPanel.h"

#include "PatientRow.h"
#include "records/PatientStore.h"
#include "widgets/FormKit.h"
#include "widgets/ScreenAction.h"
#include "widgets/Theme.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace
{

QLabel *groupTitle(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(Theme::subheadlineFont());
    FormKit::setSecondary(label);
    return label;
}

QVBoxLayout *groupLayout(QWidget *group)
{
    auto *layout = new QVBoxLayout(group);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    return layout;
}

} // namespace

SettingsPatientsPanel::SettingsPatientsPanel(PatientStore *patientStore, QWidget *parent)
    : QWidget(parent), m_patientStore(patientStore), m_addPatient(new ScreenAction(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    auto *title = new QLabel(tr("Patients"), this);
    title->setFont(Theme::headlineFont());
    layout->addWidget(title);
    layout->addWidget(buildNewPatientGroup());
    layout->addWidget(buildPatientListGroup());

    connect(patientStore, &PatientStore::patientsChanged, this, &SettingsPatientsPanel::rebuildRows);
    connect(patientStore, &PatientStore::selectedPatientIDChanged, this, &SettingsPatientsPanel::rebuildRows);
    rebuildRows();
    refreshAddButton();
}

QWidget *SettingsPatientsPanel::buildNewPatientGroup()
{
    auto *group = new QWidget(this);
    auto *layout = groupLayout(group);
    layout->addWidget(groupTitle(tr("New Patient"), group));
    auto *row = new QHBoxLayout;
    m_newPatientName = new QLineEdit(group);
    m_newPatientName->setObjectName(QStringLiteral("newPatientField"));
    m_newPatientName->setPlaceholderText(tr("Patient name"));
    m_newPatientName->setAccessibleName(tr("Patient name"));
    m_add = new BusyButton(tr("Add"), group);
    m_add->setObjectName(QStringLiteral("addPatientButton"));
    m_add->setBusyTitle(tr("Adding…"));
    m_add->setProminent(false);
    m_add->setAutoDefault(false);
    row->addWidget(m_newPatientName);
    row->addWidget(m_add);
    layout->addLayout(row);
    m_addPatientError = FormKit::errorCaption(group);
    m_addPatientError->setObjectName(QStringLiteral("addPatientError"));
    layout->addWidget(m_addPatientError);

    connect(m_newPatientName, &QLineEdit::textChanged, this, &SettingsPatientsPanel::refreshAddButton);
    connect(m_newPatientName, &QLineEdit::returnPressed, this, &SettingsPatientsPanel::addPatient);
    connect(m_add, &QPushButton::clicked, this, &SettingsPatientsPanel::addPatient);
    connect(m_addPatient, &ScreenAction::busyChanged, m_add, &BusyButton::setBusy);
    return group;
}

QWidget *SettingsPatientsPanel::buildPatientListGroup()
{
    auto *group = new QWidget(this);
    auto *layout = groupLayout(group);
    layout->addWidget(groupTitle(tr("Patient List"), group));
    auto *box = new QFrame(group);
    box->setObjectName(QStringLiteral("patientListBox"));
    box->setBackgroundRole(QPalette::Base);
    box->setAutoFillBackground(true);
    m_listLayout = new QVBoxLayout(box);
    m_listLayout->setContentsMargins(4, 4, 4, 4);
    m_listLayout->setSpacing(0);
    layout->addWidget(box);
    return group;
}

QAbstractButton *SettingsPatientsPanel::buildRow(const QString &patientID, const QString &name, bool isSelected,
                                                 QWidget *parent)
{
    auto *row = new PatientRow(name, isSelected, parent);
    row->setObjectName(QStringLiteral("patientRow"));
    row->setProperty("patientID", patientID);
    connect(row, &QAbstractButton::clicked, this,
            [this, patientID] { m_patientStore->setSelectedPatientID(patientID); });
    return row;
}

void SettingsPatientsPanel::rebuildRows()
{
    // The rows are replaced while one of them may still be emitting its click: detach now, delete later.
    if (m_rows) {
        m_rows->hide();
        m_rows->setParent(nullptr);
        m_rows->deleteLater();
    }
    m_rows = new QWidget(m_listLayout->parentWidget());
    auto *layout = new QVBoxLayout(m_rows);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const QList<Patient> patients = m_patientStore->patients();
    const QString selectedID = m_patientStore->selectedPatientID();
    for (const Patient &patient : patients) {
        layout->addWidget(buildRow(patient._id, patient.displayName(), patient._id == selectedID, m_rows));
        if (patient._id != patients.constLast()._id) {
            auto *divider = FormKit::divider(m_rows);
            divider->setObjectName(QStringLiteral("patientDivider"));
            layout->addWidget(divider);
        }
    }
    m_listLayout->addWidget(m_rows);
}

void SettingsPatientsPanel::refreshAddButton()
{
    m_add->setReady(!m_newPatientName->text().trimmed().isEmpty());
}

void SettingsPatientsPanel::addPatient()
{
    const QString name = m_newPatientName->text().trimmed();
    if (name.isEmpty() || m_addPatient->isBusy())
        return;
    FormKit::setCaptionText(m_addPatientError, QString());
    runAddPatient(name);
}

QCoro::Task<> SettingsPatientsPanel::runAddPatient(QString name)
{
    QCoro::Task<Patient> operation = m_patientStore->createPatient(std::move(name));
    const ScreenAction::Outcome outcome = co_await m_addPatient->run(std::move(operation));
    if (outcome.abandoned)
        co_return;
    if (outcome.succeeded())
        m_newPatientName->clear();
    FormKit::setCaptionText(m_addPatientError, outcome.failure.value_or(QString()));
}
