#include "app/RootView.h"
#include "AwaitTask.h"
#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "StandinServer.h"
#include "app/MainContent.h"
#include "app/MainWindow.h"
#include "app/SettingsView.h"
#include "app/VantorelleApp.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/ProgramRecords.h"
#include "net/APIClient.h"
#include "net/AuthManager.h"
#include "platform/MemoryKeychain.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace ScreenTestKit;
using Screen = RootView::Screen;

class RootViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void startUp_showsSigningInThenTheScreenOfTheOutcome_data();
    void startUp_showsSigningInThenTheScreenOfTheOutcome();
    void links_switchBetweenSignInAndRegistration_withoutTouchingTheSession();
    void enlargedWindow_keepsItsSizeAcrossScreens();
    void registerThenSignOut_showsAnEmptyRegistrationScreen();
    void windows_keepTheirOwnChoiceBetweenSignInAndRegistration();
    void newWindow_whileSignedIn_showsTheMainWindowAtOnce();
    void signedInSidebarSettings_opensTheSettingsWindow();
    void signOut_putsTheFocusOnTheSignInEmail();

private:
    void storeCredentials(const QString &email, const QString &password);
    MainWindow *startedWindow();
    void click(MainWindow *window, const char *button);

    StandinServer m_server;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<ProgramRecords> m_records;
    std::unique_ptr<VantorelleApp> m_app;
};

void RootViewTest::initTestCase()
{
    QVERIFY(m_server.isRunning());
    APIClient::shared().setBaseURLForTesting(m_server.apiBase());
}

void RootViewTest::init()
{
    m_server.reset();
    m_keychain = std::make_unique<MemoryKeychain>();
}

void RootViewTest::cleanup()
{
    m_app.reset();
    m_records.reset();
    SignedInSession::drainSharedClient();
    m_keychain.reset();
}

// Signing out closes the settings window; the user is back in the window, in the field that signs in again.
void RootViewTest::signOut_putsTheFocusOnTheSignInEmail()
{
    storeCredentials(StandinServer::demoEmail, StandinServer::demoPassword);
    MainWindow *window = startedWindow();
    QTRY_COMPARE_WITH_TIMEOUT(window->rootView()->screen(), Screen::Main, 10000);
    m_app->showSettings();
    QVERIFY(QTest::qWaitForWindowActive(m_app->settingsView()));
    QTest::mouseClick(child<QPushButton>(m_app->settingsView(), "signOutButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(window->rootView()->screen(), Screen::SignIn, 10000);
    QTRY_COMPARE(QApplication::focusWidget(), child<QWidget>(window->rootView()->content(), "emailField"));
}

void RootViewTest::storeCredentials(const QString &email, const QString &password)
{
    m_keychain->save(email, Keychain::emailService);
    m_keychain->save(password, Keychain::passwordService);
}

MainWindow *RootViewTest::startedWindow()
{
    if (!m_app) {
        m_records = std::make_unique<ProgramRecords>();
        m_app = std::make_unique<VantorelleApp>(m_keychain.get(), ContentView::factory(m_records.get()));
    }
    return m_app->openNewWindow();
}

void RootViewTest::click(MainWindow *window, const char *button)
{
    QTest::mouseClick(child<QPushButton>(window->rootView()->content(), button), Qt::LeftButton);
}

void RootViewTest::startUp_showsSigningInThenTheScreenOfTheOutcome_data()
{
    QTest::addColumn<QString>("storedPassword");
    QTest::addColumn<Screen>("outcome");
    QTest::addColumn<bool>("keepsCredentials");
    QTest::newRow("none stored") << QString() << Screen::SignIn << false;
    QTest::newRow("valid") << StandinServer::demoPassword << Screen::Main << true;
    QTest::newRow("rejected") << QStringLiteral("outdated-password") << Screen::SignIn << true;
}

void RootViewTest::startUp_showsSigningInThenTheScreenOfTheOutcome()
{
    QFETCH(QString, storedPassword);
    QFETCH(Screen, outcome);
    QFETCH(bool, keepsCredentials);
    if (!storedPassword.isEmpty())
        storeCredentials(StandinServer::demoEmail, storedPassword);
    m_records = std::make_unique<ProgramRecords>();
    m_app = std::make_unique<VantorelleApp>(m_keychain.get(), ContentView::factory(m_records.get()));
    MainWindow window(m_app.get());
    QCOMPARE(window.rootView()->screen(), Screen::Resolving);
    QCOMPARE(child<QLabel>(&window, "progressLabel")->text(), QStringLiteral("Signing in…"));
    QCOMPARE(window.rootView()->content()->size(), QSize(420, 420));

    QSignalSpy screens(window.rootView(), &RootView::screenChanged);
    window.show();
    QTRY_COMPARE_WITH_TIMEOUT(screens.size(), 1, 10000);
    QCOMPARE(screens.first().first().value<Screen>(), outcome);
    QCOMPARE(window.rootView()->screen(), outcome);
    QCOMPARE(m_keychain->item(Keychain::passwordService).has_value(), keepsCredentials);
    QCOMPARE(m_server.requests(QStringLiteral("/api/auth/userLogin")).size(), storedPassword.isEmpty() ? 0 : 1);
}

void RootViewTest::links_switchBetweenSignInAndRegistration_withoutTouchingTheSession()
{
    MainWindow *window = startedWindow();
    QTRY_COMPARE_WITH_TIMEOUT(window->rootView()->screen(), Screen::SignIn, 10000);
    QCOMPARE(window->rootView()->size(), QSize(420, 420));

    click(window, "createAccountButton");
    QCOMPARE(window->rootView()->screen(), Screen::Registration);
    QCOMPARE(window->rootView()->content()->size(), QSize(420, 560));
    QCOMPARE(window->rootView()->size(), QSize(420, 560));
    QTest::keyClicks(child<QLineEdit>(window, "fullNameField"), QStringLiteral("Jane"));
    click(window, "signInLinkButton");
    QCOMPARE(window->rootView()->screen(), Screen::SignIn);
    click(window, "createAccountButton");
    QTRY_VERIFY_WITH_TIMEOUT(child<QLineEdit>(window->rootView()->content(), "fullNameField")->text().isEmpty(), 5000);
    QVERIFY(!m_app->authManager()->isAuthenticated());
    QVERIFY(m_server.requests().isEmpty());
}

void RootViewTest::enlargedWindow_keepsItsSizeAcrossScreens()
{
    MainWindow *window = startedWindow();
    QTRY_COMPARE_WITH_TIMEOUT(window->rootView()->screen(), Screen::SignIn, 10000);
    const QSize enlarged(900, 760);
    window->resize(enlarged);
    click(window, "createAccountButton");
    QCOMPARE(window->size(), enlarged);
    click(window, "signInLinkButton");
    QCOMPARE(window->size(), enlarged);

    QWidget *form = window->rootView()->content();
    QTest::keyClicks(child<QLineEdit>(form, "emailField"), StandinServer::demoEmail);
    QTest::keyClicks(child<QLineEdit>(form, "passwordField"), StandinServer::demoPassword);
    QTest::keyClick(child<QLineEdit>(form, "passwordField"), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(window->rootView()->screen(), Screen::Main, 10000);
    const QSize larger(1100, 800);
    window->resize(larger);
    AwaitTask::run(m_app->authManager()->logout());
    QTRY_COMPARE_WITH_TIMEOUT(window->rootView()->screen(), Screen::SignIn, 10000);
    QCOMPARE(window->size(), larger);
}

void RootViewTest::registerThenSignOut_showsAnEmptyRegistrationScreen()
{
    MainWindow *window = startedWindow();
    QTRY_COMPARE_WITH_TIMEOUT(window->rootView()->screen(), Screen::SignIn, 10000);
    click(window, "createAccountButton");
    QWidget *form = window->rootView()->content();
    QTest::keyClicks(child<QLineEdit>(form, "fullNameField"), QStringLiteral("Jane Roe"));
    QTest::keyClicks(child<QLineEdit>(form, "emailField"), QStringLiteral("jane@vantorelle.test"));
    QTest::keyClicks(child<QLineEdit>(form, "passwordField"), QStringLiteral("pw"));
    QTest::keyClicks(child<QLineEdit>(form, "confirmPasswordField"), QStringLiteral("pw"));
    QTest::keyClick(child<QLineEdit>(form, "confirmPasswordField"), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(window->rootView()->screen(), Screen::Main, 10000);
    QVERIFY(child<QWidget>(window, "contentView"));

    m_app->showSettings();
    QTest::mouseClick(child<QPushButton>(m_app->settingsView(), "signOutButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(window->rootView()->screen(), Screen::Registration, 10000);
    QCOMPARE(m_server.requests(QStringLiteral("/api/auth/userLogout")).size(), 1);
    QVERIFY(!m_keychain->item(Keychain::emailService));
    QWidget *emptyForm = window->rootView()->content();
    for (const char *field : {"fullNameField", "emailField", "passwordField", "confirmPasswordField"})
        QVERIFY(child<QLineEdit>(emptyForm, field)->text().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!child<QWidget>(window, "contentView"), 5000);
}

void RootViewTest::windows_keepTheirOwnChoiceBetweenSignInAndRegistration()
{
    MainWindow *first = startedWindow();
    QTRY_COMPARE_WITH_TIMEOUT(first->rootView()->screen(), Screen::SignIn, 10000);
    click(first, "createAccountButton");

    MainWindow *second = startedWindow();
    QCOMPARE(second->rootView()->screen(), Screen::SignIn);
    QCOMPARE(first->rootView()->screen(), Screen::Registration);

    QWidget *form = second->rootView()->content();
    QTest::keyClicks(child<QLineEdit>(form, "emailField"), StandinServer::demoEmail);
    QTest::keyClicks(child<QLineEdit>(form, "passwordField"), StandinServer::demoPassword);
    QTest::keyClick(child<QLineEdit>(form, "passwordField"), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(first->rootView()->screen(), Screen::Main, 10000);
    QCOMPARE(second->rootView()->screen(), Screen::Main);

    AwaitTask::run(m_app->authManager()->logout());
    QCOMPARE(first->rootView()->screen(), Screen::Registration);
    QCOMPARE(second->rootView()->screen(), Screen::SignIn);
}

void RootViewTest::newWindow_whileSignedIn_showsTheMainWindowAtOnce()
{
    storeCredentials(StandinServer::demoEmail, StandinServer::demoPassword);
    MainWindow *first = startedWindow();
    QTRY_COMPARE_WITH_TIMEOUT(first->rootView()->screen(), Screen::Main, 10000);
    const qsizetype signIns = m_server.requests(QStringLiteral("/api/auth/userLogin")).size();

    MainWindow *second = startedWindow();
    QCOMPARE(second->rootView()->screen(), Screen::Main);
    QVERIFY(second->rootView()->content() != first->rootView()->content());
    QTRY_VERIFY_WITH_TIMEOUT(!m_app->authManager()->isResolvingSession(), 5000);
    // The second window's start-up finds the session signed in and does not sign in again.
    QCOMPARE(m_server.requests(QStringLiteral("/api/auth/userLogin")).size(), signIns);
}

void RootViewTest::signedInSidebarSettings_opensTheSettingsWindow()
{
    storeCredentials(StandinServer::demoEmail, StandinServer::demoPassword);
    MainWindow *window = startedWindow();
    QTRY_COMPARE_WITH_TIMEOUT(window->rootView()->screen(), Screen::Main, 10000);
    QVERIFY(qobject_cast<MainContent *>(window->rootView()->content()));
    QSignalSpy requests(window->rootView(), &RootView::settingsRequested);
    auto *settingsRow = child<QAbstractButton>(window->rootView()->content(), "settingsButton");
    QTRY_VERIFY_WITH_TIMEOUT(settingsRow && settingsRow->isVisible(), 10000);

    QTest::mouseClick(settingsRow, Qt::LeftButton);
    QCOMPARE(requests.size(), 1);
    QVERIFY(m_app->settingsView() && m_app->settingsView()->isVisible());
}

QTEST_MAIN(RootViewTest)
#include "RootViewTest.moc"
