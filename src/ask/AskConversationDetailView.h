#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

class AskSession;
class AskTurnRow;
class ClipboardManager;
class ClipboardTrackingTextField;
class QLabel;
class QToolButton;
class QVBoxLayout;

// One open conversation beside the question list: its title and close button, the actions row, the
// disclaimer, the turns and the follow-up field. The turn list never scrolls by itself; a growing answer
// redraws its own row only, so typing a follow-up meanwhile keeps the caret and focus.
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
    void refreshSendEnabled();

    AskSession *m_session = nullptr;
    QString m_conversationID;
    QString m_fullTitle;
    QLabel *m_title = nullptr;
    QWidget *m_turns = nullptr;
    QVBoxLayout *m_turnsLayout = nullptr;
    QHash<QString, AskTurnRow *> m_rows;
    ClipboardTrackingTextField *m_followUpField = nullptr;
    QToolButton *m_sendButton = nullptr;
};
