#pragma once

#include <QLabel>

// One line of plain text that ends in "…" where the label is too narrow for it. text() and what screen
// readers hear stay the whole text.
class ElidedLabel final : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget *parent);

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
