#include "ClipboardHistories.h"

#include "ApplicationActivity.h"
#include "ClipboardHistoryStore.h"
#include "ClipboardManager.h"
#include "Pasteboard.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoroFuture>

namespace
{

constexpr int pollIntervalMs = 500;

// The window a widget or an object within one belongs to, an entry form opened over it included.
QWidget *outermostWidget(QObject *object)
{
    while (object && !object->isWidgetType())
        object = object->parent();
    auto *widget = static_cast<QWidget *>(object);
    while (widget && widget->parentWidget())
        widget = widget->parentWidget();
    return widget;
}

} // namespace

ClipboardHistories::ClipboardHistories(QObject *parent) : ClipboardHistories(ClipboardSeams{}, parent) {}

ClipboardHistories::ClipboardHistories(const ClipboardSeams &seams, QObject *parent)
    : QObject(parent), m_pasteboard(seams.pasteboard), m_activity(seams.activity), m_clock(seams.clock),
      m_pasteboardTimer(new QTimer(this))
{
    if (!m_pasteboard)
        m_pasteboard = new Pasteboard(QGuiApplication::clipboard(), this);
    if (!m_activity)
        m_activity = ApplicationActivity::followingApplication(this);
    if (!m_clock)
        m_clock = [] { return QDateTime::currentDateTimeUtc(); };
    // What is on the clipboard at start is not the user's doing in this app.
    m_lastKnownChangeCount = m_pasteboard->changeCount();

    m_pasteboardTimer->setInterval(pollIntervalMs);
    connect(m_pasteboardTimer, &QTimer::timeout, this, &ClipboardHistories::pollPasteboard);
    connect(m_activity, &ApplicationActivity::activeChanged, this, &ClipboardHistories::onActiveChanged);
    connect(m_pasteboard, &Pasteboard::changed, this, &ClipboardHistories::onPasteboardChanged);
    connect(m_pasteboard, &Pasteboard::selectionChanged, this, &ClipboardHistories::onSelectionChanged);
    if (m_activity->isActive())
        m_pasteboardTimer->start();
}

ClipboardHistories::~ClipboardHistories()
{
    recordOwnChanges();
    // At the program's end the reads and saves still running are waited for, so that none is lost.
    for (auto &[patientID, history] : m_histories)
        settleLoad(patientID, *history);
    // No read of a history outlives the histories: the next ones may already be changing the same settings.
    for (auto &[patientID, history] : m_histories)
        history->loading.waitForFinished();
    for (QFuture<QList<ClipboardItem>> &read : m_abandonedReads)
        read.waitForFinished();
    ClipboardHistoryStore::waitForSaves();
}

ClipboardHistories::History *ClipboardHistories::find(const QString &patientID) const
{
    const auto found = m_histories.find(patientID);
    return found != m_histories.end() ? found->second.get() : nullptr;
}

bool ClipboardHistories::holds(const QString &patientID) const
{
    return find(patientID) != nullptr;
}

void ClipboardHistories::hold(const QString &patientID, Read read)
{
    std::unique_ptr<History> &held = m_histories[patientID];
    const bool first = !held;
    if (first)
        held = std::make_unique<History>();
    // Held before it is read: a read that has come at once finishes inside the call below.
    ++held->holds;
    if (!first)
        return;
    if (read == Read::Now) {
        held->items = ClipboardManager::loadHistory(patientID);
        return;
    }
    held->isLoading = true;
    held->load = m_loads.next();
    held->loading = QtConcurrent::run(&ClipboardManager::loadHistory, patientID);
    readHistory(patientID, held->load, held->loading);
}

void ClipboardHistories::release(const QString &patientID)
{
    const auto found = m_histories.find(patientID);
    if (found == m_histories.end() || --found->second->holds > 0)
        return;
    // A list changed while it is read stays until the read has come and the two are saved together. Any other is
    // not written again: it was saved at its last change.
    if (changedWhileLoading(*found->second))
        return;
    stopLoading(*found->second);
    m_histories.erase(found);
}

const QList<ClipboardItem> &ClipboardHistories::items(const QString &patientID) const
{
    static const QList<ClipboardItem> none;
    const History *history = find(patientID);
    return history ? history->items : none;
}

bool ClipboardHistories::isLoading(const QString &patientID) const
{
    const History *history = find(patientID);
    return history && history->isLoading;
}

QCoro::Task<> ClipboardHistories::readHistory(QString patientID, Generation::Token load,
                                              QFuture<QList<ClipboardItem>> loading)
{
    QPointer<ClipboardHistories> self(this);
    QList<ClipboardItem> stored = co_await loading;
    if (!self)
        co_return;
    // A history let go, or one already finished or replaced: none of it belongs in the list held now.
    History *history = find(patientID);
    if (!history || !history->isLoading || history->load != load)
        co_return;
    finishLoad(patientID, *history, std::move(stored));
    if (history->holds == 0)
        m_histories.erase(patientID);
}

bool ClipboardHistories::changedWhileLoading(const History &history)
{
    return history.isLoading && (!history.items.isEmpty() || !history.deletedWhileLoading.isEmpty());
}

void ClipboardHistories::finishLoad(const QString &patientID, History &history, QList<ClipboardItem> stored)
{
    const bool changed = changedWhileLoading(history);
    stored.removeIf([&history](const ClipboardItem &item) { return history.deletedWhileLoading.contains(item.id); });
    history.isLoading = false;
    history.deletedWhileLoading.clear();
    // What was recorded meanwhile is newer than anything stored.
    history.items += stored;
    Q_EMIT historyChanged(patientID);
    if (changed)
        save(patientID, history);
}

void ClipboardHistories::settleLoad(const QString &patientID, History &history)
{
    if (!changedWhileLoading(history))
        return;
    history.loading.waitForFinished();
    finishLoad(patientID, history, history.loading.result());
}

void ClipboardHistories::stopLoading(History &history)
{
    if (history.loading.isValid() && !history.loading.isFinished())
        m_abandonedReads.append(history.loading);
    m_abandonedReads.removeIf([](const QFuture<QList<ClipboardItem>> &read) { return read.isFinished(); });
    history.loading = {};
    history.isLoading = false;
    history.deletedWhileLoading.clear();
}

void ClipboardHistories::save(const QString &patientID, const History &history)
{
    // The list is saved whole once the stored part has come.
    if (!history.isLoading)
        ClipboardManager::saveHistory(history.items, patientID);
}

void ClipboardHistories::setItems(const QString &patientID, const QList<ClipboardItem> &items)
{
    History *history = find(patientID);
    if (!history)
        return;
    // The given list is the whole list: what is still being read would only add to it.
    stopLoading(*history);
    history->items = items;
    Q_EMIT historyChanged(patientID);
}

void ClipboardHistories::deleteItems(const QString &patientID, const QSet<QUuid> &ids)
{
    History *history = find(patientID);
    if (!history)
        return;
    history->items.removeIf([&ids](const ClipboardItem &item) { return ids.contains(item.id); });
    if (history->isLoading)
        history->deletedWhileLoading.unite(ids);
    Q_EMIT historyChanged(patientID);
    save(patientID, *history);
}

void ClipboardHistories::record(const QString &patientID, ClipboardActionType action, const QString &text,
                                const QString &source)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return;
    addItem(patientID, ClipboardItem{QUuid::createUuid(), trimmed, std::nullopt, action, source, m_clock(), patientID});
}

void ClipboardHistories::recordFile(const QString &patientID, ClipboardActionType action, const ClipboardFile &file,
                                    const QString &source)
{
    addItem(patientID, ClipboardItem{QUuid::createUuid(), file.filename, file, action, source, m_clock(), patientID});
}

void ClipboardHistories::addItem(const QString &patientID, const ClipboardItem &item)
{
    // A copy or cut is recorded by the field that has just made it; a paste makes no change.
    const bool isCopy = item.action != ClipboardActionType::Paste;
    recordOwnChanges(isCopy ? std::optional(m_pasteboard->changeCount()) : std::nullopt);
    if (find(patientID))
        insertItem(patientID, item, m_pasteboard->changeCount());
}

void ClipboardHistories::insertItem(const QString &patientID, const ClipboardItem &item, int changeCount)
{
    History *history = find(patientID);
    history->items.prepend(item);
    Q_EMIT historyChanged(patientID);
    save(patientID, *history);
    // A newer change made meanwhile by another program is still to be seen.
    m_lastKnownChangeCount = std::max(m_lastKnownChangeCount, changeCount);
    if (item.action != ClipboardActionType::Paste)
        m_lastCopySource = CopySource{item.patientID, changeCount};
}

void ClipboardHistories::noteCopyBack(const QString &patientID)
{
    recordOwnChanges(m_pasteboard->changeCount());
    m_lastKnownChangeCount = m_pasteboard->changeCount();
    m_lastCopySource = CopySource{patientID, m_lastKnownChangeCount};
}

bool ClipboardHistories::clipboardHoldsAnotherPatientsCopy(const QString &patientID) const
{
    return m_lastCopySource && m_lastCopySource->changeCount == m_pasteboard->changeCount() &&
           m_lastCopySource->patientID != patientID;
}

bool ClipboardHistories::isAnotherPatientsCopy(const QString &text, const QString &patientID) const
{
    return !text.isEmpty() && clipboardHoldsAnotherPatientsCopy(patientID) && m_pasteboard->text() == text;
}

bool ClipboardHistories::selectionHoldsAnotherPatientsText(const QString &patientID) const
{
    return m_selectionPatientID && *m_selectionPatientID != patientID;
}

void ClipboardHistories::pollPasteboard()
{
    recordOwnChanges();
    const int changeCount = m_pasteboard->changeCount();
    if (changeCount == m_lastKnownChangeCount)
        return;
    // Seen from here on, whether or not it is recorded.
    m_lastKnownChangeCount = changeCount;
    if (!m_activity->isActive())
        return;
    const std::optional<QString> text = m_pasteboard->text();
    if (!text)
        return;
    // The window the copy was made in may have been closed since.
    const std::optional<QString> patientID =
        m_changedUnder && holds(*m_changedUnder) ? m_changedUnder : patientInFront();
    if (patientID)
        record(*patientID, ClipboardActionType::Copy, *text, QStringLiteral("App"));
}

void ClipboardHistories::onActiveChanged(bool isActive)
{
    // Made while this program was in front, however soon it went to the back.
    recordOwnChanges();
    if (!isActive) {
        m_pasteboardTimer->stop();
        return;
    }
    // What other applications copied meanwhile is theirs, not this application's history.
    m_lastKnownChangeCount = m_pasteboard->changeCount();
    m_pasteboardTimer->start();
}

void ClipboardHistories::onPasteboardChanged()
{
    m_changedUnder = patientInFront();
    if (!m_pasteboard->ownsClipboard() || !m_changedUnder)
        return;
    const std::optional<QString> text = m_pasteboard->text();
    if (!text)
        return;
    // Not at once: the widget that made it is still at work, and a field that records its own copy does so
    // right after this.
    if (m_ownChanges.isEmpty())
        QMetaObject::invokeMethod(
            this, [this] { recordOwnChanges(); }, Qt::QueuedConnection);
    m_ownChanges.append(OwnChange{m_pasteboard->changeCount(), *m_changedUnder, *text});
}

void ClipboardHistories::recordOwnChanges(std::optional<int> recordedByItsMaker)
{
    for (const OwnChange &change : std::exchange(m_ownChanges, {})) {
        if (change.changeCount != recordedByItsMaker)
            recordOwnChange(change);
    }
}

void ClipboardHistories::recordOwnChange(const OwnChange &change)
{
    const QString trimmed = change.text.trimmed();
    if (trimmed.isEmpty())
        return;
    // The window it was made in may show another patient by now, or be gone: the copy is still the patient's.
    const bool held = holds(change.patientID);
    if (!held)
        hold(change.patientID, Read::InBackground);
    insertItem(change.patientID,
               ClipboardItem{QUuid::createUuid(), trimmed, std::nullopt, ClipboardActionType::Copy,
                             QStringLiteral("App"), m_clock(), change.patientID},
               change.changeCount);
    if (!held)
        release(change.patientID);
}

void ClipboardHistories::onSelectionChanged()
{
    const std::optional<QString> patientID = m_pasteboard->ownsSelection() ? patientInFront() : std::nullopt;
    m_selectionPatientID = patientID && !patientID->isEmpty() ? patientID : std::nullopt;
}

void ClipboardHistories::addView(ClipboardManager *view)
{
    m_views.append(view);
    m_lastActed = view;
}

void ClipboardHistories::removeView(ClipboardManager *view)
{
    m_views.removeAll(view);
    if (m_lastActed == view)
        m_lastActed = nullptr;
}

void ClipboardHistories::noteActed(ClipboardManager *view)
{
    m_lastActed = view;
}

std::optional<QString> ClipboardHistories::patientInFront() const
{
    QWidget *focus = QApplication::focusWidget();
    if (!focus)
        focus = QApplication::activeWindow();
    if (QWidget *window = outermostWidget(focus)) {
        for (ClipboardManager *view : m_views) {
            if (outermostWidget(view) == window)
                return view->patientID();
        }
    }
    if (m_lastActed)
        return m_lastActed->patientID();
    if (!m_views.isEmpty())
        return m_views.last()->patientID();
    return std::nullopt;
}
