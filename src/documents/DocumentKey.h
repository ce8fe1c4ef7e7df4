#pragma once

#include "records/ImageAsset.h"

#include <QString>

#include <optional>

// How the documents panel tells listed documents apart and which of them it may ask the service about.
// A record's identity is its "_id", else its link, else its file name. A record with none of the three would
// otherwise get a new random id at every reading, so it could never be selected and would send a refresh for
// a new id each time it failed: it is keyed by its place in the list instead, and never sent to the service.
namespace DocumentKey
{

// "_id", else "uri", else "fileName"; none when all three are missing.
std::optional<QString> identity(const ImageAsset &document);
// The identity, or a key made from `position` that no identity can equal.
QString forListed(const ImageAsset &document, int position);
// The id a request about the document may carry: a non-empty "_id" only.
std::optional<QString> serviceID(const ImageAsset &document);

} // namespace DocumentKey
