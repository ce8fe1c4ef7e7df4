#include "AskSession.h"

#include "AskRecords.h"
#include "AskSessions.h"
#include "AskSuggestions.h"

#include <QApplication>

AskSession::AskSession(QString patientID, AskSessions *sessions, QObject *parent)
    : QObject(parent), m_patientID(std::move(patientID)), m_records(sessions->records(m_patientID))
{
    AskSuggestions *suggestions = m_records->suggestions();
    connect(suggestions, &AskSuggestions::questionsChanged, this, &AskSession::suggestedQuestionsChanged);
    connect(suggestions, &AskSuggestions::isLoadingChanged, this, &AskSession::isLoadingSuggestionsChanged);
    connect(suggestions, &AskSuggestions::stateChanged, this, &AskSession::suggestionsStateChanged);
    connect(m_records, &AskRecords::conversationsChanged, this, &AskSession::conversationsChanged);
    connect(m_records, &AskRecords::turnsChanged, this, &AskSession::turnsChanged);
    connect(m_records, &AskRecords::conversationHistoryStateChanged, this,
            &AskSession::conversationHistoryStateChanged);
    connect(m_records, &AskRecords::turnChanged, this, &AskSession::turnChanged);
    connect(m_records, &AskRecords::historyStateChanged, this, &AskSession::historyStateChanged);
    connect(m_records, &AskRecords::undoingChanged, this, &AskSession::undoingChanged);
    connect(m_records, &AskRecords::isAskingChanged, this, &AskSession::isAskingChanged);
    connect(m_records, &AskRecords::conversationRemoved, this, &AskSession::forgetConversation);
}

const QList<AskConversation> &AskSession::conversations() const
{
    return m_records->conversations();
}

QList<AskConversation> AskSession::displayedConversations() const
{
    return m_records->displayedConversations();
}

const AskConversation *AskSession::conversation(const QString &conversationID) const
{
    return m_records->conversation(conversationID);
}

const AskConversation *AskSession::selectedConversation() const
{
    return m_selectedConversationID ? conversation(*m_selectedConversationID) : nullptr;
}

QStringList AskSession::suggestedQuestions() const
{
    return m_records->suggestions()->questions();
}

bool AskSession::isLoadingSuggestions() const
{
    return m_records->suggestions()->isLoading();
}

const std::optional<QString> &AskSession::suggestionsError() const
{
    return m_records->suggestions()->error();
}

bool AskSession::hasLoadedSuggestions() const
{
    return m_records->suggestions()->hasLoaded();
}

const std::optional<QString> &AskSession::historyError() const
{
    return m_records->historyError();
}

bool AskSession::hasLoadedHistory() const
{
    return m_records->hasLoadedHistory();
}

bool AskSession::isUndoing(const QString &conversationID) const
{
    return m_records->isUndoing(conversationID);
}

bool AskSession::isUndoOffered(const QString &conversationID, const QStringList &shownTurnIDs) const
{
    return m_records->isUndoOffered(conversationID, shownTurnIDs);
}

bool AskSession::isExplainOffered(const QString &conversationID) const
{
    return m_records->isExplainOffered(conversationID);
}

bool AskSession::isAsking() const
{
    return m_records->isAsking();
}

void AskSession::setAskText(const QString &text)
{
    if (m_askText == text)
        return;
    m_askText = text;
    Q_EMIT askTextChanged(text);
}

void AskSession::setFollowUpText(const QString &text)
{
    if (m_followUpText == text)
        return;
    m_followUpText = text;
    Q_EMIT followUpTextChanged(text);
}

void AskSession::setSuggestionsExpanded(bool expanded)
{
    if (m_isSuggestionsExpanded == expanded)
        return;
    m_isSuggestionsExpanded = expanded;
    Q_EMIT isSuggestionsExpandedChanged(expanded);
}

void AskSession::setSelectedConversationID(const std::optional<QString> &conversationID)
{
    if (m_selectedConversationID == conversationID)
        return;
    m_selectedConversationID = conversationID;
    Q_EMIT selectedConversationIDChanged();
    setFollowUpText(QString());
    if (conversationID)
        m_records->loadConversationHistory(*conversationID);
}

// Undo emptied the conversation: it is closed here too.
void AskSession::forgetConversation(const QString &conversationID)
{
    if (m_selectedConversationID == conversationID)
        setSelectedConversationID(std::nullopt);
}

QCoro::Task<> AskSession::load()
{
    return startUp(this);
}

QCoro::Task<> AskSession::refreshSuggestions()
{
    return m_records->suggestions()->load(true);
}

QCoro::Task<> AskSession::retrySuggestions()
{
    return m_records->suggestions()->retry();
}

QCoro::Task<> AskSession::retryHistory()
{
    return m_records->loadHistory();
}

QCoro::Task<> AskSession::startUp(QPointer<AskSession> session)
{
    if (session->m_hasStarted)
        co_return;
    session->m_hasStarted = true;
    QPointer<AskRecords> records = session->m_records;
    co_await records->suggestions()->load(false);
    if (session && records)
        co_await records->loadHistory();
}

void AskSession::selectConversation(const QString &conversationID)
{
    setSelectedConversationID(conversationID);
}

void AskSession::closeConversation()
{
    setSelectedConversationID(std::nullopt);
}

void AskSession::retryConversationHistory(const QString &conversationID)
{
    m_records->loadConversationHistory(conversationID);
}

void AskSession::submitAskText()
{
    submitQuestion(m_askText);
}

void AskSession::submitQuestion(const QString &text)
{
    const QString question = text.trimmed();
    if (question.isEmpty() || isAsking())
        return;
    setAskText(QString());
    m_records->askNew(question, [this](const QString &begun) { setSelectedConversationID(begun); });
}

void AskSession::sendFollowUp(const QString &conversationID, const QString &text)
{
    m_records->askFollowUp(conversationID, text.trimmed());
}

void AskSession::submitFollowUp(const QString &conversationID)
{
    const QString question = m_followUpText.trimmed();
    if (question.isEmpty() || isAsking() || isUndoing(conversationID))
        return;
    setFollowUpText(QString());
    sendFollowUp(conversationID, question);
}

void AskSession::explainSimply(const QString &conversationID)
{
    m_records->explainSimply(conversationID);
}

// A click within the double-click interval of the one before belongs to the same intent, also when the
// service has already answered the first: the second press of a double click arrives as a click of its own.
bool AskSession::continuesUndoBurst(const QString &conversationID)
{
    QElapsedTimer &last = m_undoRequestTimes[conversationID];
    const bool continues = last.isValid() && last.elapsed() < QApplication::doubleClickInterval();
    last.start();
    return continues;
}

void AskSession::undoLastQuestion(const QString &conversationID, const QStringList &shownTurnIDs)
{
    if (!continuesUndoBurst(conversationID))
        m_records->undoLastQuestion(conversationID, shownTurnIDs);
}
