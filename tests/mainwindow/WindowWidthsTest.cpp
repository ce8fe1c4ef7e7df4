#include "app/SettingsView.h"
#include "clipboard/ClipboardManager.h"
#include "documents/PDFKitView.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/sidebar/SidebarRow.h"
#include "records/MedbitStore.h"
#include "records/PatientStore.h"
#include "widgets/FormKit.h"
#include "widgets/RemoteImageView.h"
#include "window/WindowState.h"

#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include <QAbstractItemView>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

using ScreenTestKit::child;

// Each section with its detail open, in the window made as narrow as it lets itself be: every column gets the
// width it needs, beside the others, and the sidebar's labels stay whole.
class WindowWidthsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        QVERIFY(m_window.open(QSize(1100, 700)));
        QTRY_VERIFY_WITH_TIMEOUT(state()->selectedMedbit().has_value(), 10000);
    }

    void cleanup() { m_window.close(); }

    void columns_keepApart_atTheWindowsMinimum_data()
    {
        QTest::addColumn<int>("section");
        QTest::addColumn<QStringList>("columns");
        QTest::newRow("timeline, entry and preview")
            << int(SidebarSection::timeline)
            << QStringList{"timelinePanel", "medbitDetailPanel", "inspectorPreviewPanel"};
        QTest::newRow("ask, conversation open")
            << int(SidebarSection::ask) << QStringList{"askList", "conversationDetail"};
        QTest::newRow("health story") << int(SidebarSection::healthStory) << QStringList{"healthStoryPanel"};
        QTest::newRow("health documents, document open")
            << int(SidebarSection::healthDocuments)
            << QStringList{"documentListColumn", "documentDetailColumn", "connectedMedbitsColumn"};
        QTest::newRow("clipboard, item open")
            << int(SidebarSection::clipboard) << QStringList{"clipboardListColumn", "clipboardDetailColumn"};
    }

    void columns_keepApart_atTheWindowsMinimum()
    {
        QFETCH(int, section);
        QFETCH(QStringList, columns);
        openWithDetail(SidebarSection(section));
        ContentView *view = m_window.view();
        // The window takes its new minimum once its layout has heard of what the section shows.
        QTRY_VERIFY(narrowedToItsMinimum(view));
        columns.prepend(QStringLiteral("sidebarPanel"));
        QTRY_COMPARE(columnFaults(view, columns), QStringList());
        QCOMPARE(cutSidebarLabels(view), QStringList());
    }

    // What an entry shows, an attachment and its preview among it, shrinks into the room the window has: the
    // window's narrowest stays that of an entry with nothing attached.
    void minimumWidth_staysAtTheBareWindows_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("previewOpen");
        QTest::newRow("without attachment") << QStringLiteral("Seasonal asthma") << false;
        QTest::newRow("with a PDF") << QStringLiteral("Blood panel") << false;
        QTest::newRow("with an image") << QStringLiteral("Skin rash") << false;
        QTest::newRow("PDF in the preview") << QStringLiteral("Blood panel") << true;
        QTest::newRow("image in the preview") << QStringLiteral("Skin rash") << true;
    }

    void minimumWidth_staysAtTheBareWindows()
    {
        QFETCH(QString, entry);
        QFETCH(bool, previewOpen);
        ContentView *view = m_window.view();
        state()->setSelectedMedbit(entryStarting(QStringLiteral("Seasonal asthma")));
        QTRY_VERIFY(child<QWidget>(view, "medbitDetailPanel") && !shown<QWidget>("inspectorPreviewPanel"));
        QTRY_VERIFY(narrowedToItsMinimum(view));
        const int bare = view->minimumSizeHint().width();

        state()->setSelectedMedbit(entryStarting(entry));
        if (!previewOpen)
            state()->setActiveDocumentName(std::nullopt);
        QWidget *shownPage = nullptr;
        if (previewOpen)
            QTRY_VERIFY_WITH_TIMEOUT((shownPage = shownPreviewPage()), 10000);
        QTRY_VERIFY(narrowedToItsMinimum(view));
        QCOMPARE(view->minimumSizeHint().width(), bare);
        // The preview gave up its room, and takes it back as the window widens.
        view->resize(bare + 400, view->height());
        if (shownPage)
            QTRY_VERIFY(shownPage->isVisible() && shownPage->width() > 200);
    }

    // A document opened in the Health Documents section: its preview takes what the list and the connected
    // entries leave it in the window, rather than widening the window, and takes more as the window widens.
    void documentPreview_givesUpItsRoom_beforeTheWindowWidens_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("page");
        QTest::newRow("PDF") << QStringLiteral("Blood panel 2024-03.pdf") << QStringLiteral("documentPDF");
        QTest::newRow("image") << QStringLiteral("Forearm rash.png") << QStringLiteral("documentImageScroll");
    }

    void documentPreview_givesUpItsRoom_beforeTheWindowWidens()
    {
        QFETCH(QString, document);
        QFETCH(QString, page);
        ContentView *view = m_window.view();
        state()->setSelectedSection(SidebarSection::healthDocuments);
        QTRY_VERIFY_WITH_TIMEOUT(documentsGridHolds(3), 10000);
        const int width = view->width();
        auto *grid = shown<QAbstractItemView>("documentsGrid");
        const QModelIndex card = grid->model()->match(grid->model()->index(0, 0), Qt::DisplayRole, document).value(0);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(card).center());
        QWidget *shownPage = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((shownPage = shown<QWidget>(qPrintable(page))) && showsItsDocument(shownPage), 10000);
        // By now the window has taken the minimum of what it shows, and grown to it if it had to.
        QTRY_VERIFY(view->width() >= view->minimumWidth());
        QVERIFY2(view->width() == width,
                 qPrintable(QStringLiteral("%1 wide, at least %2").arg(view->width()).arg(view->minimumWidth())));
        view->resize(width + 400, view->height());
        QTRY_VERIFY(shownPage->width() >= 350);
    }

    // In a wide window the attachment's preview grows with the entry beside it, not left a narrow strip.
    void preview_sharesTheRoomOfAWideWindow()
    {
        state()->setSelectedMedbit(entryStarting(QStringLiteral("Blood panel")));
        QWidget *preview = nullptr;
        QTRY_VERIFY((preview = child<QWidget>(m_window.view(), "inspectorPreviewPanel")) && preview->isVisible());
        m_window.view()->resize(1920, 1050);
        const QWidget *entry = child<QWidget>(m_window.view(), "medbitDetailPanel");
        QTRY_VERIFY2(preview->width() * 2 > entry->width(),
                     qPrintable(QStringLiteral("%1 beside %2").arg(preview->width()).arg(entry->width())));
    }

    // A list whose rows all fit shows no scroll bar; one whose rows do not shows it.
    void scrollBars_showOnlyWithSomethingToScroll()
    {
        auto *timeline = child<QAbstractItemView>(m_window.view(), "timelineList");
        QTRY_VERIFY(timeline->model()->rowCount() > 0);
        m_window.view()->resize(m_window.view()->width(), 2000);
        QTRY_VERIFY(!timeline->verticalScrollBar()->isVisible());
        m_window.view()->resize(m_window.view()->width(), 500);
        QTRY_VERIFY(timeline->verticalScrollBar()->isVisible());

        m_window.view()->clipboardManager()->record(ClipboardActionType::Copy, QStringLiteral("Warfarin"),
                                                    QStringLiteral("Ask"));
        state()->setSelectedSection(SidebarSection::clipboard);
        QWidget *list = nullptr;
        QTRY_VERIFY((list = child<QWidget>(m_window.view(), "clipboardListColumn")) && list->isVisible());
        for (const QScrollBar *bar : list->findChildren<QScrollBar *>())
            QVERIFY(!bar->isVisible());

        // The documents grid: its three cards fit in a row; fifty more do not.
        state()->setSelectedSection(SidebarSection::healthDocuments);
        QTRY_VERIFY_WITH_TIMEOUT(documentsGridHolds(3), 10000);
        const QScrollBar *fitting = shown<QAbstractItemView>("documentsGrid")->verticalScrollBar();
        QVERIFY(!fitting->isVisible() && fitting->maximum() == fitting->minimum());
        const QString patientID = m_window.session()->patients()->selectedPatientID();
        for (int i = 0; i < 50; ++i)
            m_server.apiCall("POST", QStringLiteral("/_standin/listed-documents"),
                             {{"patientId", patientID}, {"record", QJsonObject{{"fileName", "Scan.pdf"}}}});
        state()->setSelectedSection(SidebarSection::timeline);
        state()->setSelectedSection(SidebarSection::healthDocuments);
        QTRY_VERIFY_WITH_TIMEOUT(documentsGridHolds(53), 10000);
        const QScrollBar *bar = shown<QAbstractItemView>("documentsGrid")->verticalScrollBar();
        QTRY_VERIFY(bar->isVisible() && bar->maximum() > bar->minimum());
    }

    // Buttons keep room either side of their titles, a form's pair of buttons is one height, and a menu's
    // chevron sits on its title's centre line.
    void controlsOfOneKind_lookAlike()
    {
        ContentView *view = m_window.view();
        auto *picker = child<QWidget>(view, "patientPicker");
        const int centre = chevronCentre(picker);
        QVERIFY2(centre > 0 && qAbs(centre - picker->height() / 2) <= 1, qPrintable(QString::number(centre)));

        QTest::mouseClick(child<QAbstractButton>(view, "newEntryButton"), Qt::LeftButton);
        QWidget *form = nullptr;
        QTRY_VERIFY((form = child<QWidget>(view, "createEntryView")) && form->isVisible());
        QCOMPARE(child<QWidget>(form, "cancelButton")->height(), child<QWidget>(form, "saveButton")->height());
        form->close();

        state()->setSelectedSection(SidebarSection::healthStory);
        QAbstractButton *generate = nullptr;
        QTRY_VERIFY((generate = child<QAbstractButton>(view, "generateHealthStoryButton")) && generate->isVisible());
        SettingsView settings(m_window.session()->auth(), m_window.session()->patients());
        settings.show();
        QVERIFY(QTest::qWaitForWindowExposed(&settings));
        for (QAbstractButton *button : {generate, child<QAbstractButton>(&settings, "changePasswordButton")}) {
            const int room = button->width() - button->fontMetrics().horizontalAdvance(button->text());
            QVERIFY2(room >= 2 * FormKit::buttonTitlePadding, qPrintable(button->text()));
        }
    }

    // Every framed push button of a screen is as tall as a plain one, whatever its kind: a form's prominent
    // busy button, a destructive one, a plain one beside them.
    void pushButtons_areOneHeight_data()
    {
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("screen");
        QTest::newRow("settings") << QString() << QStringLiteral("settingsView");
        QTest::newRow("change password") << QStringLiteral("changePasswordButton")
                                         << QStringLiteral("changePasswordSheet");
        QTest::newRow("entry form") << QStringLiteral("newEntryButton") << QStringLiteral("createEntryView");
        QTest::newRow("import sheet") << QStringLiteral("importDocumentRow") << QStringLiteral("importDocumentSheet");
    }

    void pushButtons_areOneHeight()
    {
        QFETCH(QString, opener);
        QFETCH(QString, screen);
        SettingsView settings(m_window.session()->auth(), m_window.session()->patients());
        settings.show();
        QVERIFY(QTest::qWaitForWindowExposed(&settings));
        const QList<QWidget *> windows{&settings, m_window.view()};
        if (!opener.isEmpty())
            QTest::mouseClick(named(windows, opener), Qt::LeftButton);
        QWidget *shownScreen = nullptr;
        QTRY_VERIFY((shownScreen = named(windows, screen)) && shownScreen->isVisible());
        const int plain = QPushButton(QStringLiteral("OK"), shownScreen).sizeHint().height();
        QStringList others;
        for (const QPushButton *button : shownScreen->findChildren<QPushButton *>()) {
            if (button->isVisible() && !button->isFlat() && button->height() != plain)
                others << QStringLiteral("%1 %2 high").arg(button->text()).arg(button->height());
        }
        QVERIFY2(others.isEmpty(), qPrintable(others.join(QStringLiteral(", "))));
    }

private:
    WindowState *state() const { return m_window.view()->state(); }

    // The shown one of the widgets of that name: a panel left behind stays hidden until it is deleted.
    template <typename Widget> Widget *shown(const char *name) const
    {
        for (Widget *widget : m_window.view()->findChildren<Widget *>(QLatin1String(name)))
            if (widget->isVisible())
                return widget;
        return nullptr;
    }

    // The preview's page that shows the attachment itself, once it does.
    QWidget *shownPreviewPage() const
    {
        for (const char *name : {"previewPDF", "previewImageScroll"})
            if (QWidget *page = shown<QWidget>(name))
                return page;
        return nullptr;
    }

    // The widget of that name in one of the windows, the window itself included.
    static QWidget *named(const QList<QWidget *> &windows, const QString &name)
    {
        for (QWidget *window : windows) {
            if (window->objectName() == name)
                return window;
            if (auto *found = window->findChild<QWidget *>(name))
                return found;
        }
        return nullptr;
    }

    // The PDF or the image of a preview page, loaded.
    static bool showsItsDocument(QWidget *page)
    {
        if (const auto *pdf = qobject_cast<PDFKitView *>(page))
            return !pdf->isLoading() && !pdf->failedToLoad();
        const auto *image = page->findChild<RemoteImageView *>();
        return image && image->phase() == RemoteImageView::Phase::loaded;
    }

    bool documentsGridHolds(int cards) const
    {
        const auto *grid = shown<QAbstractItemView>("documentsGrid");
        return grid && grid->model()->rowCount() == cards;
    }

    void openWithDetail(SidebarSection section)
    {
        ContentView *view = m_window.view();
        switch (section) {
        case SidebarSection::timeline:
            state()->setSelectedMedbit(entryStarting(QStringLiteral("Blood panel")));
            break;
        case SidebarSection::clipboard:
            view->clipboardManager()->record(ClipboardActionType::Copy, QStringLiteral("Warfarin 5 mg daily"),
                                             QStringLiteral("Ask"));
            break;
        default:
            break;
        }
        state()->setSelectedSection(section);
        if (section == SidebarSection::ask)
            chooseFirstRow("historyList");
        else if (section == SidebarSection::healthDocuments)
            chooseFirstRow("documentsGrid");
    }

    void chooseFirstRow(const char *listName)
    {
        QAbstractItemView *list = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((list = child<QAbstractItemView>(m_window.view(), listName)) && list->isVisible() &&
                                     list->model()->rowCount() > 0,
                                 10000);
        const QModelIndex first = list->model()->index(0, 0);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(first).center());
    }

    Medbit entryStarting(const QString &text) const
    {
        const QList<Medbit> &medbits = m_window.view()->medbitStore()->medbits();
        const auto found = std::find_if(medbits.cbegin(), medbits.cend(),
                                        [&](const Medbit &medbit) { return medbit.entryText.startsWith(text); });
        return found == medbits.cend() ? Medbit() : *found;
    }

    static bool narrowedToItsMinimum(QWidget *view)
    {
        view->resize(0, view->height());
        return view->minimumSize().width() >= view->minimumSizeHint().width() &&
               view->width() == view->minimumSize().width();
    }

    // The narrowest a widget's layout lets it be: its own minimum, or what its content needs when larger.
    static int neededWidth(const QWidget *widget)
    {
        return std::max(widget->minimumWidth(), widget->minimumSizeHint().width());
    }

    static QStringList columnFaults(const QWidget *view, const QStringList &names)
    {
        QStringList faults;
        QList<QRect> shown;
        for (const QString &name : names) {
            const QList<QWidget *> found = view->findChildren<QWidget *>(name);
            const auto column =
                std::find_if(found.cbegin(), found.cend(), [](QWidget *each) { return each->isVisible(); });
            if (column == found.cend()) {
                faults << name + QLatin1String(" missing");
                continue;
            }
            const QRect rect((*column)->mapTo(view, QPoint(0, 0)), (*column)->size());
            if ((*column)->width() < neededWidth(*column))
                faults << QStringLiteral("%1 %2 wide, needs %3").arg(name).arg(rect.width()).arg(neededWidth(*column));
            if (!view->rect().contains(rect))
                faults << name + QLatin1String(" outside the window");
            if (std::any_of(shown.cbegin(), shown.cend(), [&](const QRect &other) { return rect.intersects(other); }))
                faults << name + QLatin1String(" over another column");
            shown << rect;
        }
        return faults;
    }

    // The middle row of the chevron drawn at a menu button's trailing end.
    static int chevronCentre(QWidget *button)
    {
        const QImage drawn = button->grab().toImage();
        const QColor ground = drawn.pixelColor(drawn.width() - 1, 0);
        int top = -1;
        int bottom = -1;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = drawn.width() - 20; x < drawn.width(); ++x) {
                if (qAbs(drawn.pixelColor(x, y).lightness() - ground.lightness()) > 40) {
                    top = top < 0 ? y : top;
                    bottom = y;
                }
            }
        }
        return (top + bottom + 1) / 2;
    }

    static QStringList cutSidebarLabels(const QWidget *view)
    {
        QStringList cut;
        for (const SidebarRow *row : child<QWidget>(view, "sidebarPanel")->findChildren<SidebarRow *>()) {
            if (row->width() < row->sizeHint().width())
                cut << row->text();
        }
        return cut;
    }

    StandinServer m_server;
    SignedInWindow m_window{m_server};
};

QTEST_MAIN(WindowWidthsTest)
#include "WindowWidthsTest.moc"
