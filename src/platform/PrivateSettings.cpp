#include "PrivateSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace PrivateSettings
{

namespace
{

constexpr QFile::Permissions ownerOnlyFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions ownerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;

// Before the write, so that a newly created file never sits in a folder others may read.
bool restrictFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.exists()) {
        const QDir parent = info.dir();
        if (!QDir().mkpath(parent.absolutePath()) || !parent.mkdir(info.fileName(), ownerOnlyFolder))
            return false;
    }
    return QFile::setPermissions(folder, ownerOnlyFolder);
}

} // namespace

QVariant value(const QString &key)
{
    return QSettings().value(key);
}

bool setValue(const QString &key, const QVariant &value)
{
    QSettings settings;
    const QString file = settings.fileName();
    if (!restrictFolder(QFileInfo(file).absolutePath()))
        return false;
    settings.setValue(key, value);
    settings.sync();
    return settings.status() == QSettings::NoError && QFile::setPermissions(file, ownerOnlyFile);
}

QString privateFolder(const QString &name)
{
    const QString folder = folderPath(name);
    return restrictFolder(QFileInfo(QSettings().fileName()).absolutePath()) && restrictFolder(folder) ? folder
                                                                                                      : QString();
}

QString folderPath(const QString &name)
{
    return QFileInfo(QSettings().fileName()).absolutePath() + QLatin1Char('/') + name;
}

} // namespace PrivateSettings
