#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

// The stand-in's stored records, shaped as the service keeps them.

struct User {
    QString id;
    QString fullName;
    QString email;
    QString password;

    QJsonObject toJson() const;
};

struct Patient {
    QString id;
    QString ownerId;
    QString firstName;
    std::optional<QString> middleName;
    std::optional<QString> lastName;
    std::optional<qint64> dateOfBirth;
    std::optional<QString> gender;
    std::optional<bool> active;

    QJsonObject toJson() const;
};

struct Document {
    QString id;
    QString patientId;
    QString fileName;
    QString type;
    QByteArray bytes;
    QString uriToken; // part of the served address; a refresh replaces it
    QStringList medbitIds;
    // A test control makes every link of the document fail until it has been refreshed this many times.
    int deadLinkRefreshes = 0;

    // 128 random bits in hex: ids are sequential, so the token alone keeps a link private.
    static QString newUriToken();

    // `origin` is http://127.0.0.1:PORT; the file is served under /files/, its small PNG preview under
    // /thumbnails/, both behind the same token.
    QJsonObject toJson(const QString &origin) const;
    QString uri(const QString &origin) const;
    QString thumbnailUri(const QString &origin) const;
};

struct Medbit {
    QString id;
    QString patientId;
    QString entryText;
    std::optional<QString> translated;
    std::optional<QString> language;
    qint64 date = 0;
    bool isApproxDate = false;
    bool isLocked = false;
    bool isStarred = false;
    QStringList tags;
    QStringList documentIds;

    friend bool operator==(const Medbit &, const Medbit &) = default;
};

// One entry an answer drew on, as the answer keeps it.
struct UsedEntry {
    QString id;
    QString entryText;
};

// A question ("user") or an answer ("assistant") stored in a channel.
struct ChannelMessage {
    QString id;
    QString role;
    QString content;
    std::optional<QList<UsedEntry>> usedMedbits; // answers only
    qint64 createdAt = 0;                        // seconds since 1970

    // The list replies write dates as ISO 8601 text; the answer stream as seconds since 2001.
    enum class DateForm { iso8601, secondsSince2001 };
    QJsonObject toJson(const QString &channelId, DateForm dates) const;
};

// One conversation about a patient: its title is its first question.
struct Channel {
    QString id;
    QString patientId;
    QString title;
    qint64 updatedAt = 0; // seconds since 1970
    QList<ChannelMessage> messages;

    QJsonObject toJson() const;
};

// A file received by an analysis, kept until the patient's documents are made from it.
struct AnalysisFile {
    QString fileName;
    QString filePath; // "analyses/<analysis id>/<index>/<file name>"
    QString mimetype;
    QByteArray bytes;
};

// One analysis of uploaded files and the entries it suggested (id and text, for translation).
struct Analysis {
    QString id;
    QString patientId;
    QList<AnalysisFile> files;
    QList<QPair<QString, QString>> suggestions;
};
