#pragma once

#include "app/MainContentFactory.h"
#include "window/SidebarSection.h"

#include <QPointer>
#include <QSet>
#include <QWidget>

class AuthManager;
class InspectorPreviewPanel;
class MedbitDetailPanel;
class ClipboardManager;
class CreatePatientOnboardingView;
class MedbitStore;
class OnboardingImportChoiceView;
class PatientsLoadFailedView;
class PatientStore;
class QLabel;
class QSplitter;
class QStackedWidget;
class SidebarPanel;
class TimelinePanel;
class WindowState;

// The signed-in main window's content. It follows the patient store: "Loading your patients…" while it
// loads, the load error with "Try Again" when the list is empty because the load failed, the first-patient
// onboarding after a load that found no patient, and otherwise the three columns: sidebar, the section's
// list and its detail. After the first patient is created a sheet offers importing documents or entering
// entries by hand.
//
// The window owns its clipboard history and entry store, both created for no patient, and moves them to the
// selected patient when the main layout first shows and on every later change of patient. It keeps the
// selected entry in step with the entry list and fetches each entry in full once per window.
class ContentView final : public QWidget
{
    Q_OBJECT

public:
    ContentView(AuthManager *authManager, PatientStore *patientStore, QWidget *parent = nullptr);

    // What main.cpp hands to the application so that its windows show this view when signed in.
    static MainContentFactory factory();

    WindowState *state() const { return m_state; }
    MedbitStore *medbitStore() const { return m_medbitStore; }
    ClipboardManager *clipboardManager() const { return m_clipboardManager; }
    const QSet<QString> &fetchedDetailIDs() const { return m_fetchedDetailIDs; }

Q_SIGNALS:
    // The user chose to import documents for the first patient.
    void importSheetRequested();
    // The timeline's "New Entry".
    void newEntryRequested();
    // The sidebar's "Settings".
    void settingsRequested();

private:
    QWidget *buildLoadingScreen();
    QWidget *buildMainLayout();
    void refreshScreen();
    void tryLoadAgain();
    void onFirstPatientCreated();
    void closeOnboardingChoice();
    void chooseImportFromOnboarding();
    void chooseManualFromOnboarding();

    QString patientID() const;
    void refreshTitle();
    void refreshContentColumn();
    void refreshDetailColumn();
    QWidget *makeSectionPanel(SidebarSection section, const QString &patientID);
    void onSelectedMedbitChange();
    void refreshTimelineDetail();
    void refreshPreview();
    void openNewEntryForm();
    void onMedbitsChange();
    void onSelectedPatientChange(const QString &id);
    void loadForCurrentPatient();
    void moveToPatient(const QString &id);

    PatientStore *m_patientStore = nullptr;
    WindowState *m_state = nullptr;
    ClipboardManager *m_clipboardManager = nullptr;
    MedbitStore *m_medbitStore = nullptr;
    QSet<QString> m_fetchedDetailIDs;

    QStackedWidget *m_screens = nullptr;
    QWidget *m_loading = nullptr;
    PatientsLoadFailedView *m_loadFailed = nullptr;
    CreatePatientOnboardingView *m_onboarding = nullptr;
    QWidget *m_mainLayout = nullptr;
    QPointer<OnboardingImportChoiceView> m_onboardingChoice;

    QLabel *m_title = nullptr;
    QSplitter *m_splitter = nullptr;
    SidebarPanel *m_sidebar = nullptr;
    QWidget *m_contentColumn = nullptr;
    QPointer<TimelinePanel> m_timeline;
    QWidget *m_detailColumn = nullptr;
    QPointer<QWidget> m_detailPanel;
    QPointer<MedbitDetailPanel> m_medbitPanel;
    QPointer<InspectorPreviewPanel> m_previewPanel;
    SidebarSection m_detailSection = SidebarSection::timeline;
    QString m_detailPatientID;
};
