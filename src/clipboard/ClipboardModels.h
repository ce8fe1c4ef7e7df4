#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// The records of the per-patient clipboard history, as kept in the settings (never sent to the service).
// Decoders throw Json::DecodingError. Dates are seconds since 2001-01-01 UTC, file bytes standard base64.
enum class ClipboardActionType { Copy, Cut, Paste };

QString rawValue(ClipboardActionType action);
std::optional<ClipboardActionType> clipboardActionType(const QString &rawValue);

struct ClipboardFile {
    QString filename;
    QString mimeType;
    QByteArray data;

    static ClipboardFile fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    friend bool operator==(const ClipboardFile &, const ClipboardFile &) = default;
};

// Items are told apart by id only, so there is deliberately no equality operator.
struct ClipboardItem {
    QUuid id;
    QString text;
    std::optional<ClipboardFile> file;
    ClipboardActionType action = ClipboardActionType::Copy;
    QString source;
    QDateTime date;
    QString patientID;

    static ClipboardItem fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    static QJsonArray listToJson(const QList<ClipboardItem> &items);
    // Undecodable items are skipped one by one, so one bad record never costs the rest of a history.
    static QList<ClipboardItem> listFromJson(const QJsonArray &array);
};
