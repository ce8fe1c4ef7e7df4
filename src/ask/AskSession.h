#pragma once

#include "AnswerEventSource.h"
#include "AskConversation.h"
#include "AskLists.h"

#include "net/LocalChanges.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <memory>
#include <optional>

class AskUndo;
class PendingAnswers;

// The Ask section's state for one patient: the suggested questions, the conversations and their turns, the
// open conversation, and the one answer that may stream at a time. The panel draws it and forwards the
// user's actions; a new patient gets a new session. Work started here (loads, answers, undo) outlives the
// session: it finds its conversation and turn again by id on every step and drops what has no target.
//
// Two refusals guard against faults of the service's protocol: an answer stream that ends without "done"
// or "stream_error" stops its answer (an empty one becomes an error turn), and undo is refused while the
// conversation's answer streams or its last turns are still local, since the service would then remove
// the pair before them. One undo runs per conversation at a time, and no question is asked there
// meanwhile: its reply removes the turns that were last at the click, by id. Undo acts only on what the
// screen shows: not before the conversation's stored messages are shown, and once per burst of clicks.
//
// A question asked, answered or undone here is newer than a history or message load that began before
// it: that load's reply keeps the conversation and its turns as they are here.
class AskSession final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString askText READ askText WRITE setAskText NOTIFY askTextChanged)
    Q_PROPERTY(QString followUpText READ followUpText WRITE setFollowUpText NOTIFY followUpTextChanged)
    Q_PROPERTY(bool isSuggestionsExpanded READ isSuggestionsExpanded WRITE setSuggestionsExpanded NOTIFY
                   isSuggestionsExpandedChanged)
    Q_PROPERTY(QStringList suggestedQuestions READ suggestedQuestions NOTIFY suggestedQuestionsChanged)
    Q_PROPERTY(bool isLoadingSuggestions READ isLoadingSuggestions NOTIFY isLoadingSuggestionsChanged)
    Q_PROPERTY(bool isAsking READ isAsking NOTIFY isAskingChanged)

public:
    // `pendingAnswers` counts the window's answers still streaming; the session adds its own and catches up
    // with those of an earlier session.
    AskSession(QString patientID, std::shared_ptr<AnswerEventSource> answers, PendingAnswers *pendingAnswers,
               QObject *parent = nullptr);

    QString patientID() const { return m_patientID; }
    // Newest begun first; see displayedConversations() for the order of the history list.
    const QList<AskConversation> &conversations() const { return m_conversations; }
    QList<AskConversation> displayedConversations() const { return sortAskConversations(m_conversations); }
    const AskConversation *conversation(const QString &conversationID) const;
    std::optional<QString> selectedConversationID() const { return m_selectedConversationID; }
    // None when nothing is selected or the selected conversation has left the list.
    const AskConversation *selectedConversation() const;

    QStringList suggestedQuestions() const { return m_lists->suggestedQuestions(); }
    bool isLoadingSuggestions() const { return m_lists->isLoadingSuggestions(); }
    // The failure of the last suggestions load, until the next one starts; an empty list means "none" only
    // once a load succeeded.
    const std::optional<QString> &suggestionsError() const { return m_lists->suggestionsError(); }
    bool hasLoadedSuggestions() const { return m_lists->hasLoadedSuggestions(); }
    // The same for the question history.
    const std::optional<QString> &historyError() const { return m_lists->historyError(); }
    bool hasLoadedHistory() const { return m_lists->hasLoadedHistory(); }
    bool isUndoing(const QString &conversationID) const;
    // The conversation's stored messages are shown, and no undo of it runs.
    bool isUndoOffered(const QString &conversationID) const;
    bool isAsking() const { return m_isAsking; }
    QString askText() const { return m_askText; }
    void setAskText(const QString &text);
    QString followUpText() const { return m_followUpText; }
    void setFollowUpText(const QString &text);
    bool isSuggestionsExpanded() const { return m_isSuggestionsExpanded; }
    void setSuggestionsExpanded(bool expanded);

    // The start-up load: the suggestions, then the question history. Only the first call loads; failed
    // loads leave the state as it was.
    QCoro::Task<> load();
    QCoro::Task<> refreshSuggestions();
    // Try Again after a failed load: an empty list loads as at start, a shown one is refreshed.
    QCoro::Task<> retrySuggestions();
    QCoro::Task<> retryHistory();

    // Opening a conversation clears the follow-up text and loads its stored messages once.
    void selectConversation(const QString &conversationID);
    void closeConversation();
    // Try Again after its stored messages failed to load.
    void retryConversationHistory(const QString &conversationID);

    // Questions are refused while an answer streams; a refused new question keeps the ask text.
    void submitAskText();
    void submitQuestion(const QString &text);
    void sendFollowUp(const QString &conversationID, const QString &text);
    // Sends the follow-up text and clears it; while an answer streams or an undo runs, the text waits.
    void submitFollowUp(const QString &conversationID);
    // Needs the conversation's channel.
    void explainSimply(const QString &conversationID);
    void undoLastQuestion(const QString &conversationID);

Q_SIGNALS:
    // The list, or a conversation's title, channel or time, changed.
    void conversationsChanged();
    // Turns of the conversation were added, replaced or removed.
    void turnsChanged(const QString &conversationID);
    // Its stored messages began loading, or their load ended.
    void conversationHistoryStateChanged(const QString &conversationID);
    // One turn's content or state changed: the answer grew, failed or stopped.
    void turnChanged(const QString &conversationID, const QString &turnID);
    void selectedConversationIDChanged();
    void suggestedQuestionsChanged();
    void isLoadingSuggestionsChanged(bool isLoading);
    void suggestionsStateChanged();
    void historyStateChanged();
    void undoingChanged(const QString &conversationID);
    void isAskingChanged(bool isAsking);
    void askTextChanged(const QString &text);
    void followUpTextChanged(const QString &text);
    void isSuggestionsExpandedChanged(bool expanded);

private:
    // The question whose answer streams: where its events go.
    struct AskedQuestion {
        QString conversationID;
        QString questionTurnID;
        QString answerTurnID;
    };

    static QCoro::Task<> startUp(QPointer<AskSession> session);
    static QCoro::Task<> loadConversationHistory(QPointer<AskSession> session, QString conversationID);
    static QCoro::Task<> readAnswer(std::shared_ptr<AnswerEventSource> answers, QPointer<PendingAnswers> pending,
                                    AnswerQuestion query, AskSession *session, AskedQuestion asked);

    void setSelectedConversationID(const std::optional<QString> &conversationID);
    void setIsAsking(bool isAsking);
    void showHistory(const QList<ChatChannel> &channels, LocalChanges::Mark mark);
    void catchUpHistory(const QList<ChatChannel> &channels);
    AskConversation *findConversation(const QString &conversationID);
    AskTurn *findTurn(const QString &conversationID, const QString &turnID);
    bool mayUndo(const AskConversation &conversation) const;
    bool continuesUndoBurst(const QString &conversationID);

    void ask(const QString &question, const QString &conversationID, const std::optional<QString> &channelID);
    void applyAnswerEvent(const AskedQuestion &asked, const AnswerEvent &event);
    void finishAnswer(const AskedQuestion &asked, const ChatDoneEvent &done);
    void failAnswer(const AskedQuestion &asked, const QString &text);
    void settleAnswer(const AskedQuestion &asked);
    void endAsking(const AskedQuestion &asked, const std::optional<QString> &failure);
    void applyUndo(const QString &conversationID, const QStringList &turnIDs);

    QString m_patientID;
    std::shared_ptr<AnswerEventSource> m_answers;
    PendingAnswers *m_pendingAnswers = nullptr;
    // The conversations changed here, each by its channel's id, or its own id until it has a channel.
    LocalChanges m_changes;
    AskLists *m_lists = nullptr;
    AskUndo *m_undo = nullptr;
    QList<AskConversation> m_conversations;
    std::optional<QString> m_selectedConversationID;
    QString m_askText;
    QString m_followUpText;
    bool m_isSuggestionsExpanded = true;
    bool m_isAsking = false;
    bool m_hasStarted = false;
    // The conversation whose answer streams now: the turns' streaming flags cannot tell, since a history
    // reply may replace them mid-stream.
    std::optional<QString> m_streamingConversationID;
    // Ids of the turns made here; the service never confirmed a pair that still carries one.
    QSet<QString> m_localTurnIDs;
    // When undo was last asked for in each conversation: a double click asks twice.
    QHash<QString, QElapsedTimer> m_undoRequestTimes;
};
