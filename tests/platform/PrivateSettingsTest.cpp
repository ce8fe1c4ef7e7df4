#include "platform/PrivateSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace
{

constexpr QFile::Permissions others =
    QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

void verifyOwnerOnly(const QString &path, QFile::Permissions owner)
{
    const QFile::Permissions mode = QFileInfo(path).permissions();
    QCOMPARE(mode & others, QFile::Permissions());
    QCOMPARE(mode & owner, owner);
}

} // namespace

class PrivateSettingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void setValue_keepsFolderAndFileToTheOwner()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("Vantorelle"));
        QCoreApplication::setApplicationName(QStringLiteral("Vantorelle"));
        QTemporaryDir root;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, root.path());
        const QString file = QSettings().fileName();
        const QString folder = QFileInfo(file).absolutePath();
        QVERIFY(!QFileInfo::exists(folder));
        const QFile::Permissions rwx = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

        QVERIFY(PrivateSettings::setValue(QStringLiteral("k"), QStringLiteral("[1,2]")));
        verifyOwnerOnly(folder, rwx);
        verifyOwnerOnly(file, QFile::ReadOwner | QFile::WriteOwner);

        QVERIFY(QFile::setPermissions(folder, rwx | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther));
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        QVERIFY(PrivateSettings::setValue(QStringLiteral("k"), QStringLiteral("again")));
        verifyOwnerOnly(folder, rwx);
        verifyOwnerOnly(file, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(PrivateSettings::value(QStringLiteral("k")), QVariant(QStringLiteral("again")));
    }
};

QTEST_GUILESS_MAIN(PrivateSettingsTest)
#include "PrivateSettingsTest.moc"
