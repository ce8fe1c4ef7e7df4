#include "mainwindow/timeline/TimelineListView.h"

#include "mainwindow/timeline/TimelineModel.h"
#include "mainwindow/timeline/TimelineRowDelegate.h"

#include <QResizeEvent>
#include <QScrollBar>

TimelineListView::TimelineListView(TimelineModel *model, QWidget *parent)
    : QListView(parent), m_model(model), m_delegate(new TimelineRowDelegate(this))
{
    setObjectName(QStringLiteral("timelineList"));
    setAccessibleName(tr("Timeline"));
    setItemDelegate(m_delegate);
    setModel(model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLayoutMode(QListView::Batched);
    setBatchSize(200);
    setFrameShape(QFrame::NoFrame);
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &TimelineListView::rememberTopRow);
    connect(model, &QAbstractItemModel::modelReset, this, &TimelineListView::restoreTopRow);
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &first, const QModelIndex &last) { forgetRows(first.row(), last.row()); });
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { forgetRows(first, last); });
}

bool TimelineListView::isFullyLaidOut() const
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (!m_delegate->hasHeightFor(m_model->medbitAt(row).id))
            return false;
    }
    return true;
}

void TimelineListView::doItemsLayout()
{
    setLayoutMode(isFullyLaidOut() ? QListView::SinglePass : QListView::Batched);
    QListView::doItemsLayout();
}

void TimelineListView::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    if (viewport()->width() == m_delegate->rowWidth())
        return;
    m_delegate->setRowWidth(viewport()->width());
    scheduleDelayedItemsLayout();
}

void TimelineListView::forgetRows(int first, int last)
{
    for (int row = first; row <= last; ++row)
        m_delegate->forget(m_model->medbitAt(row).id);
}

void TimelineListView::rememberTopRow()
{
    const QModelIndex top = indexAt(QPoint(0, 0));
    m_topListPosition = top.isValid() ? m_model->listPosition(top.row()) : -1;
    m_topOffset = top.isValid() ? visualRect(top).top() : 0;
}

void TimelineListView::restoreTopRow()
{
    // The entry that was at the top, or the first shown one after it, stays where it was.
    const int row = m_topListPosition < 0 ? -1 : m_model->firstRowFrom(m_topListPosition);
    m_topListPosition = -1;
    if (row < 0 || !isFullyLaidOut()) {
        scrollToTop();
        return;
    }
    executeDelayedItemsLayout();
    const QRect target = visualRect(m_model->index(row));
    verticalScrollBar()->setValue(verticalScrollBar()->value() + target.top() - m_topOffset);
}
