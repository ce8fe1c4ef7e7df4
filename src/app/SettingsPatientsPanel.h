#pragma once

#include <QList>
#include <QWidget>

class PatientRow;
class PatientStore;
class QVBoxLayout;

// The settings window's Patients section: adding a patient by name and choosing the current patient.
class SettingsPatientsPanel final : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsPatientsPanel(PatientStore *patientStore, QWidget *parent = nullptr);

private:
    QWidget *buildNewPatientGroup();
    QWidget *buildPatientListGroup();
    // Marks the current patient's row in place, so that the focus stays on a row chosen from the keyboard;
    // rebuilds the rows only when the patients or their names changed.
    void refreshRows();
    bool rowsShowPatients() const;
    void rebuildRows();

    PatientStore *m_patientStore = nullptr;
    QVBoxLayout *m_listLayout = nullptr;
    QWidget *m_rows = nullptr;
    QList<PatientRow *> m_patientRows;
};
