#include "mainwindow/entry/AttachmentUpload.h"

#include "records/DocumentStore.h"

#include <QFile>
#include <QMimeDatabase>

#include <QCoroTimer>

#include <chrono>

namespace
{

// Small enough that one read never stalls the window, large enough that a big file takes few turns.
constexpr qint64 chunkSize = 256 * 1024;

} // namespace

AttachmentReadError::AttachmentReadError(QString description)
    : m_description(std::move(description)), m_what(m_description.toUtf8())
{
}

QCoro::Task<QByteArray> AttachmentUpload::readFile(QString path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AttachmentReadError(file.errorString());
    QByteArray data;
    data.reserve(file.size());
    for (;;) {
        const QByteArray chunk = file.read(chunkSize);
        if (file.error() != QFileDevice::NoError)
            throw AttachmentReadError(file.errorString());
        data += chunk;
        // A file reads short only at its end.
        if (chunk.size() < chunkSize)
            break;
        co_await QCoro::sleepFor(std::chrono::milliseconds(0));
    }
    co_return data;
}

MultipartFile AttachmentUpload::filePart(const QString &fileName, QByteArray data)
{
    // Unknown extensions come back as the database's default type, application/octet-stream.
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    return {QStringLiteral("file"), fileName, type.name(), std::move(data)};
}

QCoro::Task<> AttachmentUpload::upload(QUrl file, QString patientID, QString medbitID)
{
    QByteArray data = co_await readFile(file.toLocalFile());
    MultipartFile part = filePart(file.fileName(), std::move(data));
    // A store of the upload's own, so that the upload runs to its end even when the form that started it closes.
    DocumentStore documents(patientID);
    co_await documents.uploadAttachment(medbitID, std::move(part));
}
