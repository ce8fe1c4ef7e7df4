#include "AskRecords.h"

#include "AnswerFold.h"
#include "AnswerReader.h"
#include "AskSuggestions.h"
#include "AskUndo.h"
#include "ChatAPIClient.h"

#include "net/APIClient.h"
#include "net/APIError.h"

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

QStringList idsOf(const QList<AskTurn> &turns)
{
    QStringList ids;
    ids.reserve(turns.size());
    for (const AskTurn &turn : turns)
        ids << turn.id;
    return ids;
}

} // namespace

AskRecords::AskRecords(QString patientID, std::shared_ptr<AnswerEventSource> answers, QObject *parent)
    : QObject(parent), m_patientID(std::move(patientID)), m_answers(std::move(answers)),
      m_suggestions(new AskSuggestions(m_patientID, this)), m_undo(new AskUndo(&m_changes, this))
{
    connect(m_undo, &AskUndo::undoingChanged, this, &AskRecords::undoingChanged);
    connect(m_undo, &AskUndo::undone, this, &AskRecords::applyUndo);
}

const AskConversation *AskRecords::conversation(const QString &conversationID) const
{
    const auto found = std::find_if(m_conversations.cbegin(), m_conversations.cend(),
                                    [&conversationID](const AskConversation &c) { return c.id == conversationID; });
    return found == m_conversations.cend() ? nullptr : &*found;
}

AskConversation *AskRecords::findConversation(const QString &conversationID)
{
    return const_cast<AskConversation *>(std::as_const(*this).conversation(conversationID));
}

AskConversation *AskRecords::findChannel(const QString &channelID)
{
    const auto found = std::find_if(m_conversations.begin(), m_conversations.end(),
                                    [&channelID](const AskConversation &c) { return c.channelID == channelID; });
    return found == m_conversations.end() ? nullptr : &*found;
}

AskTurn *AskRecords::findTurn(const QString &conversationID, const QString &turnID)
{
    AskConversation *found = findConversation(conversationID);
    return found ? found->turn(turnID) : nullptr;
}

bool AskRecords::isUndoing(const QString &conversationID) const
{
    return m_undo->isUndoing(conversationID);
}

bool AskRecords::isUndoOffered(const QString &conversationID, const QStringList &shownTurnIDs) const
{
    const AskConversation *target = conversation(conversationID);
    return target && !isUndoing(conversationID) && mayUndo(*target, shownTurnIDs);
}

void AskRecords::setHistoryState(const std::optional<QString> &error, bool loaded)
{
    if (m_historyError == error && m_hasLoadedHistory == loaded)
        return;
    m_historyError = error;
    m_hasLoadedHistory = loaded;
    Q_EMIT historyStateChanged();
}

void AskRecords::setIsAsking(bool isAsking)
{
    if (m_isAsking == isAsking)
        return;
    m_isAsking = isAsking;
    Q_EMIT isAskingChanged(isAsking);
}

bool AskRecords::isChangedSince(LocalChanges::Mark mark, const AskConversation &conversation) const
{
    return m_changes.isChangedSince(mark, conversation.id) ||
           (conversation.channelID && m_changes.isChangedSince(mark, *conversation.channelID));
}

QCoro::Task<> AskRecords::loadHistory()
{
    return fetchHistory(this);
}

QCoro::Task<> AskRecords::fetchHistory(QPointer<AskRecords> records)
{
    if (records->m_patientID.isEmpty())
        co_return;
    const QString patientID = records->m_patientID;
    const LocalChanges::Mark mark = records->m_changes.mark();
    records->setHistoryState(std::nullopt, records->m_hasLoadedHistory);
    std::optional<ChatCursorPage<ChatChannel>> page;
    std::optional<QString> failure;
    try {
        page = co_await ChatAPIClient::fetchMyQuestions(patientID);
    } catch (const APIError &error) {
        failure = error.description();
    }
    if (page && records && records->m_creatingConversationID) {
        // The reply may list the new conversation under its channel already: once the question has named
        // it here, the two are one.
        const LocalChanges::Change creation = co_await records->m_changes.begin(*records->m_creatingConversationID);
    }
    if (!records)
        co_return;
    if (page)
        records->showHistory(page->data, mark);
    records->setHistoryState(failure, records->m_hasLoadedHistory || page.has_value());
}

// The list as the service sent it, but for the conversations changed here since it was asked for: those stay
// as they are here (a new one in front, one removed here left out). A listed conversation known here keeps
// its id, its turns and their load, so that no screen loses the conversation it shows.
void AskRecords::showHistory(const QList<ChatChannel> &channels, LocalChanges::Mark mark)
{
    QList<AskConversation> listed;
    QSet<QString> heldIDs;
    QStringList claimedIDs;
    for (const ChatChannel &channel : channels) {
        const AskConversation *held = findChannel(channel.id);
        if (!held) {
            held = claimChannel(channel);
            if (held)
                claimedIDs << held->id;
        }
        if (!held) {
            if (!m_changes.isChangedSince(mark, channel.id))
                listed.append(AskConversation::fromChannel(channel));
            continue;
        }
        heldIDs.insert(held->id);
        listed.append(*held);
        if (!isChangedSince(mark, *held))
            listed.last().takeListing(channel);
    }
    QList<AskConversation> made;
    for (const AskConversation &held : std::as_const(m_conversations)) {
        if (!heldIDs.contains(held.id) && isChangedSince(mark, held))
            made.append(held);
    }
    m_conversations = made + listed;
    Q_EMIT conversationsChanged();
    for (const QString &claimed : std::as_const(claimedIDs))
        loadConversationHistory(claimed);
}

// A conversation begun here whose question ended without "done" never learned its channel, while the service
// lists it under one titled by that question: the first such channel that no conversation here holds is
// taken as its own. Its turns are what the broken stream left: the stored messages are loaded in their place.
AskConversation *AskRecords::claimChannel(const ChatChannel &channel)
{
    const auto unnamed = std::find_if(m_conversations.begin(), m_conversations.end(), [&](const AskConversation &c) {
        return !c.channelID && c.id != m_creatingConversationID && c.title == channel.title;
    });
    if (unnamed == m_conversations.end())
        return nullptr;
    unnamed->channelID = channel.id;
    unnamed->turns.clear();
    unnamed->hasLoadedHistory = false;
    return &*unnamed;
}

void AskRecords::loadConversationHistory(const QString &conversationID)
{
    AskConversation *opened = findConversation(conversationID);
    if (!opened || opened->hasLoadedHistory || opened->isLoadingHistory || !opened->channelID)
        return;
    opened->isLoadingHistory = true;
    opened->historyError.reset();
    Q_EMIT conversationHistoryStateChanged(conversationID);
    fetchMessages(this, conversationID, *opened->channelID);
}

// A failure stays on the conversation until the next load starts.
QCoro::Task<> AskRecords::fetchMessages(QPointer<AskRecords> records, QString conversationID, QString channelID)
{
    const LocalChanges::Mark mark = records->m_changes.mark();
    std::optional<QList<ChatMessage>> messages;
    std::optional<QString> failure;
    try {
        messages = co_await ChatAPIClient::fetchChannelMessages(channelID);
    } catch (const APIError &error) {
        failure = error.description();
    }
    if (messages && records) {
        // After a question running there, whose turns then carry the service's ids: the reply may hold them.
        const LocalChanges::Change showing = co_await records->m_changes.begin(channelID);
        if (records)
            records->showMessages(conversationID, *messages, mark);
    }
    AskConversation *target = records ? records->findConversation(conversationID) : nullptr;
    if (!target)
        co_return;
    target->isLoadingHistory = false;
    target->historyError = failure;
    Q_EMIT records->conversationHistoryStateChanged(conversationID);
}

// Questions asked meanwhile follow the stored messages, once each.
void AskRecords::showMessages(const QString &conversationID, const QList<ChatMessage> &messages,
                              LocalChanges::Mark mark)
{
    AskConversation *target = findConversation(conversationID);
    if (!target)
        return;
    QList<AskTurn> turns;
    turns.reserve(messages.size());
    for (const ChatMessage &message : messages)
        turns.append(AskTurn::fromMessage(message));
    if (isChangedSince(mark, *target)) {
        const QStringList stored = idsOf(turns);
        for (const AskTurn &asked : std::as_const(target->turns)) {
            if (!stored.contains(asked.id))
                turns.append(asked);
        }
    }
    target->turns = std::move(turns);
    target->hasLoadedHistory = true;
    Q_EMIT turnsChanged(conversationID);
}

bool AskRecords::mayAsk(const QString &conversationID) const
{
    return !m_isAsking && !isUndoing(conversationID);
}

void AskRecords::askNew(const QString &question, const std::function<void(const QString &conversationID)> &opened)
{
    if (question.isEmpty() || m_isAsking)
        return;
    const AskConversation begun = AskConversation::begun(question);
    m_conversations.prepend(begun);
    Q_EMIT conversationsChanged();
    opened(begun.id);
    ask(question, begun);
}

void AskRecords::askFollowUp(const QString &conversationID, const QString &question)
{
    const AskConversation *target = conversation(conversationID);
    if (!question.isEmpty() && target && mayAsk(conversationID))
        ask(question, *target);
}

bool AskRecords::isExplainOffered(const QString &conversationID) const
{
    const AskConversation *target = conversation(conversationID);
    return target && target->channelID && mayAsk(conversationID);
}

void AskRecords::explainSimply(const QString &conversationID)
{
    if (isExplainOffered(conversationID))
        ask(explainSimplyQuestion, *conversation(conversationID));
}

void AskRecords::ask(const QString &question, const AskConversation &conversation)
{
    // Before the signal: screens told of it ask whether undo is still offered there.
    m_streamingConversationID = conversation.id;
    if (!conversation.channelID)
        m_creatingConversationID = conversation.id;
    setIsAsking(true);
    AskedQuestion asked{.conversationID = conversation.id,
                        .question = AskTurn::localQuestion(question),
                        .answer = AskTurn::localAnswerPlaceholder()};
    m_localTurnIDs << asked.question.id << asked.answer.id;
    AnswerQuestion query{.patientID = m_patientID, .content = question, .channelID = conversation.channelID};
    readAnswer(this, m_answers, std::move(query), std::move(asked), changeKey(conversation));
}

// Held from the question's turns to the stream's end, read to its end even when the records are gone.
QCoro::Task<> AskRecords::readAnswer(QPointer<AskRecords> records, std::shared_ptr<AnswerEventSource> answers,
                                     AnswerQuestion query, AskedQuestion asked, QString key)
{
    {
        // From the click on, also while the question waits its turn: the reader holds only its stream.
        const ChangesInFlight::Hold held = APIClient::shared().changes().hold();
        const LocalChanges::Change asking = co_await records->m_changes.begin(key);
        if (!records)
            co_return;
        records->appendTurns(asked);
        AskRecords *target = records.data();
        AnswerReader::EventHandler onEvent = [target, asked](const AnswerEvent &event) {
            target->applyAnswerEvent(asked, event);
        };
        AnswerReader::EndHandler onEnd = [target, asked](const std::optional<QString> &failure) {
            target->endAnswer(asked, failure);
        };
        co_await AnswerReader::read(std::move(answers), std::move(query), target, std::move(onEvent), std::move(onEnd));
    }
    // Once the change is over, so that the next question starts at once.
    if (records)
        records->stopAsking();
}

void AskRecords::appendTurns(const AskedQuestion &asked)
{
    if (AskConversation *target = findConversation(asked.conversationID)) {
        target->turns << asked.question << asked.answer;
        Q_EMIT turnsChanged(asked.conversationID);
    }
}

void AskRecords::applyAnswerEvent(const AskedQuestion &asked, const AnswerEvent &event)
{
    if (const auto *done = std::get_if<ChatDoneEvent>(&event)) {
        finishAnswer(asked, *done);
        return;
    }
    AskTurn *answer = findTurn(asked.conversationID, asked.answer.id);
    if (!answer)
        return;
    const AnswerFold::Change change = AnswerFold(answer->content, answer->isError).apply(event);
    if (change == AnswerFold::Change::none)
        return;
    if (change == AnswerFold::Change::failed)
        answer->isStreaming = false;
    Q_EMIT turnChanged(asked.conversationID, asked.answer.id);
}

void AskRecords::finishAnswer(const AskedQuestion &asked, const ChatDoneEvent &done)
{
    AskConversation *target = findConversation(asked.conversationID);
    if (!target)
        return;
    if (AskTurn *question = target->turn(asked.question.id))
        *question = AskTurn::fromMessage(done.user);
    if (AskTurn *answer = target->turn(asked.answer.id))
        *answer = AskTurn::fromMessage(done.assistant);
    if (!target->channelID)
        target->channelID = done.assistant.channelId ? done.assistant.channelId : done.user.channelId;
    target->updatedAt = QDateTime::currentDateTime();
    Q_EMIT turnsChanged(asked.conversationID);
    Q_EMIT conversationsChanged();
}

void AskRecords::failAnswer(const AskedQuestion &asked, const QString &text)
{
    if (AskTurn *answer = findTurn(asked.conversationID, asked.answer.id)) {
        AnswerFold(answer->content, answer->isError).fail(text);
        answer->isStreaming = false;
        Q_EMIT turnChanged(asked.conversationID, asked.answer.id);
    }
}

// A stream that ended without "done" or "stream_error" must not leave its answer spinning.
void AskRecords::endAnswer(const AskedQuestion &asked, const std::optional<QString> &failure)
{
    AskTurn *answer = findTurn(asked.conversationID, asked.answer.id);
    if (failure || (answer && answer->isStreaming && answer->content.isEmpty())) {
        failAnswer(asked, failure.value_or(answerFailedText()));
    } else if (answer && answer->isStreaming) {
        answer->isStreaming = false;
        Q_EMIT turnChanged(asked.conversationID, asked.answer.id);
    }
}

void AskRecords::stopAsking()
{
    m_streamingConversationID.reset();
    m_creatingConversationID.reset();
    setIsAsking(false);
}

bool AskRecords::mayUndo(const AskConversation &conversation, const QStringList &shownTurnIDs) const
{
    if (!conversation.channelID || !conversation.hasLoadedHistory || m_streamingConversationID == conversation.id)
        return false;
    const qsizetype removed = std::min<qsizetype>(2, conversation.turns.size());
    const QStringList lastTurnIDs = idsOf(conversation.turns.mid(conversation.turns.size() - removed));
    return shownTurnIDs.mid(shownTurnIDs.size() - removed) == lastTurnIDs &&
           std::none_of(lastTurnIDs.cbegin(), lastTurnIDs.cend(),
                        [this](const QString &id) { return m_localTurnIDs.contains(id); });
}

void AskRecords::undoLastQuestion(const QString &conversationID, const QStringList &shownTurnIDs)
{
    if (!isUndoOffered(conversationID, shownTurnIDs))
        return;
    const AskConversation *target = conversation(conversationID);
    // The pair the user saw last: the service removes exactly that one.
    const QStringList last = idsOf(target->turns).mid(std::max<qsizetype>(0, target->turns.size() - 2));
    m_undo->start(conversationID, *target->channelID, last);
}

void AskRecords::applyUndo(const QString &conversationID, const QStringList &turnIDs)
{
    AskConversation *target = findConversation(conversationID);
    if (!target)
        return;
    target->turns.removeIf([&turnIDs](const AskTurn &turn) { return turnIDs.contains(turn.id); });
    if (!target->turns.isEmpty()) {
        Q_EMIT turnsChanged(conversationID);
        return;
    }
    m_conversations.removeIf([&conversationID](const AskConversation &c) { return c.id == conversationID; });
    Q_EMIT conversationsChanged();
    Q_EMIT conversationRemoved(conversationID);
}
