// Decodes arbitrary bytes as each authentication reply: decoding may fail, never crash.
#include "net/AuthModels.h"
#include "net/Json.h"

#include <cstddef>
#include <cstdint>

namespace
{

template <typename Record> void tryDecode(const QJsonValue &value)
{
    try {
        Record::fromJson(value);
    } catch (const Json::DecodingError &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QJsonValue> value = Json::parse(bytes);
    if (!value)
        return 0;
    tryDecode<LoginResponse>(*value);
    tryDecode<RefreshTokenResponse>(*value);
    tryDecode<RegisterResponse>(*value);
    tryDecode<AuthUser>(*value);
    return 0;
}
