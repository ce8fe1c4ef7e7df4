#pragma once

#include <QProgressBar>
#include <QVariantAnimation>

// The review's progress bar. Its value is always where the import has come, so that what a screen reader
// reads of it agrees with the label beside it; only the fill glides there. The analysis steps may come
// closer together than the motion lasts: the fill then turns toward each new value from where it is.
class ReviewProgressBar final : public QProgressBar
{
    Q_OBJECT

public:
    explicit ReviewProgressBar(QWidget *parent);

    // A new value on the same scale glides; a new scale starts where it belongs.
    void moveTo(int maximum, int value);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void showAt(double value);

    QVariantAnimation m_motion;
    // Where the fill stands, between whole values while it glides.
    double m_shown = 0;
};
