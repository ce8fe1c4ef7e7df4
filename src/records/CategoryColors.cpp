#include "CategoryColors.h"

// Function-local statics give each colour its own thread-safe one-time creation.

const QColor &categoryColorHx()
{
    static const QColor color = QColor::fromRgb(26, 115, 232);
    return color;
}

const QColor &categoryColorRx()
{
    static const QColor color = QColor::fromRgb(52, 168, 83);
    return color;
}

const QColor &categoryColorAx()
{
    static const QColor color = QColor::fromRgb(231, 111, 91);
    return color;
}

const QColor &categoryColorZx()
{
    static const QColor color = QColor::fromRgb(249, 171, 0);
    return color;
}

const QColor &categoryColorVx()
{
    static const QColor color = QColor::fromRgb(160, 64, 255);
    return color;
}

const QColor &categoryColorLab()
{
    static const QColor color = QColor::fromRgb(95, 99, 104);
    return color;
}

const QColor &categoryColorOther()
{
    static const QColor color = QColor::fromRgb(154, 160, 166);
    return color;
}
