#pragma once

#include <QString>

// The failure of a document import, shown to the user by its description. Two errors with the same
// description are the same alert.
class DocumentImportError final
{
public:
    enum class Kind { UnsupportedFormat, UploadFailed };

    // `filename` is the last path component of the refused file.
    static DocumentImportError unsupportedFormat(const QString &filename);
    static DocumentImportError uploadFailed(const QString &message);

    Kind kind() const { return m_kind; }
    // The file name or the message.
    QString payload() const { return m_payload; }
    QString description() const;

    friend bool operator==(const DocumentImportError &, const DocumentImportError &) = default;

private:
    DocumentImportError(Kind kind, QString payload) : m_kind(kind), m_payload(std::move(payload)) {}

    Kind m_kind;
    QString m_payload;
};
