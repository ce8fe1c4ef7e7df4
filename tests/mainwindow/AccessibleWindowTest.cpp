#include "mainwindow/ContentView.h"
#include "mainwindow/entry/CreateEntryView.h"
#include "mainwindow/entry/EntryDateField.h"
#include "mainwindow/entry/MedbitCategoryRow.h"
#include "mainwindow/entry/MedbitDetailPanel.h"
#include "mainwindow/sidebar/SidebarRow.h"
#include "records/MedbitStore.h"
#include "records/PatientStore.h"
#include "widgets/BusyIndicator.h"
#include "window/WindowState.h"

#include "FocusChain.h"
#include "RunningReplies.h"
#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCalendarWidget>

#include <QJsonArray>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>

using ScreenTestKit::child;

namespace
{

QAccessibleInterface *accessible(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

bool readsChecked(QWidget *row)
{
    return accessible(row)->state().checked;
}

} // namespace

// The window driven only as a screen reader drives it: through the accessible actions and names of its
// controls, and the keys of the focused one.
class AccessibleWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        QVERIFY(m_window.open(QSize(1400, 800)));
        QTRY_VERIFY_WITH_TIMEOUT(settled(), 10000);
    }

    void cleanup() { m_window.close(); }

    // How a screen reader, or the keyboard, operates a row.
    void rows_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Press") << QAccessibleActionInterface::pressAction();
        QTest::newRow("Toggle") << QAccessibleActionInterface::toggleAction();
        QTest::newRow("Space") << QStringLiteral("Space");
        QTest::newRow("Return") << QStringLiteral("Return");
    }

    void sidebarRows_switchSectionAndFilter_likeAClick_data() { rows_data(); }
    void sidebarRows_switchSectionAndFilter_likeAClick()
    {
        QFETCH(QString, how);
        WindowState *state = m_window.view()->state();
        auto *ask = row("askRow");
        auto *timeline = row("timelineRow");
        auto *medicines = row("categoryRow-rx");
        QVERIFY(readsChecked(timeline) && !readsChecked(ask));

        operate(ask, how);
        QCOMPARE(state->selectedSection(), SidebarSection::ask);
        QVERIFY(readsChecked(ask) && !readsChecked(timeline));

        operate(medicines, how);
        QCOMPARE(state->selectedSection(), SidebarSection::timeline);
        QCOMPARE(state->selectedCategoryFilter(), QStringLiteral("rx"));
        QVERIFY(readsChecked(medicines) && !readsChecked(ask) && !readsChecked(timeline));
        QCOMPARE(accessible(medicines)->text(QAccessible::Name), QStringLiteral("Medicines"));

        operate(medicines, how);
        QCOMPARE(state->selectedCategoryFilter(), std::nullopt);
        QVERIFY(!readsChecked(medicines) && readsChecked(timeline));
    }

    void entryCategoryRow_sendsTheChange_andReadsTheStoresState_data() { rows_data(); }
    void entryCategoryRow_sendsTheChange_andReadsTheStoresState()
    {
        QFETCH(QString, how);
        auto *panel = m_window.view()->findChild<MedbitDetailPanel *>();
        const Medbit before = panel->medbit();
        const bool had = before.tags.contains(QStringLiteral("vx"));
        auto *vaccination = child<MedbitCategoryRow>(panel, "category-vx");
        QCOMPARE(readsChecked(vaccination), had);

        operate(vaccination, how);
        QTRY_COMPARE(m_window.session()->requests(QStringLiteral("/api/medbits/update")).size(), 1);
        const QJsonArray sent =
            m_window.session()->requests(QStringLiteral("/api/medbits/update")).first().json()["tags"].toArray();
        QCOMPARE(sent.contains(QStringLiteral("vx")), !had);
        QTRY_COMPARE(panel->medbit().tags.contains(QStringLiteral("vx")), !had);
        QCOMPARE(readsChecked(vaccination), !had);
    }

    void entryCategoryRow_keepsTheFocus_whenToggledByKeyboard()
    {
        QVERIFY(QTest::qWaitForWindowActive(m_window.view()));
        auto *panel = m_window.view()->findChild<MedbitDetailPanel *>();
        const bool had = panel->medbit().tags.contains(QStringLiteral("rx"));
        child<QWidget>(panel, "category-hx")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        auto *medicines = child<MedbitCategoryRow>(panel, "category-rx");
        QCOMPARE(QApplication::focusWidget(), medicines);

        QTest::keyClick(medicines, Qt::Key_Space);
        QTRY_COMPARE(panel->medbit().tags.contains(QStringLiteral("rx")), !had);
        QTRY_VERIFY(medicines->isEnabled());
        QCOMPARE(QApplication::focusWidget(), medicines);
        // The next Space toggles the row again rather than opening the form.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QTRY_COMPARE(panel->medbit().tags.contains(QStringLiteral("rx")), had);
        QVERIFY(!m_window.view()->findChild<CreateEntryView *>());
    }

    void starAndNewEntry_showWhereTheFocusIs()
    {
        QVERIFY(QTest::qWaitForWindowActive(m_window.view()));
        for (const char *name : {"starButton", "newEntryButton"}) {
            auto *button = child<QToolButton>(m_window.view(), name);
            child<QWidget>(m_window.view(), "searchField")->setFocus(Qt::TabFocusReason);
            const QImage unfocused = button->grab().toImage();
            button->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY2(button->hasFocus(), name);
            QVERIFY2(button->grab().toImage() != unfocused, name);
        }
    }

    void patientMenu_itemsAreReadableWhileOpen()
    {
        auto *picker = child<QToolButton>(m_window.view(), "patientPicker");
        QMenu *menu = picker->menu();
        menu->popup(picker->mapToGlobal(QPoint(0, picker->height())));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QAccessibleInterface *shown = accessible(menu);
        QStringList read;
        for (int i = 0; i < shown->childCount(); ++i)
            read << shown->child(i)->text(QAccessible::Name);
        menu->hide();
        QStringList expected;
        for (const Patient &patient : m_window.session()->patients()->patients())
            expected << patient.displayName();
        QCOMPARE(read, expected);
    }

    // Every section as the user reaches it, through its sidebar row; the timeline with an entry whose
    // attachment is open and a question asked, so that the preview and the questions are there too.
    void everyFocusStop_inEachSection_hasAName_data()
    {
        QTest::addColumn<QString>("rowName");
        QTest::addColumn<QString>("panelName");
        QTest::newRow("Timeline") << QStringLiteral("timelineRow") << QStringLiteral("timelineDetail");
        QTest::newRow("Ask") << QStringLiteral("askRow") << QStringLiteral("askPanel");
        QTest::newRow("Health Story") << QStringLiteral("healthStoryRow") << QStringLiteral("healthStoryPanel");
        QTest::newRow("Health Documents")
            << QStringLiteral("healthDocumentsRow") << QStringLiteral("healthDocumentsPanel");
        QTest::newRow("Clipboard") << QStringLiteral("clipboardRow") << QStringLiteral("clipboardPanel");
    }
    void everyFocusStop_inEachSection_hasAName()
    {
        QFETCH(QString, rowName);
        QFETCH(QString, panelName);
        if (rowName != QLatin1String("timelineRow")) {
            QTest::mouseClick(row(qPrintable(rowName)), Qt::LeftButton);
            QTRY_VERIFY(child<QWidget>(m_window.view(), qPrintable(panelName)) &&
                        child<QWidget>(m_window.view(), qPrintable(panelName))->isVisible());
            // What the section shows once its loads are in: nothing on its way, no progress shown.
            const auto loaded = [&] {
                const QWidget *panel = child<QWidget>(m_window.view(), qPrintable(panelName));
                const QList<BusyIndicator *> busy =
                    panel ? panel->findChildren<BusyIndicator *>() : QList<BusyIndicator *>();
                return panel && runningReplies() == 0 &&
                       std::none_of(busy.cbegin(), busy.cend(), [](const BusyIndicator *b) { return b->isVisible(); });
            };
            QTRY_VERIFY(loaded());
        } else {
            openAttachmentAndAsk();
        }
        VERIFY_EVERY_FOCUS_STOP_NAMED(m_window.view());
    }

    // The entry form for a new entry, and for an entry with an attachment, which it lists.
    void everyFocusStop_inTheEntryForm_hasAName_data()
    {
        QTest::addColumn<QString>("opener");
        QTest::newRow("new") << QStringLiteral("newEntryButton");
        QTest::newRow("edit") << QStringLiteral("editButton");
    }
    void everyFocusStop_inTheEntryForm_hasAName()
    {
        QFETCH(QString, opener);
        openAttachmentAndAsk();
        QTest::mouseClick(child<QAbstractButton>(m_window.view(), qPrintable(opener)), Qt::LeftButton);
        CreateEntryView *sheet = nullptr;
        QTRY_VERIFY((sheet = m_window.view()->findChild<CreateEntryView *>()) && sheet->isVisible());
        VERIFY_EVERY_FOCUS_STOP_NAMED(sheet);
        if (opener == QLatin1String("newEntryButton")) {
            auto *picker = child<EntryDateField>(sheet, "datePicker");
            // The calendar opens from the button at the field's end.
            QTest::mouseClick(child<QAbstractButton>(sheet, "dateCalendarButton"), Qt::LeftButton);
            QTRY_VERIFY(picker->calendar()->isVisible());
            VERIFY_EVERY_FOCUS_STOP_NAMED(picker->calendar()->window());
        }
    }

    void everyFocusStop_inTheImportSheet_hasAName()
    {
        QTest::mouseClick(child<QWidget>(m_window.view(), "importDocumentRow"), Qt::LeftButton);
        QWidget *sheet = nullptr;
        QTRY_VERIFY((sheet = m_window.view()->findChild<QWidget *>(QStringLiteral("importDocumentSheet"))) &&
                    sheet->isVisible());
        VERIFY_EVERY_FOCUS_STOP_NAMED(sheet);
    }

    // Tab reads each column top to bottom, and the columns left to right: sidebar, list, entry, preview.
    void tabOrder_followsTheColumns_topToBottom()
    {
        openAttachmentAndAsk();
        QWidget *window = m_window.view();
        QList<QWidget *> columns;
        for (const char *name : {"sidebarPanel", "contentColumn", "medbitDetailPanel", "inspectorPreviewPanel"})
            columns << child<QWidget>(window, name);
        int previousColumn = -1;
        QRect previous;
        for (QWidget *stop : FocusChain::stops(window)) {
            const auto column = std::find_if(columns.cbegin(), columns.cend(),
                                             [stop](QWidget *column) { return column->isAncestorOf(stop); });
            const QString where = FocusChain::nameOf(stop) + QLatin1Char(' ') + stop->objectName();
            QVERIFY2(column != columns.cend(), qPrintable(where));
            const int columnX = (*column)->mapTo(window, QPoint()).x();
            const QRect at(stop->mapTo(window, QPoint()), stop->size());
            QVERIFY2(columnX >= previousColumn, qPrintable(where));
            // Controls of one row differ a little in height; a stop wholly above the one before goes back up.
            QVERIFY2(columnX > previousColumn || at.bottom() >= previous.top(), qPrintable(where));
            previousColumn = columnX;
            previous = at;
        }
    }

    // A screen reader presses a flag wherever the keyboard's focus is, on the flag itself or elsewhere, and a
    // person clicks it, once or twice in a row: the focus stays where it was through the update.
    void flag_pressedOrClicked_keepsTheFocusWhereItWas_data()
    {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<QString>("focused");
        QTest::addColumn<QString>("how");
        const QString star = QStringLiteral("starButton");
        const QString press = QAccessibleActionInterface::pressAction();
        QTest::newRow("Star pressed, the list focused") << star << QStringLiteral("timelineList") << press;
        QTest::newRow("Star pressed, Star itself focused") << star << star << press;
        QTest::newRow("Lock pressed, Lock itself focused")
            << QStringLiteral("lockButton") << QStringLiteral("lockButton") << press;
        QTest::newRow("Star clicked") << star << star << QStringLiteral("click");
        QTest::newRow("Star double-clicked") << star << star << QStringLiteral("double click");
    }
    void flag_pressedOrClicked_keepsTheFocusWhereItWas()
    {
        QFETCH(QString, flag);
        QFETCH(QString, focused);
        QFETCH(QString, how);
        QVERIFY(QTest::qWaitForWindowActive(m_window.view()));
        auto *panel = m_window.view()->findChild<MedbitDetailPanel *>();
        const Medbit before = panel->medbit();
        QWidget *focus = child<QWidget>(m_window.view(), qPrintable(focused));
        focus->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), focus);
        auto *button = child<QToolButton>(panel, qPrintable(flag));
        if (how == QAccessibleActionInterface::pressAction()) {
            accessible(button)->actionInterface()->doAction(how);
        } else {
            // A double click is two clicks; the second finds the first's update still running.
            for (int click = how == QLatin1String("click") ? 1 : 2; click > 0; --click)
                QTest::mouseClick(button, Qt::LeftButton);
        }
        QTRY_VERIFY(panel->medbit().isStarred != before.isStarred || panel->medbit().isLocked != before.isLocked);
        QTRY_VERIFY(button->isEnabled());
        QCOMPARE(QApplication::focusWidget(), focus);
        QCOMPARE(m_window.session()->requests(QStringLiteral("/api/medbits/update")).size(), 1);
    }

    // Another entry shown and this one again while its star updates: the entry's content is built anew, and
    // the focus still ends on its star rather than on whatever stands after the content.
    void star_pressed_keepsTheFocus_whenTheEntryIsShownAnewMeanwhile()
    {
        QVERIFY(QTest::qWaitForWindowActive(m_window.view()));
        auto *panel = m_window.view()->findChild<MedbitDetailPanel *>();
        const Medbit shown = panel->medbit();
        const QList<Medbit> &medbits = m_window.view()->medbitStore()->medbits();
        const auto other =
            std::find_if(medbits.cbegin(), medbits.cend(), [&](const Medbit &medbit) { return medbit.id != shown.id; });
        QVERIFY(other != medbits.cend());
        const auto star = [panel] {
            const QList<QToolButton *> stars = panel->findChildren<QToolButton *>(QStringLiteral("starButton"));
            const auto visible =
                std::find_if(stars.cbegin(), stars.cend(), [](QWidget *each) { return each->isVisible(); });
            return visible == stars.cend() ? nullptr : *visible;
        };
        star()->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), star());
        accessible(star())->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        m_window.view()->state()->setSelectedMedbit(*other);
        m_window.view()->state()->setSelectedMedbit(shown);
        QTRY_VERIFY(panel->medbit().isStarred != shown.isStarred);
        QTRY_VERIFY(star()->isEnabled());
        QCOMPARE(QApplication::focusWidget(), star());
    }

    void deleteAlert_escape_returnsTheFocusToDelete()
    {
        QVERIFY(QTest::qWaitForWindowActive(m_window.view()));
        auto *remove = child<QPushButton>(m_window.view(), "deleteButton");
        remove->setFocus(Qt::TabFocusReason);
        QTest::keyClick(remove, Qt::Key_Space);
        QWidget *alert = nullptr;
        QTRY_VERIFY((alert = child<QWidget>(m_window.view(), "deleteAlert")) && alert->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(alert));
        QTest::keyClick(alert, Qt::Key_Escape);
        QTRY_VERIFY(!child<QWidget>(m_window.view(), "deleteAlert"));
        QTRY_COMPARE(QApplication::focusWidget(), remove);
    }

private:
    SidebarRow *row(const char *name) const { return child<SidebarRow>(m_window.view(), name); }

    // The entry's details shown, and only once: a rebuilt panel's old rows linger hidden until deleted. Its
    // own fetch is in too: an older copy landing after an update would undo the update.
    bool settled() const
    {
        if (m_window.session()->finishedReplies(QStringLiteral("/medbits/get")) < 1)
            return false;
        auto *panel = m_window.view()->findChild<MedbitDetailPanel *>();
        const QList<MedbitCategoryRow *> rows =
            panel ? panel->findChildren<MedbitCategoryRow *>() : QList<MedbitCategoryRow *>();
        return !rows.isEmpty() && std::all_of(rows.cbegin(), rows.cend(), [](const MedbitCategoryRow *row) {
            return row->isVisible() && row->isEnabled();
        });
    }

    void openAttachmentAndAsk()
    {
        const QList<Medbit> &medbits = m_window.view()->medbitStore()->medbits();
        const auto lab = std::find_if(medbits.cbegin(), medbits.cend(), [](const Medbit &medbit) {
            return medbit.entryText.startsWith(QStringLiteral("Blood panel"));
        });
        QVERIFY(lab != medbits.cend());
        m_window.view()->state()->setSelectedMedbit(*lab);
        m_window.view()->state()->setActiveDocumentName(QStringLiteral("Blood panel 2024-03.pdf"));
        QTRY_VERIFY(child<QWidget>(m_window.view(), "previewPDF") &&
                    child<QWidget>(m_window.view(), "previewPDF")->isVisible());
        auto *ask = child<QLineEdit>(m_window.view(), "askField");
        QTest::keyClicks(ask, QStringLiteral("Is this normal?"));
        QTest::keyClick(ask, Qt::Key_Return);
        QTRY_VERIFY(child<QWidget>(m_window.view(), "askExchanges")->isVisible());
    }

    static void operate(QWidget *row, const QString &how)
    {
        if (how == QLatin1String("Space") || how == QLatin1String("Return")) {
            row->setFocus();
            QTest::keyClick(row, how == QLatin1String("Space") ? Qt::Key_Space : Qt::Key_Return);
            return;
        }
        QAccessibleInterface *read = accessible(row);
        QVERIFY(read->actionInterface()->actionNames().contains(how));
        read->actionInterface()->doAction(how);
    }

    StandinServer m_server;
    SignedInWindow m_window{m_server};
};

QTEST_MAIN(AccessibleWindowTest)
#include "AccessibleWindowTest.moc"
