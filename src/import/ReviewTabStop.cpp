#include "ReviewTabStop.h"

#include "ReviewSectionBlock.h"

#include <algorithm>

// An open editor inside a review text holds the focus for the text: the text is the stop.
QWidget *ReviewTabStop::neighbour(const QList<ReviewTabStop> &stops, QWidget *focus, bool next)
{
    const auto current = std::find_if(stops.cbegin(), stops.cend(), [focus](const ReviewTabStop &stop) {
        return focus && stop.control && (stop.control == focus || stop.control->isAncestorOf(focus));
    });
    if (current == stops.cend())
        return nullptr;
    const qsizetype index = current - stops.cbegin();
    const ReviewTabStop &target = stops.at((index + (next ? 1 : stops.size() - 1)) % stops.size());
    return target.control ? target.control : target.block->reach(target.row, next);
}
