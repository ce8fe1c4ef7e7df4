#include "ClipboardTestSettings.h"

#include "clipboard/ApplicationActivity.h"
#include "clipboard/ClipboardManager.h"
#include "clipboard/Pasteboard.h"

#include <QClipboard>
#include <QDirIterator>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include <memory>

namespace
{

const QDateTime now(QDate(2024, 3, 5), QTime(9, 0), Qt::UTC);
const QString ask = QStringLiteral("Ask");

enum class Change { BlankText, ImageOnly, FilesOnly, OwnCopy, CopiedWhileInactive };

QStringList textsOf(const QList<ClipboardItem> &items)
{
    QStringList texts;
    for (const ClipboardItem &item : items)
        texts << item.text;
    return texts;
}

QVariant stored(const QString &patientID)
{
    return QSettings().value(ClipboardManager::storageKey(patientID));
}

constexpr QFile::Permissions privateFile = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions privateFolder = privateFile | QFile::ExeOwner;

QFile::Permissions modeOf(const QFileInfo &entry)
{
    const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    const QFile::Permissions others =
        QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    return entry.permissions() & (owner | others);
}

QMimeData *filesOnly()
{
    auto *data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/scan.pdf"))});
    return data;
}

void setClipboard(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

} // namespace

class ClipboardManagerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        ClipboardTestSettings::clear();
        m_activity.setActive(true);
        setClipboard(QStringLiteral("there at start"));
        m_manager = std::make_unique<ClipboardManager>(QStringLiteral("A"),
                                                       ClipboardSeams{&m_pasteboard, &m_activity, [] { return now; }});
    }

    void cleanup() { m_manager.reset(); }

    void record_trimsAndSkipsBlankTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("recorded");
        QTest::newRow("padded") << " \tAspirin 100 mg\n" << QStringList{"Aspirin 100 mg"};
        QTest::newRow("unicode blanks") << QStringLiteral("\u00a0x\u2003") << QStringList{"x"};
        QTest::newRow("empty") << "" << QStringList();
        QTest::newRow("blanks and line break") << " \n\t " << QStringList();
    }

    void record_trimsAndSkipsBlankTexts()
    {
        QFETCH(QString, text);
        m_manager->record(ClipboardActionType::Paste, text, ask);
        QTEST(textsOf(m_manager->items()), "recorded");
        QTEST(textsOf(ClipboardManager::loadHistory(QStringLiteral("A"))), "recorded");
    }

    void record_putsEachEventFirst()
    {
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("same"), ask);
        m_manager->record(ClipboardActionType::Cut, QStringLiteral("same"), QStringLiteral("Search Timeline"));
        const ClipboardItem &newest = m_manager->items().first();
        QCOMPARE(m_manager->items().size(), 2);
        QCOMPARE(std::tuple(newest.action, newest.source, newest.date, newest.patientID),
                 std::tuple(ClipboardActionType::Cut, QStringLiteral("Search Timeline"), now, QStringLiteral("A")));
        QVERIFY(newest.id != m_manager->items().last().id);
        const QFileInfo file(QSettings().fileName());
        QCOMPARE(file.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    }

    void load_skipsBadItemsAndLeavesOtherValuesUntouched_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("loaded");
        const QString good = QStringLiteral(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","text":"kept",)"
                                            R"("action":"copy","source":"App","date":3,"patientID":"B"})");
        QTest::newRow("one bad item") << QStringLiteral("[%1,{\"text\":\"bad\"}]").arg(good) << QStringList{"kept"};
        QTest::newRow("an object") << good << QStringList();
        QTest::newRow("not JSON") << "[{" << QStringList();
    }

    void load_skipsBadItemsAndLeavesOtherValuesUntouched()
    {
        QFETCH(QString, value);
        QFETCH(QStringList, loaded);
        QSettings().setValue(ClipboardManager::storageKey(QStringLiteral("B")), value);
        m_manager->switchPatient(QStringLiteral("B"));
        QTRY_VERIFY(!m_manager->isLoading());
        QCOMPARE(textsOf(m_manager->items()), loaded);
        QCOMPARE(stored(QStringLiteral("B")).toString(), value);
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("new"), ask);
        QCOMPARE(textsOf(ClipboardManager::loadHistory(QStringLiteral("B"))), QStringList{"new"} + loaded);
    }

    void load_readsAHistoryWithFilesInsideAndMovesThemOutPrivately()
    {
        // As histories were stored before file contents got their own folder: inline, in base64.
        const QString earlier = QStringLiteral(
            R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","text":"scan.png","file":{"filename":"scan.png",)"
            R"("mimeType":"image/png","data":"iVBORw0KGgo="},"action":"paste","source":"Clipboard","date":3.5,)"
            R"("patientID":"B"},{"id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7","text":"kept","action":"copy",)"
            R"("source":"App","date":3,"patientID":"B"}])");
        QSettings().setValue(ClipboardManager::storageKey(QStringLiteral("B")), earlier);
        m_manager->switchPatient(QStringLiteral("B"));
        QTRY_VERIFY(!m_manager->isLoading());
        const QList<ClipboardItem> loaded = m_manager->items();
        QCOMPARE(textsOf(loaded), (QStringList{"scan.png", "kept"}));
        const ClipboardFile scan{QStringLiteral("scan.png"), QStringLiteral("image/png"), "\x89PNG\r\n\x1a\n"};
        QCOMPARE(loaded[0].file, scan);

        m_manager->record(ClipboardActionType::Copy, QStringLiteral("new"), ask);
        const QList<ClipboardItem> reloaded = ClipboardManager::loadHistory(QStringLiteral("B"));
        QVERIFY(!stored(QStringLiteral("B")).toString().contains(QStringLiteral("iVBORw0KGgo")));
        QCOMPARE(textsOf(reloaded), (QStringList{"new", "scan.png", "kept"}));
        QCOMPARE(std::tuple(reloaded[1].id, reloaded[1].file, reloaded[1].date, reloaded[1].action),
                 std::tuple(loaded[0].id, loaded[0].file, loaded[0].date, loaded[0].action));

        const QString folder = QFileInfo(QSettings().fileName()).absolutePath() + QStringLiteral("/clipboard-history");
        QCOMPARE(modeOf(QFileInfo(folder)), privateFolder);
        QStringList files;
        QDirIterator entries(folder, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (entries.hasNext()) {
            const QFileInfo entry(entries.next());
            QCOMPARE(modeOf(entry), entry.isDir() ? privateFolder : privateFile);
            if (entry.isFile())
                files << entry.fileName();
        }
        QCOMPARE(files, QStringList{"0F8FAD5B-D9CB-469F-A165-70867728950E"});

        ClipboardManager::saveHistory({}, QStringLiteral("B"));
        QVERIFY(ClipboardManager::loadHistory(QStringLiteral("B")).isEmpty());
        QVERIFY(!QDirIterator(folder, QDir::Files, QDirIterator::Subdirectories).hasNext());
    }

    void switchPatient_neverWritesTheOldListBack()
    {
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("a1"), ask);
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("a2"), ask);
        m_manager->setItems({});
        m_manager->switchPatient(QString());
        QCOMPARE(m_manager->patientID(), QStringLiteral("A"));
        m_manager->switchPatient(QStringLiteral("B"));
        QTRY_VERIFY(!m_manager->isLoading());
        QVERIFY(m_manager->items().isEmpty());
        QVERIFY(!stored(QStringLiteral("B")).isValid());
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("b1"), ask);
        m_manager->switchPatient(QStringLiteral("A"));
        QTRY_VERIFY(!m_manager->isLoading());
        QCOMPARE(textsOf(m_manager->items()), (QStringList{"a2", "a1"}));
        QCOMPARE(textsOf(ClipboardManager::loadHistory(QStringLiteral("B"))), QStringList{"b1"});
    }

    // A patient's history is read in the background; what the user does meanwhile applies to it when it comes.
    void switchPatient_changesWhileLoading_applyToTheStoredHistory_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("history");
        QTest::newRow("nothing") << "" << QStringList{"b1", "b2"};
        QTest::newRow("a copy goes first") << "record" << QStringList{"new", "b1", "b2"};
        QTest::newRow("a stored item deleted") << "delete" << QStringList{"b2"};
        QTest::newRow("all stored deleted, then a copy") << "delete all" << QStringList{"new"};
    }

    void switchPatient_changesWhileLoading_applyToTheStoredHistory()
    {
        QFETCH(QString, change);
        const QList<ClipboardItem> storedB = {item(QStringLiteral("b1")), item(QStringLiteral("b2"))};
        ClipboardManager::saveHistory(storedB, QStringLiteral("B"));
        m_manager->switchPatient(QStringLiteral("B"));
        QVERIFY(m_manager->isLoading());
        QVERIFY(m_manager->items().isEmpty());
        if (change == QLatin1String("delete"))
            m_manager->deleteItems({storedB.first().id});
        if (change == QLatin1String("delete all"))
            m_manager->deleteItems({storedB.first().id, storedB.last().id});
        if (change == QLatin1String("record") || change == QLatin1String("delete all"))
            m_manager->record(ClipboardActionType::Copy, QStringLiteral("new"), ask);

        QTRY_VERIFY(!m_manager->isLoading());
        QTEST(textsOf(m_manager->items()), "history");
        QTEST(textsOf(ClipboardManager::loadHistory(QStringLiteral("B"))), "history");
    }

    // A history still being read when the next patient is chosen is never shown, not even after it has come.
    void switchPatient_aHistoryReadLateNeverShowsUnderTheNextPatient()
    {
        ClipboardManager::saveHistory({item(QStringLiteral("c1")), item(QStringLiteral("c2"))}, QStringLiteral("C"));
        ClipboardManager::saveHistory({item(QStringLiteral("b1"))}, QStringLiteral("B"));
        m_manager->switchPatient(QStringLiteral("C"));
        m_manager->switchPatient(QStringLiteral("B"));
        QThreadPool::globalInstance()->waitForDone();
        QTRY_VERIFY(!m_manager->isLoading());
        QCoreApplication::processEvents();
        QCOMPARE(m_manager->patientID(), QStringLiteral("B"));
        QCOMPARE(textsOf(m_manager->items()), QStringList{"b1"});
    }

    void lastCopySource_keepsThePatientOfTheLatestCopyOrCut()
    {
        QVERIFY(!m_manager->lastCopySource());
        setClipboard(QStringLiteral("from A"));
        m_manager->record(ClipboardActionType::Cut, QStringLiteral("from A"), ask);
        const int cutCount = m_pasteboard.changeCount();
        m_manager->switchPatient(QStringLiteral("B"));
        QTRY_VERIFY(!m_manager->isLoading());
        setClipboard(QStringLiteral("pasted"));
        m_manager->record(ClipboardActionType::Paste, QStringLiteral("pasted"), ask);
        QCOMPARE(m_manager->lastCopySource()->patientID, QStringLiteral("A"));
        QCOMPARE(m_manager->lastCopySource()->changeCount, cutCount);
        QCOMPARE(m_manager->lastKnownChangeCount(), m_pasteboard.changeCount());
    }

    void poll_recordsAChangedTextOnceAsApp()
    {
        m_manager->pollPasteboard();
        setClipboard(QStringLiteral(" copied elsewhere "));
        m_manager->pollPasteboard();
        m_manager->pollPasteboard();
        QCOMPARE(textsOf(m_manager->items()), QStringList{"copied elsewhere"});
        QCOMPARE(m_manager->items().first().source, QStringLiteral("App"));
    }

    void poll_recordsNothing_data()
    {
        QTest::addColumn<Change>("change");
        QTest::newRow("blank text") << Change::BlankText;
        QTest::newRow("image only") << Change::ImageOnly;
        QTest::newRow("files only") << Change::FilesOnly;
        QTest::newRow("own copy") << Change::OwnCopy;
        QTest::newRow("copied while inactive") << Change::CopiedWhileInactive;
    }

    void poll_recordsNothing()
    {
        QFETCH(Change, change);
        m_activity.setActive(change != Change::CopiedWhileInactive);
        if (change == Change::ImageOnly)
            QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
        else if (change == Change::FilesOnly)
            QGuiApplication::clipboard()->setMimeData(filesOnly());
        else
            setClipboard(change == Change::BlankText ? QStringLiteral("  \n") : QStringLiteral("text"));
        if (change == Change::OwnCopy)
            m_manager->record(ClipboardActionType::Copy, QStringLiteral("text"), ask);
        m_activity.setActive(true);
        m_manager->pollPasteboard();
        QCOMPARE(textsOf(m_manager->items()), change == Change::OwnCopy ? QStringList{"text"} : QStringList());
        QCOMPARE(m_manager->lastKnownChangeCount(), m_pasteboard.changeCount());
    }

    void timer_pollsWhileActiveOnly()
    {
        auto *timer = m_manager->findChild<QTimer *>();
        QVERIFY(timer->isActive());
        setClipboard(QStringLiteral("picked up"));
        QTRY_COMPARE(textsOf(m_manager->items()), QStringList{"picked up"});
        m_activity.setActive(false);
        QVERIFY(!timer->isActive());
    }

private:
    static ClipboardItem item(const QString &text)
    {
        return ClipboardItem{QUuid::createUuid(), text, std::nullopt, ClipboardActionType::Copy, ask, now,
                             QStringLiteral("B")};
    }

    ClipboardTestSettings m_settings;
    ApplicationActivity m_activity{true};
    Pasteboard m_pasteboard{QGuiApplication::clipboard()};
    std::unique_ptr<ClipboardManager> m_manager;
};

QTEST_MAIN(ClipboardManagerTest)
#include "ClipboardManagerTest.moc"
