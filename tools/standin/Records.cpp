#include "Records.h"

#include <QDateTime>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QUrl>

#include <array>

QJsonObject User::toJson() const
{
    return {{QStringLiteral("_id"), id}, {QStringLiteral("fullName"), fullName}, {QStringLiteral("email"), email}};
}

QJsonObject Patient::toJson() const
{
    QJsonObject json{{QStringLiteral("_id"), id}, {QStringLiteral("firstName"), firstName}};
    if (middleName)
        json.insert(QStringLiteral("middleName"), *middleName);
    if (lastName)
        json.insert(QStringLiteral("lastName"), *lastName);
    if (dateOfBirth)
        json.insert(QStringLiteral("dateOfBirth"), *dateOfBirth);
    if (gender)
        json.insert(QStringLiteral("gender"), *gender);
    if (active)
        json.insert(QStringLiteral("active"), *active);
    return json;
}

QString Document::newUriToken()
{
    std::array<quint32, 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    QByteArray bytes;
    for (const quint32 word : words)
        bytes += QByteArray::number(word, 16).rightJustified(8, '0');
    return QString::fromLatin1(bytes);
}

QString Document::uri(const QString &origin) const
{
    const QString name = QString::fromLatin1(QUrl::toPercentEncoding(fileName));
    return QStringLiteral("%1/files/%2/%3/%4").arg(origin, id, uriToken, name);
}

QString Document::thumbnailUri(const QString &origin) const
{
    return QStringLiteral("%1/thumbnails/%2/%3.png").arg(origin, id, uriToken);
}

QJsonObject Document::toJson(const QString &origin) const
{
    return {{QStringLiteral("_id"), id},
            {QStringLiteral("uri"), uri(origin)},
            {QStringLiteral("thumbnail"), thumbnailUri(origin)},
            {QStringLiteral("fileName"), fileName},
            {QStringLiteral("type"), type},
            {QStringLiteral("medbitIds"), QJsonArray::fromStringList(medbitIds)}};
}

namespace
{

// The service writes stream dates as seconds since 1 January 2001.
constexpr qint64 streamDateOffset = 978307200;

QString isoDate(qint64 secondsSince1970)
{
    return QDateTime::fromSecsSinceEpoch(secondsSince1970, Qt::UTC).toString(Qt::ISODate);
}

} // namespace

QJsonObject ChannelMessage::toJson(const QString &channelId, DateForm dates) const
{
    QJsonObject json{{QStringLiteral("_id"), id},
                     {QStringLiteral("channelId"), channelId},
                     {QStringLiteral("role"), role},
                     {QStringLiteral("content"), content}};
    if (usedMedbits) {
        QJsonArray used;
        for (const UsedEntry &entry : *usedMedbits)
            used.append(QJsonObject{{QStringLiteral("_id"), entry.id}, {QStringLiteral("entryText"), entry.entryText}});
        json.insert(QStringLiteral("usedMedbits"), used);
    }
    if (dates == DateForm::iso8601)
        json.insert(QStringLiteral("createdAt"), isoDate(createdAt));
    else
        json.insert(QStringLiteral("createdAt"), double(createdAt - streamDateOffset));
    return json;
}

QJsonObject Channel::toJson() const
{
    return {{QStringLiteral("_id"), id},
            {QStringLiteral("title"), title},
            {QStringLiteral("updatedAt"), isoDate(updatedAt)}};
}
