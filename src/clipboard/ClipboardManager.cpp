#include "ClipboardManager.h"

#include "ClipboardHistoryStore.h"

ClipboardManager::ClipboardManager(ClipboardHistories *histories, const QString &patientID, QObject *parent)
    : QObject(parent), m_histories(histories), m_patientID(patientID)
{
    m_histories->hold(patientID, ClipboardHistories::Read::Now);
    m_histories->addView(this);
    connect(m_histories, &ClipboardHistories::historyChanged, this, &ClipboardManager::onHistoryChanged);
}

ClipboardManager::ClipboardManager(const QString &patientID, QObject *parent)
    : ClipboardManager(patientID, ClipboardSeams{}, parent)
{
}

ClipboardManager::ClipboardManager(const QString &patientID, const ClipboardSeams &seams, QObject *parent)
    : ClipboardManager(new ClipboardHistories(seams), patientID, parent)
{
    // Its own histories go with it, after it has let go of its patient's.
    m_histories->setParent(this);
}

ClipboardManager::~ClipboardManager()
{
    m_histories->removeView(this);
    m_histories->release(m_patientID);
    ClipboardHistoryStore::waitForSaves();
}

void ClipboardManager::onHistoryChanged(const QString &patientID)
{
    if (patientID == m_patientID)
        Q_EMIT itemsChanged();
}

void ClipboardManager::setItems(const QList<ClipboardItem> &items)
{
    m_histories->noteActed(this);
    m_histories->setItems(m_patientID, items);
}

void ClipboardManager::deleteItems(const QSet<QUuid> &ids)
{
    m_histories->noteActed(this);
    m_histories->deleteItems(m_patientID, ids);
}

void ClipboardManager::switchPatient(const QString &patientID)
{
    if (patientID.isEmpty())
        return;
    m_histories->noteActed(this);
    // Held before the one left is let go, so that staying with the patient reads nothing again.
    m_histories->hold(patientID, ClipboardHistories::Read::InBackground);
    const QString left = std::exchange(m_patientID, patientID);
    m_histories->release(left);
    Q_EMIT itemsChanged();
}

void ClipboardManager::record(ClipboardActionType action, const QString &text, const QString &source)
{
    m_histories->noteActed(this);
    m_histories->record(m_patientID, action, text, source);
}

void ClipboardManager::recordFile(ClipboardActionType action, const ClipboardFile &file, const QString &source)
{
    m_histories->noteActed(this);
    m_histories->recordFile(m_patientID, action, file, source);
}

void ClipboardManager::addItem(const ClipboardItem &item)
{
    m_histories->noteActed(this);
    m_histories->addItem(m_patientID, item);
}

void ClipboardManager::noteCopyBack(const QString &patientID)
{
    m_histories->noteActed(this);
    m_histories->noteCopyBack(patientID);
}

bool ClipboardManager::clipboardHoldsAnotherPatientsCopy(const QString &patientID) const
{
    return m_histories->clipboardHoldsAnotherPatientsCopy(patientID);
}

bool ClipboardManager::isAnotherPatientsCopy(const QString &text, const QString &patientID) const
{
    return m_histories->isAnotherPatientsCopy(text, patientID);
}

bool ClipboardManager::selectionHoldsAnotherPatientsText(const QString &patientID) const
{
    return m_histories->selectionHoldsAnotherPatientsText(patientID);
}

void ClipboardManager::pollPasteboard()
{
    m_histories->pollPasteboard();
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
