#include "documents/DocumentKey.h"

namespace DocumentKey
{

std::optional<QString> identity(const ImageAsset &document)
{
    if (document._id)
        return document._id;
    if (document.uri)
        return document.uri;
    return document.fileName;
}

QString forListed(const ImageAsset &document, int position)
{
    // A control character cannot start an id, a link or a file name the service hands out.
    return identity(document).value_or(QStringLiteral("\x01position %1").arg(position));
}

std::optional<QString> serviceID(const ImageAsset &document)
{
    if (document._id && !document._id->isEmpty())
        return document._id;
    return std::nullopt;
}

} // namespace DocumentKey
