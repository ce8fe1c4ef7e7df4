#pragma once

#include "net/MultipartFile.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <QCoroTask>

#include <exception>

// A chosen file that could not be read; the description is the system's text for the failure.
class AttachmentReadError final : public std::exception
{
public:
    explicit AttachmentReadError(QString description);

    QString description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    QString m_description;
    QByteArray m_what;
};

// One chosen file sent as an attachment of an entry: POST "/medbits/upload_image" with the fields
// "patientId" and "medbitId" and the file part "file".
namespace AttachmentUpload
{

// Reads a local file in bounded chunks with a turn of the event loop between them, so a large file never
// holds up the window. Throws AttachmentReadError.
QCoro::Task<QByteArray> readFile(QString path);
// The "file" part: the file name as given, the MIME type its extension names, else application/octet-stream.
MultipartFile filePart(const QString &fileName, QByteArray data);
// Throws AttachmentReadError, or APIError when the service refuses or the reply is not a document.
QCoro::Task<> upload(QUrl file, QString patientID, QString medbitID);

} // namespace AttachmentUpload
