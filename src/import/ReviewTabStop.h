#pragma once

#include <QList>

class QWidget;
class ReviewSectionBlock;

// A place where Tab stops in the review: a control, or a suggestion whose row is not built yet (built when
// Tab reaches it).
struct ReviewTabStop {
    QWidget *control = nullptr;
    ReviewSectionBlock *block = nullptr;
    qsizetype row = -1;

    // The control after the stop that holds `focus`, or before it, going round at the ends; null when no
    // stop holds `focus`.
    static QWidget *neighbour(const QList<ReviewTabStop> &stops, QWidget *focus, bool next);
};
