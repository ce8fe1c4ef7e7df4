#include "documents/DocumentGridView.h"

#include "documents/DocumentGridModel.h"
#include "documents/DocumentThumbnailCard.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>

namespace
{

constexpr int inset = 24;
constexpr int columnSpacing = 16;
constexpr int rowSpacing = 20;
constexpr int narrowestCell = DocumentThumbnailCard::boxWidth + columnSpacing;

// The list view wraps a row whose cells reach its last pixel column.
int usableWidth(int width)
{
    return std::max(0, width - 1);
}

int columnsIn(int width)
{
    return std::max(1, usableWidth(width) / narrowestCell);
}

} // namespace

DocumentGridView::DocumentGridView(QWidget *parent) : QListView(parent)
{
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setUniformItemSizes(true);
    // The view's own selection is only how a click or a screen reader chooses a card; the panel's selection
    // is drawn by the cards.
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setViewportMargins(inset, inset, inset, inset);
    // The cards stand on the column's own background.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, colours.color(QPalette::Window));
    setPalette(colours);
    reflow();
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &DocumentGridView::scheduleRowsReport);
}

void DocumentGridView::setModel(QAbstractItemModel *model)
{
    QListView::setModel(model);
    connect(model, &QAbstractItemModel::modelReset, this, &DocumentGridView::scheduleRowsReport);
    connect(model, &QAbstractItemModel::modelReset, this, &DocumentGridView::reflow);
    connect(model, &QAbstractItemModel::rowsInserted, this, &DocumentGridView::reflow);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &DocumentGridView::reflow);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this](const QItemSelection &selected) {
        if (m_mirroring)
            return;
        if (!selected.indexes().isEmpty())
            Q_EMIT cardChosen(selected.indexes().first());
        // A screen reader's toggle on the chosen card would clear it here but not in the panel.
        mirrorChosenCards();
    });
    connect(model, &QAbstractItemModel::dataChanged, this, &DocumentGridView::mirrorChosenCards);
    connect(model, &QAbstractItemModel::modelReset, this, &DocumentGridView::mirrorChosenCards);
}

QItemSelectionModel::SelectionFlags DocumentGridView::selectionCommand(const QModelIndex &index,
                                                                       const QEvent *event) const
{
    // Moving the focus with the keyboard chooses nothing.
    if (event && event->type() == QEvent::KeyPress)
        return QItemSelectionModel::NoUpdate;
    return QListView::selectionCommand(index, event);
}

QSize DocumentGridView::cellSize(int width)
{
    // Each cell holds a card and the spacing after it, and the row's cells share the width, so the cards of
    // a row stand centred in it.
    return QSize(std::max(narrowestCell, usableWidth(width) / columnsIn(width)),
                 DocumentThumbnailCard::cardSize().height() + rowSpacing);
}

void DocumentGridView::mirrorChosenCards()
{
    QItemSelection chosen;
    for (int row = 0; row < model()->rowCount(); ++row) {
        const QModelIndex index = model()->index(row, 0);
        if (index.data(DocumentGridModel::IsSelectedRole).toBool())
            chosen.select(index, index);
    }
    if (selectionModel()->selection() == chosen)
        return;
    m_mirroring = true;
    selectionModel()->select(chosen, QItemSelectionModel::ClearAndSelect);
    m_mirroring = false;
}

std::pair<int, int> DocumentGridView::rowsInView() const
{
    const int count = model() ? model()->rowCount() : 0;
    const QSize cell = gridSize();
    if (count == 0 || !isVisible() || cell.isEmpty())
        return {0, -1};
    const int columns = std::max(1, viewport()->width() / cell.width());
    const int top = verticalScrollBar()->value();
    const int firstLine = top / cell.height();
    const int lastLine = (top + std::max(0, viewport()->height() - 1)) / cell.height();
    return {std::min(count - 1, firstLine * columns), std::min(count - 1, (lastLine + 1) * columns - 1)};
}

void DocumentGridView::scheduleRowsReport()
{
    if (m_rowsReportScheduled)
        return;
    m_rowsReportScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_rowsReportScheduled = false;
        const auto [first, last] = rowsInView();
        Q_EMIT rowsInViewChanged(first, last);
    });
}

void DocumentGridView::keyPressEvent(QKeyEvent *event)
{
    const bool choose =
        event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (choose && event->modifiers() == Qt::NoModifier && currentIndex().isValid()) {
        selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect);
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void DocumentGridView::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    reflow();
    scheduleRowsReport();
}

void DocumentGridView::showEvent(QShowEvent *event)
{
    QListView::showEvent(event);
    scheduleRowsReport();
}

// The scroll bar shows exactly when the cards, laid out in the room the bar leaves, are taller than the
// grid. Both follow from the grid's own size and the number of cards, never from the viewport: columns
// fitted to the viewport would change with the bar, the rows with the columns and the bar with the rows.
void DocumentGridView::reflow()
{
    const QRect room = contentsRect().marginsRemoved(QMargins(inset, inset, inset, inset));
    const int besideBar = room.width() - verticalScrollBar()->sizeHint().width();
    const int columns = columnsIn(besideBar);
    const int cards = model() ? model()->rowCount() : 0;
    const bool overflows = (cards + columns - 1) / columns * cellSize(besideBar).height() > room.height();
    const Qt::ScrollBarPolicy bar = overflows ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (verticalScrollBarPolicy() != bar)
        setVerticalScrollBarPolicy(bar);
    const QSize cell = cellSize(overflows ? besideBar : room.width());
    if (gridSize() != cell)
        setGridSize(cell);
}
