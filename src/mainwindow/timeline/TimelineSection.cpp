#include "mainwindow/timeline/TimelineSection.h"

#include "mainwindow/entry/AttachmentName.h"
#include "mainwindow/entry/CreateEntryView.h"
#include "mainwindow/entry/EntryQuestionsStore.h"
#include "mainwindow/timeline/TimelineDetail.h"
#include "mainwindow/timeline/TimelinePanel.h"
#include "records/MedbitStore.h"
#include "window/WindowContext.h"
#include "window/WindowState.h"

#include <QPointer>
#include <QWidget>

#include <QCoroTask>

#include <algorithm>

namespace
{

// How long the selection must rest on an entry before it is fetched in full.
constexpr int dwellMilliseconds = 200;

} // namespace

TimelineSection::TimelineSection(MedbitStore *medbitStore, ClipboardManager *clipboardManager, WindowState *state,
                                 QWidget *window)
    : QObject(window), m_window(window), m_medbitStore(medbitStore), m_clipboardManager(clipboardManager),
      m_state(state), m_entryQuestions(new EntryQuestionsStore(this))
{
    m_dwell.setSingleShot(true);
    m_dwell.setInterval(dwellMilliseconds);
    connect(&m_dwell, &QTimer::timeout, this, &TimelineSection::fetchSelectedDetail);
    connect(m_state, &WindowState::selectedMedbitChanged, this, &TimelineSection::onSelectedMedbitChange);
    connect(m_medbitStore, &MedbitStore::medbitsChanged, this, &TimelineSection::onMedbitsChange);
    connect(this, &TimelineSection::newEntryRequested, this, &TimelineSection::openNewEntryForm);
}

QWidget *TimelineSection::buildList(QWidget *parent)
{
    auto *list = new TimelinePanel(m_medbitStore, m_state, m_clipboardManager, parent);
    connect(list, &TimelinePanel::newEntryRequested, this, &TimelineSection::newEntryRequested);
    return list;
}

QWidget *TimelineSection::buildDetail(const WindowContext &context, QWidget *parent)
{
    auto *detail = new TimelineDetail(context, m_entryQuestions, parent);
    connect(detail, &TimelineDetail::fetchAgainRequested, this, &TimelineSection::fetchSelectedDetailAgain);
    return detail;
}

void TimelineSection::addActions(WindowContext &context)
{
    // A panel's work may outlive the window; then its actions do nothing.
    const QPointer<TimelineSection> section = this;
    context.openEntryForm = [section](const QString &text, const std::optional<QUrl> &attachment) {
        if (section)
            section->openEntryForm(text, attachment);
    };
    context.selectMedbit = [section](const Medbit &medbit) {
        if (section)
            section->showMedbit(medbit);
    };
}

void TimelineSection::openEntryForm(const QString &text, const std::optional<QUrl> &attachment)
{
    auto *form =
        new CreateEntryView(m_medbitStore, m_clipboardManager, std::nullopt, text, attachment, m_window->window());
    form->open();
}

void TimelineSection::openNewEntryForm()
{
    openEntryForm(QString(), std::nullopt);
}

void TimelineSection::showMedbit(const Medbit &medbit)
{
    QMetaObject::invokeMethod(
        this,
        [this, medbit] {
            m_state->setSelectedMedbit(medbit);
            m_state->setActiveDocumentName(attachmentName(medbit));
            m_state->setSelectedSection(SidebarSection::timeline);
            fetchSelectedDetail();
        },
        Qt::QueuedConnection);
}

void TimelineSection::onSelectedMedbitChange()
{
    followSelectionWithPreview();
    const std::optional<Medbit> &selected = m_state->selectedMedbit();
    if (selected && !m_medbitStore->isFetchedInFull(selected->id))
        m_dwell.start();
}

// A new copy of the same entry (a star, its full record read in any window) is not a new selection.
void TimelineSection::followSelectionWithPreview()
{
    const std::optional<Medbit> &selected = m_state->selectedMedbit();
    std::optional<Followed> followed;
    if (selected)
        followed = Followed{selected->id, attachmentName(*selected)};
    if (followed == m_followed)
        return;
    m_followed = followed;
    m_state->setActiveDocumentName(followed ? followed->attachment : std::nullopt);
}

void TimelineSection::fetchSelectedDetail()
{
    m_dwell.stop();
    const std::optional<Medbit> &selected = m_state->selectedMedbit();
    if (!selected || m_medbitStore->isFetchedInFull(selected->id))
        return;
    fetchMedbitDetail(selected->id);
}

// Also after a fetch that succeeded once: a refresh after an upload may have failed since.
void TimelineSection::fetchSelectedDetailAgain()
{
    m_dwell.stop();
    if (const std::optional<Medbit> &selected = m_state->selectedMedbit())
        fetchMedbitDetail(selected->id);
}

// The store puts the full entry in place of the summary. A failed fetch leaves the summary, so the next
// selection of that entry asks again: until one succeeds its attachments cannot be reached.
void TimelineSection::fetchMedbitDetail(const QString &id)
{
    m_medbitStore->fetchMedbit(id);
}

void TimelineSection::onMedbitsChange()
{
    const QList<Medbit> &medbits = m_medbitStore->medbits();
    const std::optional<Medbit> &selected = m_state->selectedMedbit();
    const QString previousID = selected ? selected->id : QString();
    std::optional<Medbit> next;
    if (selected) {
        const auto same = std::find_if(medbits.cbegin(), medbits.cend(),
                                       [&](const Medbit &medbit) { return medbit.id == selected->id; });
        if (same != medbits.cend())
            next = *same;
        // An entry the service no longer has stays selected, for the detail to say so, until another is chosen.
        else if (m_medbitStore->isGone(selected->id))
            return;
    }
    if (!next && !medbits.isEmpty())
        next = medbits.first();
    m_state->setSelectedMedbit(next);
    // A selection the list itself moved (a new list, the selected entry gone) is not passing through; a new
    // list holds the selected entry's summary, unless reading it in full has just failed.
    if (next && (next->id != previousID || !m_medbitStore->detailError(next->id)))
        fetchSelectedDetail();
}
