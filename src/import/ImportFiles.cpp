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

ImportFiles::Reading readFiles(const QList<QUrl> &urls)
{
    ImportFiles::Reading reading;
    for (const QUrl &url : urls) {
        QFile file(url.toLocalFile());
        if (!file.open(QIODevice::ReadOnly))
            return {{}, file.errorString()};
        QByteArray data = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return {{}, file.errorString()};
        const QString name = url.fileName();
        reading.files.append({QStringLiteral("files"), name, ImportFiles::mimeType(name), std::move(data)});
    }
    return reading;
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

QCoro::Task<Reading> read(QList<QUrl> urls)
{
    QFuture<Reading> reading = QtConcurrent::run(readFiles, urls);
    co_return co_await reading;
}

} // namespace ImportFiles
