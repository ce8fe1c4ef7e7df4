#include "clipboard/ClipboardManager.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/sidebar/SidebarRow.h"
#include "mainwindow/timeline/TimelineListView.h"
#include "mainwindow/timeline/TimelineModel.h"
#include "records/MedbitStore.h"
#include "records/PatientStore.h"
#include "window/WindowState.h"

#include "AwaitTask.h"
#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

#include <memory>

using ScreenTestKit::child;

class MainLayoutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_server.isRunning());
        qputenv("TZ", "UTC");
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void init()
    {
        QVERIFY(m_window.open(QSize(1100, 700)));
        QTRY_COMPARE_WITH_TIMEOUT(model() ? model()->rowCount() : 0, 10, 10000);
        QTRY_VERIFY(state()->selectedMedbit().has_value());
    }

    void cleanup() { m_window.close(); }

    void selection_followsList_andFullEntryIsFetchedOncePerID()
    {
        const QString first = model()->medbitAt(0).id;
        QCOMPARE(state()->selectedMedbit()->id, first);
        QTRY_COMPARE(fetches(first), 1);
        const int labRow = rowWithText(QStringLiteral("Blood panel"));
        clickRow(labRow);
        const QString lab = model()->medbitAt(labRow).id;
        QCOMPARE(state()->selectedMedbit()->id, lab);
        QCOMPARE(state()->activeDocumentName(), QStringLiteral("Blood panel 2024-03.pdf"));
        QTRY_COMPARE(fetches(lab), 1);
        clickRow(0);
        QCOMPARE(state()->activeDocumentName(), std::nullopt);
        clickRow(labRow);
        AwaitTask::run(m_window.view()->medbitStore()->loadMedbits());
        QCOMPARE(state()->selectedMedbit()->id, lab);
        QCOMPARE(fetches(first) + fetches(lab), 2);

        // The selected entry gone: the first is selected; no entries: nothing is.
        Medbit selected = *state()->selectedMedbit();
        AwaitTask::run(m_window.view()->medbitStore()->deleteMedbit(selected));
        QCOMPARE(state()->selectedMedbit()->id, first);
        m_window.view()->medbitStore()->setMedbits({});
        QCOMPARE(state()->selectedMedbit(), std::nullopt);
        QCOMPARE(state()->activeDocumentName(), std::nullopt);
    }

    void starredEntry_updatesItsRowAndKeepsSelection()
    {
        clickRow(3);
        // The entry's own fetch, which the click started, is in before the update: its older copy would
        // otherwise land last.
        QTRY_VERIFY(fetches(model()->medbitAt(3).id) == 1 &&
                    m_window.session()->finishedReplies(QStringLiteral("/medbits/get")) ==
                        m_window.session()->requests(QStringLiteral("/api/medbits/get")).size());
        const Medbit shown = model()->medbitAt(3);
        Medbit starred = shown;
        starred.isStarred = !starred.isStarred;
        QSignalSpy resets(model(), &QAbstractItemModel::modelReset);
        AwaitTask::run(m_window.view()->medbitStore()->updateMedbit(shown, starred));
        QCOMPARE(resets.size(), 0);
        QCOMPARE(model()->medbitAt(3).isStarred, starred.isStarred);
        QCOMPARE(state()->selectedMedbit()->isStarred, starred.isStarred);
        QCOMPARE(list()->currentIndex().row(), 3);
    }

    void patientChange_movesClipboardBeforeEntries_andKeepsWindowState()
    {
        const QString firstEntry = state()->selectedMedbit()->id;
        clickNamed("askRow");
        clickNamed("categoryRow-rx");
        clickNamed("askRow");
        QPointer<QWidget> askPanel = child<QWidget>(m_window.view(), "askPanel");
        QVERIFY(askPanel);
        QTest::keyClicks(child<QLineEdit>(askPanel, "askField"), QStringLiteral("What changed?"));
        QString clipboardPatientWhenEntriesMoved;
        connect(m_window.view()->medbitStore(), &MedbitStore::patientIDChanged, this,
                [&] { clipboardPatientWhenEntriesMoved = m_window.view()->clipboardManager()->patientID(); });

        const QString sam = choosePatient(QStringLiteral("Sam Rivera"));
        QCOMPARE(m_window.session()->patients()->selectedPatientID(), sam);
        QCOMPARE(clipboardPatientWhenEntriesMoved, sam);
        QCOMPARE(m_window.view()->medbitStore()->patientID(), sam);
        QCOMPARE(child<QLabel>(m_window.view(), "toolbarTitle")->text(), QStringLiteral("Sam Rivera"));
        QTRY_VERIFY(!askPanel);
        QCOMPARE(child<QWidget>(m_window.view(), "askPanel")->property("patientID").toString(), sam);
        // A question typed for one patient is not offered for another.
        QCOMPARE(child<QLineEdit>(child<QWidget>(m_window.view(), "askPanel"), "askField")->text(), QString());
        QCOMPARE(state()->selectedSection(), SidebarSection::ask);
        QCOMPARE(state()->selectedCategoryFilter(), QStringLiteral("rx"));
        // What was read in full belongs to the other patient's list.
        QVERIFY(!m_window.view()->medbitStore()->isFetchedInFull(firstEntry));

        clickNamed("categoryRow-rx");
        QTRY_COMPARE(state()->selectedMedbit() ? state()->selectedMedbit()->entryText : QString(),
                     QStringLiteral("Ear infection, treated by the GP."));
        QTRY_COMPARE(model()->rowCount(), 3);
    }

    // While a sheet is open the patient stays: the patient menu's items do nothing when a screen reader presses
    // them, nor do those of another window, which shows the same patient; the sheet stays open for its patient.
    void patientMenu_switchesNothing_whileASheetIsOpen()
    {
        PatientStore *patients = m_window.session()->patients();
        const QString alex = patients->selectedPatientID();
        clickNamed("newEntryButton");
        auto *form = child<QDialog>(m_window.view()->window(), "createEntryView");
        QTRY_VERIFY(form && form->isVisible());

        pressPatient(m_window.view(), QStringLiteral("Sam Rivera"));
        ContentView otherWindow(m_window.session()->auth(), patients, m_window.records());
        otherWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&otherWindow));
        pressPatient(&otherWindow, QStringLiteral("Sam Rivera"));
        QCOMPARE(patients->selectedPatientID(), alex);
        QVERIFY(form->isVisible());

        QTest::mouseClick(child<QPushButton>(form, "cancelButton"), Qt::LeftButton);
        QTRY_VERIFY(!form->isVisible());
        pressPatient(m_window.view(), QStringLiteral("Sam Rivera"));
        QTRY_VERIFY(patients->selectedPatientID() != alex);
    }

    void sidebar_filterAndHighlightRules_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<int>("section");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("highlighted");
        QTest::newRow("category from another section")
            << QStringList{"askRow", "categoryRow-rx"} << int(SidebarSection::timeline) << "rx"
            << QStringList{"categoryRow-rx"};
        QTest::newRow("same category again") << QStringList{"categoryRow-rx", "categoryRow-rx"}
                                             << int(SidebarSection::timeline) << "" << QStringList{"timelineRow"};
        QTest::newRow("timeline clears the filter")
            << QStringList{"categoryRow-lab", "timelineRow"} << int(SidebarSection::timeline) << ""
            << QStringList{"timelineRow"};
        QTest::newRow("sections keep the filter")
            << QStringList{"categoryRow-$", "healthDocumentsRow"} << int(SidebarSection::healthDocuments) << "$"
            << QStringList{"healthDocumentsRow", "categoryRow-$"};
        QTest::newRow("other category replaces")
            << QStringList{"categoryRow-@", "categoryRow-vx"} << int(SidebarSection::timeline) << "vx"
            << QStringList{"categoryRow-vx"};
    }

    void sidebar_filterAndHighlightRules()
    {
        QFETCH(QStringList, clicks);
        QFETCH(int, section);
        QFETCH(QString, filter);
        QFETCH(QStringList, highlighted);
        for (const QString &name : clicks)
            clickNamed(name.toLatin1().constData());
        QCOMPARE(int(state()->selectedSection()), section);
        QCOMPARE(state()->selectedCategoryFilter().value_or(QString()), filter);
        QStringList shownSelected;
        for (const SidebarRow *row : child<QWidget>(m_window.view(), "sidebarPanel")->findChildren<SidebarRow *>()) {
            if (row->isSelected())
                shownSelected.append(row->objectName());
        }
        std::sort(shownSelected.begin(), shownSelected.end());
        std::sort(highlighted.begin(), highlighted.end());
        QCOMPARE(shownSelected, highlighted);
        QCOMPARE(child<QWidget>(m_window.view(), "contentColumn")->isVisible(),
                 section == int(SidebarSection::timeline));
    }

    void searchAndFilter_neverWriteTheSelection()
    {
        const int labRow = rowWithText(QStringLiteral("Blood panel"));
        clickRow(labRow);
        const QString lab = state()->selectedMedbit()->id;
        auto *search = child<QLineEdit>(m_window.view(), "searchField");
        auto *clear = child<QToolButton>(m_window.view(), "clearSearchButton");
        QTest::keyClicks(search, QStringLiteral("   "));
        QVERIFY(clear->isVisible());
        QCOMPARE(model()->rowCount(), 10);
        QTest::keyClicks(search, QStringLiteral("INHALER"));
        QCOMPARE(model()->rowCount(), 2);
        QCOMPARE(state()->selectedMedbit()->id, lab);
        QTest::mouseClick(clear, Qt::LeftButton);
        QCOMPARE(search->text(), QString());
        QVERIFY(!clear->isVisible());
        QCOMPARE(model()->rowCount(), 10);
        QCOMPARE(list()->currentIndex().row(), labRow);

        clickNamed("categoryRow-rx");
        QCOMPARE(child<QLabel>(m_window.view(), "filterChipLabel")->text(), QStringLiteral("Filtered: rx"));
        QCOMPARE(model()->rowCount(), 1);
        QCOMPARE(state()->selectedMedbit()->id, lab);
        QTest::mouseClick(child<QToolButton>(m_window.view(), "clearFilterButton"), Qt::LeftButton);
        QCOMPARE(state()->selectedCategoryFilter(), std::nullopt);
        QVERIFY(!child<QWidget>(m_window.view(), "filterChip")->isVisible());
        QCOMPARE(model()->rowCount(), 10);
    }

    void iconButtons_areNamedAndAsk()
    {
        auto *newEntry = child<QToolButton>(m_window.view(), "newEntryButton");
        QCOMPARE(newEntry->accessibleName(), QStringLiteral("New Entry"));
        QCOMPARE(child<QToolButton>(m_window.view(), "clearSearchButton")->accessibleName(),
                 QStringLiteral("Clear Search"));
        QCOMPARE(child<QToolButton>(m_window.view(), "clearFilterButton")->accessibleName(),
                 QStringLiteral("Clear Filter"));
        QCOMPARE(child<QLineEdit>(m_window.view(), "searchField")->accessibleName(), QStringLiteral("Search Timeline"));
        QCOMPARE(child<QLineEdit>(m_window.view(), "searchField")->placeholderText(),
                 QStringLiteral("Search Timeline"));
        QSignalSpy newEntries(m_window.view(), &ContentView::newEntryRequested);
        QSignalSpy settings(m_window.view(), &ContentView::settingsRequested);
        // Settings first: the entry form opens over the window and keeps its buttons out of reach.
        clickNamed("settingsButton");
        QTest::mouseClick(newEntry, Qt::LeftButton);
        QCOMPARE(newEntries.size(), 1);
        QCOMPARE(settings.size(), 1);
    }

    void arrowKeys_moveTheSelection()
    {
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_Down);
        QCOMPARE(state()->selectedMedbit()->id, model()->medbitAt(1).id);
    }

    void searchCopy_isRecordedForThePatient()
    {
        auto *search = child<QLineEdit>(m_window.view(), "searchField");
        QTest::keyClicks(search, QStringLiteral("asthma"));
        search->selectAll();
        QTest::keyClick(search, Qt::Key_C, Qt::ControlModifier);
        const QList<ClipboardItem> items = m_window.view()->clipboardManager()->items();
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.first().text, QStringLiteral("asthma"));
        QCOMPARE(items.first().source, QStringLiteral("Search Timeline"));
        QCOMPARE(items.first().patientID, m_window.session()->patients()->selectedPatientID());
    }

private:
    WindowState *state() const { return m_window.view()->state(); }
    TimelineListView *list() const { return child<TimelineListView>(m_window.view(), "timelineList"); }
    TimelineModel *model() const { return list() ? static_cast<TimelineModel *>(list()->model()) : nullptr; }

    // As a screen reader does: the item of the picker's menu, pressed through the accessibility tree; the choice
    // it makes lands on the next turn of the event loop.
    static void pressPatient(QWidget *window, const QString &name)
    {
        QAccessibleInterface *picker =
            QAccessible::queryAccessibleInterface(child<QToolButton>(window, "patientPicker"));
        QAccessibleInterface *menu = picker->child(0);
        for (int index = 0; index < menu->childCount(); ++index) {
            if (menu->child(index)->text(QAccessible::Name) == name)
                menu->child(index)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    }

    void clickNamed(const char *name)
    {
        auto *button = child<QAbstractButton>(m_window.view(), name);
        QVERIFY2(button, name);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void clickRow(int row)
    {
        const QModelIndex index = model()->index(row);
        list()->scrollTo(index);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualRect(index).center());
    }

    int rowWithText(const QString &start) const
    {
        for (int row = 0; row < model()->rowCount(); ++row) {
            if (model()->medbitAt(row).entryText.startsWith(start))
                return row;
        }
        return -1;
    }

    int fetches(const QString &id) const
    {
        int count = 0;
        for (const LoggedRequest &request : m_server.requests(QStringLiteral("/api/medbits/get")))
            count += request.query.contains(id.toLatin1()) ? 1 : 0;
        return count;
    }

    // Chooses the patient in the sidebar's picker; returns its id.
    QString choosePatient(const QString &name)
    {
        auto *picker = child<QToolButton>(m_window.view(), "patientPicker");
        for (QAction *item : picker->menu()->actions()) {
            if (item->text() == name) {
                const QString id = item->data().toString();
                item->trigger();
                [&] { QTRY_COMPARE(m_window.session()->patients()->selectedPatientID(), id); }();
                return id;
            }
        }
        return {};
    }

    StandinServer m_server;
    SignedInWindow m_window{m_server};
};

QTEST_MAIN(MainLayoutTest)
#include "MainLayoutTest.moc"
