#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The records of a document analysis and of its review. Decoding is strict: a missing required key or a
// value of the wrong type throws Json::DecodingError, and one bad element fails its whole list.

// One suggested entry, as the analysis sends it, the review edits it and the batch save sends it back.
struct PreviewMedbit {
    QString id; // "_id" on the wire
    QString entryText;
    std::optional<QString> translated;
    // The entry's own language as the service gave it; sent back unchanged.
    std::optional<QString> language;
    qint64 date = 0; // whole seconds since 1970-01-01 00:00:00 UTC
    bool isApproxDate = false;
    bool isLocked = false;
    bool isStarred = false;
    QStringList tags;

    // The date in the user's medium date style, with "~" in front when approximate.
    QString formattedDate() const;

    static PreviewMedbit fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    friend bool operator==(const PreviewMedbit &, const PreviewMedbit &) = default;
};

size_t qHash(const PreviewMedbit &medbit, size_t seed = 0);

// One category section of the review.
struct TaggedPreviewMedbits {
    QString tag;
    QList<PreviewMedbit> medbits;
    bool isLoading = true;

    friend bool operator==(const TaggedPreviewMedbits &, const TaggedPreviewMedbits &) = default;
};

// A file the service stored for an analysis; the application passes it back untouched.
struct SmartAnalyzeUploadedFile {
    QString fileName;
    QString filePath;
    QString mimetype;

    static SmartAnalyzeUploadedFile fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    friend bool operator==(const SmartAnalyzeUploadedFile &, const SmartAnalyzeUploadedFile &) = default;
};

// Payloads of the analysis events, decoded from an event's data bytes.
struct SmartAnalyzeMessageEvent {
    QString tag;
    QList<PreviewMedbit> items;

    static SmartAnalyzeMessageEvent decode(const QByteArray &data);
};

struct SmartAnalyzeFinishedStepEvent {
    int stepIndex = 0;

    static SmartAnalyzeFinishedStepEvent decode(const QByteArray &data);
};

struct SmartAnalyzeDoneEvent {
    QList<SmartAnalyzeUploadedFile> files;
    QString analyzeId;

    static SmartAnalyzeDoneEvent decode(const QByteArray &data);
};

struct SmartAnalyzeErrorEvent {
    QString message;

    static SmartAnalyzeErrorEvent decode(const QByteArray &data);
};

// One element of a translation reply.
struct TranslatedPatch {
    QString id; // "_id" on the wire
    QString translated;

    static TranslatedPatch fromJson(const QJsonValue &value);
};
