#include "AwaitTask.h"
#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include "ask/HealthStory.h"
#include "ask/HealthStoryController.h"
#include "ask/HealthStoryWriter.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <stdexcept>

namespace
{

const QString storyPath = QStringLiteral("/api/chats/health_story");

QVariant rawEntry(const QString &patientID)
{
    return QSettings().value(HealthStory::storageKey(patientID));
}

void writeRawEntry(const QString &patientID, const QVariant &value)
{
    QSettings settings;
    settings.setValue(HealthStory::storageKey(patientID), value);
    settings.sync();
}

// A failure that no reply of the service gives.
QCoro::Task<QString> storyThatThrows(QString)
{
    throw std::runtime_error("out of memory for the story");
    co_return QString();
}

} // namespace

// The patient's last story, kept across restarts, and the generation that replaces it.
class HealthStoryTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_settingsFolder;
    StandinServer m_server;
    std::unique_ptr<SignedInSession> m_client;
    HealthStoryWriter m_writer;
    QString m_alex;
    QString m_sam;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_server.isRunning());
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("Vantorelle"));
        QCoreApplication::setApplicationName(QStringLiteral("Vantorelle"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsFolder.path());
    }

    void init()
    {
        QSettings().clear();
        m_server.reset();
        m_client = std::make_unique<SignedInSession>(m_server, SignedInSession::Stores::AuthOnly);
        const QStringList patients = m_client->signInForPatientIDs();
        m_alex = patients.at(0);
        m_sam = patients.at(1);
    }

    void cleanup() { m_client.reset(); }

    void storedForm_isCompactJsonText_withSecondsSince2001()
    {
        const HealthStory story{QStringLiteral("Line \"one\"\n**two**"),
                                QDateTime(QDate(2025, 3, 1), QTime(9, 30, 0, 250), Qt::UTC)};
        HealthStory::saveCached(story, m_alex);
        const QVariant raw = rawEntry(m_alex);
        QCOMPARE(raw.typeId(), QMetaType::QString);
        const QJsonObject json = QJsonDocument::fromJson(raw.toString().toUtf8()).object();
        QCOMPARE(json.size(), 2);
        QCOMPARE(json.value(QLatin1String("narrative")).toString(), story.narrative);
        QCOMPARE(json.value(QLatin1String("generatedAt")).toDouble(), 762514200.25);
        QVERIFY(!raw.toString().contains(QLatin1Char('\n')));
        QCOMPARE(HealthStory::loadCached(m_alex), std::optional<HealthStory>(story));
        QCOMPARE(HealthStory::storageKey(QString()), QStringLiteral("com.vantorelle.health-story."));
    }

    void unreadableEntries_readAsNoStory_andStayAsTheyAre_data()
    {
        QTest::addColumn<QVariant>("entry");
        QTest::newRow("not JSON") << QVariant(QStringLiteral("story"));
        QTest::newRow("date as ISO text")
            << QVariant(QStringLiteral(R"({"narrative":"n","generatedAt":"2025-03-01T09:30:00Z"})"));
        QTest::newRow("no narrative") << QVariant(QStringLiteral(R"({"generatedAt":5})"));
        QTest::newRow("no date") << QVariant(QStringLiteral(R"({"narrative":"n"})"));
        QTest::newRow("an array") << QVariant(QStringLiteral("[]"));
        QTest::newRow("bytes, not text") << QVariant(QByteArray(R"({"narrative":"n","generatedAt":5})"));
    }

    void unreadableEntries_readAsNoStory_andStayAsTheyAre()
    {
        QFETCH(QVariant, entry);
        writeRawEntry(m_alex, entry);
        QVERIFY(!HealthStory::loadCached(m_alex));
        QCOMPARE(rawEntry(m_alex), entry);
        HealthStoryController controller(m_alex, &m_writer);
        QVERIFY(!controller.story());
    }

    void eachPatient_hasItsOwnStory_theLatestOne()
    {
        const HealthStory alexStory{QStringLiteral("Alex"), QDateTime::currentDateTime()};
        HealthStory::saveCached(alexStory, m_alex);
        HealthStory::saveCached({QStringLiteral("Sam 1"), QDateTime::currentDateTime()}, m_sam);
        HealthStory::saveCached({QString(), QDateTime::currentDateTime()}, m_sam);
        QCOMPARE(HealthStory::loadCached(m_alex)->narrative, QStringLiteral("Alex"));
        QCOMPARE(HealthStory::loadCached(m_sam)->narrative, QString());
        QVERIFY(!HealthStory::loadCached(QString()));
    }

    void generating_showsAndCachesTheStory_andANewControllerReadsIt()
    {
        HealthStoryController controller(m_alex, &m_writer);
        QVERIFY(!controller.story() && !controller.isGenerating());
        QSignalSpy generating(&controller, &HealthStoryController::isGeneratingChanged);
        const QDateTime before = QDateTime::currentDateTime();
        AwaitTask::run(controller.generate());
        QCOMPARE(generating.size(), 2);
        QVERIFY(controller.story()->narrative.startsWith(QStringLiteral("## The health story of Alex")));
        QVERIFY(controller.story()->generatedAt >= before);
        QCOMPARE(m_server.requests(storyPath).first().json()[QStringLiteral("patientId")].toString(), m_alex);

        // What the next start of the application reads back.
        QSettings().sync();
        HealthStoryController reopened(m_alex, &m_writer);
        QCOMPARE(reopened.story(), controller.story());
        QVERIFY(!HealthStoryController(m_sam, &m_writer).story());
    }

    void failure_keepsTheStory_showsTheError_andTheNextGenerationClearsIt()
    {
        const HealthStory earlier{QStringLiteral("Earlier"), QDateTime(QDate(2025, 1, 1), QTime(8, 0), Qt::UTC)};
        HealthStory::saveCached(earlier, m_alex);
        HealthStoryController controller(m_alex, &m_writer);
        m_server.injectFault({{"path", storyPath}, {"status", 500}, {"body", R"({"message":"Stories are resting."})"}});
        AwaitTask::run(controller.generate());
        QCOMPARE(controller.errorMessage(), std::optional<QString>(QStringLiteral("Stories are resting.")));
        QCOMPARE(controller.story(), std::optional<HealthStory>(earlier));
        QVERIFY(!controller.isGenerating());

        m_server.injectFault(ScreenTestKit::delayed(storyPath, 300));
        controller.generate();
        QVERIFY(controller.isGenerating() && !controller.errorMessage());
        controller.generate();
        QTRY_VERIFY_WITH_TIMEOUT(!controller.isGenerating(), 10000);
        QVERIFY(!controller.errorMessage());
        QVERIFY(controller.story()->narrative.startsWith(QStringLiteral("## The health story of Alex")));
        QCOMPARE(m_server.requests(storyPath).size(), 2);
    }

    // Whatever is thrown on the way ends the writing and says so, as a failed reply does.
    void anyFailure_endsTheWriting_andSaysSo()
    {
        HealthStoryWriter writer(&storyThatThrows);
        HealthStoryController controller(m_alex, &writer);
        QSignalSpy generating(&controller, &HealthStoryController::isGeneratingChanged);
        AwaitTask::run(controller.generate());
        QCOMPARE(generating.size(), 2);
        QVERIFY(!controller.isGenerating() && !generating.last().first().toBool());
        QCOMPARE(controller.errorMessage(),
                 std::optional<QString>(QStringLiteral("Received an unexpected response from the server.")));
        QVERIFY(!controller.story() && !HealthStory::loadCached(m_alex));
    }

    // A reply without a story is no story: what was shown and cached stays, with its date.
    void emptyReply_keepsTheStoryAndItsDate_andSaysSo_data()
    {
        QTest::addColumn<std::optional<HealthStory>>("earlier");
        QTest::addColumn<QString>("narrative"); // as JSON string content
        const HealthStory story{QStringLiteral("Earlier"), QDateTime(QDate(2025, 1, 1), QTime(8, 0), Qt::UTC)};
        QTest::newRow("a story shown, empty reply") << std::optional<HealthStory>(story) << QString();
        QTest::newRow("a story shown, blank reply") << std::optional<HealthStory>(story) << QStringLiteral(R"( \n\t )");
        QTest::newRow("no story yet") << std::optional<HealthStory>() << QString();
    }
    void emptyReply_keepsTheStoryAndItsDate_andSaysSo()
    {
        QFETCH(std::optional<HealthStory>, earlier);
        QFETCH(QString, narrative);
        if (earlier)
            HealthStory::saveCached(*earlier, m_alex);
        HealthStoryController controller(m_alex, &m_writer);
        const QString body = QStringLiteral(R"({"narrative":"%1"})").arg(narrative);
        m_server.injectFault({{"path", storyPath}, {"status", 200}, {"body", body}});
        AwaitTask::run(controller.generate());
        QCOMPARE(controller.story(), earlier);
        QCOMPARE(HealthStory::loadCached(m_alex), earlier);
        QCOMPARE(controller.errorMessage(),
                 std::optional<QString>(QStringLiteral("No new story came back. Try again later.")));
        QVERIFY(!controller.isGenerating());
    }

    // A controller made while its patient's story is being written (the section left and entered again, or
    // a second window) shows that writing, starts no second request, and shows the story when it comes. Both
    // are handed the one writer, as every window of the program is.
    void storyBeingWritten_isAskedForOnce_andReachesAControllerMadeMeanwhile_data()
    {
        QTest::addColumn<bool>("firstStays");
        QTest::newRow("section entered again") << false;
        QTest::newRow("a second window") << true;
    }

    void storyBeingWritten_isAskedForOnce_andReachesAControllerMadeMeanwhile()
    {
        QFETCH(bool, firstStays);
        const HealthStory earlier{QStringLiteral("Earlier"), QDateTime(QDate(2025, 1, 1), QTime(8, 0), Qt::UTC)};
        HealthStory::saveCached(earlier, m_alex);
        auto first = std::make_unique<HealthStoryController>(m_alex, &m_writer);
        m_server.injectFault({{"path", storyPath}, {"hold", true}});
        QCoro::Task<> writing = first->generate();
        QTRY_COMPARE_WITH_TIMEOUT(m_server.heldReplies(), 1, 10000);
        if (!firstStays)
            first.reset();
        HealthStoryController second(m_alex, &m_writer);
        QVERIFY(second.isGenerating());
        QCOMPARE(second.story(), std::optional<HealthStory>(earlier));
        AwaitTask::run(second.generate());
        m_client->roundTrip();
        QCOMPARE(m_server.requests(storyPath).size(), 1);
        QVERIFY(!HealthStoryController(m_sam, &m_writer).isGenerating());

        m_server.releaseHeldReplies();
        AwaitTask::run(std::move(writing));
        QVERIFY(!second.isGenerating());
        const std::optional<HealthStory> written = HealthStory::loadCached(m_alex);
        QVERIFY(written->narrative.startsWith(QStringLiteral("## The health story of Alex")));
        QCOMPARE(second.story(), written);
        if (first)
            QCOMPARE(first->story(), written);
    }

    // The story lands in the cache of the patient it was asked for, whatever the window shows by then.
    void storyOfAPatientLeftBehind_isCachedForThatPatientOnly()
    {
        auto controller = std::make_unique<HealthStoryController>(m_sam, &m_writer);
        controller->generate();
        controller = std::make_unique<HealthStoryController>(m_alex, &m_writer);
        QTRY_COMPARE_WITH_TIMEOUT(m_client->finishedReplies(storyPath.mid(4)), 1, 10000);
        QVERIFY(HealthStory::loadCached(m_sam)->narrative.startsWith(QStringLiteral("## The health story of Sam")));
        QVERIFY(!controller->story() && !HealthStory::loadCached(m_alex));
        QVERIFY(HealthStoryController(m_sam, &m_writer).story());
    }
};

QTEST_MAIN(HealthStoryTest)
#include "HealthStoryTest.moc"
