#include "ClipboardManager.h"

#include "ApplicationActivity.h"
#include "ClipboardHistoryStore.h"
#include "Pasteboard.h"

#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoroFuture>

namespace
{

constexpr int pollIntervalMs = 500;

} // namespace

ClipboardManager::ClipboardManager(const QString &patientID, QObject *parent)
    : ClipboardManager(patientID, ClipboardSeams{}, parent)
{
}

ClipboardManager::ClipboardManager(const QString &patientID, const ClipboardSeams &seams, QObject *parent)
    : QObject(parent), m_patientID(patientID), m_pasteboard(seams.pasteboard), m_activity(seams.activity),
      m_clock(seams.clock), m_pasteboardTimer(new QTimer(this))
{
    if (!m_pasteboard)
        m_pasteboard = new Pasteboard(QGuiApplication::clipboard(), this);
    if (!m_activity)
        m_activity = ApplicationActivity::followingApplication(this);
    if (!m_clock)
        m_clock = [] { return QDateTime::currentDateTimeUtc(); };
    // What is on the clipboard at start is not the user's doing in this app.
    m_lastKnownChangeCount = m_pasteboard->changeCount();
    m_items = loadHistory(patientID);

    m_pasteboardTimer->setInterval(pollIntervalMs);
    connect(m_pasteboardTimer, &QTimer::timeout, this, &ClipboardManager::pollPasteboard);
    connect(m_activity, &ApplicationActivity::activeChanged, this, &ClipboardManager::onActiveChanged);
    connect(m_pasteboard, &Pasteboard::selectionChanged, this, &ClipboardManager::onSelectionChanged);
    if (m_activity->isActive())
        m_pasteboardTimer->start();
}

ClipboardManager::~ClipboardManager()
{
    settleLoad();
    // No read of the history outlives its manager: the next one may already be changing the same settings.
    m_loading.waitForFinished();
    ClipboardHistoryStore::waitForSaves();
}

void ClipboardManager::setItems(const QList<ClipboardItem> &items)
{
    // The given list is the whole list: what is still being read would only add to it.
    m_loads.next();
    m_isLoading = false;
    m_items = items;
    Q_EMIT itemsChanged();
}

void ClipboardManager::deleteItems(const QSet<QUuid> &ids)
{
    m_items.removeIf([&ids](const ClipboardItem &item) { return ids.contains(item.id); });
    if (m_isLoading)
        m_deletedWhileLoading.unite(ids);
    Q_EMIT itemsChanged();
    save();
}

void ClipboardManager::switchPatient(const QString &patientID)
{
    if (patientID.isEmpty())
        return;
    settleLoad();
    m_patientID = patientID;
    m_items.clear();
    m_isLoading = true;
    m_deletedWhileLoading.clear();
    m_loading = QtConcurrent::run(&ClipboardManager::loadHistory, patientID);
    Q_EMIT itemsChanged();
    readHistory(m_loads.next());
}

QCoro::Task<> ClipboardManager::readHistory(Generation::Token load)
{
    QPointer<ClipboardManager> self(this);
    QFuture<QList<ClipboardItem>> loading = m_loading;
    QList<ClipboardItem> stored = co_await loading;
    // Another patient's, or one already finished or replaced: none of it belongs in the list shown now.
    if (self && m_isLoading && m_loads.isCurrent(load))
        finishLoad(std::move(stored));
}

void ClipboardManager::finishLoad(QList<ClipboardItem> stored)
{
    const bool changed = changedWhileLoading();
    stored.removeIf([this](const ClipboardItem &item) { return m_deletedWhileLoading.contains(item.id); });
    m_isLoading = false;
    m_deletedWhileLoading.clear();
    // What was recorded meanwhile is newer than anything stored.
    m_items += stored;
    Q_EMIT itemsChanged();
    if (changed)
        save();
}

bool ClipboardManager::changedWhileLoading() const
{
    return !m_items.isEmpty() || !m_deletedWhileLoading.isEmpty();
}

void ClipboardManager::settleLoad()
{
    if (!m_isLoading || !changedWhileLoading())
        return;
    m_loading.waitForFinished();
    finishLoad(m_loading.result());
}

void ClipboardManager::save()
{
    // The list is saved whole once the stored part has come.
    if (!m_isLoading)
        saveHistory(m_items, m_patientID);
}

void ClipboardManager::record(ClipboardActionType action, const QString &text, const QString &source)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return;
    addItem(ClipboardItem{QUuid::createUuid(), trimmed, std::nullopt, action, source, m_clock(), m_patientID});
}

void ClipboardManager::recordFile(ClipboardActionType action, const ClipboardFile &file, const QString &source)
{
    addItem(ClipboardItem{QUuid::createUuid(), file.filename, file, action, source, m_clock(), m_patientID});
}

void ClipboardManager::addItem(const ClipboardItem &item)
{
    m_items.prepend(item);
    Q_EMIT itemsChanged();
    save();
    m_lastKnownChangeCount = m_pasteboard->changeCount();
    if (item.action != ClipboardActionType::Paste)
        m_lastCopySource = CopySource{item.patientID, m_lastKnownChangeCount};
}

bool ClipboardManager::clipboardHoldsAnotherPatientsCopy(const QString &patientID) const
{
    return m_lastCopySource && m_lastCopySource->changeCount == m_pasteboard->changeCount() &&
           m_lastCopySource->patientID != patientID;
}

bool ClipboardManager::isAnotherPatientsCopy(const QString &text, const QString &patientID) const
{
    return !text.isEmpty() && clipboardHoldsAnotherPatientsCopy(patientID) && m_pasteboard->text() == text;
}

bool ClipboardManager::selectionHoldsAnotherPatientsText(const QString &patientID) const
{
    return m_selectionPatientID && *m_selectionPatientID != patientID;
}

void ClipboardManager::onSelectionChanged()
{
    const bool ownSelection = m_pasteboard->ownsSelection() && !m_patientID.isEmpty();
    m_selectionPatientID = ownSelection ? std::optional<QString>(m_patientID) : std::nullopt;
}

void ClipboardManager::noteCopyBack(const QString &patientID)
{
    m_lastKnownChangeCount = m_pasteboard->changeCount();
    m_lastCopySource = CopySource{patientID, m_lastKnownChangeCount};
}

void ClipboardManager::pollPasteboard()
{
    const int changeCount = m_pasteboard->changeCount();
    if (changeCount == m_lastKnownChangeCount)
        return;
    // Seen from here on, whether or not it is recorded.
    m_lastKnownChangeCount = changeCount;
    if (!m_activity->isActive())
        return;
    if (const std::optional<QString> text = m_pasteboard->text())
        record(ClipboardActionType::Copy, *text, QStringLiteral("App"));
}

void ClipboardManager::onActiveChanged(bool isActive)
{
    if (!isActive) {
        m_pasteboardTimer->stop();
        return;
    }
    // What other applications copied meanwhile is theirs, not this application's history.
    m_lastKnownChangeCount = m_pasteboard->changeCount();
    m_pasteboardTimer->start();
}

QString ClipboardManager::storageKey(const QString &patientID)
{
    return QStringLiteral("com.vantorelle.clipboard-history.") + patientID;
}

void ClipboardManager::saveHistory(const QList<ClipboardItem> &items, const QString &patientID)
{
    ClipboardHistoryStore::save(items, patientID, storageKey(patientID));
}

QList<ClipboardItem> ClipboardManager::loadHistory(const QString &patientID)
{
    return ClipboardHistoryStore::load(patientID, storageKey(patientID));
}
