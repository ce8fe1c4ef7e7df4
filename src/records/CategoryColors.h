#pragma once

#include <QColor>

// The seven category colours, shared by every badge that draws a category. Each is made on its first read
// and then lives for the whole process; "$" and "@" share categoryColorOther.
const QColor &categoryColorHx();
const QColor &categoryColorRx();
const QColor &categoryColorAx();
const QColor &categoryColorZx();
const QColor &categoryColorVx();
const QColor &categoryColorLab();
const QColor &categoryColorOther();
