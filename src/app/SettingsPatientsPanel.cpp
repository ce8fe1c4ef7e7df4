#include "SettingsPatientsPanel.h"

#include "AddPatientForm.h"
#include "PatientChoice.h"
#include "PatientRow.h"
#include "records/PatientStore.h"
#include "widgets/BusyButton.h"
#include "widgets/FormKit.h"
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
    : QWidget(parent), m_patientStore(patientStore)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    auto *title = new QLabel(tr("Patients"), this);
    title->setFont(Theme::headlineFont());
    layout->addWidget(title);
    layout->addWidget(buildNewPatientGroup());
    layout->addWidget(buildPatientListGroup());

    connect(patientStore, &PatientStore::patientsChanged, this, &SettingsPatientsPanel::refreshRows);
    connect(patientStore, &PatientStore::selectedPatientIDChanged, this, &SettingsPatientsPanel::refreshRows);
    refreshRows();
}

QWidget *SettingsPatientsPanel::buildNewPatientGroup()
{
    auto *group = new QWidget(this);
    auto *layout = groupLayout(group);
    layout->addWidget(groupTitle(tr("New Patient"), group));
    auto *row = new QHBoxLayout;
    auto *name = new QLineEdit(group);
    name->setObjectName(QStringLiteral("newPatientField"));
    name->setPlaceholderText(tr("Patient name"));
    name->setAccessibleName(tr("Patient name"));
    auto *add = new BusyButton(tr("Add"), group);
    add->setObjectName(QStringLiteral("addPatientButton"));
    add->setBusyTitle(tr("Adding…"));
    add->setProminent(false);
    add->setAutoDefault(false);
    row->addWidget(name);
    row->addWidget(add);
    layout->addLayout(row);
    QLabel *error = FormKit::errorCaption(group);
    error->setObjectName(QStringLiteral("addPatientError"));
    layout->addWidget(error);

    auto *form = new AddPatientForm(m_patientStore, name, add, error, this);
    connect(name, &QLineEdit::returnPressed, form, &AddPatientForm::submit);
    // The field empties for the next patient; after a failure it keeps the name to retry.
    connect(form, &AddPatientForm::created, name, &QLineEdit::clear);
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

void SettingsPatientsPanel::refreshRows()
{
    if (!rowsShowPatients())
        rebuildRows();
    const QString selectedID = m_patientStore->selectedPatientID();
    for (PatientRow *row : std::as_const(m_patientRows))
        row->setSelected(row->patientID() == selectedID);
}

bool SettingsPatientsPanel::rowsShowPatients() const
{
    const QList<Patient> &patients = m_patientStore->patients();
    if (!m_rows || patients.size() != m_patientRows.size())
        return false;
    for (qsizetype i = 0; i < patients.size(); ++i) {
        if (m_patientRows[i]->patientID() != patients[i]._id || m_patientRows[i]->text() != patients[i].displayName())
            return false;
    }
    return true;
}

void SettingsPatientsPanel::rebuildRows()
{
    // The rows are replaced while one of them may still be emitting its click: detach now, delete later.
    if (m_rows) {
        m_rows->hide();
        m_rows->setParent(nullptr);
        m_rows->deleteLater();
    }
    m_patientRows.clear();
    m_rows = new QWidget(m_listLayout->parentWidget());
    auto *layout = new QVBoxLayout(m_rows);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const QList<Patient> patients = m_patientStore->patients();
    for (const Patient &patient : patients) {
        auto *row = new PatientRow(patient._id, patient.displayName(), m_rows);
        row->setObjectName(QStringLiteral("patientRow"));
        const QString patientID = patient._id;
        // Refused while a sheet works for the current patient; the mark then stays where it is.
        connect(row, &QAbstractButton::clicked, this,
                [this, patientID] { PatientChoice::choose(m_patientStore, patientID); });
        layout->addWidget(row);
        m_patientRows.append(row);
        if (patient._id != patients.constLast()._id) {
            auto *divider = FormKit::divider(m_rows);
            divider->setObjectName(QStringLiteral("patientDivider"));
            layout->addWidget(divider);
        }
    }
    m_listLayout->addWidget(m_rows);
}
