#include "MedbitDetailPanel.h"

#include "AttachmentName.h"
#include "AttachmentTile.h"
#include "CreateEntryView.h"
#include "MedbitCategoryRow.h"
#include "SymbolIcons.h"
#include "WindowState.h"
#include "ask/ChatModels.h"
#include "ask/MarkdownRenderer.h"
#include "clipboard/ClipboardTrackingTextField.h"
#include "net/APIClient.h"
#include "net/APIError.h"
#include "net/Json.h"
#include "net/SSEClient.h"
#include "net/SSEError.h"
#include "platform/UrlOpener.h"
#include "records/CategoryOption.h"
#include "records/MedbitStore.h"
#include "widgets/BusyIndicator.h"
#include "widgets/FormKit.h"
#include "widgets/ScreenAction.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <QCoroAsyncGenerator>

namespace
{

QLabel *selectableLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

QToolButton *flagButton(const QString &objectName, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setAutoRaise(true);
    button->setFixedSize(24, 24);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

const QColor starYellow(0xff, 0xcc, 0x00);

QFont systemFont(int size, QFont::Weight weight = QFont::Normal)
{
    QFont font;
    font.setPixelSize(size);
    font.setWeight(weight);
    return font;
}

// The payload of an answer event, or none when it does not decode.
template <typename Event> std::optional<Event> decodeEvent(const QByteArray &data)
{
    try {
        return Event::fromData(data);
    } catch (const Json::DecodingError &) {
        return std::nullopt;
    }
}

} // namespace

MedbitDetailPanel::MedbitDetailPanel(MedbitStore *store, ClipboardManager *clipboard, WindowState *state,
                                     QWidget *parent)
    : QWidget(parent), m_store(store), m_clipboard(clipboard), m_state(state), m_flagAction(new ScreenAction(this)),
      m_deleteAction(new ScreenAction(this))
{
    setObjectName(QStringLiteral("medbitDetailPanel"));
    setMinimumWidth(350);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("detailScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *holder = new QWidget(scroll);
    m_contentLayout = new QVBoxLayout(holder);
    m_contentLayout->setContentsMargins(0, 0, 0, 0);
    scroll->setWidget(holder);
    layout->addWidget(scroll, 1);
    layout->addWidget(buildAskArea());
    connect(m_flagAction, &ScreenAction::busyChanged, this, &MedbitDetailPanel::refreshBusy);
    connect(m_deleteAction, &ScreenAction::busyChanged, this, &MedbitDetailPanel::refreshBusy);
    connect(m_state, &WindowState::activeDocumentNameChanged, this, &MedbitDetailPanel::refreshTile);
    connect(m_state, &WindowState::askTextChanged, this, [this] {
        if (m_askField->text() != m_state->askText())
            m_askField->setText(m_state->askText());
    });
}

void MedbitDetailPanel::setMedbit(const Medbit &medbit, const QString &patientID)
{
    const bool otherEntry = !m_content || medbit.id != m_medbit.id;
    m_medbit = medbit;
    m_patientID = patientID;
    if (otherEntry)
        buildContent();
    refreshContent();
}

QPair<QString, QString> MedbitDetailPanel::dateParts(const QString &displayDate)
{
    const qsizetype blank = displayDate.lastIndexOf(QLatin1Char(' '));
    if (blank < 0)
        return {displayDate, QString()};
    return {displayDate.left(blank), displayDate.mid(blank + 1)};
}

QString MedbitDetailPanel::askPrompt(const Medbit &medbit, const QString &question)
{
    return QStringLiteral("Regarding this health record entry \u2014 \"") + medbit.entryText +
           QStringLiteral("\" (categories: ") + medbit.tags.join(QStringLiteral(", ")) + QStringLiteral(", dated ") +
           medbit.displayDate() + QStringLiteral("): ") + question;
}

void MedbitDetailPanel::buildContent()
{
    // The old content goes with its widgets' state (scroll position, focus); the panel's own state stays.
    if (m_content) {
        m_content->hide();
        m_content->deleteLater();
    }
    m_categoryRows.clear();
    m_content = new QWidget(m_contentLayout->parentWidget());
    m_content->setObjectName(QStringLiteral("detailContent"));
    auto *layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(20);
    layout->addWidget(buildCard(m_content));
    layout->addWidget(buildCategories(m_content));
    m_flagError = new QLabel(m_content);
    m_flagError->setObjectName(QStringLiteral("flagUpdateError"));
    FormKit::setCaptionText(m_flagError, QString());
    layout->addWidget(m_flagError);
    layout->addWidget(buildActions(m_content));
    layout->addStretch(1);
    m_contentLayout->addWidget(m_content);
}

QWidget *MedbitDetailPanel::buildCard(QWidget *parent)
{
    auto *card = new QFrame(parent);
    card->setObjectName(QStringLiteral("entryCard"));
    card->setMinimumHeight(140);
    card->setStyleSheet(QStringLiteral("#entryCard { background: palette(base); border: 1px solid rgba(128,128,128,50);"
                                       " border-radius: 12px; }"));
    auto *row = new QHBoxLayout(card);
    row->setContentsMargins(16, 16, 16, 16);
    auto *column = new QVBoxLayout;
    column->setSpacing(0);
    m_text = selectableLabel(QString(), card);
    m_text->setObjectName(QStringLiteral("entryText"));
    m_text->setFont(FormKit::headlineFont());
    m_original = selectableLabel(QString(), card);
    m_original->setObjectName(QStringLiteral("entryOriginalText"));
    column->addWidget(m_text);
    column->addWidget(m_original);
    column->addStretch(1);
    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(24);
    m_initials = new QLabel(card);
    m_initials->setObjectName(QStringLiteral("entryInitials"));
    m_initials->setTextFormat(Qt::PlainText);
    m_initials->setFont(systemFont(14, QFont::Medium));
    bottom->addWidget(m_initials);
    m_star = flagButton(QStringLiteral("starButton"), card);
    connect(m_star, &QToolButton::clicked, this, [this] {
        Medbit changed = m_medbit;
        changed.isStarred = !changed.isStarred;
        saveEntry(changed);
    });
    m_lock = flagButton(QStringLiteral("lockButton"), card);
    connect(m_lock, &QToolButton::clicked, this, [this] {
        Medbit changed = m_medbit;
        changed.isLocked = !changed.isLocked;
        saveEntry(changed);
    });
    bottom->addWidget(m_star);
    bottom->addWidget(m_lock);
    bottom->addStretch(1);
    column->addLayout(bottom);
    row->addLayout(column, 1);

    auto *side = new QVBoxLayout;
    m_tile = new AttachmentTile(card);
    connect(m_tile, &AttachmentTile::clicked, this, &MedbitDetailPanel::togglePreview);
    side->addWidget(m_tile, 0, Qt::AlignTop | Qt::AlignRight);
    side->addStretch(1);
    auto *badge = new QFrame(card);
    badge->setObjectName(QStringLiteral("dateBadge"));
    badge->setStyleSheet(QStringLiteral("#dateBadge { border: 1px solid rgba(128,128,128,80); border-radius: 6px; }"));
    auto *badgeLayout = new QVBoxLayout(badge);
    badgeLayout->setContentsMargins(8, 4, 8, 4);
    badgeLayout->setSpacing(0);
    m_dateHead = new QLabel(badge);
    m_dateHead->setObjectName(QStringLiteral("dateHead"));
    m_dateTail = new QLabel(badge);
    m_dateTail->setObjectName(QStringLiteral("dateTail"));
    for (QLabel *label : {m_dateHead, m_dateTail}) {
        label->setTextFormat(Qt::PlainText);
        label->setFont(systemFont(11, QFont::Medium));
        label->setAlignment(Qt::AlignCenter);
        badgeLayout->addWidget(label);
    }
    side->addWidget(badge, 0, Qt::AlignBottom | Qt::AlignRight);
    row->addLayout(side);
    return card;
}

QWidget *MedbitDetailPanel::buildCategories(QWidget *parent)
{
    auto *box = new QWidget(parent);
    box->setObjectName(QStringLiteral("categoryEditor"));
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->setSpacing(2);
    for (const CategoryOption &option : CategoryOption::all()) {
        const QString code = option.code;
        auto *row = new MedbitCategoryRow(
            option, [this, code] { toggleTag(code); }, box);
        m_categoryRows.append(row);
        layout->addWidget(row);
    }
    return box;
}

QWidget *MedbitDetailPanel::buildActions(QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 8, 0, 8);
    layout->setSpacing(32);
    auto *edit = new QPushButton(QStringLiteral("Edit"), row);
    edit->setObjectName(QStringLiteral("editButton"));
    edit->setFlat(true);
    edit->setStyleSheet(QStringLiteral("color: #007aff;"));
    connect(edit, &QPushButton::clicked, this, &MedbitDetailPanel::openEditor);
    m_delete = new QPushButton(row);
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    m_delete->setFlat(true);
    m_delete->setStyleSheet(QStringLiteral("color: #ff3b30;"));
    connect(m_delete, &QPushButton::clicked, this, &MedbitDetailPanel::confirmDelete);
    layout->addWidget(edit);
    layout->addWidget(m_delete);
    layout->addStretch(1);
    return row;
}

void MedbitDetailPanel::refreshContent()
{
    if (m_medbit.translated) {
        m_text->setText(*m_medbit.translated);
        m_original->setText(m_medbit.entryText);
        m_original->show();
    } else {
        m_text->setText(m_medbit.entryText);
        m_original->hide();
    }
    QStringList initials;
    for (const QString &tag : m_medbit.tags)
        initials.append(CategoryOption::initialsForTag(tag));
    m_initials->setText(initials.join(QStringLiteral(", ")));
    const QColor secondary = FormKit::secondaryColor(this);
    const qreal ratio = devicePixelRatioF();
    m_star->setIcon(m_medbit.isStarred ? SymbolIcons::tinted(QStringLiteral("star.fill"), 18, starYellow, ratio)
                                       : SymbolIcons::tinted(QStringLiteral("star"), 18, secondary, ratio));
    m_star->setIconSize(QSize(18, 18));
    m_star->setAccessibleName(m_medbit.isStarred ? QStringLiteral("Unstar") : QStringLiteral("Star"));
    m_lock->setIcon(m_medbit.isLocked ? SymbolIcons::tinted(QStringLiteral("lock.fill"), 16,
                                                            palette().color(QPalette::WindowText), ratio)
                                      : SymbolIcons::tinted(QStringLiteral("lock.open"), 16, secondary, ratio));
    m_lock->setIconSize(QSize(16, 16));
    m_lock->setAccessibleName(m_medbit.isLocked ? QStringLiteral("Unlock") : QStringLiteral("Lock"));
    const auto [head, tail] = dateParts(m_medbit.displayDate());
    m_dateHead->setText(head);
    m_dateTail->setText(tail);
    for (MedbitCategoryRow *row : std::as_const(m_categoryRows))
        row->setSelected(m_medbit.tags.contains(row->option().code));
    refreshTile();
    refreshBusy();
}

void MedbitDetailPanel::refreshTile()
{
    if (!m_tile)
        return;
    const std::optional<QString> name = attachmentName(m_medbit);
    std::optional<ImageAsset> first;
    if (!m_medbit.documents.isEmpty())
        first = m_medbit.documents.first();
    m_tile->setDocument(first, name && m_state->activeDocumentName() == name);
}

void MedbitDetailPanel::refreshBusy()
{
    if (!m_content)
        return;
    const bool updating = m_flagAction->isBusy();
    m_star->setEnabled(!updating);
    m_lock->setEnabled(!updating);
    for (MedbitCategoryRow *row : std::as_const(m_categoryRows))
        row->setEnabled(!updating);
    const bool deleting = m_deleteAction->isBusy();
    m_delete->setText(deleting ? QStringLiteral("Deleting…") : QStringLiteral("Delete"));
    m_delete->setEnabled(!deleting);
}

void MedbitDetailPanel::saveEntry(const Medbit &changed)
{
    // One update at a time: a change pressed while one runs is dropped, not queued.
    if (m_flagAction->isBusy())
        return;
    FormKit::setCaptionText(m_flagError, QString());
    updateTask(changed);
}

QCoro::Task<> MedbitDetailPanel::updateTask(Medbit changed)
{
    QCoro::Task<Medbit> operation = m_store->updateMedbit(std::move(changed));
    const ScreenAction::Outcome outcome = co_await m_flagAction->run(std::move(operation));
    if (outcome.abandoned)
        co_return;
    if (m_flagError)
        FormKit::setCaptionText(m_flagError, outcome.failure.value_or(QString()));
}

void MedbitDetailPanel::toggleTag(const QString &code)
{
    Medbit changed = m_medbit;
    const qsizetype at = changed.tags.indexOf(code);
    if (at >= 0)
        changed.tags.removeAt(at);
    else
        changed.tags.append(code);
    saveEntry(changed);
    // The button shows the store's state, not the click.
    refreshContent();
}

void MedbitDetailPanel::togglePreview()
{
    const std::optional<QString> name = attachmentName(m_medbit);
    if (!name)
        return;
    m_state->setActiveDocumentName(m_state->activeDocumentName() == name ? std::nullopt : name);
}

void MedbitDetailPanel::openEditor()
{
    auto *editor = new CreateEntryView(m_store, m_medbit, QString(), std::nullopt, window());
    editor->open();
}

void MedbitDetailPanel::confirmDelete()
{
    auto *alert =
        new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Remove entry"),
                        QStringLiteral("This entry will be permanently deleted."), QMessageBox::NoButton, this);
    alert->setObjectName(QStringLiteral("deleteAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    QPushButton *cancel = alert->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelDelete"));
    QPushButton *confirm = alert->addButton(QStringLiteral("Delete"), QMessageBox::DestructiveRole);
    confirm->setObjectName(QStringLiteral("confirmDelete"));
    alert->setDefaultButton(cancel);
    connect(confirm, &QPushButton::clicked, this, [this] {
        if (!m_deleteAction->isBusy())
            deleteTask(m_medbit);
    });
    alert->open();
}

QCoro::Task<> MedbitDetailPanel::deleteTask(Medbit medbit)
{
    // A failure is dropped: the entry stays listed, which is what the user sees.
    QCoro::Task<> operation = m_store->deleteMedbit(std::move(medbit));
    co_await m_deleteAction->run(std::move(operation));
}

QWidget *MedbitDetailPanel::buildAskArea()
{
    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("askArea"));
    auto *layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *divider = new QFrame(area);
    divider->setFrameShape(QFrame::HLine);
    layout->addWidget(divider);
    m_exchangeScroll = new QScrollArea(area);
    m_exchangeScroll->setObjectName(QStringLiteral("askExchanges"));
    m_exchangeScroll->setWidgetResizable(true);
    m_exchangeScroll->setFrameShape(QFrame::NoFrame);
    m_exchangeScroll->setMaximumHeight(220);
    m_exchangeScroll->hide();
    layout->addWidget(m_exchangeScroll);
    m_exchangeDivider = new QFrame(area);
    static_cast<QFrame *>(m_exchangeDivider)->setFrameShape(QFrame::HLine);
    m_exchangeDivider->hide();
    layout->addWidget(m_exchangeDivider);

    auto *row = new QHBoxLayout;
    row->setContentsMargins(24, 16, 24, 16);
    row->setSpacing(12);
    m_askField = new ClipboardTrackingTextField(m_clipboard, QStringLiteral("Ask about this entry..."),
                                                QStringLiteral("Ask"), area);
    m_askField->setObjectName(QStringLiteral("askField"));
    m_askField->setText(m_state->askText());
    m_askField->setOnSubmit([this] { submitAsk(); });
    connect(m_askField, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_state->setAskText(text);
        refreshSendEnabled();
    });
    m_send = new QToolButton(area);
    m_send->setObjectName(QStringLiteral("sendButton"));
    m_send->setAccessibleName(QStringLiteral("Send"));
    m_send->setAutoRaise(true);
    m_send->setIcon(SymbolIcons::icon(QStringLiteral("arrow.up.circle.fill")));
    m_send->setIconSize(QSize(24, 24));
    connect(m_send, &QToolButton::clicked, this, &MedbitDetailPanel::submitAsk);
    row->addWidget(m_askField, 1);
    row->addWidget(m_send);
    layout->addLayout(row);
    refreshSendEnabled();
    return area;
}

void MedbitDetailPanel::refreshSendEnabled()
{
    m_send->setEnabled(!m_isAsking && !m_askField->text().trimmed().isEmpty());
}

void MedbitDetailPanel::submitAsk()
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
    askTask(this, askPrompt(m_medbit, question), m_patientID, added.id);
}

QCoro::Task<> MedbitDetailPanel::askTask(QPointer<MedbitDetailPanel> panel, QString prompt, QString patientID, QUuid id)
{
    // The stream runs to its end even when the panel goes; only its writes to the panel are skipped.
    const QueryItems query{{QStringLiteral("patientId"), patientID}, {QStringLiteral("content"), prompt}};
    StreamRequest request =
        APIClient::shared().makeStreamRequest(HTTPMethod::GET, QStringLiteral("/chats/get_answer_free"), query, true);
    std::optional<QString> failure;
    try {
        QCoro::AsyncGenerator<SSEEvent> events = SSEClient::stream(std::move(request));
        QCORO_FOREACH(const SSEEvent &event, events)
        {
            if (panel)
                panel->handleAskEvent(id, event);
        }
    } catch (const SSEError &error) {
        failure = error.description();
    } catch (const APIError &error) {
        failure = error.description();
    }
    if (panel)
        panel->finishAsk(id, failure);
}

void MedbitDetailPanel::handleAskEvent(const QUuid &id, const SSEEvent &event)
{
    AskExchange *found = exchange(id);
    if (!found)
        return;
    if (event.event == QLatin1String("message")) {
        const std::optional<ChatMessageDeltaEvent> piece = decodeEvent<ChatMessageDeltaEvent>(event.data);
        if (!piece)
            return;
        found->answer += piece->delta;
    } else if (event.event == QLatin1String("stream_error")) {
        const std::optional<ChatStreamErrorEvent> error = decodeEvent<ChatStreamErrorEvent>(event.data);
        found->answer = error ? error->message : QStringLiteral("Something went wrong.");
        found->isError = true;
    } else {
        return;
    }
    refreshAnswer(*found);
}

void MedbitDetailPanel::refreshAnswer(const AskExchange &item)
{
    // A growing answer re-renders its own label only; the first text replaces the spinner, so that rebuilds.
    QWidget *list = m_exchangeScroll->widget();
    const QList<QLabel *> answers =
        list ? list->findChildren<QLabel *>(QStringLiteral("askAnswer")) : QList<QLabel *>();
    for (QLabel *answer : answers) {
        if (answer->property("exchangeId").toUuid() == item.id &&
            answer->property("isError").toBool() == item.isError) {
            showAnswer(answer, item);
            return;
        }
    }
    rebuildExchanges(false);
}

void MedbitDetailPanel::showAnswer(QLabel *answer, const AskExchange &item)
{
    if (item.isError) {
        answer->setTextFormat(Qt::PlainText);
        answer->setText(item.answer);
        answer->setStyleSheet(QStringLiteral("color: #ff3b30;"));
    } else {
        answer->setTextFormat(Qt::RichText);
        answer->setText(renderMarkdown(item.answer).toHtml());
    }
}

void MedbitDetailPanel::finishAsk(const QUuid &id, const std::optional<QString> &failure)
{
    m_isAsking = false;
    if (AskExchange *found = exchange(id)) {
        if (failure) {
            found->answer = *failure;
            found->isError = true;
        }
        // A finished exchange never spins: no text at all gets a text of its own.
        if (found->answer.isEmpty())
            found->answer =
                found->isError ? QStringLiteral("Something went wrong.") : QStringLiteral("No answer received.");
        found->isFinished = true;
    }
    rebuildExchanges(false);
    refreshSendEnabled();
}

AskExchange *MedbitDetailPanel::exchange(const QUuid &id)
{
    for (AskExchange &candidate : m_askExchanges) {
        if (candidate.id == id)
            return &candidate;
    }
    return nullptr;
}

void MedbitDetailPanel::rebuildExchanges(bool countChanged)
{
    auto *list = new QWidget(m_exchangeScroll);
    auto *layout = new QVBoxLayout(list);
    layout->setContentsMargins(24, 12, 24, 0);
    layout->setSpacing(16);
    for (const AskExchange &item : std::as_const(m_askExchanges)) {
        auto *question = selectableLabel(item.question, list);
        question->setObjectName(QStringLiteral("askQuestion"));
        question->setFont(systemFont(13, QFont::DemiBold));
        layout->addWidget(question);
        if (item.answer.isEmpty() && !item.isFinished) {
            auto *spinner = new BusyIndicator(16, list);
            spinner->setObjectName(QStringLiteral("askSpinner"));
            layout->addWidget(spinner);
            continue;
        }
        auto *answer = new QLabel(list);
        answer->setObjectName(QStringLiteral("askAnswer"));
        answer->setWordWrap(true);
        answer->setFont(systemFont(13));
        answer->setTextInteractionFlags(Qt::TextBrowserInteraction);
        answer->setProperty("isError", item.isError);
        answer->setProperty("exchangeId", item.id);
        showAnswer(answer, item);
        if (!item.isError) {
            connect(answer, &QLabel::linkActivated, answer, [](const QString &link) {
                const QUrl url(link);
                if (isOpenableMarkdownLink(url))
                    UrlOpener::open(url);
            });
        }
        layout->addWidget(answer);
    }
    const int scrolled = m_exchangeScroll->verticalScrollBar()->value();
    m_exchangeScroll->setWidget(list);
    m_exchangeScroll->setVisible(!m_askExchanges.isEmpty());
    m_exchangeDivider->setVisible(!m_askExchanges.isEmpty());
    QScrollBar *bar = m_exchangeScroll->verticalScrollBar();
    // A new exchange brings the list to its end; a growing answer leaves the scroll where the user has it.
    QTimer::singleShot(0, bar,
                       [bar, countChanged, scrolled] { bar->setValue(countChanged ? bar->maximum() : scrolled); });
}
