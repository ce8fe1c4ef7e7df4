#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>

class AskSession;
class AskTurnRow;
class ClipboardManager;
class ClipboardTrackingTextField;
class LoadFailure;
class QLabel;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

// One open conversation beside the question list: its title and close button, the actions row, the
// disclaimer, the turns and the follow-up field. The turn list scrolls by itself only to show a follow-up
// the user sent; a growing answer redraws its own row only, so typing a follow-up meanwhile keeps the caret
// and focus. While an undo of the conversation runs, undo and sending wait for it; while an answer streams,
// sending waits, the follow-up kept in its field. Undo is enabled only while it would act: once the stored
// messages are shown and while no question of the conversation is being answered, in any window; a failed
// load of them shows its error with "Try Again" in their place.
class AskConversationDetailView final : public QWidget
{
    Q_OBJECT

public:
    AskConversationDetailView(AskSession *session, QString conversationID, ClipboardManager *clipboard,
                              QWidget *parent = nullptr);

    QString conversationID() const { return m_conversationID; }

Q_SIGNALS:
    void copyAllRequested(const QString &conversationID);

private:
    bool eventFilter(QObject *watched, QEvent *event) override;

    QWidget *makeHeader();
    QWidget *makeActionsRow();
    QWidget *makeDisclaimer();
    QWidget *makeFollowUpRow(ClipboardManager *clipboard);
    QToolButton *makeAction(const QString &name, const QString &title, const QString &symbol, const QString &help);

    void showTitle();
    void showTurns();
    void showTurn(const QString &conversationID, const QString &turnID);
    void submitFollowUp();
    void refreshActions();
    void showHistoryState(const QString &conversationID);
    void scrollToLastQuestion();

    AskSession *m_session = nullptr;
    QString m_conversationID;
    QString m_fullTitle;
    QLabel *m_title = nullptr;
    LoadFailure *m_historyFailure = nullptr;
    QScrollArea *m_scroll = nullptr;
    QWidget *m_turns = nullptr;
    QVBoxLayout *m_turnsLayout = nullptr;
    QHash<QString, AskTurnRow *> m_rows;
    // The rows' turns in the order shown: undo removes the last pair of these, or nothing.
    QStringList m_shownTurnIDs;
    ClipboardTrackingTextField *m_followUpField = nullptr;
    QToolButton *m_sendButton = nullptr;
    QToolButton *m_undoButton = nullptr;
    QToolButton *m_explainButton = nullptr;
};
