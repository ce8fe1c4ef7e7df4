#include "ClipboardHistoryStore.h"

#include "net/Json.h"
#include "platform/PrivateSettings.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QThreadPool>
#include <QUrl>

namespace ClipboardHistoryStore
{

namespace
{

const QString historyFolder = QStringLiteral("clipboard-history");

struct PendingSave {
    QList<ClipboardItem> items;
    QString patientID;
};

QMutex pendingMutex;
QHash<QString, PendingSave> pendingSaves; // by key, guarded by pendingMutex

// One thread, so that writes happen in the order asked for.
QThreadPool &writer()
{
    static QThreadPool pool;
    pool.setMaxThreadCount(1);
    return pool;
}

constexpr QLatin1StringView dataFileKey("dataFile");

QString idText(const ClipboardItem &item)
{
    return item.id.toString(QUuid::WithoutBraces).toUpper();
}

// The prefix keeps the empty id a name, and the escaping keeps any id one name.
QString patientFolderName(const QString &patientID)
{
    return historyFolder + QStringLiteral("/patient-") + QString::fromLatin1(QUrl::toPercentEncoding(patientID));
}

QString patientFolder(const QString &patientID)
{
    if (PrivateSettings::privateFolder(historyFolder).isEmpty())
        return {};
    return PrivateSettings::privateFolder(patientFolderName(patientID));
}

bool writeOnce(const QDir &folder, const QString &name, const QByteArray &bytes)
{
    const QString partial = folder.filePath(name + QStringLiteral(".part"));
    QFile file(partial);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate, QFile::ReadOwner | QFile::WriteOwner) &&
                         file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (written && QFile::rename(partial, folder.filePath(name)))
        return true;
    QFile::remove(partial);
    return false;
}

QJsonObject metadata(const ClipboardItem &item)
{
    ClipboardItem withoutFile = item;
    withoutFile.file.reset();
    QJsonObject object = withoutFile.toJson();
    if (item.file) {
        object.insert(QLatin1StringView("file"), QJsonObject{{QLatin1StringView("filename"), item.file->filename},
                                                             {QLatin1StringView("mimeType"), item.file->mimeType},
                                                             {dataFileKey, idText(item)}});
    }
    return object;
}

ClipboardItem decode(const QJsonValue &value, const QDir &folder)
{
    QJsonObject object = Json::object(value);
    const QJsonObject file = object.value(QLatin1StringView("file")).toObject();
    if (!file.contains(dataFileKey))
        return ClipboardItem::fromJson(object);
    object.remove(QLatin1StringView("file"));
    ClipboardItem item = ClipboardItem::fromJson(object);
    // Only the item's own file, never a path the record names.
    if (Json::requiredString(file, dataFileKey) != idText(item))
        throw Json::DecodingError("file of another item");
    QFile data(folder.filePath(idText(item)));
    if (!data.open(QIODevice::ReadOnly))
        throw Json::DecodingError("file contents missing");
    item.file = ClipboardFile{Json::requiredString(file, QLatin1StringView("filename")),
                              Json::requiredString(file, QLatin1StringView("mimeType")), data.readAll()};
    return item;
}

// Writes the list's files not written yet; the names of all its files, or nothing when one could not be written.
std::optional<QSet<QString>> writeFiles(const QDir &folder, const QStringList &present,
                                        const QList<ClipboardItem> &items)
{
    const QSet<QString> there(present.cbegin(), present.cend());
    QSet<QString> kept;
    for (const ClipboardItem &item : items) {
        if (!item.file)
            continue;
        const QString name = idText(item);
        if (!there.contains(name) && !writeOnce(folder, name, item.file->data))
            return std::nullopt;
        kept.insert(name);
    }
    return kept;
}

void write(const QList<ClipboardItem> &items, const QString &patientID, const QString &key)
{
    const QString path = patientFolder(patientID);
    // Nothing here reports to the user: what fails is tried again at the next change.
    if (path.isEmpty())
        return;
    QDir folder(path);
    const QStringList present = folder.entryList(QDir::Files);
    const std::optional<QSet<QString>> kept = writeFiles(folder, present, items);
    if (!kept)
        return;
    QJsonArray array;
    for (const ClipboardItem &item : items)
        array.append(metadata(item));
    if (!PrivateSettings::setValue(key, QString::fromUtf8(Json::serialize(array))))
        return;
    // Only once the list no longer names them.
    for (const QString &name : present) {
        if (!kept->contains(name))
            folder.remove(name);
    }
}

void writeNewest(const QString &key)
{
    pendingMutex.lock();
    const PendingSave save = pendingSaves.take(key);
    pendingMutex.unlock();
    write(save.items, save.patientID, key);
}

} // namespace

void save(const QList<ClipboardItem> &items, const QString &patientID, const QString &key)
{
    const QMutexLocker locker(&pendingMutex);
    const bool queued = pendingSaves.contains(key);
    pendingSaves.insert(key, PendingSave{items, patientID});
    // The write already queued for this key takes the newest list.
    if (!queued)
        writer().start([key] { writeNewest(key); });
}

void waitForSaves()
{
    writer().waitForDone();
}

QList<ClipboardItem> load(const QString &patientID, const QString &key)
{
    waitForSaves();
    const QVariant stored = PrivateSettings::value(key);
    if (stored.typeId() != QMetaType::QString)
        return {};
    const std::optional<QJsonValue> json = Json::parse(stored.toString().toUtf8());
    if (!json || !json->isArray())
        return {};
    const QDir folder(PrivateSettings::folderPath(patientFolderName(patientID)));
    const QJsonArray array = json->toArray();
    QList<ClipboardItem> items;
    items.reserve(array.size());
    for (const QJsonValue &value : array) {
        try {
            items.append(decode(value, folder));
        } catch (const Json::DecodingError &) {
            // Dropped on purpose: the rest of the history is still the user's.
        }
    }
    return items;
}

} // namespace ClipboardHistoryStore
