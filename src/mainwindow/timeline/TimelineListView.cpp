#include "mainwindow/timeline/TimelineListView.h"

#include "mainwindow/timeline/TimelineModel.h"
#include "mainwindow/timeline/TimelineRowDelegate.h"

#include <QElapsedTimer>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QScrollBar>

namespace
{

// Background measuring stops after this long in one event-loop turn, so a frame stays well inside 16 ms.
constexpr qint64 measuringSliceNs = 4'000'000;
constexpr int rowsBetweenClockReads = 16;
// Rows in sight measured at once can bring further rows into sight; this many rounds settle any list.
constexpr int sightRounds = 4;

} // namespace

TimelineListView::TimelineListView(TimelineModel *model, QWidget *parent)
    : QListView(parent), m_model(model), m_delegate(new TimelineRowDelegate(this))
{
    setObjectName(QStringLiteral("timelineList"));
    setAccessibleName(tr("Timeline"));
    setItemDelegate(m_delegate);
    setModel(model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    m_measuring.setInterval(0);
    m_measuring.setSingleShot(true);
    connect(&m_measuring, &QTimer::timeout, this, &TimelineListView::measureSomeRows);
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &TimelineListView::rememberTopRow);
    connect(model, &QAbstractItemModel::modelReset, this, &TimelineListView::restoreTopRow);
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &first, const QModelIndex &last) { forgetRows(first.row(), last.row()); });
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { forgetRows(first, last); });
    connect(model, &QAbstractItemModel::rowsRemoved, this, &TimelineListView::rowsChanged);
}

void TimelineListView::doItemsLayout()
{
    measureRowsAtTop();
    layOutRows();
    measureRowsInSight();
}

void TimelineListView::paintEvent(QPaintEvent *event)
{
    // A frame right after the rows change shows them, instead of waiting for the posted layout.
    executeDelayedItemsLayout();
    QListView::paintEvent(event);
}

void TimelineListView::measureRowsAtTop()
{
    // Rows in sight measured before the layout spare laying out thousands of rows a second time.
    if (verticalScrollBar()->value() != 0)
        return;
    const int rows = m_model->rowCount();
    for (int row = 0, height = 0; row < rows && height < viewport()->height(); ++row) {
        height += m_delegate->measuredHeight(m_model->index(row));
    }
}

void TimelineListView::layOutRows()
{
    const QScopedValueRollback<bool> layingOut(m_layingOut, true);
    m_delegate->resetEstimateCount();
    QListView::doItemsLayout();
    m_laidOutExactly = m_delegate->estimateCount() == 0;
    if (!m_laidOutExactly) {
        m_nextRowToMeasure = 0;
        m_measuring.start();
    }
}

void TimelineListView::relayoutKeepingTopRow()
{
    const QModelIndex top = indexAt(QPoint(0, 0));
    const int offset = top.isValid() ? visualRect(top).top() : 0;
    layOutRows();
    if (!top.isValid())
        return;
    const QScopedValueRollback<bool> layingOut(m_layingOut, true);
    verticalScrollBar()->setValue(verticalScrollBar()->value() + visualRect(top).top() - offset);
}

void TimelineListView::measureRowsInSight()
{
    for (int round = 0; round < sightRounds && !m_laidOutExactly; ++round) {
        bool measured = false;
        for (QModelIndex index = indexAt(QPoint(0, 0)); index.isValid(); index = index.siblingAtRow(index.row() + 1)) {
            if (visualRect(index).top() >= viewport()->height())
                break;
            measured = m_delegate->measure(index) || measured;
        }
        if (!measured)
            return;
        relayoutKeepingTopRow();
    }
}

void TimelineListView::measureSomeRows()
{
    QElapsedTimer clock;
    clock.start();
    const int rows = m_model->rowCount();
    while (m_nextRowToMeasure < rows && clock.nsecsElapsed() < measuringSliceNs) {
        const int end = std::min(rows, m_nextRowToMeasure + rowsBetweenClockReads);
        for (; m_nextRowToMeasure < end; ++m_nextRowToMeasure)
            m_delegate->measure(m_model->index(m_nextRowToMeasure));
    }
    if (m_nextRowToMeasure < rows)
        m_measuring.start();
    else
        relayoutKeepingTopRow();
}

void TimelineListView::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    if (!m_layingOut)
        measureRowsInSight();
}

void TimelineListView::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    if (viewport()->width() == m_delegate->rowWidth())
        return;
    m_delegate->setRowWidth(viewport()->width());
    rowsChanged();
    scheduleDelayedItemsLayout();
}

void TimelineListView::rowsChanged()
{
    // The layout that follows decides again; until then the list is not known to be exact.
    m_laidOutExactly = false;
}

void TimelineListView::forgetRows(int first, int last)
{
    for (int row = first; row <= last; ++row)
        m_delegate->forget(m_model->medbitAt(row).id);
    rowsChanged();
    // A changed entry can change its height; QListView lays out again for new rows only.
    scheduleDelayedItemsLayout();
}

void TimelineListView::rememberTopRow()
{
    const QModelIndex top = indexAt(QPoint(0, 0));
    m_topListPosition = top.isValid() ? m_model->listPosition(top.row()) : -1;
    m_topOffset = top.isValid() ? visualRect(top).top() : 0;
}

void TimelineListView::restoreTopRow()
{
    rowsChanged();
    // The entry that was at the top, or the first shown one after it, stays where it was.
    const int row = m_topListPosition < 0 ? -1 : m_model->firstRowFrom(m_topListPosition);
    m_topListPosition = -1;
    if (row < 0) {
        scrollToTop();
        return;
    }
    executeDelayedItemsLayout();
    const QRect target = visualRect(m_model->index(row));
    verticalScrollBar()->setValue(verticalScrollBar()->value() + target.top() - m_topOffset);
}
