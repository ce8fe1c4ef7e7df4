#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

// Each test executable keeps its settings in its own temporary folder, so parallel tests never share a file.
class ClipboardTestSettings
{
public:
    ClipboardTestSettings()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("Vantorelle"));
        QCoreApplication::setApplicationName(QStringLiteral("Vantorelle"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_folder.path());
    }

    static void clear()
    {
        QSettings settings;
        settings.clear();
        settings.sync();
    }

private:
    QTemporaryDir m_folder;
};
