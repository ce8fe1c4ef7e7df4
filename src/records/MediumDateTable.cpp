#include "MediumDateTable.h"

#include <algorithm>
#include <cstring>

namespace MediumDateTable
{

const Entry *find(QByteArrayView tag)
{
    const Entry *end = entries + entryCount;
    const Entry *entry = std::lower_bound(entries, end, tag, [](const Entry &candidate, QByteArrayView wanted) {
        return QByteArrayView(candidate.tag) < wanted;
    });
    return entry != end && QByteArrayView(entry->tag) == tag ? entry : nullptr;
}

} // namespace MediumDateTable
