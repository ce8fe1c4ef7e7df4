#pragma once

#include "net/MultipartFile.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <QCoroTask>

#include <optional>

// The files of a document import: which can be imported, and their bytes as upload parts.
namespace ImportFiles
{

// True when the file's extension names a PDF or an image type; only the name is looked at, and a name
// without extension is refused.
bool isSupported(const QUrl &url);
// The MIME type that the extension names, "application/octet-stream" when it names none.
QString mimeType(const QString &fileName);

struct Reading {
    QList<MultipartFile> files;
    std::optional<QString> error; // the first read failure's description; then `files` is empty
};

// Reads every file whole, in order, as "files" parts, on a worker thread so the window stays responsive.
QCoro::Task<Reading> read(QList<QUrl> urls);

} // namespace ImportFiles
