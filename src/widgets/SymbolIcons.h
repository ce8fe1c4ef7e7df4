#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The system symbols the window names: a few drawn from the application's own monochrome files, the rest
// with the closest icon of the freedesktop theme.
namespace SymbolIcons
{

// Makes Breeze the theme that answers when the desktop sets none (offscreen, bare X sessions).
void installFallbackTheme();
// The theme icon for a symbol name such as "star.fill"; a null icon for a name outside the table.
QIcon icon(const QString &symbol);
// The symbol at `size` logical pixels, recoloured in `color` the way a tinted symbol is drawn.
QPixmap tinted(const QString &symbol, int size, const QColor &color, qreal devicePixelRatio = 1.0);

} // namespace SymbolIcons
