#pragma once

#include "ClipboardHistories.h"
#include "ClipboardModels.h"

#include "net/Generation.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>

#include <optional>

class Pasteboard;

// One window's view of the clipboard history of the patient it shows, kept in the settings under
// "com.vantorelle.clipboard-history." + patient id and never sent to the service. The history itself is the
// program's (ClipboardHistories): every window showing a patient shows and changes that patient's one list,
// and the watch of the clipboard, with the patient of the latest copy, is one for the program. The view records
// the copies, cuts and pastes that the window's inputs report, under its patient. After each recorded event the
// clipboard's change count is taken as seen, so an own copy is not recorded a second time as a copy from "App".
// Another patient's history is read on a worker thread (its photos make it slow): until it has come the list
// holds only what was recorded since the switch, and the stored items then follow those, older as they are.
class ClipboardManager final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<ClipboardItem> items READ items WRITE setItems NOTIFY itemsChanged)
    Q_PROPERTY(QString patientID READ patientID NOTIFY itemsChanged)

public:
    // The patient and clipboard change count of the application's latest recorded copy or cut.
    using CopySource = ClipboardHistories::CopySource;

    // A view of the program's histories, which outlive it.
    ClipboardManager(ClipboardHistories *histories, const QString &patientID, QObject *parent = nullptr);
    // A view of histories of its own, as if it were the program's only window.
    explicit ClipboardManager(const QString &patientID, QObject *parent = nullptr);
    ClipboardManager(const QString &patientID, const ClipboardSeams &seams, QObject *parent = nullptr);
    // Waits until the history's saves are written, so that a closed window leaves it complete.
    ~ClipboardManager() override;

    const QList<ClipboardItem> &items() const { return m_histories->items(m_patientID); }
    // Replaces the list, also one still being read, in every window; saves nothing.
    void setItems(const QList<ClipboardItem> &items);
    // From a switch of patient until that patient's stored history has been read.
    bool isLoading() const { return m_histories->isLoading(m_patientID); }
    // The panel's delete, saved. Made while the history is read, it applies to that as well.
    void deleteItems(const QSet<QUuid> &ids);
    // Changes only together with the items, so itemsChanged stands for both.
    QString patientID() const { return m_patientID; }
    int lastKnownChangeCount() const { return m_histories->lastKnownChangeCount(); }
    // After an item of patientID was put back on the clipboard: the write is taken as seen, so that it is not
    // recorded as a copy from "App", and it is the latest copy, so that pasting it under another patient asks
    // first.
    void noteCopyBack(const QString &patientID);
    std::optional<CopySource> lastCopySource() const { return m_histories->lastCopySource(); }
    // Each copy back takes a number; one overtaken by a newer one while it was prepared writes nothing.
    Generation::Token startCopyBack() { return m_histories->startCopyBack(); }
    bool isLatestCopyBack(Generation::Token copy) const { return m_histories->isLatestCopyBack(copy); }
    // Whether a paste now may carry another patient's information into this one's: the clipboard still holds
    // the application's latest copy or cut, made in whichever window, and that was made while another patient
    // was selected. Text kept for a patient other than the current one (an entry form keeps the patient it was
    // opened for) names its own.
    bool clipboardHoldsAnotherPatientsCopy() const { return clipboardHoldsAnotherPatientsCopy(m_patientID); }
    bool clipboardHoldsAnotherPatientsCopy(const QString &patientID) const;
    // The same for a screen reader's insert of `text`: a paste when it is what the clipboard holds.
    bool isAnotherPatientsCopy(const QString &text) const { return isAnotherPatientsCopy(text, m_patientID); }
    bool isAnotherPatientsCopy(const QString &text, const QString &patientID) const;
    // Whether a middle click now would paste text selected in this application while another patient was
    // selected: selecting text is copying it to the selection buffer.
    bool selectionHoldsAnotherPatientsText() const { return selectionHoldsAnotherPatientsText(m_patientID); }
    bool selectionHoldsAnotherPatientsText(const QString &patientID) const;
    Pasteboard *pasteboard() const { return m_histories->pasteboard(); }
    ClipboardHistories *histories() const { return m_histories; }

    // Another patient's history becomes current: the one another window holds, else the stored one, read in
    // the background; the empty id changes nothing. The list being left is not written again: it was saved at
    // its last change.
    void switchPatient(const QString &patientID);
    // Trims the text; an empty result records nothing.
    void record(ClipboardActionType action, const QString &text, const QString &source);
    // A file event is added as it is: its text is the file's name, untrimmed, and even when empty.
    void recordFile(ClipboardActionType action, const ClipboardFile &file, const QString &source);
    void addItem(const ClipboardItem &item);
    // The program's one poll, at once: a changed text is a copy from "App".
    void pollPasteboard();

    static QString storageKey(const QString &patientID);
    // Written in the background (see ClipboardHistoryStore); loadHistory sees every save asked for before it.
    static void saveHistory(const QList<ClipboardItem> &items, const QString &patientID);
    static QList<ClipboardItem> loadHistory(const QString &patientID);

Q_SIGNALS:
    void itemsChanged();

private:
    void onHistoryChanged(const QString &patientID);

    ClipboardHistories *m_histories = nullptr;
    QString m_patientID;
};
