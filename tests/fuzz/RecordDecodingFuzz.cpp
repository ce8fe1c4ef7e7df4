// Decodes arbitrary bytes as every reply that carries entries or documents: decoding may fail, never crash.
// What decodes must be JSON by Qt's own parser as well, and entries written out again decode to the same; a
// list decodes alike on its own and at the end of a list long enough to be decoded in parts.
#include "net/Json.h"
#include "records/RecordDecoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{

template <typename Decode> void tryDecode(Decode decode, const QByteArray &bytes, bool isJson)
{
    try {
        decode(bytes);
        if (!isJson)
            std::abort();
    } catch (const Json::DecodingError &) {
    }
}

void checkRoundTrip(const QByteArray &bytes, bool isJson)
{
    QList<Medbit> medbits;
    try {
        medbits = RecordDecoding::medbitList(bytes);
    } catch (const Json::DecodingError &) {
        checkInParts(bytes, nullptr);
        return;
    }
    checkInParts(bytes, &medbits);
    if (!isJson)
        std::abort();
    QJsonArray written;
    for (const Medbit &medbit : std::as_const(medbits))
        written.append(medbit.toJson());
    if (RecordDecoding::medbitList(Json::serialize(written)) != medbits)
        std::abort();
}

constexpr int fillerEntries = 4000;

// A list behind a few thousand plain entries is long enough to be decoded in parts: it must decode exactly when
// the list alone does, to the plain entries followed by the same.
void checkInParts(const QByteArray &bytes, const QList<Medbit> *alone)
{
    const qsizetype open = bytes.indexOf('[');
    if (open < 0 || !bytes.left(open).trimmed().isEmpty())
        return;
    static const QByteArray filler = [] {
        QByteArray entries;
        for (int i = 0; i < fillerEntries; ++i)
            entries += "{\"_id\":\"f\",\"entryText\":\"x\",\"date\":1},";
        return entries;
    }();
    const bool empty = bytes.mid(open + 1).trimmed().startsWith(']');
    const QByteArray longer = bytes.left(open + 1) + (empty ? filler.chopped(1) : filler) + bytes.mid(open + 1);
    QList<Medbit> decoded;
    try {
        decoded = RecordDecoding::medbitList(longer);
    } catch (const Json::DecodingError &) {
        if (alone)
            std::abort();
        return;
    }
    if (!alone || decoded.size() != fillerEntries + alone->size() || decoded.mid(fillerEntries) != *alone)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const bool isJson = Json::parse(bytes).has_value();
    checkRoundTrip(bytes, isJson);
    tryDecode(RecordDecoding::medbit, bytes, isJson);
    tryDecode(RecordDecoding::optionalMedbit, bytes, isJson);
    tryDecode(RecordDecoding::imageAsset, bytes, isJson);
    tryDecode(RecordDecoding::optionalImageAsset, bytes, isJson);
    tryDecode(RecordDecoding::imageAssetList, bytes, isJson);
    return 0;
}
