#include "mainwindow/ContentView.h"
#include "app/OnboardingImportChoiceView.h"
#include "import/ImportDocumentSheet.h"

#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <memory>

using ScreenTestKit::shownText;

class ContentViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init() { QVERIFY(m_window.open(QSize(1100, 700), SignedInWindow::SignIn::Later)); }

    void cleanup() { m_window.close(); }

    void loading_thenMainLayout()
    {
        QVERIFY(shown("loadingScreen"));
        QCOMPARE(m_window.view()->findChild<QLabel *>(QStringLiteral("loadingLabel"))->text(),
                 QStringLiteral("Loading your patients…"));
        m_window.session()->signIn(StandinServer::demoEmail, StandinServer::demoPassword);
        QTRY_VERIFY_WITH_TIMEOUT(shown("mainLayout"), 10000);
        QVERIFY(!shown("createPatientOnboardingView"));
    }

    void emptyAccount_onboardingThenChoiceSheet_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<int>("importRequests");
        QTest::newRow("import") << QStringLiteral("importChoiceCard") << 1;
        QTest::newRow("manual") << QStringLiteral("manualChoiceCard") << 0;
    }

    void emptyAccount_onboardingThenChoiceSheet()
    {
        QFETCH(QString, card);
        QFETCH(int, importRequests);
        QSignalSpy imports(m_window.view(), &ContentView::importSheetRequested);
        signInEmptyAccount();
        QTRY_VERIFY_WITH_TIMEOUT(shown("createPatientOnboardingView"), 10000);
        auto *name = m_window.view()->findChild<QLineEdit *>(QStringLiteral("patientNameField"));
        QCOMPARE(name->text(), QStringLiteral("Robin Park"));
        QTest::keyClick(name, Qt::Key_Return);

        QTRY_VERIFY_WITH_TIMEOUT(choiceSheet() && choiceSheet()->isVisible(), 10000);
        QVERIFY(shown("mainLayout"));
        QCOMPARE(choiceSheet()->findChild<QLabel *>(QStringLiteral("choiceTitle"))->text(),
                 QStringLiteral("Add Robin Park’s health information"));
        QTest::keyClick(choiceSheet(), Qt::Key_Escape);
        QVERIFY(choiceSheet()->isVisible());

        QTest::mouseClick(choiceSheet()->findChild<QPushButton *>(card), Qt::LeftButton);
        QTRY_VERIFY(!choiceSheet());
        QCOMPARE(imports.size(), importRequests);
        QVERIFY(shown("mainLayout"));
        auto *importSheet = m_window.view()->findChild<ImportDocumentSheet *>();
        QCOMPARE(importSheet && importSheet->isVisible(), importRequests == 1);
    }

    void failedFirstLoad_offersTryAgainNotOnboarding_data()
    {
        QTest::addColumn<bool>("emptyAccount");
        QTest::addColumn<QString>("afterRetry");
        QTest::newRow("account with patients") << false << QStringLiteral("mainLayout");
        QTest::newRow("account without patients") << true << QStringLiteral("createPatientOnboardingView");
    }

    void failedFirstLoad_offersTryAgainNotOnboarding()
    {
        QFETCH(bool, emptyAccount);
        QFETCH(QString, afterRetry);
        m_server.injectFault(
            {{QStringLiteral("method"), QStringLiteral("GET")},
             {QStringLiteral("path"), listAll},
             {QStringLiteral("status"), 500},
             {QStringLiteral("body"), QStringLiteral("{\"message\":\"The patient list is unavailable.\"}")}});
        if (emptyAccount)
            signInEmptyAccount();
        else
            m_window.session()->signIn(StandinServer::demoEmail, StandinServer::demoPassword);
        QTRY_VERIFY_WITH_TIMEOUT(shown("patientsLoadFailedView"), 10000);
        QVERIFY(!shown("createPatientOnboardingView"));
        QCOMPARE(shownText(m_window.view()->findChild<QLabel *>(QStringLiteral("loadErrorLabel"))),
                 QStringLiteral("The patient list is unavailable."));
        QCOMPARE(m_server.requests(listAll).size(), 1);

        QTest::mouseClick(m_window.view()->findChild<QPushButton *>(QStringLiteral("tryAgainButton")), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(shown(afterRetry.toLatin1().constData()), 10000);
        QCOMPARE(m_server.requests(listAll).size(), 2);
        QCOMPARE(m_server.requests(QStringLiteral("/api/patients/create")).size(), 0);
    }

private:
    bool shown(const char *name) const
    {
        const auto *widget = m_window.view()->findChild<QWidget *>(QLatin1String(name));
        return widget && widget->isVisible();
    }

    OnboardingImportChoiceView *choiceSheet() const
    {
        return m_window.view()->findChild<OnboardingImportChoiceView *>();
    }

    void signInEmptyAccount()
    {
        const QString password = QStringLiteral("robin-pass-1");
        m_window.session()->signIn(m_window.session()->registerAccount(QStringLiteral("Robin Park"), password),
                                   password);
    }

    const QString listAll = QStringLiteral("/api/patients/listAll");
    StandinServer m_server;
    SignedInWindow m_window{m_server};
};

QTEST_MAIN(ContentViewTest)
#include "ContentViewTest.moc"
