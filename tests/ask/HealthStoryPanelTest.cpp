#include "../clipboard/ClipboardTestSettings.h"
#include "FocusChain.h"
#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include "ask/HealthStory.h"
#include "ask/HealthStoryPanel.h"
#include "ask/HealthStoryWriter.h"
#include "ask/MarkdownAnswerLabel.h"
#include "records/DateText.h"
#include "widgets/Theme.h"
#include "window/WindowContext.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <memory>

using ScreenTestKit::child;
using ScreenTestKit::shownText;

namespace
{

constexpr int deadline = 10000;
const QString storyPath = QStringLiteral("/api/chats/health_story");

} // namespace

// The Health Story panel through its widgets, against the stand-in.
class HealthStoryPanelTest : public QObject
{
    Q_OBJECT

private:
    ClipboardTestSettings m_settings;
    StandinServer m_server;
    std::unique_ptr<SignedInSession> m_client;
    HealthStoryWriter m_writer;
    std::unique_ptr<HealthStoryPanel> m_panel;
    QString m_alex;
    QString m_sam;

    template <typename T> T *find(const char *name) const { return child<T>(m_panel.get(), name); }

    void openPanel(const QString &patientID)
    {
        WindowContext context;
        context.healthStoryWriter = &m_writer;
        context.patientID = patientID;
        m_panel = std::make_unique<HealthStoryPanel>(context);
        m_panel->resize(700, 600);
        m_panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_panel.get()));
    }

    void click(const char *name) { QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton); }
    bool isShown(const char *name) const { return find<QWidget>(name)->isVisible(); }
    void slowStory() { m_server.injectFault(ScreenTestKit::delayed(storyPath, 400)); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        ClipboardTestSettings::clear();
        m_server.reset();
        m_client = std::make_unique<SignedInSession>(m_server, SignedInSession::Stores::AuthOnly);
        const QStringList patients = m_client->signInForPatientIDs();
        m_alex = patients.at(0);
        m_sam = patients.at(1);
        m_server.clearRequests();
    }

    void cleanup()
    {
        m_panel.reset();
        m_server.clearFaults();
        m_client.reset();
    }

    void firstVisit_offersToGenerate_thenWritesAndShowsTheStory()
    {
        openPanel(m_alex);
        QCOMPARE(shownText(find<QLabel>("healthStoryEmpty")), QStringLiteral("No health story yet."));
        QVERIFY(!isShown("healthStoryRefreshButton"));
        slowStory();
        click("generateHealthStoryButton");
        QCOMPARE(shownText(find<QLabel>("healthStoryWriting")), QStringLiteral("Writing your health story…"));
        QVERIFY(!isShown("healthStoryRefreshButton"));

        QTRY_VERIFY_WITH_TIMEOUT(isShown("healthStoryNarrative"), deadline);
        QVERIFY(find<MarkdownAnswerLabel>("healthStoryNarrative")->text().contains(QStringLiteral("Alex")));
        const HealthStory cached = *HealthStory::loadCached(m_alex);
        QCOMPARE(find<QLabel>("healthStoryLastUpdated")->text(),
                 QStringLiteral("Last updated ") + DateText::dateTime(cached.generatedAt));
        auto *refresh = find<QToolButton>("healthStoryRefreshButton");
        QVERIFY(refresh->isVisible() && refresh->isEnabled());
        QCOMPARE(refresh->accessibleName(), QStringLiteral("Refresh Health Story"));
        QCOMPARE(refresh->toolTip(), QStringLiteral("Refresh Health Story"));
        QCOMPARE(m_server.requests(storyPath).size(), 1);
    }

    void cachedStory_showsAtOnce_andAFailedRefreshKeepsIt()
    {
        const HealthStory story{QStringLiteral("Kept **story**"), QDateTime(QDate(2025, 3, 1), QTime(9, 30))};
        HealthStory::saveCached(story, m_alex);
        openPanel(m_alex);
        QCOMPARE(find<QLabel>("healthStoryLastUpdated")->text(),
                 QStringLiteral("Last updated ") + DateText::dateTime(story.generatedAt));
        QVERIFY(find<MarkdownAnswerLabel>("healthStoryNarrative")->text().contains(QStringLiteral("Kept")));

        m_server.injectFault(
            {{"path", storyPath}, {"status", 500}, {"body", R"({"message":"<b>Resting</b>"})"}, {"delayMs", 300}});
        click("healthStoryRefreshButton");
        // The button stays, disabled, beside a spinner that says what it waits for.
        QVERIFY(isShown("healthStoryRefreshButton"));
        QVERIFY(!find<QToolButton>("healthStoryRefreshButton")->isEnabled());
        QVERIFY(isShown("healthStoryRefreshSpinner"));
        QCOMPARE(find<QWidget>("healthStoryRefreshSpinner")->accessibleName(),
                 QStringLiteral("Writing a new health story"));
        QVERIFY(isShown("healthStoryNarrative"));
        auto *error = find<QLabel>("healthStoryError");
        QTRY_COMPARE_WITH_TIMEOUT(shownText(error), QStringLiteral("<b>Resting</b>"), deadline);
        QCOMPARE(error->textFormat(), Qt::PlainText);
        QCOMPARE(ScreenTestKit::textColor(error), Theme::errorColor());
        QCOMPARE(HealthStory::loadCached(m_alex), std::optional<HealthStory>(story));

        slowStory();
        click("healthStoryRefreshButton");
        QVERIFY(!error->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(find<QToolButton>("healthStoryRefreshButton")->isEnabled(), deadline);
        QVERIFY(!isShown("healthStoryRefreshSpinner"));
        QVERIFY(!find<MarkdownAnswerLabel>("healthStoryNarrative")->text().contains(QStringLiteral("Kept")));
    }

    void emptyRefresh_keepsTheStoryAndItsDate_andSaysSo()
    {
        const HealthStory story{QStringLiteral("Kept"), QDateTime(QDate(2025, 3, 1), QTime(9, 30))};
        HealthStory::saveCached(story, m_alex);
        openPanel(m_alex);
        m_server.injectFault({{"path", storyPath}, {"status", 200}, {"body", R"({"narrative":""})"}});
        click("healthStoryRefreshButton");
        QTRY_COMPARE_WITH_TIMEOUT(shownText(find<QLabel>("healthStoryError")),
                                  QStringLiteral("No new story came back. Try again later."), deadline);
        QCOMPARE(find<QLabel>("healthStoryLastUpdated")->text(),
                 QStringLiteral("Last updated ") + DateText::dateTime(story.generatedAt));
        QVERIFY(find<MarkdownAnswerLabel>("healthStoryNarrative")->text().contains(QStringLiteral("Kept")));
    }

    // Every stop of the Tab chain is named, in the order drawn; the generate button is the accent one.
    void focusChain_isNamed_andGenerateIsProminent()
    {
        openPanel(m_alex);
        auto *generate = find<QPushButton>("generateHealthStoryButton");
        QCOMPARE(generate->palette().color(QPalette::Button), generate->palette().color(QPalette::Highlight));
        QCOMPARE(FocusChain::names(m_panel.get()), QStringList{QStringLiteral("Generate Health Story")});
        HealthStory::saveCached({QStringLiteral("A story"), QDateTime::currentDateTime()}, m_alex);
        openPanel(m_alex);
        const QStringList stops = FocusChain::names(m_panel.get());
        QVERIFY2(!stops.contains(QString()), qPrintable(stops.join(u'|')));
        QCOMPARE(stops.first(), QStringLiteral("Refresh Health Story"));
    }

    void doubleClick_sendsOneRequest()
    {
        openPanel(m_alex);
        slowStory();
        click("generateHealthStoryButton");
        click("generateHealthStoryButton");
        QTRY_VERIFY_WITH_TIMEOUT(isShown("healthStoryNarrative"), deadline);
        QCOMPARE(m_server.requests(storyPath).size(), 1);
    }

    void storyOfAClosedPanel_isCachedForItsPatientOnly()
    {
        openPanel(m_alex);
        slowStory();
        click("generateHealthStoryButton");
        openPanel(m_sam);
        QTRY_COMPARE_WITH_TIMEOUT(m_client->finishedReplies(storyPath.mid(4)), 1, deadline);
        QVERIFY(HealthStory::loadCached(m_alex));
        QVERIFY(!HealthStory::loadCached(m_sam));
        QVERIFY(isShown("healthStoryEmpty"));
        openPanel(m_alex);
        QVERIFY(isShown("healthStoryNarrative"));
        QCOMPARE(m_server.requests(storyPath).size(), 1);
    }
};

QTEST_MAIN(HealthStoryPanelTest)
#include "HealthStoryPanelTest.moc"
