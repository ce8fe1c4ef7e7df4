#include "MenuButton.h"

#include "SymbolIcons.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace
{

constexpr int chevronSize = 10;
constexpr int chevronSpacing = 6;
constexpr int chevronRoom = chevronSpacing + chevronSize;

} // namespace

MenuButton::MenuButton(QWidget *parent) : QToolButton(parent)
{
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setPopupMode(QToolButton::InstantPopup);
    setAutoRaise(true);
    setFocusPolicy(Qt::StrongFocus);
}

void MenuButton::setChevronColor(const QColor &color)
{
    m_chevronColor = color;
    update();
}

QSize MenuButton::sizeHint() const
{
    return QToolButton::sizeHint() + QSize(chevronRoom, 0);
}

QSize MenuButton::minimumSizeHint() const
{
    return sizeHint();
}

void MenuButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    // The style's indicator goes; the label keeps its place at the leading edge.
    option.features &= ~QStyleOptionToolButton::HasMenu;
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
    const QColor color = m_chevronColor.isValid() ? m_chevronColor : palette().color(QPalette::ButtonText);
    const QPixmap chevron =
        SymbolIcons::tinted(QStringLiteral("chevron.down"), chevronSize, color, devicePixelRatioF());
    const QRect box(width() - chevronRoom, (height() - chevronSize) / 2, chevronSize, chevronSize);
    painter.drawPixmap(QStyle::visualRect(layoutDirection(), rect(), box), chevron);
}
