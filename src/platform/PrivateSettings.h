#pragma once

#include <QString>
#include <QVariant>

// The application's settings file holds health information (clipboard texts and files, health stories), so
// every write through here leaves its folder readable by the user alone (0700) and the file itself 0600.
namespace PrivateSettings
{

QVariant value(const QString &key);
// False when the settings could not be written; the value is then lost.
bool setValue(const QString &key, const QVariant &value);
// A folder beside the settings file for what is too large to keep in it, created on first use, readable by
// the user alone like the settings. Empty when it could not be made private.
QString privateFolder(const QString &name);
// Where that folder is, whether or not it exists.
QString folderPath(const QString &name);

} // namespace PrivateSettings
