#include "AskSession.h"

#include "AnswerFold.h"
#include "AnswerReader.h"
#include "AskUndo.h"
#include "ChatAPIClient.h"

#include "net/APIError.h"
#include "window/PendingAnswers.h"

#include <QApplication>

#include <algorithm>

namespace
{

// The fixed question of "Explain Simply", sent and shown as it is.
const QString explainSimplyQuestion = QStringLiteral("explain simply");

// A conversation begun here is known to the service's history by its channel once it has one.
QString changeKey(const AskConversation &conversation)
{
    return conversation.channelID.value_or(conversation.id);
}

} // namespace

AskSession::AskSession(QString patientID, std::shared_ptr<AnswerEventSource> answers, PendingAnswers *pendingAnswers,
                       QObject *parent)
    : QObject(parent), m_patientID(std::move(patientID)), m_answers(std::move(answers)),
      m_pendingAnswers(pendingAnswers), m_lists(new AskLists(m_patientID, pendingAnswers, &m_changes, this)),
      m_undo(new AskUndo(this))
{
    connect(m_lists, &AskLists::suggestedQuestionsChanged, this, &AskSession::suggestedQuestionsChanged);
    connect(m_lists, &AskLists::isLoadingSuggestionsChanged, this, &AskSession::isLoadingSuggestionsChanged);
    connect(m_lists, &AskLists::suggestionsStateChanged, this, &AskSession::suggestionsStateChanged);
    connect(m_lists, &AskLists::historyStateChanged, this, &AskSession::historyStateChanged);
    connect(m_lists, &AskLists::historyLoaded, this, &AskSession::showHistory);
    connect(m_lists, &AskLists::historyCaughtUp, this, &AskSession::catchUpHistory);
    connect(m_undo, &AskUndo::undoingChanged, this, &AskSession::undoingChanged);
    connect(m_undo, &AskUndo::undone, this, &AskSession::applyUndo);
}

const AskConversation *AskSession::conversation(const QString &conversationID) const
{
    const auto found = std::find_if(m_conversations.cbegin(), m_conversations.cend(),
                                    [&conversationID](const AskConversation &c) { return c.id == conversationID; });
    return found == m_conversations.cend() ? nullptr : &*found;
}

const AskConversation *AskSession::selectedConversation() const
{
    return m_selectedConversationID ? conversation(*m_selectedConversationID) : nullptr;
}

bool AskSession::isUndoing(const QString &conversationID) const
{
    return m_undo->isUndoing(conversationID);
}

bool AskSession::isUndoOffered(const QString &conversationID) const
{
    const AskConversation *target = conversation(conversationID);
    return target && target->hasLoadedHistory && !isUndoing(conversationID);
}

AskConversation *AskSession::findConversation(const QString &conversationID)
{
    const auto found = std::find_if(m_conversations.begin(), m_conversations.end(),
                                    [&conversationID](const AskConversation &c) { return c.id == conversationID; });
    return found == m_conversations.end() ? nullptr : &*found;
}

AskTurn *AskSession::findTurn(const QString &conversationID, const QString &turnID)
{
    AskConversation *found = findConversation(conversationID);
    return found ? found->turn(turnID) : nullptr;
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

void AskSession::setIsAsking(bool isAsking)
{
    if (m_isAsking == isAsking)
        return;
    m_isAsking = isAsking;
    Q_EMIT isAskingChanged(isAsking);
}

void AskSession::setSelectedConversationID(const std::optional<QString> &conversationID)
{
    if (m_selectedConversationID == conversationID)
        return;
    m_selectedConversationID = conversationID;
    Q_EMIT selectedConversationIDChanged();
    setFollowUpText(QString());
    if (conversationID)
        loadConversationHistory(this, *conversationID);
}

QCoro::Task<> AskSession::load()
{
    return startUp(this);
}

QCoro::Task<> AskSession::refreshSuggestions()
{
    return m_lists->loadSuggestions(true);
}

QCoro::Task<> AskSession::retrySuggestions()
{
    return m_lists->retrySuggestions();
}

QCoro::Task<> AskSession::retryHistory()
{
    return m_lists->loadHistory();
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
    loadConversationHistory(this, conversationID);
}

QCoro::Task<> AskSession::startUp(QPointer<AskSession> session)
{
    if (session->m_hasStarted)
        co_return;
    session->m_hasStarted = true;
    co_await session->m_lists->loadSuggestions(false);
    if (session)
        co_await session->m_lists->loadHistory();
}

// The list as the service sent it, but for the conversations changed here since it was asked for: those
// stay as they are here, a new one still in front.
void AskSession::showHistory(const QList<ChatChannel> &channels, LocalChanges::Mark mark)
{
    QList<AskConversation> replied;
    replied.reserve(channels.size());
    for (const ChatChannel &channel : channels)
        replied.append(AskConversation::fromChannel(channel));
    const auto keepHeld = [](const AskConversation &, const AskConversation &held) { return held; };
    m_conversations = m_changes.overReply(replied, m_conversations, mark, changeKey, keepHeld);
    Q_EMIT conversationsChanged();
}

// The answers of an earlier session are stored now: their conversations join the list. The list is not
// replaced, so that the conversations begun here and the open one stay.
void AskSession::catchUpHistory(const QList<ChatChannel> &channels)
{
    if (joinAskConversations(m_conversations, channels))
        Q_EMIT conversationsChanged();
}

// One load at a time per conversation; a failure stays on the conversation until the next load starts.
QCoro::Task<> AskSession::loadConversationHistory(QPointer<AskSession> session, QString conversationID)
{
    AskConversation *opened = session->findConversation(conversationID);
    if (!opened || opened->hasLoadedHistory || opened->isLoadingHistory || !opened->channelID)
        co_return;
    const QString channelID = *opened->channelID;
    const LocalChanges::Mark mark = session->m_changes.mark();
    opened->isLoadingHistory = true;
    opened->historyError.reset();
    Q_EMIT session->conversationHistoryStateChanged(conversationID);
    std::optional<QList<ChatMessage>> messages;
    std::optional<QString> failure;
    try {
        messages = co_await ChatAPIClient::fetchChannelMessages(channelID);
    } catch (const APIError &error) {
        failure = error.description();
    }
    AskConversation *target = session ? session->findConversation(conversationID) : nullptr;
    if (!target)
        co_return;
    target->isLoadingHistory = false;
    target->historyError = failure;
    if (messages) {
        QList<AskTurn> turns;
        turns.reserve(messages->size());
        for (const ChatMessage &message : std::as_const(*messages))
            turns.append(AskTurn::fromMessage(message));
        // Questions asked meanwhile follow the stored messages, once each.
        if (session->m_changes.isChangedSince(mark, channelID)) {
            for (const AskTurn &asked : std::as_const(target->turns)) {
                if (std::none_of(turns.cbegin(), turns.cend(), [&asked](const AskTurn &t) { return t.id == asked.id; }))
                    turns.append(asked);
            }
        }
        target->turns = std::move(turns);
        target->hasLoadedHistory = true;
        Q_EMIT session->turnsChanged(conversationID);
    }
    Q_EMIT session->conversationHistoryStateChanged(conversationID);
}

void AskSession::submitAskText()
{
    submitQuestion(m_askText);
}

void AskSession::submitQuestion(const QString &text)
{
    const QString question = text.trimmed();
    if (question.isEmpty() || m_isAsking)
        return;
    setAskText(QString());
    const AskConversation begun = AskConversation::begun(question);
    m_conversations.prepend(begun);
    Q_EMIT conversationsChanged();
    setSelectedConversationID(begun.id);
    ask(question, begun.id, std::nullopt);
}

void AskSession::sendFollowUp(const QString &conversationID, const QString &text)
{
    const QString question = text.trimmed();
    if (question.isEmpty() || m_isAsking || isUndoing(conversationID))
        return;
    if (const AskConversation *target = conversation(conversationID))
        ask(question, conversationID, target->channelID);
}

void AskSession::submitFollowUp(const QString &conversationID)
{
    const QString question = m_followUpText.trimmed();
    if (question.isEmpty() || m_isAsking || isUndoing(conversationID))
        return;
    setFollowUpText(QString());
    sendFollowUp(conversationID, question);
}

void AskSession::explainSimply(const QString &conversationID)
{
    if (m_isAsking || isUndoing(conversationID))
        return;
    const AskConversation *target = conversation(conversationID);
    if (target && target->channelID)
        ask(explainSimplyQuestion, conversationID, target->channelID);
}

void AskSession::ask(const QString &question, const QString &conversationID, const std::optional<QString> &channelID)
{
    setIsAsking(true);
    m_streamingConversationID = conversationID;
    const AskTurn questionTurn = AskTurn::localQuestion(question);
    const AskTurn answerTurn = AskTurn::localAnswerPlaceholder();
    m_localTurnIDs << questionTurn.id << answerTurn.id;
    if (AskConversation *target = findConversation(conversationID)) {
        m_changes.touch(changeKey(*target));
        target->turns << questionTurn << answerTurn;
        Q_EMIT turnsChanged(conversationID);
    }
    AnswerQuestion query{.patientID = m_patientID, .content = question, .channelID = channelID};
    AskedQuestion asked{
        .conversationID = conversationID, .questionTurnID = questionTurn.id, .answerTurnID = answerTurn.id};
    readAnswer(m_answers, m_pendingAnswers, std::move(query), this, std::move(asked));
}

// Read to its end even when the session is gone; only the writes to the session are skipped. The window
// that counts it may be gone too by then.
QCoro::Task<> AskSession::readAnswer(std::shared_ptr<AnswerEventSource> answers, QPointer<PendingAnswers> pending,
                                     AnswerQuestion query, AskSession *session, AskedQuestion asked)
{
    const QString patientID = query.patientID;
    pending->begin(patientID);
    AnswerReader::EventHandler onEvent = [session, asked](const AnswerEvent &event) {
        session->applyAnswerEvent(asked, event);
    };
    AnswerReader::EndHandler onEnd = [session, asked](const std::optional<QString> &failure) {
        session->endAsking(asked, failure);
    };
    co_await AnswerReader::read(std::move(answers), std::move(query), session, std::move(onEvent), std::move(onEnd));
    if (pending)
        pending->end(patientID);
}

void AskSession::applyAnswerEvent(const AskedQuestion &asked, const AnswerEvent &event)
{
    if (const auto *done = std::get_if<ChatDoneEvent>(&event)) {
        finishAnswer(asked, *done);
        return;
    }
    AskTurn *answer = findTurn(asked.conversationID, asked.answerTurnID);
    if (!answer)
        return;
    const AnswerFold::Change change = AnswerFold(answer->content, answer->isError).apply(event);
    if (change == AnswerFold::Change::none)
        return;
    if (change == AnswerFold::Change::failed)
        answer->isStreaming = false;
    Q_EMIT turnChanged(asked.conversationID, asked.answerTurnID);
}

void AskSession::finishAnswer(const AskedQuestion &asked, const ChatDoneEvent &done)
{
    AskConversation *target = findConversation(asked.conversationID);
    if (!target)
        return;
    if (AskTurn *question = target->turn(asked.questionTurnID))
        *question = AskTurn::fromMessage(done.user);
    if (AskTurn *answer = target->turn(asked.answerTurnID))
        *answer = AskTurn::fromMessage(done.assistant);
    if (!target->channelID)
        target->channelID = done.assistant.channelId ? done.assistant.channelId : done.user.channelId;
    target->updatedAt = QDateTime::currentDateTime();
    m_changes.touch(changeKey(*target));
    Q_EMIT turnsChanged(asked.conversationID);
    Q_EMIT conversationsChanged();
}

void AskSession::failAnswer(const AskedQuestion &asked, const QString &text)
{
    if (AskTurn *answer = findTurn(asked.conversationID, asked.answerTurnID)) {
        AnswerFold(answer->content, answer->isError).fail(text);
        answer->isStreaming = false;
        Q_EMIT turnChanged(asked.conversationID, asked.answerTurnID);
    }
}

// A stream that ended without "done" or "stream_error" must not leave its answer spinning.
void AskSession::settleAnswer(const AskedQuestion &asked)
{
    AskTurn *answer = findTurn(asked.conversationID, asked.answerTurnID);
    if (!answer || !answer->isStreaming)
        return;
    if (answer->content.isEmpty()) {
        failAnswer(asked, answerFailedText());
        return;
    }
    answer->isStreaming = false;
    Q_EMIT turnChanged(asked.conversationID, asked.answerTurnID);
}

void AskSession::endAsking(const AskedQuestion &asked, const std::optional<QString> &failure)
{
    if (failure)
        failAnswer(asked, *failure);
    else
        settleAnswer(asked);
    m_streamingConversationID.reset();
    setIsAsking(false);
}

bool AskSession::mayUndo(const AskConversation &conversation) const
{
    if (!conversation.channelID || !conversation.hasLoadedHistory || m_streamingConversationID == conversation.id)
        return false;
    const qsizetype removed = std::min<qsizetype>(2, conversation.turns.size());
    const auto lastTurns = conversation.turns.mid(conversation.turns.size() - removed);
    return std::none_of(lastTurns.cbegin(), lastTurns.cend(),
                        [this](const AskTurn &turn) { return m_localTurnIDs.contains(turn.id); });
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

void AskSession::undoLastQuestion(const QString &conversationID)
{
    if (continuesUndoBurst(conversationID))
        return;
    const AskConversation *target = conversation(conversationID);
    if (!target || !mayUndo(*target))
        return;
    // The pair the user saw last: the service removes exactly that one.
    QStringList turnIDs;
    for (qsizetype i = std::max<qsizetype>(0, target->turns.size() - 2); i < target->turns.size(); ++i)
        turnIDs << target->turns.at(i).id;
    m_undo->start(conversationID, *target->channelID, turnIDs);
}

void AskSession::applyUndo(const QString &conversationID, const QStringList &turnIDs)
{
    AskConversation *target = findConversation(conversationID);
    if (!target)
        return;
    m_changes.touch(changeKey(*target));
    target->turns.removeIf([&turnIDs](const AskTurn &turn) { return turnIDs.contains(turn.id); });
    if (!target->turns.isEmpty()) {
        Q_EMIT turnsChanged(conversationID);
        return;
    }
    m_conversations.removeIf([&conversationID](const AskConversation &c) { return c.id == conversationID; });
    Q_EMIT conversationsChanged();
    setSelectedConversationID(std::nullopt);
}
