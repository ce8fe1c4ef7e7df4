#pragma once

#include <QWidget>

class QAbstractButton;
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
    QAbstractButton *buildRow(const QString &patientID, const QString &name, bool isSelected, QWidget *parent);
    void rebuildRows();

    PatientStore *m_patientStore = nullptr;
    QVBoxLayout *m_listLayout = nullptr;
    QWidget *m_rows = nullptr;
};
