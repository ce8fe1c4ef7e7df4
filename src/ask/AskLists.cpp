#include "AskLists.h"

#include "ChatAPIClient.h"

#include "net/APIError.h"
#include "window/PendingAnswers.h"

AskLists::AskLists(QString patientID, PendingAnswers *pendingAnswers, const LocalChanges *changes, QObject *parent)
    : QObject(parent), m_patientID(std::move(patientID)), m_pendingAnswers(pendingAnswers), m_changes(changes)
{
    // Queued: the catch-up starts after the stream that ended has been wound up.
    connect(m_pendingAnswers, &PendingAnswers::ended, this, &AskLists::answerEnded, Qt::QueuedConnection);
}

QCoro::Task<> AskLists::loadSuggestions(bool refresh)
{
    return fetchSuggestions(this, refresh);
}

QCoro::Task<> AskLists::retrySuggestions()
{
    return fetchSuggestions(this, !m_suggestedQuestions.isEmpty());
}

QCoro::Task<> AskLists::loadHistory()
{
    return fetchHistory(this);
}

void AskLists::setSuggestedQuestions(const QStringList &questions)
{
    if (m_suggestedQuestions == questions)
        return;
    m_suggestedQuestions = questions;
    Q_EMIT suggestedQuestionsChanged();
}

void AskLists::setIsLoadingSuggestions(bool isLoading)
{
    if (m_isLoadingSuggestions == isLoading)
        return;
    m_isLoadingSuggestions = isLoading;
    Q_EMIT isLoadingSuggestionsChanged(isLoading);
}

void AskLists::setSuggestionsState(const std::optional<QString> &error, bool loaded)
{
    if (m_suggestionsError == error && m_hasLoadedSuggestions == loaded)
        return;
    m_suggestionsError = error;
    m_hasLoadedSuggestions = loaded;
    Q_EMIT suggestionsStateChanged();
}

void AskLists::setHistoryState(const std::optional<QString> &error, bool loaded)
{
    if (m_historyError == error && m_hasLoadedHistory == loaded)
        return;
    m_historyError = error;
    m_hasLoadedHistory = loaded;
    Q_EMIT historyStateChanged();
}

QCoro::Task<> AskLists::fetchSuggestions(QPointer<AskLists> lists, bool refresh)
{
    if (lists->m_patientID.isEmpty() || (!refresh && !lists->m_suggestedQuestions.isEmpty()))
        co_return;
    lists->setSuggestionsState(std::nullopt, lists->m_hasLoadedSuggestions);
    lists->setIsLoadingSuggestions(true);
    const QString patientID = lists->m_patientID;
    std::optional<QStringList> questions;
    std::optional<QString> failure;
    try {
        questions = co_await ChatAPIClient::fetchSuggestedQuestions(patientID, refresh);
    } catch (const APIError &error) {
        failure = error.description();
    }
    if (!lists)
        co_return;
    if (questions)
        lists->setSuggestedQuestions(*questions);
    lists->setSuggestionsState(failure, lists->m_hasLoadedSuggestions || questions.has_value());
    lists->setIsLoadingSuggestions(false);
}

QCoro::Task<> AskLists::fetchHistory(QPointer<AskLists> lists)
{
    if (lists->m_patientID.isEmpty())
        co_return;
    const QString patientID = lists->m_patientID;
    const LocalChanges::Mark mark = lists->m_changes->mark();
    lists->m_isHistoryBehind = lists->m_pendingAnswers->isPending(patientID);
    lists->setHistoryState(std::nullopt, lists->m_hasLoadedHistory);
    std::optional<ChatCursorPage<ChatChannel>> page;
    std::optional<QString> failure;
    try {
        page = co_await ChatAPIClient::fetchMyQuestions(patientID);
    } catch (const APIError &error) {
        failure = error.description();
    }
    if (!lists)
        co_return;
    lists->setHistoryState(failure, lists->m_hasLoadedHistory || page.has_value());
    if (page)
        Q_EMIT lists->historyLoaded(page->data, mark);
}

// A failure is dropped, since the list shown is the one loaded.
QCoro::Task<> AskLists::catchUpHistory(QPointer<AskLists> lists)
{
    const QString patientID = lists->m_patientID;
    std::optional<ChatCursorPage<ChatChannel>> page;
    try {
        page = co_await ChatAPIClient::fetchMyQuestions(patientID);
    } catch (const APIError &) {
    }
    if (lists && page)
        Q_EMIT lists->historyCaughtUp(page->data);
}

void AskLists::answerEnded(const QString &patientID)
{
    if (patientID != m_patientID || !m_isHistoryBehind || m_pendingAnswers->isPending(patientID))
        return;
    m_isHistoryBehind = false;
    catchUpHistory(this);
}
