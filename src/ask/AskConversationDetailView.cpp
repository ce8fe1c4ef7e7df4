#include "AskConversationDetailView.h"

#include "AskInputBar.h"
#include "AskSession.h"
#include "AskTurnRow.h"

#include "clipboard/ClipboardTrackingTextField.h"
#include "widgets/FormKit.h"
#include "widgets/LoadFailure.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

constexpr int actionIconSize = 16;

} // namespace

AskConversationDetailView::AskConversationDetailView(AskSession *session, QString conversationID,
                                                     ClipboardManager *clipboard, QWidget *parent)
    : QWidget(parent), m_session(session), m_conversationID(std::move(conversationID))
{
    setObjectName(QStringLiteral("conversationDetail"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makeHeader());
    layout->addWidget(makeActionsRow());
    layout->addWidget(FormKit::divider(this));
    layout->addWidget(makeDisclaimer());
    m_historyFailure =
        new LoadFailure(tr("Couldn't load this conversation."), QStringLiteral("conversationHistoryFailure"), this);
    connect(m_historyFailure, &LoadFailure::tryAgainRequested, this,
            [this] { m_session->retryConversationHistory(m_conversationID); });
    layout->addWidget(m_historyFailure);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("turnList"));
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Only scrolls: the turns' texts take the focus.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_turns = new QWidget(m_scroll);
    m_turnsLayout = new QVBoxLayout(m_turns);
    m_turnsLayout->setContentsMargins(24, 24, 24, 24);
    m_turnsLayout->setSpacing(24);
    m_turnsLayout->addStretch(1);
    m_scroll->setWidget(m_turns);
    layout->addWidget(m_scroll, 1);
    layout->addWidget(FormKit::divider(this));
    layout->addWidget(makeFollowUpRow(clipboard));

    connect(m_session, &AskSession::conversationsChanged, this, &AskConversationDetailView::showTitle);
    // A new conversation's channel comes with the list: only then can it be explained.
    connect(m_session, &AskSession::conversationsChanged, this, &AskConversationDetailView::refreshActions);
    connect(m_session, &AskSession::turnsChanged, this, [this](const QString &changed) {
        if (changed == m_conversationID)
            showTurns();
    });
    connect(m_session, &AskSession::turnChanged, this, &AskConversationDetailView::showTurn);
    connect(m_session, &AskSession::undoingChanged, this, [this](const QString &changed) {
        if (changed == m_conversationID)
            refreshActions();
    });
    connect(m_session, &AskSession::conversationHistoryStateChanged, this,
            &AskConversationDetailView::showHistoryState);
    connect(m_session, &AskSession::isAskingChanged, this, &AskConversationDetailView::refreshActions);
    showTitle();
    showTurns();
    showHistoryState(m_conversationID);
}

QWidget *AskConversationDetailView::makeHeader()
{
    auto *header = new QWidget(this);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(24, 16, 24, 12);
    row->setSpacing(12);
    m_title = new QLabel(header);
    m_title->setObjectName(QStringLiteral("conversationTitle"));
    m_title->setTextFormat(Qt::PlainText);
    QFont font = Theme::title2Font();
    font.setBold(true);
    m_title->setFont(font);
    // One line, elided at the column's edge; the whole title is its accessible name.
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_title->installEventFilter(this);
    row->addWidget(m_title, 1);
    auto *close = new QToolButton(header);
    close->setObjectName(QStringLiteral("closeConversationButton"));
    close->setAccessibleName(tr("Close Conversation"));
    close->setToolTip(tr("Close Conversation"));
    close->setAutoRaise(true);
    close->setIcon(SymbolIcons::icon(QStringLiteral("xmark.circle.fill")));
    connect(close, &QToolButton::clicked, m_session, &AskSession::closeConversation);
    row->addWidget(close);
    return header;
}

QToolButton *AskConversationDetailView::makeAction(const QString &name, const QString &title, const QString &symbol,
                                                   const QString &help)
{
    auto *button = new QToolButton(this);
    button->setObjectName(name);
    button->setAccessibleName(title);
    button->setToolTip(help);
    button->setAutoRaise(true);
    button->setIcon(SymbolIcons::icon(symbol));
    button->setIconSize(QSize(actionIconSize, actionIconSize));
    return button;
}

QWidget *AskConversationDetailView::makeActionsRow()
{
    auto *actions = new QWidget(this);
    auto *row = new QHBoxLayout(actions);
    row->setContentsMargins(24, 0, 24, 12);
    row->setSpacing(18);
    QToolButton *explain = m_explainButton =
        makeAction(QStringLiteral("explainSimplyButton"), tr("Explain Simply"), QStringLiteral("lightbulb"),
                   tr("Explain this conversation in simple terms"));
    connect(explain, &QToolButton::clicked, this, [this] { m_session->explainSimply(m_conversationID); });
    QToolButton *undo = m_undoButton =
        makeAction(QStringLiteral("undoLastButton"), tr("Undo Last Question"), QStringLiteral("arrow.uturn.backward"),
                   tr("Remove the most recent question and answer"));
    connect(undo, &QToolButton::clicked, this,
            [this] { m_session->undoLastQuestion(m_conversationID, m_shownTurnIDs); });
    QToolButton *copy = makeAction(QStringLiteral("copyAllButton"), tr("Copy All"), QStringLiteral("doc.on.doc"),
                                   tr("Copy the whole conversation"));
    connect(copy, &QToolButton::clicked, this, [this] { Q_EMIT copyAllRequested(m_conversationID); });
    for (QToolButton *button : {explain, undo, copy})
        row->addWidget(button);
    row->addStretch(1);
    return actions;
}

QWidget *AskConversationDetailView::makeDisclaimer()
{
    auto *disclaimer = new QWidget(this);
    disclaimer->setObjectName(QStringLiteral("disclaimer"));
    disclaimer->setAutoFillBackground(true);
    auto *row = new QHBoxLayout(disclaimer);
    row->setContentsMargins(24, 10, 24, 10);
    row->setSpacing(8);
    const QColor secondary = Theme::secondaryColor(disclaimer);
    auto *icon = new QLabel(disclaimer);
    icon->setPixmap(SymbolIcons::tinted(QStringLiteral("exclamationmark.shield"), 14, secondary, devicePixelRatioF()));
    row->addWidget(icon);
    auto *text =
        new QLabel(tr("Vantorelle is for information only. Consult a qualified clinician for diagnosis and treatment."),
                   disclaimer);
    text->setObjectName(QStringLiteral("disclaimerText"));
    text->setWordWrap(true);
    text->setFont(Theme::captionFont());
    Theme::setTextColor(text, secondary);
    row->addWidget(text, 1);
    return disclaimer;
}

QWidget *AskConversationDetailView::makeFollowUpRow(ClipboardManager *clipboard)
{
    auto *bar = new AskInputBar(clipboard,
                                {.field = QStringLiteral("followUpField"),
                                 .fieldAccessible = tr("Follow-up question"),
                                 .send = QStringLiteral("followUpSendButton"),
                                 .sendAccessible = tr("Send Follow-up")},
                                this);
    m_followUpField = bar->field();
    m_sendButton = bar->sendButton();
    bar->showText(m_session->followUpText());
    connect(bar, &AskInputBar::textEdited, m_session, &AskSession::setFollowUpText);
    connect(bar, &AskInputBar::submitted, this, &AskConversationDetailView::submitFollowUp);
    connect(m_session, &AskSession::followUpTextChanged, this, [this, bar](const QString &text) {
        bar->showText(text);
        refreshActions();
    });
    return bar;
}

void AskConversationDetailView::showTitle()
{
    if (const AskConversation *conversation = m_session->conversation(m_conversationID))
        m_fullTitle = conversation->title;
    m_title->setAccessibleName(m_fullTitle);
    m_title->setText(m_title->fontMetrics().elidedText(m_fullTitle, Qt::ElideRight, m_title->width()));
}

bool AskConversationDetailView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_title && event->type() == QEvent::Resize)
        showTitle();
    return QWidget::eventFilter(watched, event);
}

// The turns were added, replaced or removed: every row is made again.
void AskConversationDetailView::showTurns()
{
    const AskConversation *conversation = m_session->conversation(m_conversationID);
    while (m_turnsLayout->count() > 1) {
        QLayoutItem *item = m_turnsLayout->takeAt(0);
        delete item->widget();
        delete item;
    }
    m_rows.clear();
    m_shownTurnIDs.clear();
    if (!conversation)
        return;
    int position = 0;
    for (const AskTurn &turn : conversation->turns) {
        auto *row = new AskTurnRow(turn, m_turns);
        m_rows.insert(turn.id, row);
        m_shownTurnIDs << turn.id;
        m_turnsLayout->insertWidget(position++, row);
        m_turnsLayout->insertWidget(position++, FormKit::divider(m_turns));
    }
    refreshActions();
}

void AskConversationDetailView::showTurn(const QString &conversationID, const QString &turnID)
{
    if (conversationID != m_conversationID)
        return;
    AskTurnRow *row = m_rows.value(turnID);
    const AskConversation *conversation = m_session->conversation(m_conversationID);
    if (!row || !conversation)
        return;
    for (const AskTurn &turn : conversation->turns) {
        if (turn.id == turnID) {
            row->setTurn(turn);
            return;
        }
    }
}

// The field is what the user sees: a text set there without an edit (a screen reader's) is sent as well.
void AskConversationDetailView::submitFollowUp()
{
    m_session->setFollowUpText(m_followUpField->text());
    const bool idle = !m_session->isAsking();
    m_session->submitFollowUp(m_conversationID);
    if (idle && m_session->isAsking())
        scrollToLastQuestion();
}

// Undo and Explain Simply look as they act: a question on the conversation from any window, or its undo, leaves
// them disabled here.
void AskConversationDetailView::refreshActions()
{
    m_sendButton->setEnabled(!m_followUpField->text().trimmed().isEmpty() && !m_session->isAsking() &&
                             !m_session->isUndoing(m_conversationID));
    m_undoButton->setEnabled(m_session->isUndoOffered(m_conversationID, m_shownTurnIDs));
    m_explainButton->setEnabled(m_session->isExplainOffered(m_conversationID));
}

void AskConversationDetailView::showHistoryState(const QString &conversationID)
{
    if (conversationID != m_conversationID)
        return;
    const AskConversation *conversation = m_session->conversation(m_conversationID);
    m_historyFailure->showError(conversation ? conversation->historyError : std::nullopt);
    refreshActions();
}

// After the rows are laid out: the new question's row has no place in the column before.
void AskConversationDetailView::scrollToLastQuestion()
{
    const AskConversation *conversation = m_session->conversation(m_conversationID);
    if (!conversation || conversation->turns.size() < 2)
        return;
    const QString questionID = conversation->turns.at(conversation->turns.size() - 2).id;
    QTimer::singleShot(0, this, [this, questionID] {
        if (AskTurnRow *row = m_rows.value(questionID))
            m_scroll->ensureWidgetVisible(row);
    });
}
