#include "mainwindow/ContentView.h"

#include "app/CreatePatientOnboardingView.h"
#include "app/OnboardingImportChoiceView.h"
#include "clipboard/ClipboardManager.h"
#include "import/DocumentImportManager.h"
#include "import/ImportPresenter.h"
#include "mainwindow/DiscardLater.h"
#include "mainwindow/PatientsLoadFailedView.h"
#include "mainwindow/PatientsLoadingView.h"
#include "mainwindow/ProgramRecords.h"
#include "mainwindow/SectionPanels.h"
#include "mainwindow/sidebar/SidebarPanel.h"
#include "mainwindow/timeline/TimelineSection.h"
#include "records/MedbitStore.h"
#include "records/PatientStore.h"
#include "widgets/FocusOrder.h"
#include "widgets/Theme.h"
#include "window/WindowContext.h"
#include "window/WindowState.h"

#include <QLabel>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <QCoroTask>

namespace
{

QCoro::Task<> reloadPatients(QPointer<PatientStore> store)
{
    // loadPatients reports its failure through lastError, which the window shows.
    if (store)
        co_await store->loadPatients();
}

} // namespace

ContentView::ContentView(AuthManager *authManager, PatientStore *patientStore, ProgramRecords *records, QWidget *parent)
    : MainContent(parent), m_patientStore(patientStore), m_state(new WindowState(this)),
      m_clipboardManager(new ClipboardManager(records->clipboards(), QString(), this)),
      m_importManager(new DocumentImportManager(QString(), this)),
      m_medbitStore(new MedbitStore(records->medbits(), QString(), this)),
      m_imports(new ImportPresenter(m_importManager, m_medbitStore, this)), m_records(records)
{
    setObjectName(QStringLiteral("contentView"));
    m_timeline = new TimelineSection(m_medbitStore, m_clipboardManager, m_state, this);
    m_screens = new QStackedWidget(this);
    m_loading = new PatientsLoadingView(m_screens);
    m_loadFailed = new PatientsLoadFailedView(m_screens);
    m_onboarding = new CreatePatientOnboardingView(authManager, patientStore, m_screens);
    m_mainLayout = buildMainLayout();
    for (QWidget *screen : std::initializer_list<QWidget *>{m_loading, m_loadFailed, m_onboarding, m_mainLayout})
        m_screens->addWidget(screen);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_screens);

    connect(patientStore, &PatientStore::isLoadingChanged, this, &ContentView::refreshScreen);
    connect(patientStore, &PatientStore::patientsChanged, this, &ContentView::refreshScreen);
    connect(patientStore, &PatientStore::lastErrorChanged, this, &ContentView::refreshScreen);
    connect(patientStore, &PatientStore::patientsChanged, this, &ContentView::refreshTitle);
    connect(patientStore, &PatientStore::patientsChanged, this, &ContentView::refreshDetailColumn);
    connect(patientStore, &PatientStore::selectedPatientIDChanged, this, &ContentView::onSelectedPatientChange);
    connect(m_loadFailed, &PatientsLoadFailedView::tryAgainRequested, this, [this] { reloadPatients(m_patientStore); });
    connect(m_onboarding, &CreatePatientOnboardingView::created, this, &ContentView::onFirstPatientCreated);
    connect(m_state, &WindowState::selectedSectionChanged, this, &ContentView::refreshContentColumn);
    connect(m_state, &WindowState::selectedSectionChanged, this, &ContentView::refreshDetailColumn);
    connect(m_timeline, &TimelineSection::newEntryRequested, this, &ContentView::newEntryRequested);
    connect(this, &ContentView::importSheetRequested, m_imports, &ImportPresenter::openImportSheet);
    refreshScreen();
}

QWidget *ContentView::buildMainLayout()
{
    auto *main = new QWidget(m_screens);
    main->setObjectName(QStringLiteral("mainLayout"));
    main->setPalette(Theme::palette());
    main->setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(main);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_title = new QLabel(main);
    m_title->setObjectName(QStringLiteral("toolbarTitle"));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(Theme::headlineFont());
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setContentsMargins(0, 6, 0, 6);
    layout->addWidget(m_title);

    m_splitter = new QSplitter(Qt::Horizontal, main);
    m_splitter->setObjectName(QStringLiteral("mainSplitter"));
    m_splitter->setChildrenCollapsible(false);
    m_sidebar = new SidebarPanel(m_patientStore, m_state, m_importManager, m_splitter);
    connect(m_sidebar, &SidebarPanel::settingsRequested, this, &ContentView::settingsRequested);
    connect(m_sidebar, &SidebarPanel::importSheetRequested, this, &ContentView::importSheetRequested);
    m_contentColumn = new QWidget(m_splitter);
    m_contentColumn->setObjectName(QStringLiteral("contentColumn"));
    (new QVBoxLayout(m_contentColumn))->setContentsMargins(0, 0, 0, 0);
    m_detailColumn = new QWidget(m_splitter);
    m_detailColumn->setObjectName(QStringLiteral("detailColumn"));
    // At least 360 wide, and wider when what it shows needs more (the entry with its preview), so that the
    // window grows, or refuses to shrink, rather than letting columns overlap. It asks for room for both.
    auto *detailLayout = new QVBoxLayout(m_detailColumn);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->addSpacerItem(new QSpacerItem(360, 0, QSizePolicy::Fixed, QSizePolicy::Fixed));
    detailLayout->addSpacerItem(new QSpacerItem(700, 0, QSizePolicy::Preferred, QSizePolicy::Fixed));
    m_splitter->addWidget(m_sidebar);
    m_splitter->addWidget(m_contentColumn);
    m_splitter->addWidget(m_detailColumn);
    m_splitter->setStretchFactor(2, 1);
    m_splitter->setSizes({230, 260, 600});
    layout->addWidget(m_splitter, 1);
    refreshTitle();
    refreshContentColumn();
    refreshDetailColumn();
    return main;
}

MainContentFactory ContentView::factory(ProgramRecords *records)
{
    return [records](AuthManager *authManager, PatientStore *patientStore, QWidget *parent) -> MainContent * {
        return new ContentView(authManager, patientStore, records, parent);
    };
}

void ContentView::refreshScreen()
{
    QWidget *previous = m_screens->currentWidget();
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
    if (m_screens->currentWidget() == m_mainLayout && previous != m_mainLayout)
        loadForCurrentPatient();
}

void ContentView::onFirstPatientCreated()
{
    if (m_onboardingChoice)
        return;
    m_onboardingChoice = new OnboardingImportChoiceView(m_patientStore->selectedRecord().patient.displayName(), this);
    m_onboardingChoice->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_onboardingChoice, &OnboardingImportChoiceView::importChosen, this,
            &ContentView::chooseImportFromOnboarding);
    connect(m_onboardingChoice, &OnboardingImportChoiceView::manualChosen, this, &ContentView::closeOnboardingChoice);
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

WindowContext ContentView::sectionContext() const
{
    WindowContext context{.patientStore = m_patientStore,
                          .medbitStore = m_medbitStore,
                          .clipboardManager = m_clipboardManager,
                          .state = m_state,
                          .askSessions = m_records->askSessions(),
                          .healthStoryWriter = m_records->healthStoryWriter(),
                          .patientID = patientID()};
    m_timeline->addActions(context);
    return context;
}

QString ContentView::patientID() const
{
    return m_patientStore->selectedRecord().patient._id;
}

void ContentView::refreshTitle()
{
    m_title->setText(m_patientStore->selectedRecord().patient.displayName());
}

void ContentView::refreshContentColumn()
{
    const bool timeline = m_state->selectedSection() == SidebarSection::timeline;
    if (timeline && !m_list) {
        m_list = m_timeline->buildList(m_contentColumn);
        m_contentColumn->layout()->addWidget(m_list);
        keepColumnsInTabOrder();
    } else if (!timeline) {
        // The list's search text belongs to it and goes with it.
        discardLater(m_list);
    }
    // Outside the timeline the middle column collapses and the section's panel takes the right-hand one.
    m_contentColumn->setVisible(timeline);
}

void ContentView::refreshDetailColumn()
{
    const SectionPanel &section = SectionPanels::of(m_state->selectedSection());
    // A panel made for a patient is never kept alive for another; the others follow the window's state.
    const QString identity = section.keyedByPatient ? patientID() : QString();
    if (m_detailPanel && section.section == m_detailSection && identity == m_detailPatientID)
        return;
    discardLater(m_detailPanel);
    m_detailSection = section.section;
    m_detailPatientID = identity;
    const WindowContext context = sectionContext();
    m_detailPanel =
        section.build ? section.build(context, m_detailColumn) : m_timeline->buildDetail(context, m_detailColumn);
    m_detailPanel->setObjectName(QLatin1String(section.panelName));
    m_detailColumn->layout()->addWidget(m_detailPanel);
    keepColumnsInTabOrder();
}

void ContentView::keepColumnsInTabOrder()
{
    // A column's panel is built when its section is chosen, after the columns right of it.
    FocusOrder::chain({m_sidebar, m_contentColumn, m_detailColumn});
}

void ContentView::onSelectedPatientChange(const QString &id)
{
    m_state->leavePatient();
    refreshTitle();
    refreshDetailColumn();
    // Before the main layout first shows, its first appearance moves the objects instead.
    if (m_screens->currentWidget() == m_mainLayout)
        moveToPatient(id);
}

void ContentView::loadForCurrentPatient()
{
    moveToPatient(m_patientStore->selectedPatientID());
}

void ContentView::moveToPatient(const QString &id)
{
    if (id.isEmpty())
        return;
    // The clipboard history moves first, then the import (a running one ends), then the entries.
    m_clipboardManager->switchPatient(id);
    m_importManager->setPatientID(id);
    m_importManager->reset();
    m_medbitStore->setPatientID(id);
}
