#include "FittedListView.h"

#include <QKeyEvent>

FittedListView::FittedListView(QWidget *parent) : QListView(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(true);
    setResizeMode(QListView::Adjust);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setMouseTracking(true);
    connect(this, &QListView::clicked, this, &FittedListView::chosen);
}

void FittedListView::setModel(QAbstractItemModel *model)
{
    QListView::setModel(model);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &FittedListView::chooseSelected);
    // Queued: the view lays out its rows after the model's signal.
    connect(model, &QAbstractItemModel::modelReset, this, &FittedListView::fitHeight, Qt::QueuedConnection);
    connect(model, &QAbstractItemModel::rowsInserted, this, &FittedListView::fitHeight, Qt::QueuedConnection);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &FittedListView::fitHeight, Qt::QueuedConnection);
    connect(model, &QAbstractItemModel::dataChanged, this, &FittedListView::fitHeight, Qt::QueuedConnection);
    fitHeight();
}

void FittedListView::markOpen(const QModelIndex &index)
{
    m_open = index;
    showOpen();
}

QItemSelectionModel::SelectionFlags FittedListView::selectionCommand(const QModelIndex &, const QEvent *) const
{
    return QItemSelectionModel::NoUpdate;
}

void FittedListView::showOpen()
{
    m_isMarking = true;
    if (m_open.isValid())
        selectionModel()->select(m_open, QItemSelectionModel::ClearAndSelect);
    else
        selectionModel()->clearSelection();
    m_isMarking = false;
}

void FittedListView::chooseSelected(const QItemSelection &selected)
{
    if (m_isMarking || selected.indexes().isEmpty())
        return;
    Q_EMIT chosen(selected.indexes().first());
    showOpen();
}

void FittedListView::keyPressEvent(QKeyEvent *event)
{
    const bool choosing =
        event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space;
    if (choosing && currentIndex().isValid()) {
        Q_EMIT chosen(currentIndex());
        return;
    }
    QListView::keyPressEvent(event);
}

void FittedListView::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    fitHeight();
}

void FittedListView::fitHeight()
{
    int height = 2 * frameWidth();
    const int rows = model() ? model()->rowCount() : 0;
    for (int row = 0; row < rows; ++row)
        height += sizeHintForRow(row);
    if (height != this->height())
        setFixedHeight(height);
}
