#include "app/ForgotPasswordSheet.h"
#include "ScreenTestKit.h"
#include "SignInScreen.h"
#include "StandinServer.h"
#include "net/APIClient.h"
#include "widgets/BusyButton.h"
#include "widgets/Theme.h"

#include <QLineEdit>
#include <QTest>

using namespace ScreenTestKit;

class ForgotPasswordSheetTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void opens_emptyAndWindowModal_evenWithAnAddressOnTheSignInScreen();
    void send_trimsEmail_andConfirmsInTheSecondaryColour();
    void send_failure_showsTheErrorInTheSameCaption();
    void send_again_keepsThePreviousStatusUntilTheAnswer();
    void cancel_closesTheSheet();
    void escape_leavesTheSheetOpen();

private:
    ForgotPasswordSheet *openSheet();
    void send(ForgotPasswordSheet *sheet, const QString &email);

    StandinServer m_server;
    std::unique_ptr<SignInScreen> m_screen;
};

void ForgotPasswordSheetTest::initTestCase()
{
    QVERIFY(m_server.isRunning());
    APIClient::shared().setBaseURLForTesting(m_server.apiBase());
}

void ForgotPasswordSheetTest::init()
{
    m_server.reset();
    m_screen = std::make_unique<SignInScreen>();
    QVERIFY(m_screen->exposed);
}

void ForgotPasswordSheetTest::cleanup()
{
    m_screen.reset();
}

ForgotPasswordSheet *ForgotPasswordSheetTest::openSheet()
{
    QTest::mouseClick(child<QWidget>(&m_screen->view, "forgotPasswordButton"), Qt::LeftButton);
    return m_screen->view.findChild<ForgotPasswordSheet *>();
}

void ForgotPasswordSheetTest::send(ForgotPasswordSheet *sheet, const QString &email)
{
    auto *field = child<QLineEdit>(sheet, "resetEmailField");
    field->clear();
    QTest::keyClicks(field, email);
    QTest::keyClick(field, Qt::Key_Return);
}

void ForgotPasswordSheetTest::opens_emptyAndWindowModal_evenWithAnAddressOnTheSignInScreen()
{
    QTest::keyClicks(child<QLineEdit>(&m_screen->view, "emailField"), StandinServer::demoEmail);
    auto *sheet = openSheet();
    QVERIFY(sheet);
    QVERIFY(sheet->isVisible());
    QCOMPARE(sheet->windowModality(), Qt::WindowModal);
    QVERIFY(child<QLineEdit>(sheet, "resetEmailField")->text().isEmpty());
    QVERIFY(!child<QLabel>(sheet, "statusLabel")->isVisible());
    auto *sendButton = child<BusyButton>(sheet, "sendResetLinkButton");
    QCOMPARE(sendButton->text(), QStringLiteral("Send Reset Link"));
    QVERIFY(!sendButton->isEnabled());

    send(sheet, QStringLiteral("   "));
    QVERIFY(!sendButton->isEnabled());
    QVERIFY(sheet->isVisible());
    QVERIFY(m_server.requests(QStringLiteral("/api/auth/forgotPassword")).isEmpty());
}

void ForgotPasswordSheetTest::send_trimsEmail_andConfirmsInTheSecondaryColour()
{
    auto *sheet = openSheet();
    QVERIFY(sheet);
    send(sheet, QStringLiteral("  ") + StandinServer::demoEmail + QStringLiteral(" "));

    auto *status = child<QLabel>(sheet, "statusLabel");
    QTRY_COMPARE_WITH_TIMEOUT(
        shownText(status), QStringLiteral("If an account exists for that email, a reset link is on its way."), 10000);
    QCOMPARE(textColor(status), Theme::secondaryColor(status));
    QVERIFY(sheet->isVisible());
    QVERIFY(child<BusyButton>(sheet, "sendResetLinkButton")->isEnabled());
    const auto requests = m_server.requests(QStringLiteral("/api/auth/forgotPassword"));
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().json()[QStringLiteral("email")].toString(), StandinServer::demoEmail);
}

void ForgotPasswordSheetTest::send_failure_showsTheErrorInTheSameCaption()
{
    auto *sheet = openSheet();
    QVERIFY(sheet);
    send(sheet, QStringLiteral("nobody@vantorelle.test"));

    auto *status = child<QLabel>(sheet, "statusLabel");
    QTRY_COMPARE_WITH_TIMEOUT(shownText(status), QStringLiteral("No account uses this email."), 10000);
    QCOMPARE(textColor(status), Theme::secondaryColor(status));
    QCOMPARE(status->textFormat(), Qt::PlainText);
    QVERIFY(sheet->isVisible());
}

void ForgotPasswordSheetTest::send_again_keepsThePreviousStatusUntilTheAnswer()
{
    auto *sheet = openSheet();
    QVERIFY(sheet);
    send(sheet, QStringLiteral("nobody@vantorelle.test"));
    auto *status = child<QLabel>(sheet, "statusLabel");
    QTRY_COMPARE_WITH_TIMEOUT(shownText(status), QStringLiteral("No account uses this email."), 10000);

    m_server.injectFault(delayed(QStringLiteral("/api/auth/forgotPassword"), 400));
    send(sheet, StandinServer::demoEmail);
    auto *sendButton = child<BusyButton>(sheet, "sendResetLinkButton");
    QCOMPARE(sendButton->text(), QStringLiteral("Sending…"));
    QVERIFY(!sendButton->isEnabled());
    QCOMPARE(shownText(status), QStringLiteral("No account uses this email."));
    QTRY_COMPARE_WITH_TIMEOUT(
        shownText(status), QStringLiteral("If an account exists for that email, a reset link is on its way."), 10000);
    QCOMPARE(sendButton->text(), QStringLiteral("Send Reset Link"));
}

void ForgotPasswordSheetTest::cancel_closesTheSheet()
{
    QPointer<ForgotPasswordSheet> sheet = openSheet();
    QVERIFY(sheet);
    QTest::keyClicks(child<QLineEdit>(sheet, "resetEmailField"), StandinServer::demoEmail);
    QTest::mouseClick(child<QWidget>(sheet, "cancelButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!sheet, 5000);
    QVERIFY(m_server.requests(QStringLiteral("/api/auth/forgotPassword")).isEmpty());

    auto *reopened = openSheet();
    QVERIFY(reopened);
    QVERIFY(child<QLineEdit>(reopened, "resetEmailField")->text().isEmpty());
}

void ForgotPasswordSheetTest::escape_leavesTheSheetOpen()
{
    QPointer<ForgotPasswordSheet> sheet = openSheet();
    QVERIFY(sheet);
    QTest::keyClick(sheet, Qt::Key_Escape);
    QVERIFY(sheet && sheet->isVisible());
    m_server.injectFault(delayed(QStringLiteral("/api/auth/forgotPassword"), 400));
    send(sheet, StandinServer::demoEmail);
    QCOMPARE(child<BusyButton>(sheet, "sendResetLinkButton")->text(), QStringLiteral("Sending…"));
    QTest::keyClick(child<QLineEdit>(sheet, "resetEmailField"), Qt::Key_Escape);
    QTRY_COMPARE_WITH_TIMEOUT(shownText(child<QLabel>(sheet, "statusLabel")),
                              QStringLiteral("If an account exists for that email, a reset link is on its way."),
                              10000);
    QVERIFY(sheet && sheet->isVisible());
}

QTEST_MAIN(ForgotPasswordSheetTest)
#include "ForgotPasswordSheetTest.moc"
