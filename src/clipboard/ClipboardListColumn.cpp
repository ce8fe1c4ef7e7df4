#include "ClipboardListColumn.h"

#include "ClipboardDeleteAlert.h"
#include "ClipboardListModel.h"
#include "ClipboardManager.h"
#include "ClipboardRow.h"
#include "PasteTargetView.h"

#include "widgets/FormKit.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace
{

constexpr int sidePadding = 24;
constexpr int emptySymbolSize = 32;

} // namespace

ClipboardListColumn::ClipboardListColumn(ClipboardManager *manager, QWidget *parent)
    : QWidget(parent), m_model(new ClipboardListModel(manager, this)), m_rows(new ClipboardRow(this))
{
    // Made top to bottom, so that Tab goes the way they are shown.
    QWidget *header = buildHeader();
    m_pasteTarget = new PasteTargetView(manager->pasteboard(), this);
    m_body = new QStackedWidget(this);
    m_pasteTarget->setObjectName(QStringLiteral("pasteTarget"));
    connect(m_pasteTarget, &PasteTargetView::clicked, this, &ClipboardListColumn::pasteRequested);
    // Removing the current row moves the view's current row on; that is no choice of the user's. Connected
    // before the view's selection model, which moves it.
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { m_applyingSelection = true; });
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_applyingSelection = true; });
    buildList();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
    auto *target = new QVBoxLayout;
    target->setContentsMargins(sidePadding, 0, sidePadding, 16);
    target->setSpacing(6);
    target->addWidget(m_pasteTarget);
    target->addWidget(buildPasteProblem());
    layout->addLayout(target);
    layout->addWidget(FormKit::divider(this, QPalette::Midlight));
    m_body->addWidget(buildEmptyState());
    m_body->addWidget(m_list);
    layout->addWidget(m_body, 1);

    connect(m_model, &QAbstractItemModel::rowsInserted, this, &ClipboardListColumn::refreshEmptiness);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &ClipboardListColumn::refreshEmptiness);
    connect(m_model, &QAbstractItemModel::modelReset, this, &ClipboardListColumn::refreshEmptiness);
    refreshEmptiness();
}

QWidget *ClipboardListColumn::buildHeader()
{
    auto *header = new QWidget(this);
    auto *layout = new QHBoxLayout(header);
    layout->setContentsMargins(sidePadding, 16, sidePadding, 12);
    auto *title = new QLabel(tr("Clipboard"), header);
    title->setObjectName(QStringLiteral("clipboardTitle"));
    QFont titleFont = Theme::title2Font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    m_clearAll = new QPushButton(tr("Clear All"), header);
    m_clearAll->setObjectName(QStringLiteral("clearAllButton"));
    m_clearAll->setFlat(true);
    m_clearAll->setFont(Theme::captionFont());
    Theme::setTextColor(m_clearAll, Theme::linkColor());
    connect(m_clearAll, &QPushButton::clicked, this, &ClipboardListColumn::confirmClearAll);
    layout->addWidget(title);
    layout->addStretch(1);
    layout->addWidget(m_clearAll);
    return header;
}

// The question counts the rows shown; an item recorded while it is open is not among those it deletes.
void ClipboardListColumn::confirmClearAll()
{
    QList<QUuid> ids;
    for (int row = 0; row < m_model->rowCount(); ++row)
        ids.append(m_model->itemAt(row).id);
    const QString question = ids.size() == 1 ? tr("Delete the 1 item?") : tr("Delete all %1 items?").arg(ids.size());
    auto *alert = new ClipboardDeleteAlert(question,
                                           tr("This only removes them from the clipboard history — it won't undo "
                                              "anything already saved to the timeline."),
                                           tr("Delete All"), QStringLiteral("clearAll"), this);
    connect(alert, &ClipboardDeleteAlert::confirmed, this, [this, ids] { Q_EMIT clearConfirmed(ids); });
    alert->open();
}

QWidget *ClipboardListColumn::buildPasteProblem()
{
    m_pasteProblem = FormKit::errorCaption(this);
    m_pasteProblem->setObjectName(QStringLiteral("pasteProblemMessage"));
    return m_pasteProblem;
}

void ClipboardListColumn::setPasteProblem(const QString &problem)
{
    FormKit::setCaptionText(m_pasteProblem, problem);
}

QWidget *ClipboardListColumn::buildEmptyState()
{
    auto *empty =
        FormKit::emptyState(QStringLiteral("clipboard"), emptySymbolSize, tr("Nothing copied, cut, or pasted yet."),
                            QStringLiteral("clipboardEmptyMessage"), this);
    empty->setObjectName(QStringLiteral("clipboardEmptyState"));
    empty->layout()->setContentsMargins(sidePadding, 0, sidePadding, 0);
    return empty;
}

void ClipboardListColumn::buildList()
{
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("clipboardList"));
    m_list->setAccessibleName(tr("Clipboard history"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setModel(m_model);
    m_list->setItemDelegate(m_rows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->viewport()->installEventFilter(this);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ClipboardListColumn::onCurrentChanged);
    // A screen reader's row action selects the row without making it current.
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ClipboardListColumn::onSelectionChanged);
}

bool ClipboardListColumn::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list->viewport() && event->type() == QEvent::Resize) {
        m_rows->setRowWidth(m_list->viewport()->width());
        m_list->doItemsLayout();
    }
    return QWidget::eventFilter(watched, event);
}

void ClipboardListColumn::setSelectedItemID(const QUuid &id)
{
    m_selectedItemID = id;
    applySelection();
}

void ClipboardListColumn::refreshEmptiness()
{
    m_applyingSelection = false;
    const bool isEmpty = m_model->rowCount() == 0;
    m_clearAll->setVisible(!isEmpty);
    m_body->setCurrentIndex(isEmpty ? 0 : 1);
    // The model may have caught up with the history after the panel chose the row to highlight.
    applySelection();
}

void ClipboardListColumn::applySelection()
{
    const int row = m_model->rowOf(m_selectedItemID);
    const QModelIndex index = row < 0 ? QModelIndex() : m_model->index(row);
    QItemSelectionModel *selection = m_list->selectionModel();
    if (selection->currentIndex() == index && (!index.isValid() || selection->isSelected(index)))
        return;
    m_applyingSelection = true;
    if (index.isValid())
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    else
        selection->clear();
    m_applyingSelection = false;
}

void ClipboardListColumn::onCurrentChanged(const QModelIndex &current)
{
    if (m_applyingSelection || !current.isValid())
        return;
    choose(m_model->itemAt(current.row()).id);
}

void ClipboardListColumn::onSelectionChanged(const QItemSelection &selected)
{
    if (m_applyingSelection)
        return;
    if (!selected.isEmpty()) {
        choose(m_model->itemAt(selected.indexes().constFirst().row()).id);
        return;
    }
    // Nothing new chosen, yet a row may have lost its highlight: the shown item keeps it.
    applySelection();
}

void ClipboardListColumn::choose(const QUuid &id)
{
    if (id != m_selectedItemID)
        Q_EMIT itemChosen(id);
}
