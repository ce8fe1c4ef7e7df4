// Decodes arbitrary bytes as every chat record the service sends, in both date forms, and as each answer
// stream payload: decoding may fail, never crash.
#include "ask/ChatModels.h"
#include "net/Json.h"

#include <cstddef>
#include <cstdint>

namespace
{

template <typename Decode> void tryDecode(Decode decode)
{
    try {
        decode();
    } catch (const Json::DecodingError &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    tryDecode([&] { ChatMessageDeltaEvent::fromData(bytes); });
    tryDecode([&] { ChatDoneEvent::fromData(bytes); });
    tryDecode([&] { ChatStreamErrorEvent::fromData(bytes); });
    const std::optional<QJsonValue> value = Json::parse(bytes);
    if (!value)
        return 0;
    for (const ChatDateForm dates : {ChatDateForm::iso8601, ChatDateForm::secondsSince2001}) {
        tryDecode([&] { ChatChannel::fromJson(*value, dates); });
        tryDecode([&] { ChatMessage::fromJson(*value, dates); });
    }
    tryDecode([&] { UsedMedbitRef::fromJson(*value); });
    tryDecode([&] { ChatCursorPage<ChatMessage>::fromJson(*value); });
    tryDecode([&] { ChatCursorPage<ChatChannel>::fromJson(*value); });
    return 0;
}
