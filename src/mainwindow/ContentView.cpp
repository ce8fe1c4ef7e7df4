#include "mainwindow/ContentView.h"

#include "app/CreatePatientOnboardingView.h"
#include "app/OnboardingImportChoiceView.h"
#include "clipboard/ClipboardManager.h"
#include "mainwindow/PatientsLoadFailedView.h"
#include "mainwindow/entry/AttachmentName.h"
#include "mainwindow/entry/CreateEntryView.h"
#include "mainwindow/entry/InspectorPreviewPanel.h"
#include "mainwindow/entry/MedbitDetailPanel.h"
#include "mainwindow/sidebar/SidebarPanel.h"
#include "mainwindow/timeline/TimelinePanel.h"
#include "records/MedbitStore.h"
#include "records/PatientStore.h"
#include "widgets/BusyIndicator.h"
#include "widgets/Theme.h"
#include "window/WindowState.h"

#include <QHBoxLayout>
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

QCoro::Task<> fetchMedbitDetail(QPointer<MedbitStore> store, QString id)
{
    // The store puts the full entry in place of the summary; a failure leaves the summary, and is not retried.
    if (store)
        co_await store->fetchMedbit(id);
}

const char *panelName(SidebarSection section)
{
    switch (section) {
    case SidebarSection::timeline:
        return "timelineDetail";
    case SidebarSection::ask:
        return "askPanel";
    case SidebarSection::clipboard:
        return "clipboardPanel";
    case SidebarSection::healthDocuments:
        return "healthDocumentsPanel";
    case SidebarSection::healthStory:
        return "healthStoryPanel";
    }
    return "";
}

} // namespace

ContentView::ContentView(AuthManager *authManager, PatientStore *patientStore, QWidget *parent)
    : QWidget(parent), m_patientStore(patientStore), m_state(new WindowState(this)),
      m_clipboardManager(new ClipboardManager(QString(), this)), m_medbitStore(new MedbitStore(QString(), this))
{
    setObjectName(QStringLiteral("contentView"));
    m_screens = new QStackedWidget(this);
    m_loading = buildLoadingScreen();
    m_loadFailed = new PatientsLoadFailedView(m_screens);
    m_onboarding = new CreatePatientOnboardingView(authManager, patientStore, m_screens);
    m_mainLayout = buildMainLayout();
    for (QWidget *screen :
         {m_loading, static_cast<QWidget *>(m_loadFailed), static_cast<QWidget *>(m_onboarding), m_mainLayout})
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
    connect(m_loadFailed, &PatientsLoadFailedView::tryAgainRequested, this, &ContentView::tryLoadAgain);
    connect(m_onboarding, &CreatePatientOnboardingView::created, this, &ContentView::onFirstPatientCreated);
    connect(m_state, &WindowState::selectedSectionChanged, this, &ContentView::refreshContentColumn);
    connect(m_state, &WindowState::selectedSectionChanged, this, &ContentView::refreshDetailColumn);
    connect(m_state, &WindowState::selectedMedbitChanged, this, &ContentView::onSelectedMedbitChange);
    connect(m_state, &WindowState::selectedMedbitChanged, this, &ContentView::refreshTimelineDetail);
    connect(m_state, &WindowState::activeDocumentNameChanged, this, &ContentView::refreshPreview);
    connect(this, &ContentView::newEntryRequested, this, &ContentView::openNewEntryForm);
    connect(m_medbitStore, &MedbitStore::medbitsChanged, this, &ContentView::onMedbitsChange);
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
    m_sidebar = new SidebarPanel(m_patientStore, m_state, m_splitter);
    connect(m_sidebar, &SidebarPanel::settingsRequested, this, &ContentView::settingsRequested);
    m_contentColumn = new QWidget(m_splitter);
    m_contentColumn->setObjectName(QStringLiteral("contentColumn"));
    (new QVBoxLayout(m_contentColumn))->setContentsMargins(0, 0, 0, 0);
    m_detailColumn = new QWidget(m_splitter);
    m_detailColumn->setObjectName(QStringLiteral("detailColumn"));
    m_detailColumn->setMinimumWidth(360);
    (new QVBoxLayout(m_detailColumn))->setContentsMargins(0, 0, 0, 0);
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

MainContentFactory ContentView::factory()
{
    return [](AuthManager *authManager, PatientStore *patientStore, QWidget *parent) -> QWidget * {
        return new ContentView(authManager, patientStore, parent);
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

QString ContentView::patientID() const
{
    return m_patientStore ? m_patientStore->selectedRecord().patient._id : QString();
}

void ContentView::refreshTitle()
{
    if (m_patientStore)
        m_title->setText(m_patientStore->selectedRecord().patient.displayName());
}

void ContentView::refreshContentColumn()
{
    const bool timeline = m_state->selectedSection() == SidebarSection::timeline;
    if (timeline && !m_timeline) {
        m_timeline = new TimelinePanel(m_medbitStore, m_state, m_clipboardManager, m_contentColumn);
        m_contentColumn->layout()->addWidget(m_timeline);
        connect(m_timeline, &TimelinePanel::newEntryRequested, this, &ContentView::newEntryRequested);
    } else if (!timeline && m_timeline) {
        // The panel's search text belongs to it and goes with it.
        m_timeline->hide();
        m_timeline->deleteLater();
    }
    // Outside the timeline the middle column collapses and the section's panel takes the right-hand one.
    m_contentColumn->setVisible(timeline);
}

void ContentView::refreshDetailColumn()
{
    const SidebarSection section = m_state->selectedSection();
    // Section panels carry the patient as their identity: a new patient gets a new panel, never an old one
    // kept alive. The timeline's detail follows the selected entry instead.
    const QString identity = section == SidebarSection::timeline ? QString() : patientID();
    if (m_detailPanel && section == m_detailSection && identity == m_detailPatientID)
        return;
    if (m_detailPanel) {
        m_detailPanel->hide();
        m_detailPanel->deleteLater();
    }
    m_detailSection = section;
    m_detailPatientID = identity;
    m_detailPanel = makeSectionPanel(section, identity);
    m_detailColumn->layout()->addWidget(m_detailPanel);
    refreshTimelineDetail();
}

QWidget *ContentView::makeSectionPanel(SidebarSection section, const QString &patientID)
{
    // The place where each section's panel is built for the patient; until a section has one, its column
    // stays empty.
    auto *panel = new QWidget(m_detailColumn);
    panel->setObjectName(QLatin1String(panelName(section)));
    panel->setProperty("patientID", patientID);
    if (section == SidebarSection::timeline) {
        auto *layout = new QHBoxLayout(panel);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    return panel;
}

void ContentView::refreshTimelineDetail()
{
    if (!m_detailPanel || m_detailSection != SidebarSection::timeline)
        return;
    const std::optional<Medbit> &selected = m_state->selectedMedbit();
    if (!selected) {
        // With no entry selected the panel goes, and its questions with it.
        if (m_medbitPanel) {
            m_medbitPanel->hide();
            m_medbitPanel->deleteLater();
        }
        refreshPreview();
        return;
    }
    if (!m_medbitPanel) {
        m_medbitPanel = new MedbitDetailPanel(m_medbitStore, m_clipboardManager, m_state, m_detailPanel);
        static_cast<QHBoxLayout *>(m_detailPanel->layout())->insertWidget(0, m_medbitPanel, 1);
    }
    m_medbitPanel->setMedbit(*selected, patientID());
    refreshPreview();
}

void ContentView::refreshPreview()
{
    if (!m_detailPanel || m_detailSection != SidebarSection::timeline)
        return;
    const std::optional<Medbit> &selected = m_state->selectedMedbit();
    const std::optional<QString> &name = m_state->activeDocumentName();
    if (!selected || !name) {
        // Closing the preview ends its load with it.
        if (m_previewPanel) {
            m_previewPanel->hide();
            m_previewPanel->deleteLater();
        }
        return;
    }
    if (!m_previewPanel) {
        m_previewPanel = new InspectorPreviewPanel(m_state, m_detailPanel);
        m_detailPanel->layout()->addWidget(m_previewPanel);
    }
    m_previewPanel->setAttachment(*selected, *name);
}

void ContentView::openNewEntryForm()
{
    auto *form = new CreateEntryView(m_medbitStore, std::nullopt, QString(), std::nullopt, window());
    form->open();
}

void ContentView::onSelectedMedbitChange()
{
    const std::optional<Medbit> &selected = m_state->selectedMedbit();
    if (!selected)
        return;
    m_state->setActiveDocumentName(attachmentName(*selected));
    if (m_fetchedDetailIDs.contains(selected->id))
        return;
    m_fetchedDetailIDs.insert(selected->id);
    fetchMedbitDetail(m_medbitStore, selected->id);
}

void ContentView::onMedbitsChange()
{
    const QList<Medbit> &medbits = m_medbitStore->medbits();
    std::optional<Medbit> next;
    if (const std::optional<Medbit> &selected = m_state->selectedMedbit()) {
        const auto same = std::find_if(medbits.cbegin(), medbits.cend(),
                                       [&](const Medbit &medbit) { return medbit.id == selected->id; });
        if (same != medbits.cend())
            next = *same;
    }
    if (!next && !medbits.isEmpty())
        next = medbits.first();
    m_state->setSelectedMedbit(next);
    m_state->setActiveDocumentName(next ? attachmentName(*next) : std::nullopt);
}

void ContentView::onSelectedPatientChange(const QString &id)
{
    refreshTitle();
    refreshDetailColumn();
    // Before the main layout first shows, its first appearance moves the objects instead.
    if (m_screens->currentWidget() == m_mainLayout)
        moveToPatient(id);
}

void ContentView::loadForCurrentPatient()
{
    if (m_patientStore)
        moveToPatient(m_patientStore->selectedPatientID());
}

void ContentView::moveToPatient(const QString &id)
{
    if (id.isEmpty())
        return;
    // The clipboard history moves first, then the entries.
    m_clipboardManager->switchPatient(id);
    m_medbitStore->setPatientID(id);
}
