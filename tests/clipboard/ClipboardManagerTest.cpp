#include "ClipboardTestSettings.h"

#include "clipboard/ApplicationActivity.h"
#include "clipboard/ClipboardManager.h"
#include "clipboard/Pasteboard.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTest>
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
        QCOMPARE(textsOf(m_manager->items()), loaded);
        QCOMPARE(stored(QStringLiteral("B")).toString(), value);
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("new"), ask);
        QCOMPARE(textsOf(ClipboardManager::loadHistory(QStringLiteral("B"))), QStringList{"new"} + loaded);
    }

    void switchPatient_neverWritesTheOldListBack()
    {
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("a1"), ask);
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("a2"), ask);
        m_manager->setItems({});
        m_manager->switchPatient(QString());
        QCOMPARE(m_manager->patientID(), QStringLiteral("A"));
        m_manager->switchPatient(QStringLiteral("B"));
        QVERIFY(m_manager->items().isEmpty());
        QVERIFY(!stored(QStringLiteral("B")).isValid());
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("b1"), ask);
        m_manager->switchPatient(QStringLiteral("A"));
        QCOMPARE(textsOf(m_manager->items()), (QStringList{"a2", "a1"}));
        QCOMPARE(textsOf(ClipboardManager::loadHistory(QStringLiteral("B"))), QStringList{"b1"});
    }

    void lastCopySource_keepsThePatientOfTheLatestCopyOrCut()
    {
        QVERIFY(!m_manager->lastCopySource());
        setClipboard(QStringLiteral("from A"));
        m_manager->record(ClipboardActionType::Cut, QStringLiteral("from A"), ask);
        const int cutCount = m_pasteboard.changeCount();
        m_manager->switchPatient(QStringLiteral("B"));
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
    ClipboardTestSettings m_settings;
    ApplicationActivity m_activity{true};
    Pasteboard m_pasteboard{QGuiApplication::clipboard()};
    std::unique_ptr<ClipboardManager> m_manager;
};

QTEST_MAIN(ClipboardManagerTest)
#include "ClipboardManagerTest.moc"
