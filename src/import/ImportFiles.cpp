#include "ImportFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QFuture>
#include <QMimeDatabase>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoroFuture>

namespace
{

QMimeType typeOfExtension(const QString &fileName)
{
    if (QFileInfo(fileName).suffix().isEmpty())
        return {};
    return QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
}

ImportFiles::Parts checkFiles(const QList<QUrl> &urls)
{
    ImportFiles::Parts parts;
    for (const QUrl &url : urls) {
        QFile file(url.toLocalFile());
        if (!file.open(QIODevice::ReadOnly))
            return {{}, file.errorString()};
        const QString name = url.fileName();
        parts.files.append({QStringLiteral("files"), name, ImportFiles::mimeType(name), {}, file.fileName()});
    }
    return parts;
}

} // namespace

namespace ImportFiles
{

bool isSupported(const QUrl &url)
{
    const QMimeType type = typeOfExtension(url.fileName());
    if (!type.isValid())
        return false;
    return type.inherits(QStringLiteral("application/pdf")) || type.name().startsWith(QLatin1StringView("image/"));
}

QString mimeType(const QString &fileName)
{
    const QMimeType type = typeOfExtension(fileName);
    if (!type.isValid() || type.isDefault())
        return QStringLiteral("application/octet-stream");
    return type.name();
}

QCoro::Task<Parts> parts(QList<QUrl> urls)
{
    QFuture<Parts> checking = QtConcurrent::run(checkFiles, urls);
    co_return co_await checking;
}

} // namespace ImportFiles
