#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QWidget;

// The look every screen shares: the window's palette, the named colours and the named text styles.
// Sizes are logical pixels.
namespace Theme
{

// The signed-in window is always drawn light, whatever the desktop's scheme.
QPalette palette();
// A dialog opened over the window is a top-level widget and so does not inherit the window's palette:
// it takes it here.
void applyPalette(QWidget *dialog);

QFont largeTitleFont();
QFont title2Font();
QFont headlineFont();
QFont subheadlineFont();
QFont captionFont();
// The system font at a pixel size and weight.
QFont systemFont(int size, QFont::Weight weight = QFont::Normal);

QColor secondaryColor(const QWidget *widget);
QColor secondaryColor(const QPalette &palette);
// Errors and destructive actions.
QColor errorColor();
// Links and plain buttons drawn blue.
QColor linkColor();
QColor starColor();
// The attachment tile's fill and symbol.
QColor tileColor();

// Text (labels' and buttons') in one colour, through the widget's palette.
void setTextColor(QWidget *widget, const QColor &color);
// A flat tool button draws no focus of its own: this one gets a ring in the accent colour while focused.
void showFocusRing(QWidget *toolButton);

} // namespace Theme
