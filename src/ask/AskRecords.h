#pragma once

#include "AnswerEventSource.h"
#include "AskConversation.h"

#include "net/LocalChanges.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <functional>
#include <memory>
#include <optional>

class AskSuggestions;
class AskUndo;

// What the program knows of one patient's Ask section, once however many panels and windows show it: the
// suggested questions, the question history, the conversations and their turns, the one answer that may
// stream at a time, and the undos running. Each panel draws it and keeps only its own view (texts typed,
// the open conversation). Work started here outlives every panel: it finds its conversation and turn again
// by id on every step and drops what has no target.
//
// A question with its answer, and an undo, are each held in the book of changes from their start to their
// end; a list or message load that answers meanwhile leaves what they change as it is here. A history reply
// that comes while a new conversation waits for its channel is shown once that question is over: the
// service lists the conversation under a channel that only the question's end names here. A stream that
// ended without naming it leaves the conversation to take the listed channel of its title that nothing here
// holds.
//
// An answer stream that ends without "done" or "stream_error" stops its answer (an empty one becomes an
// error turn). One undo runs per conversation at a time, and no question is asked there meanwhile: its reply
// removes the turns that were last at the click, by id. Undo acts on what the asking screen shows: it is
// refused before the stored messages are shown, while the conversation's answer streams or its last turns
// are still local (the service would then remove the pair before them), and when the pair that screen shows
// last is not the newest here.
class AskRecords final : public QObject
{
    Q_OBJECT

public:
    AskRecords(QString patientID, std::shared_ptr<AnswerEventSource> answers, QObject *parent = nullptr);

    QString patientID() const { return m_patientID; }
    // Newest begun first; see displayedConversations() for the order of the history list.
    const QList<AskConversation> &conversations() const { return m_conversations; }
    QList<AskConversation> displayedConversations() const { return sortAskConversations(m_conversations); }
    const AskConversation *conversation(const QString &conversationID) const;
    AskSuggestions *suggestions() const { return m_suggestions; }
    // The failure of the last history load, until the next one starts; an empty list means "none" only once
    // a load succeeded.
    const std::optional<QString> &historyError() const { return m_historyError; }
    bool hasLoadedHistory() const { return m_hasLoadedHistory; }
    bool isAsking() const { return m_isAsking; }
    bool isUndoing(const QString &conversationID) const;
    // Undo would act now on the screen that shows `shownTurnIDs` (oldest first): the conversation's stored
    // messages are shown, no undo of it runs and it holds no question still being answered or never confirmed.
    bool isUndoOffered(const QString &conversationID, const QStringList &shownTurnIDs) const;
    // Explain Simply would ask now: the conversation is on the service and no answer or undo of it runs.
    bool isExplainOffered(const QString &conversationID) const;

    QCoro::Task<> loadHistory();
    // Once, unless it failed; one load at a time per conversation.
    void loadConversationHistory(const QString &conversationID);

    // Each is refused while an answer streams or, for one conversation, while its undo runs.
    // A new conversation with this trimmed question. `opened` is told its id once it is listed, before its
    // answer begins; nothing happens when refused.
    void askNew(const QString &question, const std::function<void(const QString &conversationID)> &opened);
    void askFollowUp(const QString &conversationID, const QString &question);
    void explainSimply(const QString &conversationID);
    // `shownTurnIDs` are the conversation's turns as the asking screen shows them, oldest first.
    void undoLastQuestion(const QString &conversationID, const QStringList &shownTurnIDs);

Q_SIGNALS:
    // The list, or a conversation's title, channel or time, changed.
    void conversationsChanged();
    // Turns of the conversation were added, replaced or removed.
    void turnsChanged(const QString &conversationID);
    // Its stored messages began loading, or their load ended.
    void conversationHistoryStateChanged(const QString &conversationID);
    // One turn's content or state changed: the answer grew, failed or stopped.
    void turnChanged(const QString &conversationID, const QString &turnID);
    // Undo removed its last turns, and with them the conversation.
    void conversationRemoved(const QString &conversationID);
    void historyStateChanged();
    void undoingChanged(const QString &conversationID);
    void isAskingChanged(bool isAsking);

private:
    // The question whose answer streams: where its events go.
    struct AskedQuestion {
        QString conversationID;
        AskTurn question;
        AskTurn answer;
    };

    static QCoro::Task<> fetchHistory(QPointer<AskRecords> records);
    static QCoro::Task<> fetchMessages(QPointer<AskRecords> records, QString conversationID, QString channelID);
    static QCoro::Task<> readAnswer(QPointer<AskRecords> records, std::shared_ptr<AnswerEventSource> answers,
                                    AnswerQuestion query, AskedQuestion asked, QString key);

    void setHistoryState(const std::optional<QString> &error, bool loaded);
    void setIsAsking(bool isAsking);
    bool isChangedSince(LocalChanges::Mark mark, const AskConversation &conversation) const;
    void showHistory(const QList<ChatChannel> &channels, LocalChanges::Mark mark);
    AskConversation *claimChannel(const ChatChannel &channel);
    void showMessages(const QString &conversationID, const QList<ChatMessage> &messages, LocalChanges::Mark mark);
    AskConversation *findConversation(const QString &conversationID);
    AskConversation *findChannel(const QString &channelID);
    AskTurn *findTurn(const QString &conversationID, const QString &turnID);
    bool mayAsk(const QString &conversationID) const;
    bool mayUndo(const AskConversation &conversation, const QStringList &shownTurnIDs) const;

    void ask(const QString &question, const AskConversation &conversation);
    void appendTurns(const AskedQuestion &asked);
    void applyAnswerEvent(const AskedQuestion &asked, const AnswerEvent &event);
    void finishAnswer(const AskedQuestion &asked, const ChatDoneEvent &done);
    void failAnswer(const AskedQuestion &asked, const QString &text);
    void endAnswer(const AskedQuestion &asked, const std::optional<QString> &failure);
    void stopAsking();
    void applyUndo(const QString &conversationID, const QStringList &turnIDs);

    QString m_patientID;
    std::shared_ptr<AnswerEventSource> m_answers;
    // The conversations changed here, each by its channel's id, or its own id until it has a channel.
    LocalChanges m_changes;
    AskSuggestions *m_suggestions = nullptr;
    AskUndo *m_undo = nullptr;
    QList<AskConversation> m_conversations;
    std::optional<QString> m_historyError;
    bool m_hasLoadedHistory = false;
    bool m_isAsking = false;
    // The conversation whose answer streams now: the turns' streaming flags cannot tell, since a message
    // reply may replace them mid-stream.
    std::optional<QString> m_streamingConversationID;
    // Set while the streaming question is one of a conversation that had no channel when it was asked.
    std::optional<QString> m_creatingConversationID;
    // Ids of the turns made here; the service never confirmed a pair that still carries one.
    QSet<QString> m_localTurnIDs;
};
