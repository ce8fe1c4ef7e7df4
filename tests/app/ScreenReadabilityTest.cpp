#include "app/MainWindow.h"
#include "app/RootView.h"
#include "app/VantorelleApp.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/ProgramRecords.h"
#include "net/APIClient.h"
#include "platform/MemoryKeychain.h"
#include "widgets/BusyButton.h"

#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include <QAccessible>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QUuid>

#include <memory>

using ScreenTestKit::child;
using ScreenTestKit::delayed;
using ScreenTestKit::shownText;

// What a user reads and what a screen reader hears on the account screens, in a real main window.
class ScreenReadabilityTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void serviceMessage_isShownInFull_data();
    void serviceMessage_isShownInFull();
    void busyButton_keepsItsNameWhileSpinning_data();
    void busyButton_keepsItsNameWhileSpinning();
    void resetSheet_namesItsField();

private:
    // The content of a new window on `screen`: "signIn", "registration", "reset" signed out, "onboarding" signed in to
    // an account without patients.
    QWidget *openScreen(const QString &screen);
    void fill(QWidget *screen);

    StandinServer m_server;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<ProgramRecords> m_records;
    std::unique_ptr<VantorelleApp> m_app;
    MainWindow *m_window = nullptr;
};

namespace
{

const QString longMessage =
    QStringLiteral("The service is down for maintenance. Your records are safe and nothing was lost. Please try "
                   "again in a few minutes, or write to support if this keeps happening.");

} // namespace

void ScreenReadabilityTest::initTestCase()
{
    QVERIFY(m_server.isRunning());
    APIClient::shared().setBaseURLForTesting(m_server.apiBase());
}

void ScreenReadabilityTest::init()
{
    m_server.reset();
    m_keychain = std::make_unique<MemoryKeychain>();
}

void ScreenReadabilityTest::cleanup()
{
    m_app.reset();
    m_records.reset();
    SignedInSession::drainSharedClient();
    m_keychain.reset();
}

QWidget *ScreenReadabilityTest::openScreen(const QString &screen)
{
    if (screen == QLatin1String("onboarding") || screen == QLatin1String("loadFailed")) {
        const QString email = QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral("@vantorelle.test");
        m_server.apiCall("POST", QStringLiteral("/auth/userRegister"),
                         {{"fullName", "Robin Park"}, {"email", email}, {"password", StandinServer::demoPassword}});
        m_keychain->save(email, Keychain::emailService);
        m_keychain->save(StandinServer::demoPassword, Keychain::passwordService);
    }
    m_records = std::make_unique<ProgramRecords>();
    m_app = std::make_unique<VantorelleApp>(m_keychain.get(), ContentView::factory(m_records.get()));
    m_window = m_app->openNewWindow();
    if (!QTest::qWaitFor([this] { return m_window->rootView()->screen() != RootView::Screen::Resolving; }, 10000))
        return nullptr;
    QWidget *content = m_window->rootView()->content();
    if (screen == QLatin1String("registration"))
        QTest::mouseClick(child<QPushButton>(content, "createAccountButton"), Qt::LeftButton);
    if (screen == QLatin1String("reset"))
        QTest::mouseClick(child<QPushButton>(content, "forgotPasswordButton"), Qt::LeftButton);
    // The screen a switch replaced is deleted later: look only inside the one shown now.
    return m_window->rootView()->content();
}

void ScreenReadabilityTest::fill(QWidget *screen)
{
    for (QLineEdit *field : screen->findChildren<QLineEdit *>()) {
        if (field->isVisible() && field->text().isEmpty())
            QTest::keyClicks(field, field->echoMode() == QLineEdit::Normal ? "x@vantorelle.test" : "pw");
    }
}

void ScreenReadabilityTest::serviceMessage_isShownInFull_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("caption");
    QTest::newRow("sign-in") << "signIn"
                             << "/api/auth/userLogin"
                             << "signInButton"
                             << "errorLabel";
    QTest::newRow("registration") << "registration"
                                  << "/api/auth/userRegister"
                                  << "createAccountButton"
                                  << "errorLabel";
    QTest::newRow("reset sheet") << "reset"
                                 << "/api/auth/forgotPassword"
                                 << "sendResetLinkButton"
                                 << "statusLabel";
    QTest::newRow("onboarding") << "onboarding"
                                << "/api/patients/create"
                                << "continueButton"
                                << "errorLabel";
    QTest::newRow("patients load failed") << "loadFailed"
                                          << "/api/patients/listAll"
                                          << ""
                                          << "loadErrorLabel";
}

void ScreenReadabilityTest::serviceMessage_isShownInFull()
{
    QFETCH(QString, screen);
    QFETCH(QString, path);
    QFETCH(QString, button);
    QFETCH(QString, caption);
    const QString body = QStringLiteral("{\"message\":\"%1\"}").arg(longMessage);
    m_server.injectFault({{"path", path}, {"status", 500}, {"body", body}});
    QWidget *content = openScreen(screen);
    QVERIFY(content);
    if (!button.isEmpty()) {
        fill(content);
        auto *submit = content->findChild<QPushButton *>(button);
        QTRY_VERIFY(submit->isVisible() && submit->isEnabled());
        QTest::mouseClick(submit, Qt::LeftButton);
    }
    QLabel *label = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((label = content->findChild<QLabel *>(caption)) && shownText(label) == longMessage, 10000);
    QVERIFY(label->heightForWidth(label->width()) >= 3 * label->fontMetrics().height());
    QTRY_VERIFY(label->height() >= label->heightForWidth(label->width()));
    QVERIFY(label->window()->rect().contains(label->mapTo(label->window(), label->rect().bottomRight())));
    for (QLineEdit *field : content->findChildren<QLineEdit *>()) {
        if (field->isVisible())
            QVERIFY2(field->height() >= field->sizeHint().height(), qPrintable(field->objectName()));
    }
}

void ScreenReadabilityTest::busyButton_keepsItsNameWhileSpinning_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("name");
    QTest::newRow("sign-in") << "signIn"
                             << "/api/auth/userLogin"
                             << "signInButton"
                             << "Sign In";
    QTest::newRow("registration") << "registration"
                                  << "/api/auth/userRegister"
                                  << "createAccountButton"
                                  << "Create Account";
    QTest::newRow("onboarding") << "onboarding"
                                << "/api/patients/create"
                                << "continueButton"
                                << "Continue";
}

void ScreenReadabilityTest::busyButton_keepsItsNameWhileSpinning()
{
    QFETCH(QString, screen);
    QFETCH(QString, path);
    QFETCH(QString, button);
    QFETCH(QString, name);
    m_server.injectFault(delayed(path, 1000));
    QWidget *content = openScreen(screen);
    QVERIFY(content);
    fill(content);
    QPointer<BusyButton> submit = content->findChild<BusyButton *>(button);
    QTRY_VERIFY(submit->isVisible() && submit->isEnabled());
    QTest::mouseClick(submit, Qt::LeftButton);
    QVERIFY(submit->isBusy());
    QCOMPARE(submit->text(), QString());
    QCOMPARE(QAccessible::queryAccessibleInterface(submit)->text(QAccessible::Name), name);
    QTRY_VERIFY_WITH_TIMEOUT(!submit || !submit->isBusy(), 10000);
}

void ScreenReadabilityTest::resetSheet_namesItsField()
{
    QWidget *content = openScreen(QStringLiteral("reset"));
    QVERIFY(content);
    QLineEdit *field = nullptr;
    QTRY_VERIFY((field = content->findChild<QLineEdit *>(QStringLiteral("resetEmailField"))) && field->isVisible());
    QCOMPARE(QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name), QStringLiteral("Email"));
}

QTEST_MAIN(ScreenReadabilityTest)
#include "ScreenReadabilityTest.moc"
