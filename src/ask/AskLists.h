#pragma once

#include "ChatModels.h"

#include "net/LocalChanges.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <optional>

class PendingAnswers;

// The loads of the Ask section's two lists for one patient: the suggested questions, kept here, and the
// question history ("My questions"), handed to the session as channels. A failed load keeps its list as
// it was and keeps its error until the next load of its kind starts; an empty list means "none" only
// once a load succeeded. A history loaded while an answer of an earlier session still streamed is caught
// up when that answer ends. Each history comes with the mark of the session's changes taken when it was
// asked for, so that the session keeps what it changed meanwhile.
class AskLists final : public QObject
{
    Q_OBJECT

public:
    AskLists(QString patientID, PendingAnswers *pendingAnswers, const LocalChanges *changes, QObject *parent = nullptr);

    QStringList suggestedQuestions() const { return m_suggestedQuestions; }
    bool isLoadingSuggestions() const { return m_isLoadingSuggestions; }
    const std::optional<QString> &suggestionsError() const { return m_suggestionsError; }
    bool hasLoadedSuggestions() const { return m_hasLoadedSuggestions; }
    const std::optional<QString> &historyError() const { return m_historyError; }
    bool hasLoadedHistory() const { return m_hasLoadedHistory; }

    // Without `refresh` a shown list stays and nothing is fetched.
    QCoro::Task<> loadSuggestions(bool refresh);
    // Try Again after a failed load: an empty list loads as at start, a shown one is refreshed.
    QCoro::Task<> retrySuggestions();
    QCoro::Task<> loadHistory();

Q_SIGNALS:
    void suggestedQuestionsChanged();
    void isLoadingSuggestionsChanged(bool isLoading);
    void suggestionsStateChanged();
    void historyStateChanged();
    // After historyStateChanged: the history to show in place of the one shown, as asked for at `mark`.
    void historyLoaded(const QList<ChatChannel> &channels, LocalChanges::Mark mark);
    // The history again after the answers of an earlier session were stored: to join the one shown.
    void historyCaughtUp(const QList<ChatChannel> &channels);

private:
    static QCoro::Task<> fetchSuggestions(QPointer<AskLists> lists, bool refresh);
    static QCoro::Task<> fetchHistory(QPointer<AskLists> lists);
    static QCoro::Task<> catchUpHistory(QPointer<AskLists> lists);

    void setSuggestedQuestions(const QStringList &questions);
    void setIsLoadingSuggestions(bool isLoading);
    void setSuggestionsState(const std::optional<QString> &error, bool loaded);
    void setHistoryState(const std::optional<QString> &error, bool loaded);
    void answerEnded(const QString &patientID);

    QString m_patientID;
    PendingAnswers *m_pendingAnswers = nullptr;
    const LocalChanges *m_changes = nullptr;
    QStringList m_suggestedQuestions;
    bool m_isLoadingSuggestions = false;
    std::optional<QString> m_suggestionsError;
    bool m_hasLoadedSuggestions = false;
    std::optional<QString> m_historyError;
    bool m_hasLoadedHistory = false;
    // The history was asked for while an answer of an earlier session still streamed.
    bool m_isHistoryBehind = false;
};
