#pragma once

#include "ClipboardModels.h"

#include "net/Generation.h"

#include <QDateTime>
#include <QFuture>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>

#include <QCoroTask>

#include <functional>
#include <optional>

class ApplicationActivity;
class Pasteboard;
class QTimer;

// What the history reads of the world; tests pass their own. Null members get the real ones.
struct ClipboardSeams {
    Pasteboard *pasteboard = nullptr;
    ApplicationActivity *activity = nullptr;
    std::function<QDateTime()> clock;
};

// One patient's clipboard history, kept in the settings under "com.vantorelle.clipboard-history." + patient id
// and never sent to the service. Records the copies, cuts and pastes that the app's inputs report, and, every
// half second while the application is active, a changed clipboard text as a copy from "App". After each
// recorded event it takes the clipboard's change count as seen, so an own copy is not recorded a second time.
// Another patient's history is read on a worker thread (its photos make it slow): until it has come the list
// holds only what was recorded since the switch, and the stored items then follow those, older as they are.
class ClipboardManager final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<ClipboardItem> items READ items WRITE setItems NOTIFY itemsChanged)
    Q_PROPERTY(QString patientID READ patientID NOTIFY itemsChanged)

public:
    // The patient and clipboard change count of the application's latest recorded copy or cut.
    struct CopySource {
        QString patientID;
        int changeCount = 0;
    };

    explicit ClipboardManager(const QString &patientID, QObject *parent = nullptr);
    ClipboardManager(const QString &patientID, const ClipboardSeams &seams, QObject *parent = nullptr);
    // Waits until the history's saves are written, so that a closed window leaves it complete.
    ~ClipboardManager() override;

    const QList<ClipboardItem> &items() const { return m_items; }
    // Replaces the list, also one still being read; saves nothing.
    void setItems(const QList<ClipboardItem> &items);
    // From a switch of patient until that patient's stored history has been read.
    bool isLoading() const { return m_isLoading; }
    // The panel's delete, saved. Made while the history is read, it applies to that as well.
    void deleteItems(const QSet<QUuid> &ids);
    // Changes only together with the items, so itemsChanged stands for both.
    QString patientID() const { return m_patientID; }
    int lastKnownChangeCount() const { return m_lastKnownChangeCount; }
    // After an item of patientID was put back on the clipboard: the write is taken as seen, so that the poll
    // does not record it, and it is the latest copy, so that pasting it under another patient asks first.
    void noteCopyBack(const QString &patientID);
    std::optional<CopySource> lastCopySource() const { return m_lastCopySource; }
    // Each copy back takes a number; one overtaken by a newer one while it was prepared writes nothing.
    Generation::Token startCopyBack() { return m_copyBacks.next(); }
    bool isLatestCopyBack(Generation::Token copy) const { return m_copyBacks.isCurrent(copy); }
    // Whether a paste now may carry another patient's information into this one's: the clipboard still holds
    // the application's latest copy or cut, and that was made while another patient was selected. Text kept for
    // a patient other than the current one (an entry form keeps the patient it was opened for) names its own.
    bool clipboardHoldsAnotherPatientsCopy() const { return clipboardHoldsAnotherPatientsCopy(m_patientID); }
    bool clipboardHoldsAnotherPatientsCopy(const QString &patientID) const;
    // The same for a screen reader's insert of `text`: a paste when it is what the clipboard holds.
    bool isAnotherPatientsCopy(const QString &text) const { return isAnotherPatientsCopy(text, m_patientID); }
    bool isAnotherPatientsCopy(const QString &text, const QString &patientID) const;
    // Whether a middle click now would paste text selected in this application while another patient was
    // selected: selecting text is copying it to the selection buffer.
    bool selectionHoldsAnotherPatientsText() const { return selectionHoldsAnotherPatientsText(m_patientID); }
    bool selectionHoldsAnotherPatientsText(const QString &patientID) const;
    Pasteboard *pasteboard() const { return m_pasteboard; }

    // Another patient's stored history becomes current, read in the background; the empty id changes nothing.
    // The list being replaced is not written again: it was saved at its last change.
    void switchPatient(const QString &patientID);
    // Trims the text; an empty result records nothing.
    void record(ClipboardActionType action, const QString &text, const QString &source);
    // A file event is added as it is: its text is the file's name, untrimmed, and even when empty.
    void recordFile(ClipboardActionType action, const ClipboardFile &file, const QString &source);
    void addItem(const ClipboardItem &item);
    void pollPasteboard();

    static QString storageKey(const QString &patientID);
    // Written in the background (see ClipboardHistoryStore); loadHistory sees every save asked for before it.
    static void saveHistory(const QList<ClipboardItem> &items, const QString &patientID);
    static QList<ClipboardItem> loadHistory(const QString &patientID);

Q_SIGNALS:
    void itemsChanged();

private:
    void onActiveChanged(bool isActive);
    void onSelectionChanged();
    QCoro::Task<> readHistory(Generation::Token load);
    void finishLoad(QList<ClipboardItem> stored);
    bool changedWhileLoading() const;
    // A read whose list changed meanwhile is finished at once, so those changes are saved for its patient.
    void settleLoad();
    void save();

    QList<ClipboardItem> m_items;
    QString m_patientID;
    int m_lastKnownChangeCount = 0;
    std::optional<CopySource> m_lastCopySource;
    // The patient selected when this application last made the selection buffer; none when another did, or
    // when no patient was selected.
    std::optional<QString> m_selectionPatientID;
    Pasteboard *m_pasteboard = nullptr;
    ApplicationActivity *m_activity = nullptr;
    std::function<QDateTime()> m_clock;
    QTimer *m_pasteboardTimer = nullptr;

    Generation m_loads;
    Generation m_copyBacks;
    QFuture<QList<ClipboardItem>> m_loading;
    bool m_isLoading = false;
    QSet<QUuid> m_deletedWhileLoading;
};
