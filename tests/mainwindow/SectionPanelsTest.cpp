#include "mainwindow/ContentView.h"
#include "mainwindow/sidebar/SidebarRow.h"
#include "records/MedbitStore.h"
#include "window/WindowState.h"

#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include <memory>

using ScreenTestKit::child;

// The table of sections in the window: each row's sidebar entry and panel, and panels built again within
// one turn of the event loop.
class SectionPanelsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        QVERIFY(m_window.open(QSize(1100, 700)));
        QTRY_VERIFY_WITH_TIMEOUT(m_window.view()->state()->selectedMedbit().has_value(), 10000);
    }

    void cleanup() { m_window.close(); }

    void sidebarRow_showsTitleAndOpensItsPanels_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("panels");
        QTest::newRow("timeline") << "timelineRow"
                                  << "Timeline" << QStringList{"timelinePanel", "timelineDetail", "medbitDetailPanel"};
        QTest::newRow("ask") << "askRow"
                             << "Ask" << QStringList{"askPanel"};
        QTest::newRow("health story") << "healthStoryRow"
                                      << "Health Story" << QStringList{"healthStoryPanel"};
        QTest::newRow("health documents") << "healthDocumentsRow"
                                          << "Health Documents" << QStringList{"healthDocumentsPanel"};
        QTest::newRow("clipboard") << "clipboardRow"
                                   << "Clipboard" << QStringList{"clipboardPanel"};
    }

    void sidebarRow_showsTitleAndOpensItsPanels()
    {
        QFETCH(QString, row);
        QFETCH(QString, title);
        QFETCH(QStringList, panels);
        m_window.view()->state()->setSelectedSection(SidebarSection::healthStory);
        auto *button = m_window.view()->findChild<SidebarRow *>(row);
        QCOMPARE(button->text(), title);
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_COMPARE(shownPanels(), panels);
    }

    // Steps: a section to switch to, "none" or "entry" to clear or restore the selected entry, "-" for the
    // next turn of the event loop.
    void switchedAwayAndBackInOneTurn_showsNewPanels_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("timeline") << QStringList{"ask", "timeline"}
                                  << QStringList{"timelinePanel", "timelineDetail", "medbitDetailPanel",
                                                 "inspectorPreviewPanel"};
        QTest::newRow("ask") << QStringList{"ask", "-", "timeline", "ask"} << QStringList{"askPanel"};
        QTest::newRow("entry") << QStringList{"none", "entry"}
                               << QStringList{"timelinePanel", "timelineDetail", "medbitDetailPanel",
                                              "inspectorPreviewPanel"};
    }

    void switchedAwayAndBackInOneTurn_showsNewPanels()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, shown);
        const Medbit entry = entryWithAttachment();
        m_window.view()->state()->setSelectedMedbit(entry);
        QTRY_VERIFY(child<QWidget>(m_window.view(), "inspectorPreviewPanel"));
        for (const QString &step : std::as_const(steps))
            take(step, entry);
        QTRY_COMPARE(shownPanels(), shown);
        nextTurn();
        QCOMPARE(shownPanels(), shown);
    }

private:
    static void nextTurn()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void take(const QString &step, const Medbit &entry)
    {
        static const QHash<QString, SidebarSection> sections = {{"timeline", SidebarSection::timeline},
                                                                {"ask", SidebarSection::ask}};
        if (step == QLatin1String("-"))
            nextTurn();
        else if (step == QLatin1String("none"))
            m_window.view()->state()->setSelectedMedbit(std::nullopt);
        else if (step == QLatin1String("entry"))
            m_window.view()->state()->setSelectedMedbit(entry);
        else
            m_window.view()->state()->setSelectedSection(sections.value(step));
    }

    Medbit entryWithAttachment() const
    {
        for (const Medbit &medbit : m_window.view()->medbitStore()->medbits()) {
            if (!medbit.documents.isEmpty())
                return medbit;
        }
        return {};
    }

    // The panels the user sees in the middle and right-hand columns, by name; a name shown twice is listed twice.
    QStringList shownPanels() const
    {
        static const QStringList names = {"timelinePanel",         "timelineDetail", "medbitDetailPanel",
                                          "inspectorPreviewPanel", "askPanel",       "healthStoryPanel",
                                          "healthDocumentsPanel",  "clipboardPanel"};
        QStringList shown;
        for (const QString &name : names) {
            for (const QWidget *panel : m_window.view()->findChildren<QWidget *>(name)) {
                if (panel->isVisible())
                    shown.append(name);
            }
        }
        return shown;
    }

    StandinServer m_server;
    SignedInWindow m_window{m_server};
};

QTEST_MAIN(SectionPanelsTest)
#include "SectionPanelsTest.moc"
