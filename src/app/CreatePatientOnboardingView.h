#pragma once

#include <QPointer>
#include <QWidget>

#include <QCoroTask>

class AuthManager;
class BusyButton;
class PatientStore;
class QLabel;
class QLineEdit;

// The screen an account without patients sees: it asks for the first patient's name, prefilled with the
// user's own, and creates the patient. created() follows a successful creation.
class CreatePatientOnboardingView final : public QWidget
{
    Q_OBJECT

public:
    CreatePatientOnboardingView(AuthManager *authManager, PatientStore *patientStore, QWidget *parent = nullptr);

Q_SIGNALS:
    void created();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void prefillName();
    void refreshButton();
    void createPatient();
    QCoro::Task<> runCreate(QString name);

    QPointer<AuthManager> m_authManager;
    QPointer<PatientStore> m_patientStore;
    QLineEdit *m_name = nullptr;
    QLabel *m_error = nullptr;
    BusyButton *m_continue = nullptr;
    bool m_isCreating = false;
};
