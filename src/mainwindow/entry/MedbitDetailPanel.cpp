#include "mainwindow/entry/MedbitDetailPanel.h"

#include "mainwindow/entry/AttachmentName.h"
#include "mainwindow/entry/AttachmentTile.h"
#include "mainwindow/entry/CreateEntryView.h"
#include "mainwindow/entry/EntryQuestionsView.h"
#include "mainwindow/entry/MedbitCategoryRow.h"
#include "records/CategoryOption.h"
#include "records/MedbitStore.h"
#include "widgets/FocusOrder.h"
#include "widgets/FormKit.h"
#include "widgets/LoadFailure.h"
#include "widgets/ScreenAction.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"
#include "window/WindowState.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

QToolButton *flagButton(const QString &objectName, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setAutoRaise(true);
    button->setFixedSize(24, 24);
    button->setFocusPolicy(Qt::StrongFocus);
    Theme::showFocusRing(button);
    return button;
}

} // namespace

MedbitDetailPanel::MedbitDetailPanel(MedbitStore *store, EntryQuestionsStore *questions, ClipboardManager *clipboard,
                                     WindowState *state, QWidget *parent)
    : QWidget(parent), m_store(store), m_clipboard(clipboard), m_state(state), m_flagAction(new ScreenAction(this)),
      m_deleteAction(new ScreenAction(this))
{
    setObjectName(QStringLiteral("medbitDetailPanel"));
    setMinimumWidth(350);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_detailFailure =
        new LoadFailure(tr("Couldn't load this entry in full."), QStringLiteral("entryDetailFailure"), this);
    connect(m_detailFailure, &LoadFailure::tryAgainRequested, this, &MedbitDetailPanel::fetchAgainRequested);
    layout->addWidget(m_detailFailure);
    m_gone = FormKit::emptyState(QStringLiteral("trash"), 28, tr("This entry no longer exists."),
                                 QStringLiteral("entryGoneText"), this);
    m_gone->hide();
    layout->addWidget(m_gone, 1);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("detailScroll"));
    m_scroll->setAccessibleName(tr("Entry Details"));
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    auto *holder = new QWidget(m_scroll);
    m_contentLayout = new QVBoxLayout(holder);
    m_contentLayout->setContentsMargins(0, 0, 0, 0);
    m_scroll->setWidget(holder);
    layout->addWidget(m_scroll, 1);
    m_questions = new EntryQuestionsView(questions, clipboard, this);
    layout->addWidget(m_questions);
    connect(m_flagAction, &ScreenAction::busyChanged, this, &MedbitDetailPanel::refreshBusy);
    connect(m_deleteAction, &ScreenAction::busyChanged, this, &MedbitDetailPanel::refreshBusy);
    connect(m_state, &WindowState::activeDocumentNameChanged, this, &MedbitDetailPanel::refreshTile);
    connect(m_store, &MedbitStore::detailErrorChanged, this, &MedbitDetailPanel::refreshDetailError);
    connect(m_store, &MedbitStore::medbitGone, this, &MedbitDetailPanel::refreshDetailError);
}

void MedbitDetailPanel::setMedbit(const Medbit &medbit, const QString &patientID)
{
    const bool otherEntry = !m_content || medbit.id != m_medbit.id;
    m_medbit = medbit;
    m_questions->setEntry(medbit, patientID);
    if (otherEntry)
        buildContent();
    refreshContent();
    refreshDetailError();
}

void MedbitDetailPanel::refreshDetailError()
{
    // An entry the service no longer has offers nothing to act on: no card, no Edit, no questions.
    const bool gone = m_store && m_store->isGone(m_medbit.id);
    m_gone->setVisible(gone);
    m_scroll->setVisible(!gone);
    m_questions->setVisible(!gone);
    m_detailFailure->showError(m_store && !gone ? m_store->detailError(m_medbit.id) : std::nullopt);
}

const QList<AskExchange> &MedbitDetailPanel::askExchanges() const
{
    return m_questions->askExchanges();
}

QPair<QString, QString> MedbitDetailPanel::dateParts(const QString &displayDate)
{
    const qsizetype blank = displayDate.lastIndexOf(QLatin1Char(' '));
    if (blank < 0)
        return {displayDate, QString()};
    return {displayDate.left(blank), displayDate.mid(blank + 1)};
}

void MedbitDetailPanel::buildContent()
{
    QWidget *old = m_content;
    m_categoryRows.clear();
    m_content = new QWidget(m_contentLayout->parentWidget());
    m_content->setObjectName(QStringLiteral("detailContent"));
    auto *layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(20);
    layout->addWidget(buildCard(m_content));
    layout->addWidget(buildCategories(m_content));
    m_flagError = FormKit::errorCaption(m_content);
    m_flagError->setObjectName(QStringLiteral("flagUpdateError"));
    layout->addWidget(m_flagError);
    layout->addWidget(buildActions(m_content));
    layout->addStretch(1);
    m_contentLayout->addWidget(m_content);
    // Now rather than on the next turn of the event loop: a hidden widget cannot take the focus.
    m_content->show();
    // The content is built after the questions below it.
    FocusOrder::chain({m_scroll, m_questions});
    retireContent(old);
}

// The old content goes with its widgets' state (scroll position); the panel's own state stays. Hidden with
// the focus inside, it would pass the focus on to the question field below: the new content's counterpart
// takes it first (the new content itself while an update holds the focus).
void MedbitDetailPanel::retireContent(QWidget *old)
{
    if (!old)
        return;
    QWidget *focused = window()->focusWidget();
    if (focused && (focused == old || old->isAncestorOf(focused))) {
        const QString name = focused->objectName();
        QWidget *counterpart = name.isEmpty() ? nullptr : m_content->findChild<QWidget *>(name);
        (counterpart ? counterpart : m_content)->setFocus(Qt::OtherFocusReason);
    }
    old->hide();
    old->deleteLater();
}

QWidget *MedbitDetailPanel::buildCard(QWidget *parent)
{
    auto *card = new QFrame(parent);
    card->setObjectName(QStringLiteral("entryCard"));
    card->setMinimumHeight(140);
    card->setStyleSheet(QStringLiteral("#entryCard { background: palette(base); border: 1px solid rgba(128,128,128,50);"
                                       " border-radius: 12px; }"));
    // Two layers: the text, flags and tile below, the date badge over them 10 from the bottom-right corner.
    auto *layers = new QGridLayout(card);
    layers->setContentsMargins(0, 0, 0, 0);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(16, 16, 16, 16);
    layers->addLayout(row, 0, 0);
    auto *column = new QVBoxLayout;
    column->setSpacing(0);
    m_text = FormKit::selectableText(QString(), card);
    m_text->setObjectName(QStringLiteral("entryText"));
    m_text->setFont(Theme::systemFont(20));
    m_original = FormKit::selectableText(QString(), card);
    m_original->setObjectName(QStringLiteral("entryOriginalText"));
    m_original->setFont(Theme::systemFont(16));
    m_original->setContentsMargins(0, 2, 0, 0);
    FormKit::setSecondary(m_original);
    column->addWidget(m_text);
    column->addWidget(m_original);
    column->addStretch(1);
    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(24);
    m_initials = new QLabel(card);
    m_initials->setObjectName(QStringLiteral("entryInitials"));
    m_initials->setTextFormat(Qt::PlainText);
    m_initials->setFont(Theme::systemFont(14, QFont::Medium));
    FormKit::setSecondary(m_initials);
    bottom->addWidget(m_initials, 0, Qt::AlignBottom);
    // The tile sits at the card's top, the flags at its bottom: Tab reaches the tile first.
    m_tile = new AttachmentTile(card);
    connect(m_tile, &AttachmentTile::clicked, this, &MedbitDetailPanel::togglePreview);
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
    auto *flags = new QHBoxLayout;
    flags->setSpacing(12);
    flags->addWidget(m_star);
    flags->addWidget(m_lock);
    bottom->addLayout(flags);
    bottom->addStretch(1);
    column->addLayout(bottom);
    row->addLayout(column, 1);

    auto *side = new QVBoxLayout;
    side->addWidget(m_tile, 0, Qt::AlignTop | Qt::AlignRight);
    side->addStretch(1);
    row->addLayout(side);
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
        label->setFont(Theme::systemFont(11, QFont::Medium));
        FormKit::setSecondary(label);
        label->setAlignment(Qt::AlignCenter);
        badgeLayout->addWidget(label);
    }
    auto *corner = new QVBoxLayout;
    corner->setContentsMargins(10, 10, 10, 10);
    corner->addWidget(badge);
    layers->addLayout(corner, 0, 0, Qt::AlignBottom | Qt::AlignRight);
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
    auto *edit = new QPushButton(tr("Edit"), row);
    edit->setObjectName(QStringLiteral("editButton"));
    edit->setFlat(true);
    Theme::setTextColor(edit, Theme::linkColor());
    connect(edit, &QPushButton::clicked, this, &MedbitDetailPanel::openEditor);
    m_delete = new QPushButton(row);
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    m_delete->setFlat(true);
    Theme::setTextColor(m_delete, Theme::errorColor());
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
    const QColor secondary = Theme::secondaryColor(this);
    const qreal ratio = devicePixelRatioF();
    m_star->setIcon(m_medbit.isStarred ? SymbolIcons::tinted(QStringLiteral("star.fill"), 18, Theme::starColor(), ratio)
                                       : SymbolIcons::tinted(QStringLiteral("star"), 18, secondary, ratio));
    m_star->setIconSize(QSize(18, 18));
    m_star->setAccessibleName(m_medbit.isStarred ? tr("Unstar") : tr("Star"));
    m_lock->setIcon(m_medbit.isLocked ? SymbolIcons::tinted(QStringLiteral("lock.fill"), 16,
                                                            palette().color(QPalette::WindowText), ratio)
                                      : SymbolIcons::tinted(QStringLiteral("lock.open"), 16, secondary, ratio));
    m_lock->setIconSize(QSize(16, 16));
    m_lock->setAccessibleName(m_medbit.isLocked ? tr("Unlock") : tr("Lock"));
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
    const bool wasUpdating = !m_star->isEnabled();
    if (updating && !wasUpdating)
        holdFocus();
    m_star->setEnabled(!updating);
    m_lock->setEnabled(!updating);
    for (MedbitCategoryRow *row : std::as_const(m_categoryRows))
        row->setEnabled(!updating);
    if (!updating && wasUpdating)
        returnFocus();
    const bool deleting = m_deleteAction->isBusy();
    m_delete->setText(deleting ? tr("Deleting…") : tr("Delete"));
    m_delete->setEnabled(!deleting);
}

void MedbitDetailPanel::holdFocus()
{
    // A disabled control passes the focus on, past the categories to "Edit", whose Space would open the form:
    // the focus waits on the content instead, and goes back to the control when the update ends.
    QWidget *focused = window()->focusWidget();
    const bool flag = focused == m_star || focused == m_lock;
    if (!flag && !m_categoryRows.contains(qobject_cast<MedbitCategoryRow *>(focused)))
        return;
    // By name: the content may be rebuilt before the update ends.
    m_heldFocus = focused->objectName();
    m_content->setFocus(Qt::OtherFocusReason);
}

void MedbitDetailPanel::returnFocus()
{
    // Unless the user has moved it meanwhile.
    QWidget *control = m_heldFocus.isEmpty() ? nullptr : m_content->findChild<QWidget *>(m_heldFocus);
    if (control && window()->focusWidget() == m_content)
        control->setFocus(Qt::OtherFocusReason);
    m_heldFocus.clear();
}

void MedbitDetailPanel::saveEntry(const Medbit &changed)
{
    // One update at a time: a change pressed while one runs is dropped, not queued.
    if (m_flagAction->isBusy())
        return;
    FormKit::setCaptionText(m_flagError, QString());
    updateTask(m_medbit, changed);
}

QCoro::Task<> MedbitDetailPanel::updateTask(Medbit shown, Medbit changed)
{
    // The store writes only what changed from the copy shown, onto the newest one it holds.
    QCoro::Task<Medbit> operation = m_store->updateMedbit(std::move(shown), std::move(changed));
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
    auto *editor = new CreateEntryView(m_store, m_clipboard, m_medbit, QString(), std::nullopt, window());
    editor->open();
}

void MedbitDetailPanel::confirmDelete()
{
    // The title also as the alert's own text: most desktops hide a window-modal dialog's title.
    auto *alert =
        new QMessageBox(QMessageBox::NoIcon, tr("Remove entry"), tr("Remove entry"), QMessageBox::NoButton, this);
    alert->setInformativeText(tr("This entry will be permanently deleted."));
    alert->setObjectName(QStringLiteral("deleteAlert"));
    Theme::applyPalette(alert);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    QPushButton *cancel = alert->addButton(tr("Cancel"), QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelDelete"));
    QPushButton *confirm = alert->addButton(tr("Delete"), QMessageBox::DestructiveRole);
    confirm->setObjectName(QStringLiteral("confirmDelete"));
    // Destructive: its title in red.
    QPalette red = confirm->palette();
    red.setColor(QPalette::ButtonText, Theme::errorColor());
    confirm->setPalette(red);
    alert->setDefaultButton(cancel);
    connect(confirm, &QPushButton::clicked, this, [this] {
        if (!m_deleteAction->isBusy())
            deleteTask(m_medbit);
    });
    // Cancelled, by its button or Escape: the keyboard is back on Delete, in a window that is active again
    // (closing the alert does not always hand activation back to it).
    connect(alert, &QDialog::rejected, this, [this] {
        window()->activateWindow();
        m_delete->setFocus(Qt::OtherFocusReason);
    });
    alert->open();
}

QCoro::Task<> MedbitDetailPanel::deleteTask(Medbit medbit)
{
    // A failure is dropped: the entry stays listed, which is what the user sees.
    QCoro::Task<> operation = m_store->deleteMedbit(std::move(medbit));
    co_await m_deleteAction->run(std::move(operation));
}
