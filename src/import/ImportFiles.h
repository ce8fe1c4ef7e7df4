#pragma once

#include "net/MultipartFile.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <QCoroTask>

#include <optional>

// The files of a document import: which can be imported, and their upload parts.
namespace ImportFiles
{

// True when the file's extension names a PDF or an image type; only the name is looked at, and a name
// without extension is refused.
bool isSupported(const QUrl &url);
// The MIME type that the extension names, "application/octet-stream" when it names none.
QString mimeType(const QString &fileName);

struct Parts {
    QList<MultipartFile> files;
    std::optional<QString> error; // the first file that cannot be opened, described; then `files` is empty
};

// Every file as a "files" part, in order, read from disk only as the upload sends it. Each is opened once on a
// worker thread first, so an unreadable file fails the import before anything is sent and the window never
// waits on the disk.
QCoro::Task<Parts> parts(QList<QUrl> urls);

} // namespace ImportFiles
