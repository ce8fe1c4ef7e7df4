#include "mainwindow/entry/EntryQuestionsView.h"

#include "ask/MarkdownAnswerLabel.h"
#include "clipboard/ClipboardTrackingTextField.h"
#include "mainwindow/entry/EntryQuestionsStore.h"
#include "widgets/BusyIndicator.h"
#include "widgets/FocusOrder.h"
#include "widgets/FormKit.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

constexpr int maximumExchangeHeight = 220;

// A hairline in the secondary colour, faint, as the platform draws a divider.
QFrame *faintDivider(QWidget *parent)
{
    QFrame *line = FormKit::divider(parent, QPalette::WindowText);
    QColor faint = Theme::secondaryColor(parent);
    faint.setAlphaF(0.3f);
    Theme::setTextColor(line, faint);
    return line;
}

} // namespace

EntryQuestionsView::EntryQuestionsView(EntryQuestionsStore *store, ClipboardManager *clipboard, QWidget *parent)
    : QWidget(parent), m_store(store)
{
    setObjectName(QStringLiteral("askArea"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(faintDivider(this));
    m_exchangeScroll = new QScrollArea(this);
    m_exchangeScroll->setObjectName(QStringLiteral("askExchanges"));
    m_exchangeScroll->setAccessibleName(tr("Questions and Answers"));
    m_exchangeScroll->setWidgetResizable(true);
    m_exchangeScroll->setFrameShape(QFrame::NoFrame);
    m_exchangeScroll->hide();
    layout->addWidget(m_exchangeScroll);
    m_exchangeDivider = faintDivider(this);
    m_exchangeDivider->hide();
    layout->addWidget(m_exchangeDivider);

    auto *row = new QHBoxLayout;
    row->setContentsMargins(24, 16, 24, 16);
    row->setSpacing(12);
    m_askField = new ClipboardTrackingTextField(clipboard, tr("Ask about this entry..."), QStringLiteral("Ask"), this);
    m_askField->setObjectName(QStringLiteral("askField"));
    m_askField->setStyleSheet(QStringLiteral("QLineEdit { background: palette(base); border-radius: 20px;"
                                             " border: 1px solid rgba(128, 128, 128, 51); padding: 10px 16px; }"));
    m_askField->setMinimumHeight(20 + 2 * 10 + 2);
    m_askField->setOnSubmit([this] { submitAsk(); });
    connect(m_askField, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_store->setDraft(m_patientID, m_medbit.id, text);
        refreshSendEnabled();
    });
    m_send = new QToolButton(this);
    m_send->setObjectName(QStringLiteral("sendButton"));
    m_send->setAccessibleName(tr("Send"));
    m_send->setAutoRaise(true);
    m_send->setIcon(SymbolIcons::icon(QStringLiteral("arrow.up.circle.fill")));
    m_send->setIconSize(QSize(24, 24));
    connect(m_send, &QToolButton::clicked, this, &EntryQuestionsView::submitAsk);
    row->addWidget(m_askField, 1);
    row->addWidget(m_send);
    layout->addLayout(row);
    refreshSendEnabled();
    connect(m_store, &EntryQuestionsStore::answerGrew, this, &EntryQuestionsView::onAnswerGrew);
    connect(m_store, &EntryQuestionsStore::exchangesChanged, this, &EntryQuestionsView::onExchangesChanged);
}

void EntryQuestionsView::setEntry(const Medbit &medbit, const QString &patientID)
{
    const bool otherEntry = medbit.id != m_medbit.id || patientID != m_patientID;
    m_medbit = medbit;
    m_patientID = patientID;
    if (!otherEntry)
        return;
    m_askField->setText(m_store->draft(patientID, medbit.id));
    onExchangesChanged(medbit.id, true);
}

const QList<AskExchange> &EntryQuestionsView::askExchanges() const
{
    return m_store->exchanges(m_medbit.id);
}

void EntryQuestionsView::refreshSendEnabled()
{
    m_send->setEnabled(!m_store->isAsking(m_medbit.id) && !m_askField->text().trimmed().isEmpty());
}

void EntryQuestionsView::submitAsk()
{
    const QString question = m_askField->text().trimmed();
    if (question.isEmpty() || m_store->isAsking(m_medbit.id))
        return;
    m_askField->clear();
    m_store->ask(m_medbit.id, m_patientID, question, askPrompt(m_medbit, question));
}

void EntryQuestionsView::onAnswerGrew(const QString &entryID, const QUuid &id)
{
    if (entryID != m_medbit.id)
        return;
    for (const AskExchange &item : askExchanges()) {
        if (item.id == id)
            refreshAnswer(item);
    }
}

void EntryQuestionsView::onExchangesChanged(const QString &entryID, bool countChanged)
{
    if (entryID != m_medbit.id)
        return;
    rebuildExchanges(countChanged);
    refreshSendEnabled();
}

void EntryQuestionsView::refreshAnswer(const AskExchange &item)
{
    // A growing answer re-renders its own label only; the first text replaces the spinner, so that rebuilds.
    QWidget *list = m_exchangeScroll->widget();
    const QList<MarkdownAnswerLabel *> answers =
        list ? list->findChildren<MarkdownAnswerLabel *>(QStringLiteral("askAnswer")) : QList<MarkdownAnswerLabel *>();
    for (MarkdownAnswerLabel *answer : answers) {
        if (answer->property("exchangeId").toUuid() == item.id &&
            answer->property("isError").toBool() == item.isError) {
            showAnswer(answer, item);
            fitExchangeHeight();
            return;
        }
    }
    rebuildExchanges(false);
}

void EntryQuestionsView::fitExchangeHeight()
{
    // As tall as the exchanges, up to 220: a scroll area alone would settle at its small default height.
    QWidget *list = m_exchangeScroll->widget();
    if (!list)
        return;
    const int width = m_exchangeScroll->viewport()->width();
    const int content = list->hasHeightForWidth() ? list->heightForWidth(width) : list->sizeHint().height();
    m_exchangeScroll->setFixedHeight(std::min(maximumExchangeHeight, content));
}

void EntryQuestionsView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitExchangeHeight();
}

void EntryQuestionsView::showAnswer(MarkdownAnswerLabel *answer, const AskExchange &item)
{
    if (item.isError)
        answer->setErrorText(item.answer);
    else
        answer->setMarkdown(item.answer);
}

void EntryQuestionsView::rebuildExchanges(bool countChanged)
{
    auto *list = new QWidget(m_exchangeScroll);
    auto *layout = new QVBoxLayout(list);
    layout->setContentsMargins(24, 12, 24, 0);
    layout->setSpacing(16);
    for (const AskExchange &item : askExchanges()) {
        // Question and answer 6 apart; exchanges 16 apart.
        auto *block = new QVBoxLayout;
        block->setSpacing(6);
        layout->addLayout(block);
        auto *question = FormKit::selectableText(item.question, list);
        question->setObjectName(QStringLiteral("askQuestion"));
        question->setFont(Theme::systemFont(13, QFont::DemiBold));
        block->addWidget(question);
        if (item.answer.isEmpty() && !item.isFinished) {
            auto *spinner = new BusyIndicator(16, list);
            spinner->setObjectName(QStringLiteral("askSpinner"));
            block->addWidget(spinner);
            continue;
        }
        auto *answer = new MarkdownAnswerLabel(list);
        answer->setObjectName(QStringLiteral("askAnswer"));
        answer->setFont(Theme::systemFont(13));
        answer->setProperty("isError", item.isError);
        answer->setProperty("exchangeId", item.id);
        showAnswer(answer, item);
        block->addWidget(answer);
    }
    const int scrolled = m_exchangeScroll->verticalScrollBar()->value();
    m_exchangeScroll->setWidget(list);
    // The new exchanges come after the question box in the focus chain, and after the preview beside it.
    FocusOrder::chain({m_exchangeScroll, m_askField, m_send});
    fitExchangeHeight();
    m_exchangeScroll->setVisible(!askExchanges().isEmpty());
    m_exchangeDivider->setVisible(!askExchanges().isEmpty());
    QScrollBar *bar = m_exchangeScroll->verticalScrollBar();
    // A new exchange brings the list to its end; a growing answer leaves the scroll where the user has it.
    QTimer::singleShot(0, bar,
                       [bar, countChanged, scrolled] { bar->setValue(countChanged ? bar->maximum() : scrolled); });
}

QString EntryQuestionsView::askPrompt(const Medbit &medbit, const QString &question)
{
    return QStringLiteral("Regarding this health record entry \u2014 \"") + medbit.entryText +
           QStringLiteral("\" (categories: ") + medbit.tags.join(QStringLiteral(", ")) + QStringLiteral(", dated ") +
           medbit.displayDate() + QStringLiteral("): ") + question;
}
