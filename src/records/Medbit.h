#pragma once

#include "ImageAsset.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One timeline entry. Its identity is `id`, "_id" on the wire.
struct Medbit {
    QString id;
    QString entryText;
    std::optional<QString> translated;
    std::optional<QString> language;
    qint64 date = 0; // whole seconds since 1970-01-01 00:00:00 UTC
    bool isApproxDate = false;
    bool isLocked = false;
    bool isStarred = false;
    QStringList tags;
    QList<ImageAsset> documents;

    // The date in the user's medium date style, with "~" in front when approximate.
    QString displayDate() const;

    // Straight from a reply's bytes: one entry, one entry or null, a list (see RecordDecoding).
    // Malformed "documents" give an empty list; every other failure throws Json::DecodingError.
    static Medbit fromJsonBytes(const QByteArray &json);
    static std::optional<Medbit> optionalFromJsonBytes(const QByteArray &json);
    static QList<Medbit> listFromJsonBytes(const QByteArray &json);
    // An entry inside JSON already parsed, by the same rules.
    static Medbit fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    friend bool operator==(const Medbit &, const Medbit &) = default;
};

size_t qHash(const Medbit &medbit, size_t seed = 0);
