#pragma once

#include <QWidget>

#include <QCoroTask>

class AuthManager;
class BusyButton;
class PatientStore;
class QLabel;
class QLineEdit;
class ScreenAction;

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

    AuthManager *m_authManager = nullptr;
    PatientStore *m_patientStore = nullptr;
    ScreenAction *m_create = nullptr;
    QLineEdit *m_name = nullptr;
    QLabel *m_error = nullptr;
    BusyButton *m_continue = nullptr;
};
