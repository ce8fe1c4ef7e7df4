#pragma once

#include <QColor>
#include <QToolButton>

// A borderless button that opens its menu on a press: icon and title, then a small "chevron.down" on the
// title's centre line, where the style's own indicator would sit low in the corner.
class MenuButton : public QToolButton
{
    Q_OBJECT

public:
    explicit MenuButton(QWidget *parent = nullptr);

    // The chevron's colour; by default that of the title.
    void setChevronColor(const QColor &color);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_chevronColor;
};
