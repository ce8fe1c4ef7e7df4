#pragma once

#include <QtGlobal>

class QWidget;
class ReviewSectionBlock;

// A place where Tab stops in the review: a control, or a suggestion whose row is not built yet (built when
// Tab reaches it).
struct ReviewTabStop {
    QWidget *control = nullptr;
    ReviewSectionBlock *block = nullptr;
    qsizetype row = -1;
};
