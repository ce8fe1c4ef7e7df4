#include "SettingsPatientsPanel.h"

#include "AddPatientForm.h"
#include "PatientRow.h"
#include "records/PatientStore.h"
#include "widgets/BusyButton.h"
#include "widgets/FormKit.h"
#include "widgets/ModalShield.h"
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

    connect(patientStore, &PatientStore::patientsChanged, this, &SettingsPatientsPanel::rebuildRows);
    connect(patientStore, &PatientStore::selectedPatientIDChanged, this, &SettingsPatientsPanel::rebuildRows);
    rebuildRows();
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

QAbstractButton *SettingsPatientsPanel::buildRow(const QString &patientID, const QString &name, bool isSelected,
                                                 QWidget *parent)
{
    auto *row = new PatientRow(name, isSelected, parent);
    row->setObjectName(QStringLiteral("patientRow"));
    row->setProperty("patientID", patientID);
    connect(row, &QAbstractButton::clicked, this, [this, patientID] {
        // Not while a sheet works for the selected patient in a main window; the ticks show the selection again.
        if (ModalShield::isAnyWindowBlocked())
            rebuildRows();
        else
            m_patientStore->setSelectedPatientID(patientID);
    });
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
