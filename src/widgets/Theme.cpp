#include "Theme.h"

#include <QWidget>

namespace Theme
{

namespace
{

const QColor accentBlue(0x00, 0x7a, 0xff);

} // namespace

QPalette palette()
{
    QPalette light(Qt::black, QColor(236, 236, 236), Qt::white, QColor(160, 160, 160), QColor(200, 200, 200), Qt::black,
                   Qt::white, Qt::white, QColor(246, 246, 246));
    light.setColor(QPalette::Highlight, accentBlue);
    light.setColor(QPalette::HighlightedText, Qt::white);
    light.setColor(QPalette::PlaceholderText, QColor(128, 128, 133));
    light.setColor(QPalette::Midlight, QColor(225, 225, 228));
    light.setColor(QPalette::ToolTipBase, Qt::white);
    light.setColor(QPalette::ToolTipText, Qt::black);
    // The constructor gives every group the same colours: a disabled control must read as unavailable.
    const QColor unavailable(172, 172, 177);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        light.setColor(QPalette::Disabled, role, unavailable);
    return light;
}

void applyPalette(QWidget *dialog)
{
    dialog->setPalette(palette());
}

QFont largeTitleFont()
{
    return systemFont(26, QFont::Bold);
}

QFont title2Font()
{
    return systemFont(17, QFont::Bold);
}

QFont headlineFont()
{
    return systemFont(13, QFont::Bold);
}

QFont subheadlineFont()
{
    return systemFont(11);
}

QFont captionFont()
{
    return systemFont(10);
}

QFont systemFont(int size, QFont::Weight weight)
{
    QFont font;
    font.setPixelSize(size);
    font.setWeight(weight);
    return font;
}

QColor secondaryColor(const QWidget *widget)
{
    return secondaryColor(widget->palette());
}

QColor secondaryColor(const QPalette &palette)
{
    return palette.color(QPalette::PlaceholderText);
}

QColor errorColor()
{
    // Darker than the usual system red, so a caption keeps a 4.5:1 contrast on white.
    return QColor(0xd7, 0x30, 0x27);
}

QColor linkColor()
{
    // Darker than the accent blue, for the same contrast in small text.
    return QColor(0x0a, 0x64, 0xd8);
}

QColor starColor()
{
    return QColor(0xff, 0xcc, 0x00);
}

QColor tileColor()
{
    return accentBlue;
}

void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette colours = widget->palette();
    colours.setColor(QPalette::WindowText, color);
    colours.setColor(QPalette::ButtonText, color);
    widget->setPalette(colours);
}

void showFocusRing(QWidget *toolButton)
{
    toolButton->setStyleSheet(QStringLiteral("QToolButton { border: 2px solid transparent; border-radius: 5px; }"
                                             " QToolButton:focus { border-color: palette(highlight); }"));
}

} // namespace Theme
