#include "mainwindow/entry/EntryQuestionsView.h"

#include "ask/AnswerEventSource.h"
#include "ask/AnswerFold.h"
#include "ask/AnswerReader.h"
#include "ask/AnswerStreamSource.h"
#include "ask/MarkdownAnswerLabel.h"
#include "clipboard/ClipboardTrackingTextField.h"
#include "widgets/BusyIndicator.h"
#include "widgets/FormKit.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"
#include "window/WindowState.h"

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

EntryQuestionsView::EntryQuestionsView(ClipboardManager *clipboard, WindowState *state, QWidget *parent)
    : QWidget(parent), m_state(state)
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
    m_askField->setText(m_state->askText());
    m_askField->setOnSubmit([this] { submitAsk(); });
    connect(m_askField, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_state->setAskText(text);
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
    connect(m_state, &WindowState::askTextChanged, this, [this] {
        if (m_askField->text() != m_state->askText())
            m_askField->setText(m_state->askText());
    });
}

void EntryQuestionsView::setEntry(const Medbit &medbit, const QString &patientID)
{
    m_medbit = medbit;
    m_patientID = patientID;
}

void EntryQuestionsView::refreshSendEnabled()
{
    m_send->setEnabled(!m_isAsking && !m_askField->text().trimmed().isEmpty());
}

void EntryQuestionsView::submitAsk()
{
    const QString question = m_state->askText().trimmed();
    if (question.isEmpty() || m_isAsking)
        return;
    m_state->setAskText(QString());
    m_isAsking = true;
    const AskExchange added{.id = QUuid::createUuid(), .question = question, .answer = {}};
    m_askExchanges.append(added);
    rebuildExchanges(true);
    refreshSendEnabled();
    AnswerQuestion asked{.patientID = m_patientID, .content = askPrompt(m_medbit, question)};
    // The stream runs to its end even when the view goes; only its writes to the view are skipped.
    AnswerReader::read(
        std::make_shared<AnswerStreamSource>(), std::move(asked), this,
        [this, id = added.id](const AnswerEvent &event) { handleAskEvent(id, event); },
        [this, id = added.id](const std::optional<QString> &failure) { finishAsk(id, failure); });
}

void EntryQuestionsView::handleAskEvent(const QUuid &id, const AnswerEvent &event)
{
    AskExchange *found = exchange(id);
    // The stored messages of "done" are of no use here: the exchange keeps the answer as it streamed.
    if (found && AnswerFold(found->answer, found->isError).apply(event) != AnswerFold::Change::none)
        refreshAnswer(*found);
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

void EntryQuestionsView::finishAsk(const QUuid &id, const std::optional<QString> &failure)
{
    m_isAsking = false;
    if (AskExchange *found = exchange(id)) {
        if (failure)
            AnswerFold(found->answer, found->isError).fail(*failure);
        // A finished exchange never spins: no text at all gets a text of its own.
        if (found->answer.isEmpty())
            found->answer = found->isError ? answerFailedText() : tr("No answer received.");
        found->isFinished = true;
    }
    rebuildExchanges(false);
    refreshSendEnabled();
}

AskExchange *EntryQuestionsView::exchange(const QUuid &id)
{
    for (AskExchange &candidate : m_askExchanges) {
        if (candidate.id == id)
            return &candidate;
    }
    return nullptr;
}

void EntryQuestionsView::rebuildExchanges(bool countChanged)
{
    auto *list = new QWidget(m_exchangeScroll);
    auto *layout = new QVBoxLayout(list);
    layout->setContentsMargins(24, 12, 24, 0);
    layout->setSpacing(16);
    for (const AskExchange &item : std::as_const(m_askExchanges)) {
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
    fitExchangeHeight();
    m_exchangeScroll->setVisible(!m_askExchanges.isEmpty());
    m_exchangeDivider->setVisible(!m_askExchanges.isEmpty());
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
