#pragma once

#include <QList>
#include <QString>

#include <optional>

struct Medbit;

// Which entries the timeline shows: those tagged exactly with the category code, and, when the trimmed search
// is not empty, whose text or one of whose tag codes contains it, case-insensitively. The translation, the
// date and the attachments are not searched; the order is kept.
namespace TimelineFilter
{

bool matches(const Medbit &medbit, const std::optional<QString> &categoryCode, const QString &trimmedSearch);
// The positions in `medbits` of the entries shown.
QList<int> shownRows(const QList<Medbit> &medbits, const std::optional<QString> &categoryCode,
                     const QString &searchText);

} // namespace TimelineFilter
