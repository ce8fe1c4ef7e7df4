#pragma once

#include <QByteArray>
#include <QString>

// Small but real documents for the demo account, made in code.
namespace SampleFiles
{

// A one-page PDF that shows `lines` of text (one line each, ASCII).
QByteArray pdf(const QStringList &lines);

// A PNG of `width` x `height` pixels: a colour gradient with a darker frame.
QByteArray png(int width, int height);

} // namespace SampleFiles
