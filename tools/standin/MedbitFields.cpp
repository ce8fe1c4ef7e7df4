#include "MedbitFields.h"

#include "Records.h"

#include <QJsonArray>

#include <cmath>

namespace
{

bool readOptionalText(const QJsonObject &json, const QString &key, std::optional<QString> *out, QString *error)
{
    const QJsonValue value = json.value(key);
    if (value.isUndefined() || value.isNull()) {
        *out = std::nullopt;
        return true;
    }
    if (!value.isString()) {
        *error = QStringLiteral("\"%1\" must be text.").arg(key);
        return false;
    }
    *out = value.toString();
    return true;
}

bool readFlag(const QJsonObject &json, const QString &key, bool *out, QString *error)
{
    const QJsonValue value = json.value(key);
    if (value.isUndefined() || value.isNull()) {
        *out = false;
        return true;
    }
    if (!value.isBool()) {
        *error = QStringLiteral("\"%1\" must be true or false.").arg(key);
        return false;
    }
    *out = value.toBool();
    return true;
}

bool readDate(const QJsonObject &json, qint64 *out, QString *error)
{
    const QJsonValue value = json.value(QLatin1String("date"));
    const double number = value.toDouble();
    if (!value.isDouble() || std::floor(number) != number || std::abs(number) > 9.2e18) {
        *error = QStringLiteral("\"date\" is required: whole seconds since 1970.");
        return false;
    }
    *out = value.toInteger();
    return true;
}

bool readTags(const QJsonObject &json, QStringList *out, QString *error)
{
    const QJsonValue value = json.value(QLatin1String("tags"));
    out->clear();
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isArray()) {
        *error = QStringLiteral("\"tags\" must be a list of texts.");
        return false;
    }
    for (const QJsonValue &tag : value.toArray()) {
        if (!tag.isString()) {
            *error = QStringLiteral("\"tags\" must be a list of texts.");
            return false;
        }
        out->append(tag.toString());
    }
    return true;
}

} // namespace

bool readMedbitFields(const QJsonObject &json, Medbit *medbit, QString *error)
{
    if (!json.value(QLatin1String("entryText")).isString()) {
        *error = QStringLiteral("\"entryText\" is required and must be text.");
        return false;
    }
    medbit->entryText = json.value(QLatin1String("entryText")).toString();
    return readOptionalText(json, QStringLiteral("translated"), &medbit->translated, error) &&
           readOptionalText(json, QStringLiteral("language"), &medbit->language, error) &&
           readDate(json, &medbit->date, error) &&
           readFlag(json, QStringLiteral("isApproxDate"), &medbit->isApproxDate, error) &&
           readFlag(json, QStringLiteral("isLocked"), &medbit->isLocked, error) &&
           readFlag(json, QStringLiteral("isStarred"), &medbit->isStarred, error) &&
           readTags(json, &medbit->tags, error);
}
