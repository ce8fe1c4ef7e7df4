#include "clipboard/ClipboardDraftFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace
{

constexpr QFile::Permissions ownerOnlyFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions ownerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions everyone = ownerOnlyFolder | QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                        QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

// The mode bits, without the bits QFileInfo adds for the running user.
QFile::Permissions modeOf(const QString &path)
{
    return QFileInfo(path).permissions() & everyone;
}

} // namespace

class ClipboardDraftFolderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void write_keepsTheFileInAPrivateFolder_data()
    {
        QTest::addColumn<QString>("filename");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << "scan 1.pdf"
                               << "scan 1.pdf";
        QTest::newRow("climbing out") << "../../.bashrc"
                                      << ".....bashrc";
        QTest::newRow("absolute") << "/etc/passwd"
                                  << "etcpasswd";
        QTest::newRow("NUL inside") << QString::fromUtf8("a\0b.txt", 7) << "ab.txt";
        QTest::newRow("empty") << ""
                               << "";
    }

    void write_keepsTheFileInAPrivateFolder()
    {
        QFETCH(QString, filename);
        QFETCH(QString, written);
        const QString folder = m_root.filePath(QStringLiteral("cache/drafts"));
        const std::optional<QString> path = ClipboardDraftFolder(folder).write({filename, "text/plain", "bytes"});
        QVERIFY(path);
        const QFileInfo info(*path);
        QCOMPARE(info.absolutePath(), folder);
        static const QRegularExpression name(QStringLiteral("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}-(.*)$"),
                                             QRegularExpression::DotMatchesEverythingOption);
        QCOMPARE(name.match(info.fileName()).captured(2), written);
        QCOMPARE(modeOf(folder), ownerOnlyFolder);
        QCOMPARE(modeOf(*path), ownerOnlyFile);
        QFile file(*path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("bytes"));
        QVERIFY(QFile::remove(*path));
    }

    void write_tightensAnExistingFolder()
    {
        const QString folder = m_root.filePath(QStringLiteral("open"));
        QVERIFY(QDir().mkdir(folder, everyone));
        QVERIFY(ClipboardDraftFolder(folder).write({"a", "b", "c"}));
        QCOMPARE(modeOf(folder), ownerOnlyFolder);
    }

    void write_failsWhereTheFolderCannotBe()
    {
        QFile blocker(m_root.filePath(QStringLiteral("a-file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        QVERIFY(!ClipboardDraftFolder(blocker.fileName()).write({"a", "b", "c"}));
        QVERIFY(!ClipboardDraftFolder(blocker.fileName() + "/drafts").write({"a", "b", "c"}));
    }

    void removeDraftsOfEarlierRuns_keepsTodaysDrafts()
    {
        const ClipboardDraftFolder drafts(m_root.filePath(QStringLiteral("aged")));
        const QString old = *drafts.write({"old.pdf", "application/pdf", "o"});
        const QString recent = *drafts.write({"recent.pdf", "application/pdf", "r"});
        QFile oldFile(old);
        QVERIFY(oldFile.open(QIODevice::ReadWrite));
        QVERIFY(oldFile.setFileTime(QDateTime::currentDateTimeUtc().addDays(-2), QFileDevice::FileModificationTime));
        oldFile.close();
        drafts.removeDraftsOfEarlierRuns();
        QVERIFY(!QFile::exists(old));
        QVERIFY(QFile::exists(recent));
        ClipboardDraftFolder(m_root.filePath(QStringLiteral("never made"))).removeDraftsOfEarlierRuns();
    }

    void standardPath_isUnderTheCacheLocation()
    {
        QStandardPaths::setTestModeEnabled(true);
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        QVERIFY(!cache.isEmpty());
        QVERIFY(ClipboardDraftFolder().path().startsWith(cache + QLatin1Char('/')));
        QVERIFY(!ClipboardDraftFolder().path().startsWith(QDir::tempPath()));
    }

private:
    QTemporaryDir m_root;
};

QTEST_GUILESS_MAIN(ClipboardDraftFolderTest)
#include "ClipboardDraftFolderTest.moc"
