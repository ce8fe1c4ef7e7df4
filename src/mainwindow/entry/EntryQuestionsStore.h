#pragma once

#include "ask/AnswerEvent.h"
#include "mainwindow/entry/AskExchange.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>
#include <utility>

// The questions asked about each entry in this window, and their answers, kept by entry id for the window's
// life, so that an entry shows its own questions whichever entry was selected meanwhile. An answer streams
// into the exchange of the entry it was asked about, also while another entry is shown or none. A question
// typed and not sent is kept for the patient's entry it was typed about, and shown only there: sent from
// another entry it would ask about that entry, perhaps another patient's.
class EntryQuestionsStore final : public QObject
{
    Q_OBJECT

public:
    explicit EntryQuestionsStore(QObject *parent = nullptr) : QObject(parent) {}

    const QList<AskExchange> &exchanges(const QString &entryID) const;
    // An answer to a question about this entry is still streaming.
    bool isAsking(const QString &entryID) const;

    // Adds the question and starts reading its answer about `patientID`'s entry with `prompt`.
    void ask(const QString &entryID, const QString &patientID, const QString &question, const QString &prompt);

    QString draft(const QString &patientID, const QString &entryID) const;
    // The empty text forgets the draft.
    void setDraft(const QString &patientID, const QString &entryID, const QString &text);

Q_SIGNALS:
    // The answer of one exchange grew.
    void answerGrew(const QString &entryID, const QUuid &exchangeID);
    // An exchange was added, or its answer ended or failed.
    void exchangesChanged(const QString &entryID, bool countChanged);

private:
    void handleEvent(const QString &entryID, const QUuid &id, const AnswerEvent &event);
    void finish(const QString &entryID, const QUuid &id, const std::optional<QString> &failure);
    AskExchange *exchange(const QString &entryID, const QUuid &id);

    QHash<QString, QList<AskExchange>> m_exchanges;
    // By patient id, then entry id.
    QHash<std::pair<QString, QString>, QString> m_drafts;
};
