#pragma once

#include <QTimer>
#include <QWidget>

// A small spinning progress indicator without text. It only animates while visible.
class BusyIndicator final : public QWidget
{
    Q_OBJECT

public:
    explicit BusyIndicator(int diameter = 16, QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QTimer m_timer;
    int m_diameter = 16;
    int m_step = 0;
};
