#include "AskListView.h"

#include "AskHistoryDelegate.h"
#include "AskHistoryModel.h"
#include "AskInputBar.h"
#include "AskSession.h"
#include "FittedListView.h"

#include "clipboard/ClipboardTrackingTextField.h"
#include "widgets/BusyIndicator.h"
#include "widgets/FormKit.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QStringListModel>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

constexpr int chevronSize = 12;
constexpr int preferredWidth = 320;

} // namespace

AskListView::AskListView(AskSession *session, ClipboardManager *clipboard, QWidget *parent)
    : QWidget(parent), m_session(session)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makeTitleBar());
    layout->addWidget(FormKit::divider(this));

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("askListScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Only scrolls: its rows and buttons take the focus.
    scroll->setFocusPolicy(Qt::NoFocus);
    auto *content = new QWidget(scroll);
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(makeSuggestionsHeader());

    m_suggestionsModel = new QStringListModel(this);
    m_suggestionsList = new FittedListView(content);
    m_suggestionsList->setObjectName(QStringLiteral("suggestionsList"));
    m_suggestionsList->setAccessibleName(tr("Suggested questions"));
    m_suggestionsList->setItemDelegate(new AskHistoryDelegate(m_suggestionsList, AskHistoryDelegate::wholeText));
    m_suggestionsList->setModel(m_suggestionsModel);
    connect(m_suggestionsList, &FittedListView::chosen, this,
            [this](const QModelIndex &index) { m_session->submitQuestion(index.data().toString()); });
    column->addWidget(m_suggestionsList);
    m_noSuggestions = makeSectionText(tr("No suggestions yet."), QStringLiteral("noSuggestionsLabel"));
    m_noSuggestions->setFont(Theme::captionFont());
    m_noSuggestions->setContentsMargins(24, 12, 24, 12);
    column->addWidget(m_noSuggestions);
    m_suggestionsFailure =
        makeFailure(QStringLiteral("suggestions"), &m_suggestionsError, &AskListView::retrySuggestions);
    column->addWidget(m_suggestionsFailure);

    auto *myQuestions = new QLabel(tr("My questions"), content);
    myQuestions->setObjectName(QStringLiteral("myQuestionsLabel"));
    myQuestions->setFont(Theme::headlineFont());
    myQuestions->setContentsMargins(24, 16, 24, 8);
    myQuestions->setAutoFillBackground(true);
    column->addWidget(myQuestions);
    m_noQuestions = makeSectionText(tr("No questions yet."), QStringLiteral("noQuestionsLabel"));
    m_noQuestions->setContentsMargins(24, 24, 24, 24);
    column->addWidget(m_noQuestions);
    m_historyFailure = makeFailure(QStringLiteral("history"), &m_historyError, &AskListView::retryHistory);
    column->addWidget(m_historyFailure);

    m_historyModel = new AskHistoryModel(this);
    m_historyList = new FittedListView(content);
    m_historyList->setObjectName(QStringLiteral("historyList"));
    m_historyList->setAccessibleName(tr("My questions"));
    m_historyList->setItemDelegate(new AskHistoryDelegate(m_historyList));
    m_historyList->setModel(m_historyModel);
    connect(m_historyList, &FittedListView::chosen, this, [this](const QModelIndex &index) {
        m_session->selectConversation(index.data(AskHistoryModel::ConversationIDRole).toString());
    });
    column->addWidget(m_historyList);
    column->addStretch(1);
    scroll->setWidget(content);
    layout->addWidget(scroll, 1);
    layout->addWidget(FormKit::divider(this));
    layout->addWidget(makeAskBar(clipboard));

    connect(m_session, &AskSession::suggestedQuestionsChanged, this, &AskListView::showSuggestions);
    connect(m_session, &AskSession::isLoadingSuggestionsChanged, this, &AskListView::showSuggestions);
    connect(m_session, &AskSession::isSuggestionsExpandedChanged, this, &AskListView::showSuggestions);
    connect(m_session, &AskSession::suggestionsStateChanged, this, &AskListView::showSuggestions);
    connect(m_session, &AskSession::conversationsChanged, this, &AskListView::showHistory);
    connect(m_session, &AskSession::historyStateChanged, this, &AskListView::showHistory);
    connect(m_session, &AskSession::selectedConversationIDChanged, this, &AskListView::markOpenConversation);
    connect(m_session, &AskSession::isAskingChanged, this, &AskListView::refreshSendEnabled);
    showSuggestions();
    showHistory();
}

QSize AskListView::sizeHint() const
{
    return {preferredWidth, QWidget::sizeHint().height()};
}

QWidget *AskListView::makeTitleBar()
{
    auto *bar = new QWidget(this);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(24, 16, 24, 12);
    auto *title = new QLabel(tr("Ask"), bar);
    QFont font = Theme::title2Font();
    font.setBold(true);
    title->setFont(font);
    row->addWidget(title);
    row->addStretch(1);
    return bar;
}

QWidget *AskListView::makeSuggestionsHeader()
{
    m_suggestionsHeader = new QWidget(this);
    m_suggestionsHeader->setObjectName(QStringLiteral("suggestionsHeader"));
    m_suggestionsHeader->setAutoFillBackground(true);
    m_suggestionsHeader->installEventFilter(this);
    auto *row = new QHBoxLayout(m_suggestionsHeader);
    row->setContentsMargins(24, 12, 24, 12);
    auto *toggle = new QToolButton(m_suggestionsHeader);
    toggle->setObjectName(QStringLiteral("suggestionsToggle"));
    toggle->setText(tr("Suggested questions"));
    toggle->setFont(Theme::headlineFont());
    toggle->setAutoRaise(true);
    connect(toggle, &QToolButton::clicked, this, &AskListView::toggleSuggestions);
    // The title, not the button around it, stands at the column's indent, as "My questions" does.
    const int textInset = (toggle->sizeHint().width() - toggle->fontMetrics().horizontalAdvance(toggle->text())) / 2;
    row->setContentsMargins(24 - textInset, 12, 24, 12);
    row->addWidget(toggle);
    row->addStretch(1);
    m_refreshButton = new QToolButton(m_suggestionsHeader);
    m_refreshButton->setObjectName(QStringLiteral("refreshSuggestionsButton"));
    m_refreshButton->setAccessibleName(tr("Refresh Suggestions"));
    m_refreshButton->setToolTip(tr("Refresh Suggestions"));
    m_refreshButton->setAutoRaise(true);
    m_refreshButton->setIcon(SymbolIcons::icon(QStringLiteral("arrow.clockwise")));
    connect(m_refreshButton, &QToolButton::clicked, this, [this] { m_session->refreshSuggestions(); });
    row->addWidget(m_refreshButton);
    m_suggestionsSpinner = new BusyIndicator(16, m_suggestionsHeader);
    m_suggestionsSpinner->setObjectName(QStringLiteral("suggestionsSpinner"));
    m_suggestionsSpinner->setAccessibleName(tr("Loading suggestions"));
    row->addWidget(m_suggestionsSpinner);
    m_chevron = new QLabel(m_suggestionsHeader);
    m_chevron->installEventFilter(this);
    row->addWidget(m_chevron);
    return m_suggestionsHeader;
}

QWidget *AskListView::makeAskBar(ClipboardManager *clipboard)
{
    auto *bar = new AskInputBar(clipboard,
                                {.field = QStringLiteral("askField"),
                                 .fieldAccessible = tr("New question"),
                                 .send = QStringLiteral("askSendButton"),
                                 .sendAccessible = tr("Send")},
                                this);
    m_askField = bar->field();
    m_sendButton = bar->sendButton();
    bar->showText(m_session->askText());
    connect(bar, &AskInputBar::textEdited, m_session, &AskSession::setAskText);
    connect(bar, &AskInputBar::submitted, m_session, &AskSession::submitAskText);
    connect(m_session, &AskSession::askTextChanged, this, [this, bar](const QString &text) {
        bar->showText(text);
        refreshSendEnabled();
    });
    refreshSendEnabled();
    return bar;
}

QLabel *AskListView::makeSectionText(const QString &text, const QString &name)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(name);
    label->setWordWrap(true);
    Theme::setTextColor(label, Theme::secondaryColor(label));
    return label;
}

// A failed load's error, with the button that loads again: "<name>Error" and "<name>RetryButton".
QWidget *AskListView::makeFailure(const QString &name, QLabel **text, void (AskListView::*retry)())
{
    auto *failure = new QWidget(this);
    auto *row = new QVBoxLayout(failure);
    row->setContentsMargins(24, 12, 24, 12);
    row->setSpacing(4);
    *text = FormKit::errorCaption(failure);
    (*text)->setObjectName(name + QStringLiteral("Error"));
    row->addWidget(*text);
    QPushButton *again = FormKit::linkButton(tr("Try Again"), failure);
    again->setObjectName(name + QStringLiteral("RetryButton"));
    connect(again, &QPushButton::clicked, this, retry);
    row->addWidget(again, 0, Qt::AlignLeft);
    return failure;
}

void AskListView::retrySuggestions()
{
    m_session->retrySuggestions();
}

void AskListView::retryHistory()
{
    m_session->retryHistory();
}

// A click anywhere on the suggestions header, outside its refresh button, opens or closes the section.
bool AskListView::eventFilter(QObject *watched, QEvent *event)
{
    const bool onHeader = watched == m_suggestionsHeader || watched == m_chevron;
    if (onHeader && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        toggleSuggestions();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void AskListView::toggleSuggestions()
{
    m_session->setSuggestionsExpanded(!m_session->isSuggestionsExpanded());
}

void AskListView::showSuggestions()
{
    const bool loading = m_session->isLoadingSuggestions();
    const bool expanded = m_session->isSuggestionsExpanded();
    const QStringList questions = m_session->suggestedQuestions();
    m_refreshButton->setVisible(!loading);
    m_suggestionsSpinner->setVisible(loading);
    const QString chevron = expanded ? QStringLiteral("chevron.down") : QStringLiteral("chevron.right");
    m_chevron->setPixmap(SymbolIcons::tinted(chevron, chevronSize, Theme::secondaryColor(this), devicePixelRatioF()));
    if (m_suggestionsModel->stringList() != questions)
        m_suggestionsModel->setStringList(questions);
    const std::optional<QString> &error = m_session->suggestionsError();
    m_suggestionsList->setVisible(expanded && !questions.isEmpty());
    // "None" is what a load said, not what a failed or unfinished one leaves.
    m_noSuggestions->setVisible(expanded && questions.isEmpty() && !loading && !error &&
                                m_session->hasLoadedSuggestions());
    FormKit::setCaptionText(m_suggestionsError, error.value_or(QString()));
    m_suggestionsFailure->setVisible(expanded && error.has_value());
}

void AskListView::showHistory()
{
    const QList<AskConversation> conversations = m_session->displayedConversations();
    m_historyModel->setConversations(conversations);
    markOpenConversation();
    const std::optional<QString> &error = m_session->historyError();
    m_historyList->setVisible(!conversations.isEmpty());
    m_noQuestions->setVisible(conversations.isEmpty() && !error && m_session->hasLoadedHistory());
    FormKit::setCaptionText(m_historyError, error.value_or(QString()));
    m_historyFailure->setVisible(error.has_value());
}

void AskListView::markOpenConversation()
{
    const std::optional<QString> open = m_session->selectedConversationID();
    m_historyModel->setOpenConversationID(open);
    QModelIndex openRow;
    for (int row = 0; open && row < m_historyModel->rowCount(); ++row) {
        const QModelIndex index = m_historyModel->index(row);
        if (index.data(AskHistoryModel::ConversationIDRole).toString() == *open)
            openRow = index;
    }
    m_historyList->markOpen(openRow);
}

void AskListView::refreshSendEnabled()
{
    m_sendButton->setEnabled(!m_askField->text().trimmed().isEmpty() && !m_session->isAsking());
}
