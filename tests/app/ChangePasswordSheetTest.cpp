#include "app/ChangePasswordSheet.h"
#include "app/SettingsView.h"

#include "AwaitTask.h"
#include "ScreenTestKit.h"
#include "SignedInSession.h"

#include <QLineEdit>
#include <QPushButton>

#include <memory>

using ScreenTestKit::shownText;
using ScreenTestKit::type;

class ChangePasswordSheetTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        m_session = std::make_unique<SignedInSession>(m_server);
        QVERIFY(m_session->signInAndLoad());
        m_view = std::make_unique<SettingsView>(m_session->auth(), m_session->patients());
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        QTest::mouseClick(m_view->findChild<QPushButton *>(QStringLiteral("changePasswordButton")), Qt::LeftButton);
        QTRY_VERIFY(sheet() && sheet()->isVisible());
        m_server.clearRequests();
    }

    void cleanup()
    {
        m_view.reset();
        m_session.reset();
    }

    void form_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("newPassword");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<bool>("canSave");
        QTest::addColumn<bool>("mismatch");
        QTest::newRow("empty") << ""
                               << ""
                               << "" << false << false;
        QTest::newRow("no confirmation yet") << "old"
                                             << "new"
                                             << "" << false << false;
        QTest::newRow("confirmation differs") << "old"
                                              << "new"
                                              << "neW" << false << true;
        QTest::newRow("current missing") << ""
                                         << "new"
                                         << "new" << false << false;
        QTest::newRow("blanks are a password") << "old"
                                               << "  "
                                               << "  " << true << false;
        QTest::newRow("one character") << "old"
                                       << "x"
                                       << "x" << true << false;
        QTest::newRow("same as current") << "old"
                                         << "old"
                                         << "old" << true << false;
        QTest::newRow("canonically equal")
            << "old" << QStringLiteral("caf\u00e9") << QStringLiteral("cafe\u0301") << true << false;
    }

    void form()
    {
        QFETCH(QString, current);
        QFETCH(QString, newPassword);
        QFETCH(QString, confirmation);
        QFETCH(bool, canSave);
        QFETCH(bool, mismatch);
        fill(current, newPassword, confirmation);
        QCOMPARE(button("saveButton")->isEnabled(), canSave);
        QCOMPARE(shownText(label("mismatchLabel")), mismatch ? QStringLiteral("Passwords don't match.") : QString());
        QCOMPARE(shownText(label("errorLabel")), QString());
        QVERIFY(button("cancelButton")->isEnabled());
    }

    void mismatch_clearsAsSoonAsEqual()
    {
        fill(QStringLiteral("old"), QStringLiteral("new"), QStringLiteral("ne"));
        QCOMPARE(shownText(label("mismatchLabel")), QStringLiteral("Passwords don't match."));
        QTest::keyClick(field("confirmPasswordField"), Qt::Key_W);
        QCOMPARE(shownText(label("mismatchLabel")), QString());
        QVERIFY(button("saveButton")->isEnabled());
    }

    void wrongCurrentPassword_showsErrorInSheet()
    {
        fill(QStringLiteral("not-my-password"), QStringLiteral("fresh-pass-1"), QStringLiteral("fresh-pass-1"));
        QTest::keyClick(field("confirmPasswordField"), Qt::Key_Return);
        QCOMPARE(button("saveButton")->text(), QStringLiteral("Saving…"));
        QVERIFY(!button("saveButton")->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(shownText(label("errorLabel")), QStringLiteral("The current password is incorrect."),
                                  10000);
        QVERIFY(sheet()->isVisible());
        QCOMPARE(field("currentPasswordField")->text(), QStringLiteral("not-my-password"));
        QCOMPARE(field("confirmPasswordField")->text(), QStringLiteral("fresh-pass-1"));
        QCOMPARE(button("saveButton")->text(), QStringLiteral("Save"));
        QVERIFY(m_session->auth()->isAuthenticated());

        const QList<LoggedRequest> sent = m_server.requests(changePath);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].json()[QLatin1String("oldPass")].toString(), QStringLiteral("not-my-password"));
        QCOMPARE(sent[0].json()[QLatin1String("userId")].toString(), *m_session->auth()->currentUserID());
    }

    // A refusal whose message is empty is still a refusal: the sheet stays open and nothing is stored.
    void refusalWithEmptyMessage_keepsTheSheetOpen()
    {
        m_server.injectFault({{"path", changePath}, {"status", 400}, {"body", "{\"message\":\"\"}"}});
        fill(StandinServer::demoPassword, QStringLiteral("fresh-pass-1"), QStringLiteral("fresh-pass-1"));
        QTest::keyClick(field("confirmPasswordField"), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(button("saveButton")->text(), QStringLiteral("Save"), 10000);
        QVERIFY(sheet() && sheet()->isVisible());
        QCOMPARE(m_session->keychain().item(Keychain::passwordService), StandinServer::demoPassword);
    }

    void success_closesAndNextSilentSignInUsesNewPassword()
    {
        fill(StandinServer::demoPassword, QStringLiteral("fresh-pass-1"), QStringLiteral("fresh-pass-1"));
        QTest::mouseClick(button("saveButton"), Qt::LeftButton);
        QTest::keyClick(field("confirmPasswordField"), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!sheet(), 10000);
        QCOMPARE(m_server.requests(changePath).size(), 1);
        QCOMPARE(m_server.requests(changePath).at(0).json()[QLatin1String("newPass")].toString(),
                 QStringLiteral("fresh-pass-1"));

        QTRY_COMPARE(m_session->keychain().item(Keychain::passwordService), QStringLiteral("fresh-pass-1"));
        QVERIFY(AwaitTask::run(m_session->auth()->reauthenticateFromKeychain()));
        const QList<LoggedRequest> logins = m_server.requests(QStringLiteral("/api/auth/userLogin"));
        QCOMPARE(logins.size(), 1);
        QCOMPARE(logins[0].json()[QLatin1String("password")].toString(), QStringLiteral("fresh-pass-1"));
    }

    void reopening_startsEmpty()
    {
        fill(QStringLiteral("old"), QStringLiteral("new"), QStringLiteral("other"));
        QTest::mouseClick(button("cancelButton"), Qt::LeftButton);
        QTRY_VERIFY(!sheet());
        QTest::mouseClick(m_view->findChild<QPushButton *>(QStringLiteral("changePasswordButton")), Qt::LeftButton);
        QTRY_VERIFY(sheet() && sheet()->isVisible());
        for (const char *name : {"currentPasswordField", "newPasswordField", "confirmPasswordField"})
            QCOMPARE(field(name)->text(), QString());
        QCOMPARE(shownText(label("mismatchLabel")), QString());
        QVERIFY(m_server.requests(changePath).isEmpty());
    }

private:
    ChangePasswordSheet *sheet() const { return m_view->findChild<ChangePasswordSheet *>(); }
    QLineEdit *field(const char *name) const { return sheet()->findChild<QLineEdit *>(QLatin1String(name)); }
    QLabel *label(const char *name) const { return sheet()->findChild<QLabel *>(QLatin1String(name)); }
    QPushButton *button(const char *name) const { return sheet()->findChild<QPushButton *>(QLatin1String(name)); }

    void fill(const QString &current, const QString &newPassword, const QString &confirmation)
    {
        type(field("currentPasswordField"), current);
        type(field("newPasswordField"), newPassword);
        type(field("confirmPasswordField"), confirmation);
    }

    const QString changePath = QStringLiteral("/api/auth/updatePassword");
    StandinServer m_server;
    std::unique_ptr<SignedInSession> m_session;
    std::unique_ptr<SettingsView> m_view;
};

QTEST_MAIN(ChangePasswordSheetTest)
#include "ChangePasswordSheetTest.moc"
