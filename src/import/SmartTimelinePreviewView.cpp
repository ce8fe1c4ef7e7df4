#include "SmartTimelinePreviewView.h"

#include "DocumentImportManager.h"
#include "DocumentImportReview.h"
#include "ReviewProgress.h"
#include "ReviewProgressBar.h"
#include "ReviewSectionBlock.h"
#include "ReviewStatusLegend.h"
#include "TranslationLanguage.h"

#include "records/MedbitStore.h"
#include "widgets/BusyIndicator.h"
#include "widgets/FormKit.h"
#include "widgets/MenuButton.h"
#include "widgets/ScreenAction.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

// Rows are built in slices of this many milliseconds, after at least a sheet's height of them.
constexpr qint64 rowSliceMs = 4;
constexpr int rowsPerSheet = 10;

QLabel *redCaption(const QString &name, QWidget *parent)
{
    QLabel *label = FormKit::errorCaption(parent);
    label->setObjectName(name);
    return label;
}

QLabel *secondaryText(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(Theme::subheadlineFont());
    Theme::setTextColor(label, Theme::secondaryColor(parent));
    return label;
}

// The prominent look without being the default button.
void setAccentColours(QPushButton *button)
{
    QPalette colours = button->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        colours.setColor(group, QPalette::Button, colours.color(group, QPalette::Highlight));
        colours.setColor(group, QPalette::ButtonText, colours.color(group, QPalette::HighlightedText));
    }
    button->setPalette(colours);
}

} // namespace

SmartTimelinePreviewView::SmartTimelinePreviewView(DocumentImportManager *manager, MedbitStore *store, QWidget *parent)
    : Sheet(parent), m_manager(manager), m_review(manager->review()), m_store(store),
      m_saveAction(new ScreenAction(this)), m_rowBuilder(new QTimer(this))
{
    setObjectName(QStringLiteral("smartTimelinePreviewView"));
    Theme::applyPalette(this);
    setFixedSize(560, 640);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildToolbar());
    layout->addWidget(FormKit::divider(this));
    m_body = new QStackedWidget(this);
    m_progressBlock = buildProgressBlock();
    m_reviewList = buildReviewList();
    m_body->addWidget(m_progressBlock);
    m_body->addWidget(m_reviewList);
    layout->addWidget(m_body, 1);
    m_rowBuilder->setSingleShot(true);
    m_rowBuilder->setInterval(0);
    connect(m_rowBuilder, &QTimer::timeout, this, &SmartTimelinePreviewView::buildPendingRows);

    connect(manager, &DocumentImportManager::isExtractionDoneChanged, this, &SmartTimelinePreviewView::refreshPhase);
    connect(m_review, &DocumentImportReview::isSavingChanged, this, &SmartTimelinePreviewView::refreshPhase);
    connect(manager, &DocumentImportManager::currentStepChanged, this, &SmartTimelinePreviewView::refreshProgress);
    connect(manager, &DocumentImportManager::uploadProgressChanged, this, &SmartTimelinePreviewView::refreshProgress);
    connect(m_review, &DocumentImportReview::sectionsChanged, this, &SmartTimelinePreviewView::refreshProgress);
    connect(m_review, &DocumentImportReview::sectionsChanged, this, &SmartTimelinePreviewView::refreshSections);
    connect(m_review, &DocumentImportReview::sectionsChanged, this, &SmartTimelinePreviewView::refreshPhase);
    connect(m_review, &DocumentImportReview::isTranslatingChanged, this, &SmartTimelinePreviewView::refreshTranslation);
    connect(m_review, &DocumentImportReview::translationLanguageChanged, this,
            &SmartTimelinePreviewView::refreshTranslation);
    // Only failures raised while the review is open are its own to show.
    connect(manager, &DocumentImportManager::activeErrorChanged, this, &SmartTimelinePreviewView::showImportError);
    refreshPhase();
    refreshProgress();
    refreshSections();
    refreshTranslation();
}

QWidget *SmartTimelinePreviewView::buildToolbar()
{
    auto *bar = new QWidget(this);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(20, 20, 20, 20);
    m_title = new QLabel(bar);
    m_title->setObjectName(QStringLiteral("reviewTitle"));
    m_title->setFont(Theme::title2Font());
    // Neither button is a default: Return in a row, a header or the translate button must never save.
    m_cancelButton = new QPushButton(tr("Cancel"), bar);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setAutoDefault(false);
    m_saveButton = new QPushButton(bar);
    m_saveButton->setObjectName(QStringLiteral("saveButton"));
    m_saveButton->setAutoDefault(false);
    setAccentColours(m_saveButton);
    row->addWidget(m_title);
    row->addStretch(1);
    row->addWidget(m_cancelButton);
    row->addWidget(m_saveButton);
    connect(m_cancelButton, &QPushButton::clicked, this, &SmartTimelinePreviewView::cancel);
    connect(m_saveButton, &QPushButton::clicked, this, &SmartTimelinePreviewView::save);
    return bar;
}

QWidget *SmartTimelinePreviewView::buildProgressBlock()
{
    auto *block = new QWidget(this);
    block->setObjectName(QStringLiteral("progressBlock"));
    auto *layout = new QVBoxLayout(block);
    layout->setContentsMargins(40, 40, 40, 40);
    layout->setSpacing(16);
    layout->addStretch(1);
    m_progressBar = new ReviewProgressBar(block);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setFixedWidth(320);
    m_progressBar->setTextVisible(false);
    m_progressSpinner = new BusyIndicator(32, block);
    m_progressSpinner->setObjectName(QStringLiteral("progressSpinner"));
    m_progressLabel = new QLabel(block);
    m_progressLabel->setObjectName(QStringLiteral("progressLabel"));
    m_progressLabel->setTextFormat(Qt::PlainText);
    Theme::setTextColor(m_progressLabel, Theme::secondaryColor(this));
    m_progressError = redCaption(QStringLiteral("progressError"), block);
    m_progressError->setAlignment(Qt::AlignCenter);
    m_progressError->setContentsMargins(40, 0, 40, 0);
    layout->addWidget(m_progressBar, 0, Qt::AlignHCenter);
    layout->addWidget(m_progressSpinner, 0, Qt::AlignHCenter);
    layout->addWidget(m_progressLabel, 0, Qt::AlignHCenter);
    layout->addWidget(m_progressError);
    layout->addStretch(1);
    return block;
}

QScrollArea *SmartTimelinePreviewView::buildReviewList()
{
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("reviewList"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // It only scrolls: Tab goes to what is in it.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *list = new QWidget(scroll);
    auto *layout = new QVBoxLayout(list);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildTranslationBar(list));
    layout->addWidget(FormKit::divider(list));
    QLabel *hint = secondaryText(tr("Review extracted information, then tap Save"), list);
    hint->setObjectName(QStringLiteral("reviewHint"));
    hint->setContentsMargins(20, 16, 20, 0);
    layout->addWidget(hint);
    layout->addWidget(new ReviewStatusLegend(list));
    m_nothingToSave = secondaryText(QString(), list);
    m_nothingToSave->setObjectName(QStringLiteral("nothingToSave"));
    m_nothingToSave->setContentsMargins(20, 0, 20, 8);
    layout->addWidget(m_nothingToSave);
    m_reviewError = redCaption(QStringLiteral("reviewError"), list);
    m_reviewError->setContentsMargins(20, 0, 20, 8);
    layout->addWidget(m_reviewError);
    m_sectionsBox = new QWidget(list);
    m_sectionsLayout = new QVBoxLayout(m_sectionsBox);
    m_sectionsLayout->setContentsMargins(0, 0, 0, 0);
    m_sectionsLayout->setSpacing(0);
    layout->addWidget(m_sectionsBox);
    layout->addStretch(1);
    scroll->setWidget(list);
    return scroll;
}

QWidget *SmartTimelinePreviewView::buildTranslationBar(QWidget *parent)
{
    auto *bar = new QWidget(parent);
    bar->setFont(Theme::headlineFont());
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(20, 20, 20, 20);
    const QIcon translate = QIcon(SymbolIcons::tinted(QStringLiteral("translate"), 16, Theme::linkColor()));
    m_translateMenu = new MenuButton(bar);
    m_translateMenu->setObjectName(QStringLiteral("translateMenuButton"));
    m_translateMenu->setText(tr("Translate all"));
    m_translateMenu->setIcon(translate);
    m_translateMenu->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_translateMenu->setPopupMode(QToolButton::InstantPopup);
    m_translateMenu->setAutoRaise(true);
    m_translateMenu->setFocusPolicy(Qt::StrongFocus);
    Theme::setTextColor(m_translateMenu, Theme::linkColor());
    auto *menu = new QMenu(m_translateMenu);
    menu->setObjectName(QStringLiteral("translateMenu"));
    for (const TranslationLanguage &language : TranslationLanguage::all()) {
        QAction *item = menu->addAction(language.displayName);
        const QString code = language.code;
        item->setData(code);
        connect(item, &QAction::triggered, this, [this, code] { m_review->translate(code); });
    }
    m_translateMenu->setMenu(menu);
    m_undoTranslation = new QToolButton(bar);
    m_undoTranslation->setObjectName(QStringLiteral("undoTranslationButton"));
    m_undoTranslation->setText(tr("Undo translation"));
    m_undoTranslation->setIcon(translate);
    m_undoTranslation->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_undoTranslation->setAutoRaise(true);
    m_undoTranslation->setFocusPolicy(Qt::StrongFocus);
    Theme::setTextColor(m_undoTranslation, Theme::linkColor());
    connect(m_undoTranslation, &QToolButton::clicked, m_review, &DocumentImportReview::undoTranslation);
    m_translating = new QWidget(bar);
    m_translating->setObjectName(QStringLiteral("translatingIndicator"));
    auto *translatingRow = new QHBoxLayout(m_translating);
    translatingRow->setContentsMargins(0, 0, 0, 0);
    translatingRow->addWidget(new BusyIndicator(14, m_translating));
    QLabel *translatingText = secondaryText(tr("Translating…"), m_translating);
    translatingText->setFont(Theme::headlineFont());
    translatingRow->addWidget(translatingText);
    for (QWidget *control : std::initializer_list<QWidget *>{m_translateMenu, m_undoTranslation, m_translating})
        row->addWidget(control);
    row->addStretch(1);
    return bar;
}

void SmartTimelinePreviewView::cancel()
{
    m_manager->reset();
    dismiss();
}

void SmartTimelinePreviewView::save()
{
    if (m_saveAction->isBusy() || m_review->isSaving())
        return;
    saveTask();
}

QCoro::Task<> SmartTimelinePreviewView::saveTask()
{
    QCoro::Task<> operation = m_review->save(m_store);
    const ScreenAction::Outcome outcome = co_await m_saveAction->run(std::move(operation));
    if (outcome.abandoned)
        co_return;
    if (outcome.failure)
        setErrorMessage(*outcome.failure);
    else
        accept();
}

void SmartTimelinePreviewView::showImportError()
{
    if (const std::optional<DocumentImportError> error = m_manager->activeError())
        setErrorMessage(error->description());
}

void SmartTimelinePreviewView::setErrorMessage(const QString &text)
{
    m_errorMessage = text;
    FormKit::setCaptionText(m_progressError, text);
    FormKit::setCaptionText(m_reviewError, text);
}

void SmartTimelinePreviewView::refreshPhase()
{
    const bool done = m_manager->isExtractionDone();
    const bool saving = m_review->isSaving();
    const bool empty = !saving && !m_review->canSave();
    m_title->setText(done ? tr("Review Timeline") : tr("Smart Timeline"));
    setWindowTitle(m_title->text());
    m_body->setCurrentWidget(done ? m_reviewList : m_progressBlock);
    m_saveButton->setVisible(done);
    m_saveButton->setText(saving ? tr("Saving…") : tr("Save"));
    // A save without entries would store nothing, not even the document: Cancel is the way out.
    m_saveButton->setEnabled(m_review->canSave());
    m_nothingToSave->setText(m_review->foundSuggestions()
                                 ? tr("Every suggestion was removed: there is nothing to save.")
                                 : tr("The analysis found nothing to add: there is nothing to save."));
    m_saveButton->setToolTip(empty ? m_nothingToSave->text() : QString());
    m_nothingToSave->setVisible(done && empty);
    // The save sends the entries of the moment it started: no edits meanwhile, and no way to leave it
    // half done.
    m_sectionsBox->setEnabled(!saving);
    m_cancelButton->setEnabled(!saving);
}

void SmartTimelinePreviewView::refreshProgress()
{
    const int step = m_manager->currentStep();
    const double upload = m_manager->uploadProgress();
    const QList<TaggedPreviewMedbits> &sections = m_review->sections();
    const ReviewProgress::Indicator indicator = ReviewProgress::indicator(step, upload);
    m_progressSpinner->setVisible(indicator == ReviewProgress::Indicator::spinner);
    m_progressBar->setVisible(indicator != ReviewProgress::Indicator::spinner);
    if (indicator == ReviewProgress::Indicator::uploadBar)
        m_progressBar->moveTo(100, ReviewProgress::uploadPercent(upload));
    else
        m_progressBar->moveTo(ReviewProgress::maximum(sections), ReviewProgress::value(step, sections));
    m_progressLabel->setText(ReviewProgress::label(step, upload, sections));
}

// The sections keep their blocks while the review keeps its tags; only a new import rebuilds them.
void SmartTimelinePreviewView::refreshSections()
{
    const QList<TaggedPreviewMedbits> &sections = m_review->sections();
    bool sameTags = sections.size() == m_sections.size();
    for (qsizetype index = 0; sameTags && index < sections.size(); ++index)
        sameTags = sections.at(index).tag == m_sections.at(index)->tag();
    if (!sameTags) {
        for (ReviewSectionBlock *gone : std::as_const(m_sections)) {
            m_sectionsLayout->removeWidget(gone);
            gone->hide();
            gone->deleteLater();
        }
        m_sections.clear();
        for (const TaggedPreviewMedbits &section : sections) {
            auto *block = new ReviewSectionBlock(section.tag, m_review, m_sectionsBox);
            m_sectionsLayout->addWidget(block);
            m_sections.append(block);
        }
    }
    for (qsizetype index = 0; index < sections.size(); ++index)
        m_sections.at(index)->setSection(sections.at(index));
    buildPendingRows();
}

// Hundreds of suggestions may arrive in one event: the first sheet of rows is built at once, the rest a
// slice per turn of the event loop, so that the window keeps answering while they are built.
void SmartTimelinePreviewView::buildPendingRows()
{
    QElapsedTimer slice;
    slice.start();
    int built = 0;
    for (ReviewSectionBlock *block : std::as_const(m_sections)) {
        for (; block->pendingRows() > 0 && (built < rowsPerSheet || slice.elapsed() < rowSliceMs); ++built)
            block->buildNextRow();
        block->showBuiltRows();
        if (block->pendingRows() > 0) {
            m_rowBuilder->start();
            return;
        }
    }
}

QList<ReviewTabStop> SmartTimelinePreviewView::tabStops() const
{
    QList<ReviewTabStop> stops;
    for (QWidget *control :
         std::initializer_list<QWidget *>{m_cancelButton, m_saveButton, m_translateMenu, m_undoTranslation})
        stops.append({control});
    if (m_body->currentWidget() == m_reviewList && m_sectionsBox->isEnabled())
        for (ReviewSectionBlock *block : m_sections)
            stops.append(block->tabStops());
    stops.removeIf([](const ReviewTabStop &stop) {
        return stop.control && (!stop.control->isVisible() || !stop.control->isEnabled());
    });
    return stops;
}

bool SmartTimelinePreviewView::focusNextPrevChild(bool next)
{
    QWidget *control = ReviewTabStop::neighbour(tabStops(), QApplication::focusWidget(), next);
    if (!control)
        return Sheet::focusNextPrevChild(next);
    control->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    reveal(control);
    return true;
}

// A row built a moment ago has no place until the layouts have run: they run first.
void SmartTimelinePreviewView::reveal(QWidget *control)
{
    if (!m_reviewList->widget()->isAncestorOf(control))
        return;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    m_reviewList->ensureWidgetVisible(control, 0, 10);
}

void SmartTimelinePreviewView::refreshTranslation()
{
    const bool translating = m_review->isTranslating();
    const bool translated = m_review->translationLanguage().has_value();
    m_translating->setVisible(translating);
    m_undoTranslation->setVisible(!translating && translated);
    m_translateMenu->setVisible(!translating && !translated);
}
