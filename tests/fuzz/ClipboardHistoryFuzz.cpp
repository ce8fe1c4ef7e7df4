// Reads arbitrary bytes as a patient's clipboard history the way it is read from the settings file, which
// anyone with the account can edit: the items that decode are kept, the rest dropped, nothing crashes. What
// is kept is written back and read again unchanged, as the next save and load would.
#include "clipboard/ClipboardModels.h"
#include "net/Json.h"

#include <QJsonDocument>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QJsonValue> value = Json::parse(QString::fromUtf8(bytes).toUtf8());
    if (!value || !value->isArray())
        return 0;
    const QList<ClipboardItem> items = ClipboardItem::listFromJson(value->toArray());
    const QByteArray saved = QJsonDocument(ClipboardItem::listToJson(items)).toJson(QJsonDocument::Compact);
    const std::optional<QJsonValue> reread = Json::parse(saved);
    if (!reread || ClipboardItem::listFromJson(reread->toArray()).size() != items.size())
        std::abort();
    return 0;
}
