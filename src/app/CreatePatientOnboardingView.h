#pragma once

#include <QWidget>

class AuthManager;
class PatientStore;
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

    AuthManager *m_authManager = nullptr;
    QLineEdit *m_name = nullptr;
};
