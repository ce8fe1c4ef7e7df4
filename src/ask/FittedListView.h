#pragma once

#include <QListView>

// A list shown whole inside a scrolling column: no scroll bars of its own, as tall as its rows. A row is
// chosen by a click or by Return, Enter or Space on the current row.
class FittedListView final : public QListView
{
    Q_OBJECT

public:
    explicit FittedListView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;

Q_SIGNALS:
    void chosen(const QModelIndex &index);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitHeight();
};
