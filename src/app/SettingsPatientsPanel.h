#pragma once

#include <QWidget>

#include <QCoroTask>

class BusyButton;
class PatientStore;
class QLabel;
class QLineEdit;
class QVBoxLayout;
class ScreenAction;

// The settings window's Patients section: adding a patient by name and choosing the current patient.
class SettingsPatientsPanel final : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsPatientsPanel(PatientStore *patientStore, QWidget *parent = nullptr);

private:
    QWidget *buildNewPatientGroup();
    QWidget *buildPatientListGroup();
    QWidget *buildRow(const QString &patientID, const QString &name, bool isSelected, QWidget *parent);
    void rebuildRows();
    void refreshAddButton();
    void addPatient();
    QCoro::Task<> runAddPatient(QString name);

    PatientStore *m_patientStore = nullptr;
    ScreenAction *m_addPatient = nullptr;
    QLineEdit *m_newPatientName = nullptr;
    BusyButton *m_add = nullptr;
    QLabel *m_addPatientError = nullptr;
    QVBoxLayout *m_listLayout = nullptr;
    QWidget *m_rows = nullptr;
};
