// Decodes arbitrary bytes as each event of the analysis stream and as the review's records (suggested
// entries, stored files, translation replies): decoding may fail, never crash. What decodes is written back
// and decodes to the same, as the review sends suggestions and files back to the service.
#include "import/ImportModels.h"
#include "net/Json.h"

#include <QJsonArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{

template <typename Decode> void tryDecode(Decode decode)
{
    try {
        decode();
    } catch (const Json::DecodingError &) {
    }
}

template <typename T> void checkRoundTrip(const QJsonValue &value)
{
    QList<T> records;
    try {
        records = Json::Decode<QList<T>>::from(value);
    } catch (const Json::DecodingError &) {
        return;
    }
    QJsonArray written;
    for (const T &record : std::as_const(records))
        written.append(record.toJson());
    if (Json::Decode<QList<T>>::from(written) != records)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    tryDecode([&] {
        for (const PreviewMedbit &medbit : SmartAnalyzeMessageEvent::decode(bytes).items)
            medbit.formattedDate();
    });
    tryDecode([&] { SmartAnalyzeFinishedStepEvent::decode(bytes); });
    tryDecode([&] { SmartAnalyzeDoneEvent::decode(bytes); });
    tryDecode([&] { SmartAnalyzeErrorEvent::decode(bytes); });
    const std::optional<QJsonValue> value = Json::parse(bytes);
    if (!value)
        return 0;
    checkRoundTrip<PreviewMedbit>(*value);
    checkRoundTrip<SmartAnalyzeUploadedFile>(*value);
    tryDecode([&] { Json::Decode<QList<TranslatedPatch>>::from(*value); });
    return 0;
}
