#pragma once

#include "app/MainContentFactory.h"

#include <QPointer>
#include <QWidget>

class AuthManager;
class CreatePatientOnboardingView;
class OnboardingImportChoiceView;
class PatientsLoadFailedView;
class PatientStore;
class QStackedWidget;

// The signed-in main window's content. It follows the patient store: "Loading your patients…" while it
// loads, the load error with "Try Again" when the list is empty because the load failed, the first-patient
// onboarding after a load that found no patient, and otherwise the main layout. After the first patient
// is created a sheet offers importing documents or entering entries by hand.
class ContentView final : public QWidget
{
    Q_OBJECT

public:
    ContentView(AuthManager *authManager, PatientStore *patientStore, QWidget *parent = nullptr);

    // What main.cpp hands to the application so that its windows show this view when signed in.
    static MainContentFactory factory();

Q_SIGNALS:
    // The user chose to import documents for the first patient.
    void importSheetRequested();

private:
    QWidget *buildLoadingScreen();
    void refreshScreen();
    void tryLoadAgain();
    void onFirstPatientCreated();
    void closeOnboardingChoice();
    void chooseImportFromOnboarding();
    void chooseManualFromOnboarding();

    PatientStore *m_patientStore = nullptr;
    QStackedWidget *m_screens = nullptr;
    QWidget *m_loading = nullptr;
    PatientsLoadFailedView *m_loadFailed = nullptr;
    CreatePatientOnboardingView *m_onboarding = nullptr;
    QWidget *m_mainLayout = nullptr;
    QPointer<OnboardingImportChoiceView> m_onboardingChoice;
};
