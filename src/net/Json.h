#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QJsonValueConstRef>
#include <QList>
#include <QString>
#include <QStringList>

#include <concepts>
#include <optional>
#include <stdexcept>

class QIODevice;

// Strict decoding of the service's JSON: required keys must be present and of the right type, optional
// keys may be absent or null, nothing is coerced. A failure anywhere throws Json::DecodingError, which the
// client turns into APIError::decodingFailed. Encoding leaves absent optionals out instead of writing null.
namespace Json
{

struct DecodingError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The bytes-decoding records read in blocks up to this far past a reply's last byte, and what lies there
// must not read as JSON. A reply followed by this many allocated zero bytes (the client reads every body
// so) is parsed where it lies; any other is copied first.
inline constexpr qsizetype readPastTheEnd = 64;
bool hasZeroedRoomPastTheEnd(const QByteArray &bytes);
// Appends what `device` has now to `bytes`, which keep that zeroed room after them. Read so as the bytes
// arrive, the transport's buffers go back while the rest still comes. With `expectedSize` the room for the
// whole is taken at once, so that the bytes are never moved as they grow.
void appendWithRoomPastTheEnd(QByteArray &bytes, QIODevice &device, qint64 expectedSize = -1);

// Any JSON text, scalars and null included (QJsonDocument alone rejects top-level scalars).
std::optional<QJsonValue> parse(const QByteArray &bytes);
QByteArray serialize(const QJsonObject &object);
QByteArray serialize(const QJsonArray &array);

QJsonObject object(const QJsonValue &value);
QJsonArray array(const QJsonValue &value);

// Readers of one value, for records that decode in a single pass over their object (markedly faster
// for a long timeline than one key lookup per field). Null counts as absent for the optional readers.
QString string(QJsonValueConstRef value);
std::optional<QString> optionalString(QJsonValueConstRef value);
std::optional<bool> optionalBool(QJsonValueConstRef value);
// Whole numbers only: 1.5 fails; 64-bit values stay exact.
qint64 integer(QJsonValueConstRef value);
std::optional<QStringList> optionalStringList(QJsonValueConstRef value);

QString requiredString(const QJsonObject &object, QLatin1StringView key);
std::optional<QString> optionalString(const QJsonObject &object, QLatin1StringView key);
bool requiredBool(const QJsonObject &object, QLatin1StringView key);
std::optional<bool> optionalBool(const QJsonObject &object, QLatin1StringView key);
// Whole numbers only: 1.5 fails; 64-bit values stay exact.
qint64 requiredInteger(const QJsonObject &object, QLatin1StringView key);
std::optional<qint64> optionalInteger(const QJsonObject &object, QLatin1StringView key);
// ISO 8601 text with a zone and without fractional seconds.
QDateTime requiredDate(const QJsonObject &object, QLatin1StringView key);
std::optional<QDateTime> optionalDate(const QJsonObject &object, QLatin1StringView key);
QDateTime parseDate(const QString &text);
QStringList stringList(const QJsonValue &value);

void putOptional(QJsonObject &object, QLatin1StringView key, const std::optional<QString> &value);

// Decoding by result type. A record T provides `static T fromJson(const QJsonValue &)`.
template <typename T> struct Decode {
    static T from(const QJsonValue &value) { return T::fromJson(value); }
};

template <> struct Decode<QString> {
    static QString from(const QJsonValue &value)
    {
        if (!value.isString())
            throw DecodingError("expected a string");
        return value.toString();
    }
};

// Any JSON value, taken as it is.
template <> struct Decode<QJsonValue> {
    static QJsonValue from(const QJsonValue &value) { return value; }
};

template <> struct Decode<QStringList> {
    static QStringList from(const QJsonValue &value) { return stringList(value); }
};

template <typename T> struct Decode<QList<T>> {
    static QList<T> from(const QJsonValue &value)
    {
        const QJsonArray items = array(value);
        QList<T> result;
        result.reserve(items.size());
        for (const QJsonValue &item : items)
            result.append(Decode<T>::from(item));
        return result;
    }
};

template <typename T> struct Decode<std::optional<T>> {
    static std::optional<T> from(const QJsonValue &value)
    {
        if (value.isNull())
            return std::nullopt;
        return Decode<T>::from(value);
    }
};

// A record that decodes straight from a reply's bytes, without a QJsonDocument in between, provides
// `fromJsonBytes`, `optionalFromJsonBytes` and `listFromJsonBytes`; replies of the record, of the record
// or null, and of a list of them then go through those.
template <typename T>
concept DecodesBytes = requires(const QByteArray &bytes)
{
    {
        T::fromJsonBytes(bytes)
        } -> std::same_as<T>;
    {
        T::optionalFromJsonBytes(bytes)
        } -> std::same_as<std::optional<T>>;
    {
        T::listFromJsonBytes(bytes)
        } -> std::same_as<QList<T>>;
};

template <typename T> struct BytesDecode {
    static constexpr bool exists = false;
};

template <DecodesBytes T> struct BytesDecode<T> {
    static constexpr bool exists = true;
    static T from(const QByteArray &bytes) { return T::fromJsonBytes(bytes); }
};

template <DecodesBytes T> struct BytesDecode<std::optional<T>> {
    static constexpr bool exists = true;
    static std::optional<T> from(const QByteArray &bytes) { return T::optionalFromJsonBytes(bytes); }
};

template <DecodesBytes T> struct BytesDecode<QList<T>> {
    static constexpr bool exists = true;
    static QList<T> from(const QByteArray &bytes) { return T::listFromJsonBytes(bytes); }
};

} // namespace Json
