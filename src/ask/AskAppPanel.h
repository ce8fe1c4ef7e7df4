#pragma once

#include <QPointer>
#include <QWidget>

class AskConversationDetailView;
class AskListView;
class AskSession;
class ClipboardManager;
class QLabel;
struct WindowContext;

// The Ask section for one patient: the question list and, while a conversation is open, the conversation
// beside it. The panel owns its session, its view of the patient's records that every window shares; the
// answer and undo tasks running on them outlive both.
class AskAppPanel final : public QWidget
{
    Q_OBJECT
    // The patient the panel was made for; a new patient gets a new panel.
    Q_PROPERTY(QString patientID READ patientID CONSTANT)

public:
    AskAppPanel(const WindowContext &context, QWidget *parent = nullptr);

    QString patientID() const;
    QSize minimumSizeHint() const override;

    AskSession *session() const { return m_session; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showSelectedConversation();
    void showEmptyState();
    void copyConversation(const QString &conversationID);

    ClipboardManager *m_clipboard = nullptr;
    AskSession *m_session = nullptr;
    AskListView *m_list = nullptr;
    QWidget *m_divider = nullptr;
    QWidget *m_detailHost = nullptr;
    QWidget *m_emptyState = nullptr;
    QLabel *m_chooseHint = nullptr;
    QPointer<AskConversationDetailView> m_detail;
};
