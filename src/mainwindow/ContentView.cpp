#include "ContentView.h"

#include "PatientsLoadFailedView.h"
#include "app/CreatePatientOnboardingView.h"
#include "app/OnboardingImportChoiceView.h"
#include "records/PatientStore.h"
#include "widgets/BusyIndicator.h"

#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <QCoroTask>

namespace
{

QCoro::Task<> reloadPatients(PatientStore *store)
{
    // loadPatients reports its failure through lastError, which the window shows.
    co_await store->loadPatients();
}

} // namespace

ContentView::ContentView(AuthManager *authManager, PatientStore *patientStore, QWidget *parent)
    : QWidget(parent), m_patientStore(patientStore)
{
    setObjectName(QStringLiteral("contentView"));
    m_screens = new QStackedWidget(this);
    m_loading = buildLoadingScreen();
    m_loadFailed = new PatientsLoadFailedView(m_screens);
    m_onboarding = new CreatePatientOnboardingView(authManager, patientStore, m_screens);
    // The three-column layout is built by the main window's own screens.
    m_mainLayout = new QWidget(m_screens);
    m_mainLayout->setObjectName(QStringLiteral("mainLayout"));
    for (QWidget *screen :
         {m_loading, static_cast<QWidget *>(m_loadFailed), static_cast<QWidget *>(m_onboarding), m_mainLayout})
        m_screens->addWidget(screen);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_screens);

    connect(patientStore, &PatientStore::isLoadingChanged, this, &ContentView::refreshScreen);
    connect(patientStore, &PatientStore::patientsChanged, this, &ContentView::refreshScreen);
    connect(patientStore, &PatientStore::lastErrorChanged, this, &ContentView::refreshScreen);
    connect(m_loadFailed, &PatientsLoadFailedView::tryAgainRequested, this, &ContentView::tryLoadAgain);
    connect(m_onboarding, &CreatePatientOnboardingView::created, this, &ContentView::onFirstPatientCreated);
    refreshScreen();
}

QWidget *ContentView::buildLoadingScreen()
{
    auto *screen = new QWidget(m_screens);
    screen->setObjectName(QStringLiteral("loadingScreen"));
    screen->setMinimumSize(600, 400);
    auto *layout = new QVBoxLayout(screen);
    layout->addStretch();
    layout->addWidget(new BusyIndicator(24, screen), 0, Qt::AlignHCenter);
    auto *label = new QLabel(tr("Loading your patients…"), screen);
    label->setObjectName(QStringLiteral("loadingLabel"));
    layout->addWidget(label, 0, Qt::AlignHCenter);
    layout->addStretch();
    return screen;
}

MainContentFactory ContentView::factory()
{
    return [](AuthManager *authManager, PatientStore *patientStore, QWidget *parent) -> QWidget * {
        return new ContentView(authManager, patientStore, parent);
    };
}

void ContentView::refreshScreen()
{
    if (m_patientStore->isLoading()) {
        m_screens->setCurrentWidget(m_loading);
    } else if (!m_patientStore->patients().isEmpty()) {
        m_screens->setCurrentWidget(m_mainLayout);
    } else if (const std::optional<QString> error = m_patientStore->lastError()) {
        // A successful load clears the error, so an empty list with an error means the list is unknown.
        m_loadFailed->setErrorText(*error);
        m_screens->setCurrentWidget(m_loadFailed);
    } else {
        m_screens->setCurrentWidget(m_onboarding);
    }
}

void ContentView::tryLoadAgain()
{
    reloadPatients(m_patientStore);
}

void ContentView::onFirstPatientCreated()
{
    if (m_onboardingChoice)
        return;
    m_onboardingChoice = new OnboardingImportChoiceView(m_patientStore->selectedRecord().patient.displayName(), this);
    m_onboardingChoice->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_onboardingChoice, &OnboardingImportChoiceView::importChosen, this,
            &ContentView::chooseImportFromOnboarding);
    connect(m_onboardingChoice, &OnboardingImportChoiceView::manualChosen, this,
            &ContentView::chooseManualFromOnboarding);
    m_onboardingChoice->open();
}

void ContentView::closeOnboardingChoice()
{
    if (m_onboardingChoice)
        m_onboardingChoice->done(QDialog::Accepted);
}

void ContentView::chooseImportFromOnboarding()
{
    closeOnboardingChoice();
    Q_EMIT importSheetRequested();
}

void ContentView::chooseManualFromOnboarding()
{
    closeOnboardingChoice();
}
