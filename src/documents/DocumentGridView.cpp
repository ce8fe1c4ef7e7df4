#include "documents/DocumentGridView.h"

#include "documents/DocumentThumbnailCard.h"

#include <QKeyEvent>

namespace
{

constexpr int inset = 24;
constexpr int columnSpacing = 16;
constexpr int rowSpacing = 20;

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
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setViewportMargins(inset, inset, inset, inset);
    // The cards stand on the column's own background.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, colours.color(QPalette::Window));
    setPalette(colours);
    reflow();
}

void DocumentGridView::setModel(QAbstractItemModel *model)
{
    QListView::setModel(model);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this](const QItemSelection &selected) {
        if (!selected.indexes().isEmpty())
            Q_EMIT cardChosen(selected.indexes().first());
    });
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
    const int narrowest = DocumentThumbnailCard::boxWidth + columnSpacing;
    // Each cell holds a card and the spacing after it, and the row's cells share the width, so the cards of
    // a row stand centred in it. The list view wraps a row whose cells reach its last pixel column.
    const int usable = std::max(0, width - 1);
    const int columns = std::max(1, usable / narrowest);
    return QSize(std::max(narrowest, usable / columns), DocumentThumbnailCard::cardSize().height() + rowSpacing);
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
}

void DocumentGridView::reflow()
{
    const QSize cell = cellSize(viewport()->width());
    if (gridSize() != cell)
        setGridSize(cell);
}
