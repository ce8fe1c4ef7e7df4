#include "ClipboardDraftFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

namespace
{

constexpr QFile::Permissions ownerOnlyFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions ownerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;
constexpr qint64 earlierRunAgeSeconds = 24 * 60 * 60;

} // namespace

ClipboardDraftFolder::ClipboardDraftFolder(const QString &path) : m_path(path) {}

QString ClipboardDraftFolder::standardPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/clipboard-drafts");
}

QString ClipboardDraftFolder::safeFileName(const QString &name)
{
    QString safe = name;
    safe.remove(QLatin1Char('/'));
    safe.remove(QChar(u'\0'));
    return safe;
}

std::optional<QString> ClipboardDraftFolder::write(const ClipboardFile &file) const
{
    if (!makeFolder())
        return std::nullopt;
    const QString name =
        QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + QLatin1Char('-') + safeFileName(file.filename);
    const QString path = QDir(m_path).filePath(name);
    QFile draft(path);
    // Created with its final permissions, never briefly readable by others.
    if (!draft.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnlyFile))
        return std::nullopt;
    const bool written = draft.write(file.data) == file.data.size() && draft.flush();
    draft.close();
    if (!written) {
        QFile::remove(path);
        return std::nullopt;
    }
    return path;
}

void ClipboardDraftFolder::removeDraftsWrittenBefore(const QDateTime &time) const
{
    QDirIterator drafts(m_path, QDir::Files | QDir::Hidden | QDir::System);
    while (drafts.hasNext()) {
        const QFileInfo draft = drafts.nextFileInfo();
        if (draft.lastModified() < time)
            QFile::remove(draft.filePath());
    }
}

void ClipboardDraftFolder::removeDraftsOfEarlierRuns() const
{
    removeDraftsWrittenBefore(QDateTime::currentDateTimeUtc().addSecs(-earlierRunAgeSeconds));
}

bool ClipboardDraftFolder::makeFolder() const
{
    const QFileInfo info(m_path);
    if (!info.exists()) {
        const QDir parent = info.dir();
        // mkdir with the mode, so the folder never exists open to others.
        if (!QDir().mkpath(parent.absolutePath()) || !parent.mkdir(info.fileName(), ownerOnlyFolder))
            return false;
    }
    return QFileInfo(m_path).isDir() && QFile::setPermissions(m_path, ownerOnlyFolder);
}
