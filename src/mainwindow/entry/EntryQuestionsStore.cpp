#include "mainwindow/entry/EntryQuestionsStore.h"

#include "ask/AnswerEventSource.h"
#include "ask/AnswerFold.h"
#include "ask/AnswerReader.h"
#include "ask/AnswerStreamSource.h"

const QList<AskExchange> &EntryQuestionsStore::exchanges(const QString &entryID) const
{
    static const QList<AskExchange> none;
    const auto found = m_exchanges.constFind(entryID);
    return found == m_exchanges.cend() ? none : *found;
}

bool EntryQuestionsStore::isAsking(const QString &entryID) const
{
    const QList<AskExchange> &asked = exchanges(entryID);
    return std::any_of(asked.cbegin(), asked.cend(), [](const AskExchange &item) { return !item.isFinished; });
}

void EntryQuestionsStore::ask(const QString &entryID, const QString &patientID, const QString &question,
                              const QString &prompt)
{
    const AskExchange added{.id = QUuid::createUuid(), .question = question, .answer = {}};
    m_exchanges[entryID].append(added);
    Q_EMIT exchangesChanged(entryID, true);
    AnswerQuestion asked{.patientID = patientID, .content = prompt};
    // The stream runs to its end even when the window goes; only its writes to the store are skipped.
    AnswerReader::read(
        std::make_shared<AnswerStreamSource>(), std::move(asked), this,
        [this, entryID, id = added.id](const AnswerEvent &event) { handleEvent(entryID, id, event); },
        [this, entryID, id = added.id](const std::optional<QString> &failure) { finish(entryID, id, failure); });
}

QString EntryQuestionsStore::draft(const QString &patientID, const QString &entryID) const
{
    return m_drafts.value({patientID, entryID});
}

void EntryQuestionsStore::setDraft(const QString &patientID, const QString &entryID, const QString &text)
{
    if (text.isEmpty())
        m_drafts.remove({patientID, entryID});
    else
        m_drafts.insert({patientID, entryID}, text);
}

void EntryQuestionsStore::handleEvent(const QString &entryID, const QUuid &id, const AnswerEvent &event)
{
    AskExchange *found = exchange(entryID, id);
    // The stored messages of "done" are of no use here: the exchange keeps the answer as it streamed.
    if (found && AnswerFold(found->answer, found->isError).apply(event) != AnswerFold::Change::none)
        Q_EMIT answerGrew(entryID, id);
}

void EntryQuestionsStore::finish(const QString &entryID, const QUuid &id, const std::optional<QString> &failure)
{
    AskExchange *found = exchange(entryID, id);
    if (!found)
        return;
    if (failure)
        AnswerFold(found->answer, found->isError).fail(*failure);
    // A finished exchange never spins: no text at all gets a text of its own.
    if (found->answer.isEmpty())
        found->answer = found->isError ? answerFailedText() : tr("No answer received.");
    found->isFinished = true;
    Q_EMIT exchangesChanged(entryID, false);
}

AskExchange *EntryQuestionsStore::exchange(const QString &entryID, const QUuid &id)
{
    const auto list = m_exchanges.find(entryID);
    if (list == m_exchanges.end())
        return nullptr;
    for (AskExchange &candidate : *list) {
        if (candidate.id == id)
            return &candidate;
    }
    return nullptr;
}
