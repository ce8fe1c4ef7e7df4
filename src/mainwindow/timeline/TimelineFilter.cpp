#include "mainwindow/timeline/TimelineFilter.h"

#include "records/Medbit.h"

#include <algorithm>

namespace TimelineFilter
{

bool matches(const Medbit &medbit, const std::optional<QString> &categoryCode, const QString &trimmedSearch)
{
    if (categoryCode && !medbit.tags.contains(*categoryCode))
        return false;
    if (trimmedSearch.isEmpty())
        return true;
    if (medbit.entryText.contains(trimmedSearch, Qt::CaseInsensitive))
        return true;
    return std::any_of(medbit.tags.cbegin(), medbit.tags.cend(),
                       [&](const QString &tag) { return tag.contains(trimmedSearch, Qt::CaseInsensitive); });
}

QList<int> shownRows(const QList<Medbit> &medbits, const std::optional<QString> &categoryCode,
                     const QString &searchText)
{
    const QString search = searchText.trimmed();
    QList<int> rows;
    rows.reserve(medbits.size());
    for (int row = 0; row < medbits.size(); ++row) {
        if (matches(medbits.at(row), categoryCode, search))
            rows.append(row);
    }
    return rows;
}

} // namespace TimelineFilter
