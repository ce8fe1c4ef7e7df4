#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A document stored on the service, attached to entries or belonging to a patient. Every key is optional.
struct ImageAsset {
    std::optional<QString> _id;
    std::optional<QString> uri;
    std::optional<QString> thumbnail;
    std::optional<QString> fileName;
    std::optional<QString> type;
    std::optional<QStringList> medbitIds;

    // _id, else uri, else fileName; with none of them a fresh UUID on every call.
    QString id() const;
    // The reported type mentions "pdf", or else the file name ends with ".pdf".
    bool isPDF() const;

    // Straight from a reply's bytes: one document, one or null, a list (see RecordDecoding). Failures throw
    // Json::DecodingError.
    static ImageAsset fromJsonBytes(const QByteArray &json);
    static std::optional<ImageAsset> optionalFromJsonBytes(const QByteArray &json);
    static QList<ImageAsset> listFromJsonBytes(const QByteArray &json);
    // A document inside JSON already parsed, by the same rules.
    static ImageAsset fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    friend bool operator==(const ImageAsset &, const ImageAsset &) = default;
};

size_t qHash(const ImageAsset &asset, size_t seed = 0);
