#include "AskAppPanel.h"

#include "AskConversationDetailView.h"
#include "AskListView.h"
#include "AskSession.h"

#include "clipboard/ClipboardManager.h"
#include "clipboard/Pasteboard.h"
#include "widgets/FormKit.h"
#include "widgets/Theme.h"
#include "window/WindowContext.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QVBoxLayout>

namespace
{

constexpr int listMinimumWidth = 280;
constexpr int listMaximumWidth = 380;
constexpr int panelMinimumWidth = 350;
constexpr int conversationMinimumWidth = 350;
constexpr int emptySymbolSize = 40;

} // namespace

AskAppPanel::AskAppPanel(const WindowContext &context, QWidget *parent)
    : QWidget(parent), m_clipboard(context.clipboardManager),
      m_session(new AskSession(context.patientID, context.askSessions, this))
{
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_list = new AskListView(m_session, m_clipboard, this);
    m_list->setObjectName(QStringLiteral("askList"));
    m_list->setMinimumWidth(listMinimumWidth);
    m_list->setMaximumWidth(listMaximumWidth);
    layout->addWidget(m_list);
    m_divider = FormKit::divider(this, QPalette::Mid, Qt::Vertical);
    layout->addWidget(m_divider);
    m_detailHost = new QWidget(this);
    auto *hostLayout = new QVBoxLayout(m_detailHost);
    hostLayout->setContentsMargins(0, 0, 0, 0);
    m_emptyState = FormKit::emptyState(
        QStringLiteral("bubble.left"), emptySymbolSize,
        tr("No questions yet. Type one in the field at the bottom left, or pick a suggested question."),
        QStringLiteral("askEmptyMessage"), m_detailHost);
    m_emptyState->setObjectName(QStringLiteral("askEmptyState"));
    hostLayout->addWidget(m_emptyState);
    m_chooseHint = new QLabel(tr("Choose a question on the left to read its conversation."), m_detailHost);
    m_chooseHint->setObjectName(QStringLiteral("askChooseHint"));
    m_chooseHint->setAlignment(Qt::AlignCenter);
    Theme::setTextColor(m_chooseHint, Theme::secondaryColor(m_chooseHint));
    hostLayout->addWidget(m_chooseHint);
    layout->addWidget(m_detailHost, 1);
    connect(m_session, &AskSession::selectedConversationIDChanged, this, &AskAppPanel::showSelectedConversation);
    connect(m_session, &AskSession::conversationsChanged, this, &AskAppPanel::showSelectedConversation);
    connect(m_session, &AskSession::historyStateChanged, this, &AskAppPanel::showEmptyState);
    showSelectedConversation();
}

// At least its own minimum, and as wide as the list and the open conversation need side by side, so that the
// window stops narrowing before one column runs over the other.
QSize AskAppPanel::minimumSizeHint() const
{
    return QWidget::minimumSizeHint().expandedTo(QSize(panelMinimumWidth, 0));
}

QString AskAppPanel::patientID() const
{
    return m_session->patientID();
}

void AskAppPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Only the first showing loads; loads that fail show nothing.
    m_session->load();
}

// The conversation pane follows the selection, and goes when its conversation leaves the list.
void AskAppPanel::showSelectedConversation()
{
    const AskConversation *selected = m_session->selectedConversation();
    if (m_detail && (!selected || selected->id != m_detail->conversationID())) {
        // Later: the close button that asked for this is still in its click handler.
        m_detail->hide();
        m_detail->deleteLater();
        m_detail = nullptr;
    }
    if (selected && !m_detail) {
        m_detail = new AskConversationDetailView(m_session, selected->id, m_clipboard, m_detailHost);
        m_detail->setMinimumWidth(conversationMinimumWidth);
        connect(m_detail, &AskConversationDetailView::copyAllRequested, this, &AskAppPanel::copyConversation);
        m_detailHost->layout()->addWidget(m_detail);
    }
    m_divider->setVisible(selected != nullptr);
    showEmptyState();
}

// With no conversation open: once the history said there are none, what is there and how to begin; with
// questions in the list, how to open one.
void AskAppPanel::showEmptyState()
{
    const bool listed = !m_session->conversations().isEmpty();
    m_emptyState->setVisible(!m_detail && m_session->hasLoadedHistory() && !m_session->historyError() && !listed);
    m_chooseHint->setVisible(!m_detail && listed);
}

// Written to the clipboard as it is; the clipboard history records it as a copy from the application.
void AskAppPanel::copyConversation(const QString &conversationID)
{
    const AskConversation *conversation = m_session->conversation(conversationID);
    if (!conversation || !m_clipboard)
        return;
    auto *data = new QMimeData;
    data->setText(conversation->copyAllText());
    m_clipboard->pasteboard()->write(data);
}
