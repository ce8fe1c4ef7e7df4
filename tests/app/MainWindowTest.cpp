#include "app/MainWindow.h"
#include "AwaitTask.h"
#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "StandinServer.h"
#include "app/RootView.h"
#include "app/SettingsView.h"
#include "app/VantorelleApp.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/ProgramRecords.h"
#include "net/APIClient.h"
#include "net/AuthManager.h"
#include "platform/MemoryKeychain.h"
#include "platform/UpdaterController.h"
#include "widgets/ModalShield.h"
#include "widgets/Sheet.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>

using namespace ScreenTestKit;

class MainWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void applicationMenu_listsItsCommandsInOrderWithShortcuts();
    void checkForUpdates_disabledWhileUpdatingIsNotConfigured();
    void settings_isOfferedOnlyWhileSignedIn_inOneWindow_data();
    void settings_isOfferedOnlyWhileSignedIn_inOneWindow();
    void newWindow_opensAnotherWindowWithItsOwnRootView();
    void newWindow_opensNothing_whileASheetIsOpen();
    void about_showsTheApplicationName();

private:
    void pressNewWindow();
    QAction *action(MainWindow *window, const char *name) const { return window->findChild<QAction *>(name); }
    void chooseSettings(MainWindow *window, const QString &route);
    bool settingsShown() const { return m_app->settingsView() && m_app->settingsView()->isVisible(); }

    StandinServer m_server;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<ProgramRecords> m_records;
    std::unique_ptr<VantorelleApp> m_app;
    MainWindow *m_window = nullptr;
};

void MainWindowTest::initTestCase()
{
    QVERIFY(m_server.isRunning());
    APIClient::shared().setBaseURLForTesting(m_server.apiBase());
    // As the application does at start.
    ModalShield::install();
}

void MainWindowTest::init()
{
    m_keychain = std::make_unique<MemoryKeychain>();
    m_records = std::make_unique<ProgramRecords>();
    m_app = std::make_unique<VantorelleApp>(m_keychain.get(), ContentView::factory(m_records.get()));
    m_window = m_app->openNewWindow();
    QTRY_COMPARE_WITH_TIMEOUT(m_window->rootView()->screen(), RootView::Screen::SignIn, 10000);
}

void MainWindowTest::cleanup()
{
    m_app.reset();
    m_records.reset();
    SignedInSession::drainSharedClient();
    m_keychain.reset();
}

void MainWindowTest::applicationMenu_listsItsCommandsInOrderWithShortcuts()
{
    auto *menu = m_window->findChild<QMenu *>(QStringLiteral("applicationMenu"));
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("Vantorelle"));
    QStringList items;
    for (const QAction *item : menu->actions())
        items << (item->isSeparator() ? QStringLiteral("-") : item->text());
    QCOMPARE(items,
             (QStringList{QStringLiteral("About Vantorelle"), QStringLiteral("Check for Updates…"), QStringLiteral("-"),
                          QStringLiteral("Settings…"), QStringLiteral("-"), QStringLiteral("Quit")}));
    QCOMPARE(action(m_window, "settingsAction")->shortcut(), QKeySequence(QStringLiteral("Ctrl+,")));
    QCOMPARE(action(m_window, "quitAction")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    QCOMPARE(action(m_window, "newWindowAction")->text(), QStringLiteral("New Window"));
    QCOMPARE(action(m_window, "newWindowAction")->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
}

void MainWindowTest::checkForUpdates_disabledWhileUpdatingIsNotConfigured()
{
    QVERIFY(!m_app->updater()->isConfigured());
    QVERIFY(!action(m_window, "checkForUpdatesAction")->isEnabled());
}

void MainWindowTest::settings_isOfferedOnlyWhileSignedIn_inOneWindow_data()
{
    QTest::addColumn<QString>("route");
    QTest::newRow("Ctrl+,") << QStringLiteral("shortcut");
    QTest::newRow("the application menu") << QStringLiteral("menu");
}

void MainWindowTest::settings_isOfferedOnlyWhileSignedIn_inOneWindow()
{
    QFETCH(QString, route);
    QVERIFY(!action(m_window, "settingsAction")->isEnabled());
    chooseSettings(m_window, route);
    QVERIFY(!m_app->settingsView());

    AwaitTask::run(m_app->authManager()->login(StandinServer::demoEmail, StandinServer::demoPassword, false));
    QVERIFY(action(m_window, "settingsAction")->isEnabled());
    chooseSettings(m_window, route);
    SettingsView *settings = m_app->settingsView();
    QVERIFY(settingsShown());
    QVERIFY(settings->isWindow());
    settings->close();
    MainWindow *second = m_app->openNewWindow();
    chooseSettings(second, route);
    QCOMPARE(m_app->settingsView(), settings);
    QVERIFY(settingsShown());

    AwaitTask::run(m_app->authManager()->logout());
    QVERIFY(!settingsShown());
    // Signing out hands the keyboard back to the window Settings was opened from.
    QTRY_COMPARE(QApplication::activeWindow(), second);
    for (MainWindow *window : {m_window, second}) {
        QVERIFY(!action(window, "settingsAction")->isEnabled());
        chooseSettings(window, route);
        QVERIFY(!settingsShown());
    }
}

// As a person does: Ctrl+, in the active window, or a click on the item of the menu opened from the menu bar.
void MainWindowTest::chooseSettings(MainWindow *window, const QString &route)
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    if (route == QLatin1String("shortcut")) {
        QTest::keyClick(window, Qt::Key_Comma, Qt::ControlModifier);
        return;
    }
    auto *menu = window->findChild<QMenu *>(QStringLiteral("applicationMenu"));
    QMenuBar *bar = window->menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    QTRY_VERIFY(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action(window, "settingsAction")).center());
    // A greyed item leaves the menu open.
    if (menu->isVisible())
        QTest::keyClick(menu, Qt::Key_Escape);
    QTRY_VERIFY(!menu->isVisible());
}

void MainWindowTest::newWindow_opensAnotherWindowWithItsOwnRootView()
{
    action(m_window, "newWindowAction")->trigger();
    const QList<MainWindow *> windows = m_app->windows();
    QCOMPARE(windows.size(), 2);
    QVERIFY(windows.at(1)->isVisible());
    QVERIFY(windows.at(1)->rootView() != m_window->rootView());
    QCOMPARE(windows.at(1)->rootView()->screen(), RootView::Screen::SignIn);

    windows.at(1)->close();
    QTRY_COMPARE_WITH_TIMEOUT(m_app->windows().size(), 1, 5000);
}

// A screen reader reaches the menu bar of a window behind a sheet; the sheet works for the window's patient,
// which another window could switch.
void MainWindowTest::newWindow_opensNothing_whileASheetIsOpen()
{
    auto *sheet = new Sheet(m_window);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->open();
    pressNewWindow();
    action(m_window, "newWindowAction")->trigger();
    QCOMPARE(m_app->windows().size(), 1);

    sheet->accept();
    QTRY_VERIFY(action(m_window, "newWindowAction")->isEnabled());
    pressNewWindow();
    QCOMPARE(m_app->windows().size(), 2);
}

void MainWindowTest::pressNewWindow()
{
    QAccessibleInterface *menu = QAccessible::queryAccessibleInterface(m_window->findChild<QMenu *>("fileMenu"));
    for (int index = 0; index < menu->childCount(); ++index) {
        if (menu->child(index)->text(QAccessible::Name) == QLatin1String("New Window"))
            menu->child(index)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    }
}

void MainWindowTest::about_showsTheApplicationName()
{
    action(m_window, "aboutAction")->trigger();
    auto *box = m_window->findChild<QMessageBox *>(QStringLiteral("aboutBox"));
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QVERIFY(box->text().startsWith(QStringLiteral("Vantorelle")));
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
