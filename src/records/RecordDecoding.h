#pragma once

#include "ImageAsset.h"
#include "Medbit.h"

#include <QByteArray>
#include <QList>

#include <optional>

// The one decoder of entries and documents: a single forward pass over the reply's bytes with simdjson's
// On-Demand parser, straight into the records, several times faster than building a QJsonDocument first
// (a 10,000-entry timeline decodes in a few milliseconds). The records' rules hold as they always have:
// required keys present and of their type, optional keys absent or null, whole numbers only, booleans as
// booleans, tags as texts. An entry's documents never cost the entry: a malformed list is dropped whole.
// Whatever a record ignores must still be JSON. Every failure throws Json::DecodingError; in a list, one
// bad element fails the list.
namespace RecordDecoding
{

Medbit medbit(const QByteArray &json);
// null gives nullopt.
std::optional<Medbit> optionalMedbit(const QByteArray &json);
// A long list decodes in parts side by side (as medbitListInParts), any other as a whole.
QList<Medbit> medbitList(const QByteArray &json);
// The list in parts on worker threads, each element on its own, whatever its length. Nothing where the
// bytes are not a list of objects that all decode: the decode of the whole then tells the failure.
std::optional<QList<Medbit>> medbitListInParts(const QByteArray &json);

ImageAsset imageAsset(const QByteArray &json);
std::optional<ImageAsset> optionalImageAsset(const QByteArray &json);
QList<ImageAsset> imageAssetList(const QByteArray &json);

} // namespace RecordDecoding
