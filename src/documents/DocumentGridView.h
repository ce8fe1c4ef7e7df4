#pragma once

#include <QListView>

// The documents grid: cards in rows that fill the width (each column 130 to 160 wide, 16 apart, rows 20
// apart, 24 inside the edges) and reflow when the width changes. A click, Return or Space on a card
// chooses it, and so does a screen reader's select action on the card; the arrow keys only move the focus
// between cards.
class DocumentGridView final : public QListView
{
    Q_OBJECT

public:
    explicit DocumentGridView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;

    // The cell of each card when the grid is `width` wide: as many columns as fit, sharing the width.
    static QSize cellSize(int width);

Q_SIGNALS:
    void cardChosen(const QModelIndex &index);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event = nullptr) const override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void reflow();
};
