#pragma once

#include "app/MainContent.h"
#include "app/MainContentFactory.h"
#include "window/SidebarSection.h"

#include <QPointer>

class AuthManager;
class ClipboardManager;
class CreatePatientOnboardingView;
class DocumentImportManager;
class ImportPresenter;
class MedbitStore;
class OnboardingImportChoiceView;
class PatientsLoadFailedView;
class PatientsLoadingView;
class PatientStore;
class ProgramRecords;
class QLabel;
class QSplitter;
class QStackedWidget;
class SidebarPanel;
class TimelineSection;
class WindowState;
struct WindowContext;

// The signed-in main window's content. It follows the patient store: "Loading your patients…" while it
// loads, the load error with "Try Again" when the list is empty because the load failed, the first-patient
// onboarding after a load that found no patient, and otherwise the three columns: sidebar, the section's
// list and its panel. After the first patient is created a sheet offers importing documents or entering
// entries by hand.
//
// The window owns its views of the clipboard history and the entries, whose records are the program's (shared
// by every window), and its document import, all created for no patient, and moves them to the selected
// patient when the main layout first shows and on every later change of patient. Each section's panel comes
// from the table of sections (the timeline's from its section) and is rebuilt when the section changes, or
// the patient for a panel made for one. The Ask records and the health story writer are the program's too.
class ContentView final : public MainContent
{
    Q_OBJECT

public:
    ContentView(AuthManager *authManager, PatientStore *patientStore, ProgramRecords *records,
                QWidget *parent = nullptr);

    // What main.cpp hands to the application so that its windows show this view when signed in, all of them
    // over the program's one copy of each record.
    static MainContentFactory factory(ProgramRecords *records);

    WindowState *state() const { return m_state; }
    MedbitStore *medbitStore() const { return m_medbitStore; }
    ClipboardManager *clipboardManager() const { return m_clipboardManager; }
    DocumentImportManager *documentImportManager() const { return m_importManager; }
    // What a section panel built now is handed: this window's objects and actions, for the selected patient.
    WindowContext sectionContext() const;

Q_SIGNALS:
    // The timeline's "New Entry".
    void newEntryRequested();

private:
    QWidget *buildMainLayout();
    void refreshScreen();
    void onFirstPatientCreated();
    void closeOnboardingChoice();
    void chooseImportFromOnboarding();

    QString patientID() const;
    void refreshTitle();
    void refreshContentColumn();
    void refreshDetailColumn();
    void keepColumnsInTabOrder();
    void onSelectedPatientChange(const QString &id);
    void loadForCurrentPatient();
    void moveToPatient(const QString &id);

    PatientStore *m_patientStore = nullptr;
    WindowState *m_state = nullptr;
    ClipboardManager *m_clipboardManager = nullptr;
    DocumentImportManager *m_importManager = nullptr;
    MedbitStore *m_medbitStore = nullptr;
    ImportPresenter *m_imports = nullptr;
    ProgramRecords *m_records = nullptr;
    TimelineSection *m_timeline = nullptr;

    QStackedWidget *m_screens = nullptr;
    PatientsLoadingView *m_loading = nullptr;
    PatientsLoadFailedView *m_loadFailed = nullptr;
    CreatePatientOnboardingView *m_onboarding = nullptr;
    QWidget *m_mainLayout = nullptr;
    QPointer<OnboardingImportChoiceView> m_onboardingChoice;

    QLabel *m_title = nullptr;
    QSplitter *m_splitter = nullptr;
    SidebarPanel *m_sidebar = nullptr;
    QWidget *m_contentColumn = nullptr;
    QPointer<QWidget> m_list;
    QWidget *m_detailColumn = nullptr;
    QPointer<QWidget> m_detailPanel;
    SidebarSection m_detailSection = SidebarSection::timeline;
    QString m_detailPatientID;
};
