#include "app/CreateAccountView.h"
#include "ScreenTestKit.h"
#include "StandinServer.h"
#include "net/APIClient.h"
#include "net/AuthManager.h"
#include "platform/MemoryKeychain.h"
#include "widgets/BusyButton.h"
#include "widgets/Theme.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace ScreenTestKit;

class CreateAccountViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void createButton_followsTheForm_data();
    void createButton_followsTheForm();
    void register_mismatchedThenMatching_sendsTrimmedNameAndEmailAndTypedPassword();
    void register_refused_showsServiceMessageInRedAndKeepsFields();
    void register_doubleReturn_sendsOneRequestWhileShowingProgress();
    void signInLink_asksToSwitch();

private:
    void fill(const QString &name, const QString &email, const QString &password, const QString &confirmation);
    QLineEdit *field(const char *name) const { return child<QLineEdit>(m_view.get(), name); }

    StandinServer m_server;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<AuthManager> m_auth;
    std::unique_ptr<CreateAccountView> m_view;
};

void CreateAccountViewTest::initTestCase()
{
    QVERIFY(m_server.isRunning());
    APIClient::shared().setBaseURLForTesting(m_server.apiBase());
}

void CreateAccountViewTest::init()
{
    m_server.reset();
    m_keychain = std::make_unique<MemoryKeychain>();
    m_auth = std::make_unique<AuthManager>(m_keychain.get());
    m_view = std::make_unique<CreateAccountView>(m_auth.get());
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
}

void CreateAccountViewTest::cleanup()
{
    m_view.reset();
    m_auth.reset();
    m_keychain.reset();
}

void CreateAccountViewTest::fill(const QString &name, const QString &email, const QString &password,
                                 const QString &confirmation)
{
    type(field("fullNameField"), name);
    type(field("emailField"), email);
    type(field("passwordField"), password);
    type(field("confirmPasswordField"), confirmation);
}

void CreateAccountViewTest::createButton_followsTheForm_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("mismatch");
    const QString name = QStringLiteral("Jane Roe");
    const QString email = QStringLiteral("jane@vantorelle.test");
    const QString pw = QStringLiteral("Secret1");
    QTest::newRow("empty") << QString() << QString() << QString() << QString() << false << false;
    QTest::newRow("blank name") << QStringLiteral("  ") << email << pw << pw << false << false;
    QTest::newRow("blank email") << name << QStringLiteral(" ") << pw << pw << false << false;
    QTest::newRow("no confirmation") << name << email << pw << QString() << false << false;
    QTest::newRow("case differs") << name << email << pw << QStringLiteral("secret1") << false << true;
    QTest::newRow("trailing space") << name << email << pw << pw + QLatin1Char(' ') << false << true;
    QTest::newRow("blank password") << name << email << QStringLiteral("  ") << QStringLiteral("  ") << true << false;
    QTest::newRow("canonically equal") << name << email << QStringLiteral("caf\u00e9") << QStringLiteral("cafe\u0301")
                                       << true << false;
    QTest::newRow("valid") << name << email << pw << pw << true << false;
}

void CreateAccountViewTest::createButton_followsTheForm()
{
    QFETCH(QString, name);
    QFETCH(QString, email);
    QFETCH(QString, password);
    QFETCH(QString, confirmation);
    QFETCH(bool, enabled);
    QFETCH(bool, mismatch);
    fill(name, email, password, confirmation);
    QCOMPARE(child<BusyButton>(m_view.get(), "createAccountButton")->isEnabled(), enabled);
    QCOMPARE(shownText(child<QLabel>(m_view.get(), "mismatchLabel")),
             mismatch ? QStringLiteral("Passwords don't match.") : QString());
}

void CreateAccountViewTest::register_mismatchedThenMatching_sendsTrimmedNameAndEmailAndTypedPassword()
{
    fill(QStringLiteral("  Jane Roe "), QStringLiteral(" jane@vantorelle.test  "), QStringLiteral(" pass word "),
         QStringLiteral(" pass word"));
    auto *mismatch = child<QLabel>(m_view.get(), "mismatchLabel");
    QCOMPARE(shownText(mismatch), QStringLiteral("Passwords don't match."));
    QCOMPARE(textColor(mismatch), Theme::errorColor());
    QTest::keyClick(field("confirmPasswordField"), Qt::Key_Return);
    QVERIFY(m_server.requests(QStringLiteral("/api/auth/userRegister")).isEmpty());

    type(field("confirmPasswordField"), QStringLiteral(" "));
    QVERIFY(!mismatch->isVisible());
    QTest::keyClick(field("confirmPasswordField"), Qt::Key_Return);

    QTRY_VERIFY_WITH_TIMEOUT(m_auth->isAuthenticated(), 10000);
    const auto registrations = m_server.requests(QStringLiteral("/api/auth/userRegister"));
    QCOMPARE(registrations.size(), 1);
    const QJsonValue body = registrations.first().json();
    QCOMPARE(body[QStringLiteral("fullName")].toString(), QStringLiteral("Jane Roe"));
    QCOMPARE(body[QStringLiteral("email")].toString(), QStringLiteral("jane@vantorelle.test"));
    QCOMPARE(body[QStringLiteral("password")].toString(), QStringLiteral(" pass word "));
    QCOMPARE(m_keychain->item(Keychain::emailService), QStringLiteral("jane@vantorelle.test"));
    QCOMPARE(m_keychain->item(Keychain::passwordService), QStringLiteral(" pass word "));
    QCOMPARE(field("fullNameField")->text(), QStringLiteral("  Jane Roe "));
}

void CreateAccountViewTest::register_refused_showsServiceMessageInRedAndKeepsFields()
{
    fill(QStringLiteral("Dana"), StandinServer::demoEmail, QStringLiteral("pw"), QStringLiteral("pw"));
    QTest::mouseClick(child<BusyButton>(m_view.get(), "createAccountButton"), Qt::LeftButton);

    auto *error = child<QLabel>(m_view.get(), "errorLabel");
    QTRY_COMPARE_WITH_TIMEOUT(shownText(error), QStringLiteral("An account with this email already exists."), 10000);
    QCOMPARE(textColor(error), Theme::errorColor());
    QVERIFY(!m_auth->isAuthenticated());
    QVERIFY(m_keychain->operations().isEmpty());
    QCOMPARE(field("emailField")->text(), StandinServer::demoEmail);
    QCOMPARE(field("confirmPasswordField")->text(), QStringLiteral("pw"));
    QVERIFY(child<BusyButton>(m_view.get(), "createAccountButton")->isEnabled());
}

void CreateAccountViewTest::register_doubleReturn_sendsOneRequestWhileShowingProgress()
{
    m_server.injectFault(delayed(QStringLiteral("/api/auth/userRegister"), 400));
    fill(QStringLiteral("Sam"), QStringLiteral("sam@vantorelle.test"), QStringLiteral("pw"), QStringLiteral("pw"));
    QTest::keyClick(field("confirmPasswordField"), Qt::Key_Return);
    QTest::keyClick(field("emailField"), Qt::Key_Return);

    auto *button = child<BusyButton>(m_view.get(), "createAccountButton");
    QVERIFY(button->isBusy());
    QVERIFY(!button->isEnabled());
    QVERIFY(child<QWidget>(button, "busyIndicator")->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(m_auth->isAuthenticated(), 10000);
    QCOMPARE(m_server.requests(QStringLiteral("/api/auth/userRegister")).size(), 1);
}

void CreateAccountViewTest::signInLink_asksToSwitch()
{
    QSignalSpy switched(m_view.get(), &CreateAccountView::switchToSignIn);
    QTest::mouseClick(child<QWidget>(m_view.get(), "signInLinkButton"), Qt::LeftButton);
    QCOMPARE(switched.size(), 1);
}

QTEST_MAIN(CreateAccountViewTest)
#include "CreateAccountViewTest.moc"
