#pragma once

#include <QListView>
#include <QPersistentModelIndex>

// A list shown whole inside a scrolling column: no scroll bars of its own, as tall as its rows. A row is
// chosen by a click, by Return, Enter or Space on the current row, or by a screen reader's row action.
//
// The mouse and the keys never select a row: the selection is the row its owner marks as open, so that a
// screen reader reads the real state. A screen reader's only row action selects its row; that chooses
// the row as a click does, and the mark goes back to what the owner keeps open.
class FittedListView final : public QListView
{
    Q_OBJECT

public:
    explicit FittedListView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    // An invalid index marks no row.
    void markOpen(const QModelIndex &index);

Q_SIGNALS:
    void chosen(const QModelIndex &index);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event = nullptr) const override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitHeight();
    void showOpen();
    void chooseSelected(const QItemSelection &selected);

    QPersistentModelIndex m_open;
    bool m_isMarking = false;
};
