#pragma once

#include "ClipboardModels.h"

#include "net/Generation.h"

#include <QDateTime>
#include <QFuture>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QUuid>

#include <QCoroTask>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class ApplicationActivity;
class ClipboardManager;
class Pasteboard;
class QTimer;

// What the history reads of the world; tests pass their own. Null members get the real ones.
struct ClipboardSeams {
    Pasteboard *pasteboard = nullptr;
    ApplicationActivity *activity = nullptr;
    std::function<QDateTime()> clock;
};

// The program's clipboard histories, one for all its windows (ProgramRecords holds it; a ClipboardManager made
// without one owns its own). It keeps, per patient, the one history list that every window showing that patient
// shows and writes: read once, on a worker, when the first window comes to the patient, saved whole at each
// change, and let go when the last window leaves it. And it keeps the one watch of the system clipboard: the
// poll every half second while the application is active, the change count last seen, the patient and change
// count of the latest copy or cut made anywhere in the program, and the patient under which this program last
// made the selection buffer. Each window's ClipboardManager is a view of it.
//
// A change that this program made (a selectable text's copy, the copy of an Ask conversation) is a copy from
// "App" under the patient of the window in front when the clipboard changed: the window holding the focus, else
// the view that acted last. It is taken then and recorded once the call that made it has returned, under that
// patient whatever came since (a switch, another application in front, the window closed), unless its maker
// recorded it meanwhile: a field's own copy, a copy back. Other programs' changes are left to the poll, under
// the patient in front when they came. A copy that a field records itself takes the change count as seen, so
// that no poll records it a second time.
class ClipboardHistories final : public QObject
{
    Q_OBJECT

public:
    // The patient and clipboard change count of the application's latest recorded copy or cut.
    struct CopySource {
        QString patientID;
        int changeCount = 0;
    };
    enum class Read { Now, InBackground };

    explicit ClipboardHistories(QObject *parent = nullptr);
    explicit ClipboardHistories(const ClipboardSeams &seams, QObject *parent = nullptr);
    // Outlives every view of it. Finishes the reads still running and waits until every save is written.
    ~ClipboardHistories() override;

    // A patient's history is held from the first hold to the matching last release. The first hold reads it,
    // now or in the background; one still being read that changed meanwhile is kept after the last release
    // until the read has come, and then saved.
    void hold(const QString &patientID, Read read);
    void release(const QString &patientID);
    // Whether the patient's list is in memory.
    bool holds(const QString &patientID) const;

    // Of a held patient; the empty list and false for one not held.
    const QList<ClipboardItem> &items(const QString &patientID) const;
    bool isLoading(const QString &patientID) const;
    // Replaces the list, also one still being read; saves nothing.
    void setItems(const QString &patientID, const QList<ClipboardItem> &items);
    // Saved. Made while the history is read, it applies to that as well.
    void deleteItems(const QString &patientID, const QSet<QUuid> &ids);
    // Trims the text; an empty result records nothing.
    void record(const QString &patientID, ClipboardActionType action, const QString &text, const QString &source);
    void recordFile(const QString &patientID, ClipboardActionType action, const ClipboardFile &file,
                    const QString &source);
    // Puts the item first in the patient's history and saves it; the clipboard's change count is then seen,
    // and a copy or cut is the latest copy. A patient not held records nothing.
    void addItem(const QString &patientID, const ClipboardItem &item);

    int lastKnownChangeCount() const { return m_lastKnownChangeCount; }
    std::optional<CopySource> lastCopySource() const { return m_lastCopySource; }
    // After an item of patientID was put back on the clipboard: the write is taken as seen, so that it is not
    // recorded as a copy from "App", and it is the latest copy, so that pasting it under another patient asks
    // first.
    void noteCopyBack(const QString &patientID);
    // Each copy back takes a number; one overtaken by a newer one, in any window, writes nothing.
    Generation::Token startCopyBack() { return m_copyBacks.next(); }
    bool isLatestCopyBack(Generation::Token copy) const { return m_copyBacks.isCurrent(copy); }
    // Whether the clipboard still holds the program's latest copy or cut, made while another patient than
    // patientID was selected.
    bool clipboardHoldsAnotherPatientsCopy(const QString &patientID) const;
    // The same for a screen reader's insert of `text`: a paste when it is what the clipboard holds.
    bool isAnotherPatientsCopy(const QString &text, const QString &patientID) const;
    // Whether a middle click now would paste text selected in this program while another patient was selected.
    bool selectionHoldsAnotherPatientsText(const QString &patientID) const;
    Pasteboard *pasteboard() const { return m_pasteboard; }

    void pollPasteboard();

    // For the views (ClipboardManager): which windows there are, to tell the patient of the one in front.
    void addView(ClipboardManager *view);
    void removeView(ClipboardManager *view);
    // The view did something, so that with no window holding the focus its patient is the one in front.
    void noteActed(ClipboardManager *view);

Q_SIGNALS:
    // The list of that patient changed, or has been read.
    void historyChanged(const QString &patientID);

private:
    struct History {
        QList<ClipboardItem> items;
        int holds = 0;
        bool isLoading = false;
        Generation::Token load = 0;
        QFuture<QList<ClipboardItem>> loading;
        QSet<QUuid> deletedWhileLoading;
    };
    // A change of the clipboard that this program made, as it was when made.
    struct OwnChange {
        int changeCount = 0;
        QString patientID;
        QString text;
    };

    History *find(const QString &patientID) const;
    QCoro::Task<> readHistory(QString patientID, Generation::Token load, QFuture<QList<ClipboardItem>> loading);
    static bool changedWhileLoading(const History &history);
    void finishLoad(const QString &patientID, History &history, QList<ClipboardItem> stored);
    // At the end: a read whose list changed meanwhile is waited for, so those changes are saved for its patient.
    void settleLoad(const QString &patientID, History &history);
    // Its read runs on, unwaited for, until the end.
    void stopLoading(History &history);
    void save(const QString &patientID, const History &history);
    // Puts the item first and saves it; changeCount is the change it was made at.
    void insertItem(const QString &patientID, const ClipboardItem &item, int changeCount);
    std::optional<QString> patientInFront() const;
    void onActiveChanged(bool isActive);
    void onPasteboardChanged();
    // Records the changes this program made that no one has recorded yet, in the order they were made, but the
    // one of that change count, which its maker is recording.
    void recordOwnChanges(std::optional<int> recordedByItsMaker = std::nullopt);
    void recordOwnChange(const OwnChange &change);
    void onSelectionChanged();

    std::map<QString, std::unique_ptr<History>> m_histories;
    Generation m_loads;
    QList<QFuture<QList<ClipboardItem>>> m_abandonedReads;

    QList<ClipboardManager *> m_views;
    QPointer<ClipboardManager> m_lastActed;

    Pasteboard *m_pasteboard = nullptr;
    ApplicationActivity *m_activity = nullptr;
    std::function<QDateTime()> m_clock;
    QTimer *m_pasteboardTimer = nullptr;
    int m_lastKnownChangeCount = 0;
    // The patient in front when the clipboard last changed: a copy the poll finds is theirs.
    std::optional<QString> m_changedUnder;
    // Taken when made, and recorded once the call that made them has returned.
    QList<OwnChange> m_ownChanges;
    std::optional<CopySource> m_lastCopySource;
    // The patient selected when this application last made the selection buffer; none when another did, or
    // when no patient was selected.
    std::optional<QString> m_selectionPatientID;
    Generation m_copyBacks;
};
