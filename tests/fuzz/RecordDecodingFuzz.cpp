// Decodes arbitrary bytes as every reply that carries entries or documents: decoding may fail, never crash.
// What decodes must be JSON by Qt's own parser as well, and entries written out again decode to the same; a
// list decodes alike in parts.
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

// A list decoded in parts, each element on its own, says exactly what it says decoded whole.
void checkInParts(const QByteArray &bytes, const QList<Medbit> *whole)
{
    const std::optional<QList<Medbit>> parts = RecordDecoding::medbitListInParts(bytes);
    if (parts.has_value() != (whole != nullptr) || (parts && *parts != *whole))
        std::abort();
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
