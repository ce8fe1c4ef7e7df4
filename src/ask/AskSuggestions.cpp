#include "AskSuggestions.h"

#include "ChatAPIClient.h"

#include "net/APIError.h"

AskSuggestions::AskSuggestions(QString patientID, QObject *parent) : QObject(parent), m_patientID(std::move(patientID))
{
}

QCoro::Task<> AskSuggestions::load(bool refresh)
{
    return fetch(this, refresh);
}

QCoro::Task<> AskSuggestions::retry()
{
    return fetch(this, !m_questions.isEmpty());
}

void AskSuggestions::setQuestions(const QStringList &questions)
{
    if (m_questions == questions)
        return;
    m_questions = questions;
    Q_EMIT questionsChanged();
}

void AskSuggestions::setIsLoading(bool isLoading)
{
    if (m_isLoading == isLoading)
        return;
    m_isLoading = isLoading;
    Q_EMIT isLoadingChanged(isLoading);
}

void AskSuggestions::setState(const std::optional<QString> &error, bool loaded)
{
    if (m_error == error && m_hasLoaded == loaded)
        return;
    m_error = error;
    m_hasLoaded = loaded;
    Q_EMIT stateChanged();
}

QCoro::Task<> AskSuggestions::fetch(QPointer<AskSuggestions> suggestions, bool refresh)
{
    if (suggestions->m_patientID.isEmpty() || (!refresh && !suggestions->m_questions.isEmpty()))
        co_return;
    suggestions->setState(std::nullopt, suggestions->m_hasLoaded);
    suggestions->setIsLoading(true);
    const QString patientID = suggestions->m_patientID;
    std::optional<QStringList> questions;
    std::optional<QString> failure;
    try {
        questions = co_await ChatAPIClient::fetchSuggestedQuestions(patientID, refresh);
    } catch (const APIError &error) {
        failure = error.description();
    }
    if (!suggestions)
        co_return;
    if (questions)
        suggestions->setQuestions(*questions);
    suggestions->setState(failure, suggestions->m_hasLoaded || questions.has_value());
    suggestions->setIsLoading(false);
}
