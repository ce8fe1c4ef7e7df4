#pragma once

#include <QListView>

#include <utility>

// The documents grid: cards in rows that fill the width (each column 130 to 160 wide, 16 apart, rows 20
// apart, 24 inside the edges) and reflow when the width changes. A click, Return or Space on a card
// chooses it, and so does a screen reader's action on the card, which reads a card as selected exactly when
// it is outlined; the arrow keys only move the focus between cards.
class DocumentGridView final : public QListView
{
    Q_OBJECT

public:
    explicit DocumentGridView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;

    // The cell of each card when the grid is `width` wide: as many columns as fit, sharing the width.
    static QSize cellSize(int width);
    // The first and last row with a card in view (last < first when none is).
    std::pair<int, int> rowsInView() const;

Q_SIGNALS:
    void cardChosen(const QModelIndex &index);
    // Reported once per event-loop turn in which the grid scrolled, resized or got other documents.
    void rowsInViewChanged(int first, int last);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event = nullptr) const override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void reflow();
    void scheduleRowsReport();
    // The view's own selection, which screen readers read, follows the cards the panel outlines.
    void mirrorChosenCards();

    bool m_rowsReportScheduled = false;
    bool m_mirroring = false;
};
