#include "ScreenTestKit.h"
#include "SignInScreen.h"
#include "StandinServer.h"
#include "net/APIClient.h"
#include "widgets/BusyButton.h"
#include "widgets/Theme.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace ScreenTestKit;

class LoginViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void signInButton_enabledOnlyForEmailAndPassword_data();
    void signInButton_enabledOnlyForEmailAndPassword();
    void signIn_wrongPassword_showsServiceMessageInRedAndStoresNothing();
    void signIn_sendsTrimmedEmailAndTypedPassword_andStoresThem();
    void signIn_doubleReturn_sendsOneRequestWhileShowingProgress();
    void createAccountLink_asksToSwitch();

private:
    void type(const char *field, const QString &text);

    StandinServer m_server;
    std::unique_ptr<SignInScreen> m_screen;
};

void LoginViewTest::initTestCase()
{
    QVERIFY(m_server.isRunning());
    APIClient::shared().setBaseURLForTesting(m_server.apiBase());
}

void LoginViewTest::init()
{
    m_server.reset();
    m_screen = std::make_unique<SignInScreen>();
    QVERIFY(m_screen->exposed);
}

void LoginViewTest::cleanup()
{
    m_screen.reset();
}

void LoginViewTest::type(const char *field, const QString &text)
{
    QTest::keyClicks(child<QLineEdit>(&m_screen->view, field), text);
}

void LoginViewTest::signInButton_enabledOnlyForEmailAndPassword_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("both empty") << QString() << QString() << false;
    QTest::newRow("blank email") << QStringLiteral("   ") << QStringLiteral("pw") << false;
    QTest::newRow("no password") << QStringLiteral("a@b.test") << QString() << false;
    QTest::newRow("blank password counts") << QStringLiteral("a@b.test") << QStringLiteral("  ") << true;
}

void LoginViewTest::signInButton_enabledOnlyForEmailAndPassword()
{
    QFETCH(QString, email);
    QFETCH(QString, password);
    QFETCH(bool, enabled);
    type("emailField", email);
    type("passwordField", password);
    auto *button = child<BusyButton>(&m_screen->view, "signInButton");
    QCOMPARE(button->isEnabled(), enabled);
    QCOMPARE(button->text(), QStringLiteral("Sign In"));

    QTest::keyClick(child<QLineEdit>(&m_screen->view, "passwordField"), Qt::Key_Return);
    QCOMPARE(button->isBusy(), enabled);
    QTRY_VERIFY_WITH_TIMEOUT(!button->isBusy(), 10000);
    QCOMPARE(m_server.requests(QStringLiteral("/api/auth/userLogin")).size(), enabled ? 1 : 0);
}

void LoginViewTest::signIn_wrongPassword_showsServiceMessageInRedAndStoresNothing()
{
    type("emailField", StandinServer::demoEmail);
    type("passwordField", QStringLiteral("not-the-password"));
    QTest::keyClick(child<QLineEdit>(&m_screen->view, "passwordField"), Qt::Key_Return);

    auto *error = child<QLabel>(&m_screen->view, "errorLabel");
    QTRY_COMPARE_WITH_TIMEOUT(shownText(error), QStringLiteral("Invalid email or password."), 10000);
    QCOMPARE(textColor(error), Theme::errorColor());
    QCOMPARE(error->textFormat(), Qt::PlainText);
    auto *button = child<BusyButton>(&m_screen->view, "signInButton");
    QVERIFY(!button->isBusy());
    QCOMPARE(button->text(), QStringLiteral("Sign In"));
    QVERIFY(!m_screen->auth.isAuthenticated());
    QVERIFY(m_screen->keychain.operations().isEmpty());
    QCOMPARE(child<QLineEdit>(&m_screen->view, "passwordField")->text(), QStringLiteral("not-the-password"));
}

void LoginViewTest::signIn_sendsTrimmedEmailAndTypedPassword_andStoresThem()
{
    m_server.apiCall("POST", QStringLiteral("/auth/userRegister"),
                     {{QStringLiteral("fullName"), QStringLiteral("Blank Pass")},
                      {QStringLiteral("email"), QStringLiteral("blank@vantorelle.test")},
                      {QStringLiteral("password"), QStringLiteral(" pw ")}});
    type("emailField", QStringLiteral("  blank@vantorelle.test  "));
    type("passwordField", QStringLiteral(" pw "));
    QTest::mouseClick(child<BusyButton>(&m_screen->view, "signInButton"), Qt::LeftButton);

    QTRY_VERIFY_WITH_TIMEOUT(m_screen->auth.isAuthenticated(), 10000);
    const auto logins = m_server.requests(QStringLiteral("/api/auth/userLogin"));
    QCOMPARE(logins.size(), 1);
    QCOMPARE(logins.first().json()[QStringLiteral("email")].toString(), QStringLiteral("blank@vantorelle.test"));
    QCOMPARE(logins.first().json()[QStringLiteral("password")].toString(), QStringLiteral(" pw "));
    QCOMPARE(m_screen->keychain.item(Keychain::emailService), QStringLiteral("blank@vantorelle.test"));
    QCOMPARE(m_screen->keychain.item(Keychain::passwordService), QStringLiteral(" pw "));
    QVERIFY(!child<QLabel>(&m_screen->view, "errorLabel")->isVisible());
}

void LoginViewTest::signIn_doubleReturn_sendsOneRequestWhileShowingProgress()
{
    m_server.injectFault(delayed(QStringLiteral("/api/auth/userLogin"), 400));
    type("emailField", StandinServer::demoEmail);
    type("passwordField", StandinServer::demoPassword);
    auto *password = child<QLineEdit>(&m_screen->view, "passwordField");
    QTest::keyClick(password, Qt::Key_Return);
    QTest::keyClick(password, Qt::Key_Return);

    auto *button = child<BusyButton>(&m_screen->view, "signInButton");
    QVERIFY(button->isBusy());
    QVERIFY(!button->isEnabled());
    QVERIFY(button->text().isEmpty());
    QVERIFY(child<QWidget>(button, "busyIndicator")->isVisible());
    QVERIFY(child<QWidget>(&m_screen->view, "createAccountButton")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(m_screen->auth.isAuthenticated(), 10000);
    QCOMPARE(m_server.requests(QStringLiteral("/api/auth/userLogin")).size(), 1);
}

void LoginViewTest::createAccountLink_asksToSwitch()
{
    QSignalSpy switched(&m_screen->view, &LoginView::switchToCreateAccount);
    QTest::mouseClick(child<QWidget>(&m_screen->view, "createAccountButton"), Qt::LeftButton);
    QCOMPARE(switched.size(), 1);
    QVERIFY(!m_screen->auth.isAuthenticated());
}

QTEST_MAIN(LoginViewTest)
#include "LoginViewTest.moc"
