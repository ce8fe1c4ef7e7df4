#include "ClipboardTestSettings.h"

#include "clipboard/ApplicationActivity.h"
#include "clipboard/ClipboardManager.h"
#include "clipboard/Pasteboard.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace
{

const QDateTime now(QDate(2024, 3, 5), QTime(9, 0), Qt::UTC);

QString key(const QString &patientID)
{
    return ClipboardManager::storageKey(patientID);
}

QStringList textsOf(const QList<ClipboardItem> &items)
{
    QStringList texts;
    for (const ClipboardItem &item : items)
        texts << item.text;
    return texts;
}

void store(const QString &patientID, const QString &json)
{
    QSettings().setValue(key(patientID), json);
}

QVariant stored(const QString &patientID)
{
    return QSettings().value(key(patientID));
}

} // namespace

class ClipboardManagerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        ClipboardTestSettings::clear();
        QGuiApplication::clipboard()->clear();
        m_activity = std::make_unique<ApplicationActivity>(true);
        m_pasteboard = std::make_unique<Pasteboard>(QGuiApplication::clipboard());
    }

    void cleanup()
    {
        m_manager.reset();
        m_pasteboard.reset();
        m_activity.reset();
    }

    void record_trimsAndSkipsBlankTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("recorded");
        QTest::newRow("plain") << "Aspirin" << QStringList{"Aspirin"};
        QTest::newRow("padded") << " \tAspirin 100 mg\n" << QStringList{"Aspirin 100 mg"};
        QTest::newRow("unicode blanks") << QStringLiteral("\u00a0x\u2003") << QStringList{"x"};
        QTest::newRow("empty") << "" << QStringList();
        QTest::newRow("blanks and line break") << " \n\t " << QStringList();
    }

    void record_trimsAndSkipsBlankTexts()
    {
        QFETCH(QString, text);
        ClipboardManager &manager = makeManager(QStringLiteral("p1"));
        QSignalSpy changed(&manager, &ClipboardManager::itemsChanged);
        manager.record(ClipboardActionType::Paste, text, QStringLiteral("Ask"));
        QFETCH(QStringList, recorded);
        QCOMPARE(textsOf(manager.items()), recorded);
        QCOMPARE(changed.size(), recorded.size());
        QCOMPARE(textsOf(ClipboardManager::loadHistory(QStringLiteral("p1"))), recorded);
    }

    void record_buildsItemAndPutsItFirst()
    {
        ClipboardManager &manager = makeManager(QStringLiteral("p1"));
        manager.record(ClipboardActionType::Copy, QStringLiteral("same"), QStringLiteral("Ask"));
        manager.record(ClipboardActionType::Cut, QStringLiteral("same"), QStringLiteral("Search Timeline"));
        QCOMPARE(manager.items().size(), 2);
        const ClipboardItem &newest = manager.items().first();
        QCOMPARE(newest.action, ClipboardActionType::Cut);
        QCOMPARE(newest.source, QStringLiteral("Search Timeline"));
        QCOMPARE(newest.date, now);
        QCOMPARE(newest.patientID, QStringLiteral("p1"));
        QVERIFY(!newest.file);
        QVERIFY(newest.id != manager.items().last().id);
    }

    void load_keepsDecodableItemsAndLeavesOtherValuesUntouched_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("loaded");
        const QString good = QStringLiteral(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","text":"kept",)"
                                            R"("action":"copy","source":"App","date":3,"patientID":"p1"})");
        QTest::newRow("one bad item") << QStringLiteral("[%1,{\"text\":\"bad\"}]").arg(good) << QStringList{"kept"};
        QTest::newRow("object") << good << QStringList();
        QTest::newRow("not JSON") << "[{" << QStringList();
    }

    void load_keepsDecodableItemsAndLeavesOtherValuesUntouched()
    {
        QFETCH(QString, value);
        store(QStringLiteral("p1"), value);
        ClipboardManager &manager = makeManager(QStringLiteral("p1"));
        QTEST(textsOf(manager.items()), "loaded");
        manager.switchPatient(QStringLiteral("p1"));
        QCOMPARE(stored(QStringLiteral("p1")).toString(), value);

        manager.record(ClipboardActionType::Copy, QStringLiteral("new"), QStringLiteral("Ask"));
        QFETCH(QStringList, loaded);
        QCOMPARE(textsOf(ClipboardManager::loadHistory(QStringLiteral("p1"))), QStringList{"new"} + loaded);
    }

    void load_withoutEntryIsEmpty() { QVERIFY(ClipboardManager::loadHistory(QStringLiteral("nobody")).isEmpty()); }

    void emptyPatient_usesBareKeyAndStaysThere()
    {
        ClipboardManager &manager = makeManager(QString());
        manager.record(ClipboardActionType::Copy, QStringLiteral("early"), QStringLiteral("Ask"));
        manager.switchPatient(QStringLiteral("p1"));
        QVERIFY(manager.items().isEmpty());
        QCOMPARE(textsOf(ClipboardManager::loadHistory(QString())), QStringList{"early"});
        QVERIFY(stored(QString()).isValid());
    }

    void switchPatient_loadsWithoutWritingTheOldListBack()
    {
        ClipboardManager &manager = makeManager(QStringLiteral("A"));
        manager.record(ClipboardActionType::Copy, QStringLiteral("a1"), QStringLiteral("Ask"));
        manager.record(ClipboardActionType::Copy, QStringLiteral("a2"), QStringLiteral("Ask"));
        manager.setItems(manager.items().mid(1));
        manager.switchPatient(QStringLiteral("B"));
        QVERIFY(manager.items().isEmpty());
        QVERIFY(!stored(QStringLiteral("B")).isValid());
        QCOMPARE(textsOf(ClipboardManager::loadHistory(QStringLiteral("A"))), (QStringList{"a2", "a1"}));
        manager.record(ClipboardActionType::Copy, QStringLiteral("b1"), QStringLiteral("Ask"));

        manager.switchPatient(QStringLiteral("A"));
        QCOMPARE(manager.patientID(), QStringLiteral("A"));
        QCOMPARE(textsOf(manager.items()), (QStringList{"a2", "a1"}));
        QCOMPARE(textsOf(ClipboardManager::loadHistory(QStringLiteral("B"))), QStringList{"b1"});
    }

    void switchPatient_emptyIdChangesNothing()
    {
        ClipboardManager &manager = makeManager(QStringLiteral("A"));
        manager.record(ClipboardActionType::Copy, QStringLiteral("a1"), QStringLiteral("Ask"));
        QSignalSpy changed(&manager, &ClipboardManager::itemsChanged);
        manager.switchPatient(QString());
        QCOMPARE(manager.patientID(), QStringLiteral("A"));
        QCOMPARE(textsOf(manager.items()), QStringList{"a1"});
        QCOMPARE(changed.size(), 0);
    }

    void lastCopySource_followsCopiesAndCutsAcrossPatients()
    {
        ClipboardManager &manager = makeManager(QStringLiteral("A"));
        QVERIFY(!manager.lastCopySource());
        QGuiApplication::clipboard()->setText(QStringLiteral("from A"));
        manager.record(ClipboardActionType::Cut, QStringLiteral("from A"), QStringLiteral("Ask"));
        const int cutCount = m_pasteboard->changeCount();
        manager.switchPatient(QStringLiteral("B"));
        QGuiApplication::clipboard()->setText(QStringLiteral("elsewhere"));
        manager.record(ClipboardActionType::Paste, QStringLiteral("elsewhere"), QStringLiteral("Ask"));

        QVERIFY(manager.lastCopySource());
        QCOMPARE(manager.lastCopySource()->patientID, QStringLiteral("A"));
        QCOMPARE(manager.lastCopySource()->changeCount, cutCount);
        QCOMPARE(manager.lastKnownChangeCount(), m_pasteboard->changeCount());
    }

    void poll_recordsChangedTextOnceAsApp()
    {
        ClipboardManager &manager = makeManager(QStringLiteral("p1"));
        QGuiApplication::clipboard()->setText(QStringLiteral(" copied elsewhere "));
        manager.pollPasteboard();
        manager.pollPasteboard();
        QCOMPARE(textsOf(manager.items()), QStringList{"copied elsewhere"});
        QCOMPARE(manager.items().first().source, QStringLiteral("App"));
        QCOMPARE(manager.items().first().action, ClipboardActionType::Copy);
    }

    void poll_ignoresWhatItCannotRecord_data()
    {
        QTest::addColumn<bool>("imageOnly");
        QTest::newRow("blank text") << false;
        QTest::newRow("image only") << true;
    }

    void poll_ignoresWhatItCannotRecord()
    {
        QFETCH(bool, imageOnly);
        ClipboardManager &manager = makeManager(QStringLiteral("p1"));
        if (imageOnly)
            QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
        else
            QGuiApplication::clipboard()->setText(QStringLiteral("  \n"));
        manager.pollPasteboard();
        QVERIFY(manager.items().isEmpty());
        QCOMPARE(manager.lastKnownChangeCount(), m_pasteboard->changeCount());
    }

    void poll_afterOwnCopyRecordsNothing()
    {
        ClipboardManager &manager = makeManager(QStringLiteral("p1"));
        QGuiApplication::clipboard()->setText(QStringLiteral("own copy"));
        manager.record(ClipboardActionType::Copy, QStringLiteral("own copy"), QStringLiteral("Ask"));
        manager.pollPasteboard();
        QCOMPARE(manager.items().size(), 1);
        QCOMPARE(manager.items().first().source, QStringLiteral("Ask"));
    }

    void poll_skipsWhatOtherAppsCopiedWhileInactive()
    {
        ClipboardManager &manager = makeManager(QStringLiteral("p1"));
        QGuiApplication::clipboard()->setText(QStringLiteral("before start"));
        m_activity->setActive(false);
        QGuiApplication::clipboard()->setText(QStringLiteral("while away"));
        manager.pollPasteboard();
        m_activity->setActive(true);
        manager.pollPasteboard();
        QVERIFY(manager.items().isEmpty());
    }

    void timer_pollsOnlyWhileActive()
    {
        ClipboardManager &manager = makeManager(QStringLiteral("p1"));
        auto *timer = manager.findChild<QTimer *>();
        QVERIFY(timer->isActive());
        QGuiApplication::clipboard()->setText(QStringLiteral("picked up"));
        QTRY_COMPARE(textsOf(manager.items()), QStringList{"picked up"});
        m_activity->setActive(false);
        QVERIFY(!timer->isActive());
        m_activity->setActive(true);
        QVERIFY(timer->isActive());
    }

    void record_keepsTheSettingsFilePrivate()
    {
        ClipboardManager &manager = makeManager(QStringLiteral("p1"));
        manager.record(ClipboardActionType::Copy, QStringLiteral("health data"), QStringLiteral("Ask"));
        const QFileInfo file(QSettings().fileName());
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                          QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(file.permissions() & others, QFile::Permissions());
        QCOMPARE(QFileInfo(file.absolutePath()).permissions() & others, QFile::Permissions());
    }

    void start_ignoresWhatIsOnTheClipboard()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("already there"));
        ClipboardManager &manager = makeManager(QStringLiteral("p1"));
        manager.pollPasteboard();
        QVERIFY(manager.items().isEmpty());
    }

private:
    ClipboardManager &makeManager(const QString &patientID)
    {
        const ClipboardSeams seams{m_pasteboard.get(), m_activity.get(), [] { return now; }};
        m_manager = std::make_unique<ClipboardManager>(patientID, seams);
        return *m_manager;
    }

    ClipboardTestSettings m_settings;
    std::unique_ptr<ApplicationActivity> m_activity;
    std::unique_ptr<Pasteboard> m_pasteboard;
    std::unique_ptr<ClipboardManager> m_manager;
};

QTEST_MAIN(ClipboardManagerTest)
#include "ClipboardManagerTest.moc"
