#pragma once

#include "AskConversation.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <optional>

class AskRecords;
class AskSessions;

// One Ask panel's view of its patient's records, which every panel of the program shares: what is typed in
// its two fields, the conversation it has open and whether its suggestions are expanded stay with the
// panel; the suggestions, the conversations and the work running on them are the patient's (AskRecords).
// The panel draws both and forwards the user's actions; a new patient gets a new session over the
// records of that patient.
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
    AskSession(QString patientID, AskSessions *sessions, QObject *parent = nullptr);

    QString patientID() const { return m_patientID; }
    AskRecords *records() const { return m_records; }
    const QList<AskConversation> &conversations() const;
    QList<AskConversation> displayedConversations() const;
    const AskConversation *conversation(const QString &conversationID) const;
    std::optional<QString> selectedConversationID() const { return m_selectedConversationID; }
    // None when nothing is selected or the selected conversation has left the list.
    const AskConversation *selectedConversation() const;

    QStringList suggestedQuestions() const;
    bool isLoadingSuggestions() const;
    // The failure of the last suggestions load, until the next one starts; an empty list means "none" only
    // once a load succeeded.
    const std::optional<QString> &suggestionsError() const;
    bool hasLoadedSuggestions() const;
    // The same for the question history.
    const std::optional<QString> &historyError() const;
    bool hasLoadedHistory() const;
    bool isUndoing(const QString &conversationID) const;
    bool isUndoOffered(const QString &conversationID, const QStringList &shownTurnIDs) const;
    bool isExplainOffered(const QString &conversationID) const;
    bool isAsking() const;
    QString askText() const { return m_askText; }
    void setAskText(const QString &text);
    QString followUpText() const { return m_followUpText; }
    void setFollowUpText(const QString &text);
    bool isSuggestionsExpanded() const { return m_isSuggestionsExpanded; }
    void setSuggestionsExpanded(bool expanded);

    // The start-up load: the suggestions unless the patient has them, then the question history. Only the
    // first call loads; failed loads leave the state as it was.
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
    // `shownTurnIDs` are the turns this session's screen shows, oldest first; once per burst of clicks.
    void undoLastQuestion(const QString &conversationID, const QStringList &shownTurnIDs);

Q_SIGNALS:
    void conversationsChanged();
    void turnsChanged(const QString &conversationID);
    void conversationHistoryStateChanged(const QString &conversationID);
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
    static QCoro::Task<> startUp(QPointer<AskSession> session);

    void setSelectedConversationID(const std::optional<QString> &conversationID);
    void forgetConversation(const QString &conversationID);
    bool continuesUndoBurst(const QString &conversationID);

    QString m_patientID;
    AskRecords *m_records = nullptr;
    std::optional<QString> m_selectedConversationID;
    QString m_askText;
    QString m_followUpText;
    bool m_isSuggestionsExpanded = true;
    bool m_hasStarted = false;
    // When undo was last asked for in each conversation: a double click asks twice.
    QHash<QString, QElapsedTimer> m_undoRequestTimes;
};
