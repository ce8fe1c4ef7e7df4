#include "platform/PrivateSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace
{

constexpr QFile::Permissions folderMode = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions fileMode = QFile::ReadOwner | QFile::WriteOwner;

// Only the bits that mean something on Linux (Qt also reports the "user" duplicates of the owner bits).
QFile::Permissions modeOf(const QString &path)
{
    return QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

} // namespace

class PrivateSettingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("Vantorelle"));
        QCoreApplication::setApplicationName(QStringLiteral("Vantorelle"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_root.path());
        m_file = QSettings().fileName();
        m_folder = QFileInfo(m_file).absolutePath();
        QVERIFY(m_file.startsWith(m_root.path()));
    }

    void setValue_createsOwnerOnlyFolderAndFile()
    {
        QVERIFY(!QFileInfo::exists(m_folder));
        QVERIFY(PrivateSettings::setValue(QStringLiteral("k"), QStringLiteral("[1,2]")));
        QCOMPARE(modeOf(m_folder), folderMode);
        QCOMPARE(modeOf(m_file), fileMode);
        QCOMPARE(PrivateSettings::value(QStringLiteral("k")), QVariant(QStringLiteral("[1,2]")));
    }

    void setValue_tightensWhatOthersCouldRead()
    {
        QVERIFY(PrivateSettings::setValue(QStringLiteral("k"), QStringLiteral("first")));
        const QFile::Permissions wide = folderMode | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(m_folder, wide));
        QVERIFY(QFile::setPermissions(m_file, fileMode | QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(PrivateSettings::setValue(QStringLiteral("k"), QStringLiteral("second")));
        QCOMPARE(modeOf(m_folder), folderMode);
        QCOMPARE(modeOf(m_file), fileMode);
    }

private:
    QTemporaryDir m_root;
    QString m_file;
    QString m_folder;
};

QTEST_GUILESS_MAIN(PrivateSettingsTest)
#include "PrivateSettingsTest.moc"
