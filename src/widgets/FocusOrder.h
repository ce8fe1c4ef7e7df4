#pragma once

#include <QList>

class QWidget;

// Tab follows the window's focus chain, where a widget takes its place, at the end, when it is created. A
// panel that builds a part of itself later (the entry shown, the preview beside it, the list of a section
// switched to) puts its parts back in the order they are seen.
namespace FocusOrder
{

// Makes the Tab stops inside `parts` follow one another in the order of `parts`, starting where the first
// part's first stop is; each part keeps its own stops' order. Null parts are skipped.
void chain(const QList<QWidget *> &parts);

} // namespace FocusOrder
