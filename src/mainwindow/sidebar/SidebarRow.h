#pragma once

#include <QAbstractButton>

#include <functional>
#include <optional>

// The frame the sidebar's rows share: a leading element, the title in the body font, the whole row the click
// area, tinted in the accent colour while selected. A row without an action looks the same and takes no
// clicks. The sidebar sets the selection; a click only runs the action. The row is not a checkable button,
// whose "Toggle" would flip the tick without running the action: it tells assistive technology its selection
// as a checked state, and its accessible actions, Space and Return all click it.
class SidebarRow : public QAbstractButton
{
    Q_OBJECT

public:
    SidebarRow(const QString &title, std::function<void()> action, int verticalPadding, QWidget *parent = nullptr);

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    QSize sizeHint() const override;
    // The whole title: a row is never narrower than its label.
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    // The leading element, drawn into a box leadingWidth() wide, centred vertically.
    virtual int leadingWidth() const = 0;
    virtual int leadingHeight() const = 0;
    virtual void paintLeading(QPainter *painter, const QRect &box) const = 0;

    QColor accent() const;
    // The colour a selected row is faintly tinted with: the accent colour unless a row has its own.
    virtual QColor tintColor() const { return accent(); }

    // The category badge of the category rows: initials in bold on a rounded box, outlined when an outline
    // colour is given.
    static constexpr int badgeWidth = 32;
    static constexpr int badgeHeight = 22;
    static void paintBadge(QPainter *painter, const QRect &box, const QString &initials, const QColor &fill,
                           const QColor &textColor, const std::optional<QColor> &outline = std::nullopt);

    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::function<void()> m_action;
    int m_verticalPadding = 0;
    bool m_selected = false;
};
