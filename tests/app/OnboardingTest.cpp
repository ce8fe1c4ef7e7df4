#include "app/CreatePatientOnboardingView.h"
#include "app/OnboardingImportChoiceView.h"

#include "ScreenTestKit.h"
#include "SignedInSession.h"

#include <QAccessible>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <memory>

using ScreenTestKit::shownText;

class OnboardingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        m_session = std::make_unique<SignedInSession>(m_server);
        QVERIFY(m_session->signInAndLoad(m_session->registerAccount(QStringLiteral("Robin Park"), password), password));
        QVERIFY(m_session->patients()->patients().isEmpty());
        m_view = std::make_unique<CreatePatientOnboardingView>(m_session->auth(), m_session->patients());
        m_created = std::make_unique<QSignalSpy>(m_view.get(), &CreatePatientOnboardingView::created);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        m_server.clearRequests();
    }

    void cleanup()
    {
        m_created.reset();
        m_view.reset();
        m_session.reset();
    }

    void nameIsPrefilledWithTheUser()
    {
        QCOMPARE(nameField()->text(), QStringLiteral("Robin Park"));
        QVERIFY(continueButton()->isEnabled());
        QCOMPARE(continueButton()->text(), QStringLiteral("Continue"));
        nameField()->clear();
        QTest::keyClicks(nameField(), QStringLiteral("Mika"));
        m_view->hide();
        m_view->show();
        QCOMPARE(nameField()->text(), QStringLiteral("Mika"));
    }

    void blankName_isRefused()
    {
        nameField()->clear();
        QTest::keyClicks(nameField(), QStringLiteral("   "));
        QVERIFY(!continueButton()->isEnabled());
        QTest::keyClick(nameField(), Qt::Key_Return);
        QCOMPARE(m_created->size(), 0);
        // A real name afterwards is the only creation the service receives.
        QTest::keyClicks(nameField(), QStringLiteral("Mika"));
        QTest::keyClick(nameField(), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(m_created->size(), 1, 10000);
        QCOMPARE(m_server.requests(create).size(), 1);
        QCOMPARE(m_server.requests(create).at(0).json()[QLatin1String("firstName")].toString(), QStringLiteral("Mika"));
    }

    void doubleReturn_createsOnce()
    {
        nameField()->clear();
        QTest::keyClicks(nameField(), QStringLiteral("  Robin Park  "));
        QTest::keyClick(nameField(), Qt::Key_Return);
        QTest::keyClick(nameField(), Qt::Key_Return);
        QVERIFY(!continueButton()->isEnabled());
        QCOMPARE(continueButton()->text(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(m_created->size(), 1, 10000);
        QCOMPARE(m_server.requests(create).size(), 1);
        QCOMPARE(m_server.requests(create).at(0).json()[QLatin1String("firstName")].toString(),
                 QStringLiteral("Robin Park"));
        QCOMPARE(m_session->patients()->patients().size(), 1);
        QCOMPARE(m_session->patients()->selectedPatientID(), m_session->patients()->patients().at(0)._id);
        // Unlike the settings window, onboarding leaves the created name in its field.
        QCOMPARE(nameField()->text(), QStringLiteral("  Robin Park  "));
    }

    // With no patient current yet no work can be pulled over, so a sheet open in another window (the settings
    // window's password sheet) does not keep the first patient from becoming current.
    void firstPatient_becomesCurrent_evenWithASheetOpenElsewhere()
    {
        QWidget settings;
        settings.show();
        auto *sheet = new QDialog(&settings);
        sheet->setWindowModality(Qt::WindowModal);
        sheet->show();
        QTest::mouseClick(continueButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m_created->size(), 1, 10000);
        QCOMPARE(m_session->patients()->selectedPatientID(), m_session->patients()->patients().at(0)._id);
    }

    void failedCreate_showsErrorAndKeepsName()
    {
        m_server.injectFault({{QStringLiteral("path"), create},
                              {QStringLiteral("status"), 503},
                              {QStringLiteral("body"), QStringLiteral("{\"message\":\"Try again in a minute.\"}")}});
        QTest::mouseClick(continueButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(shownText(errorLabel()), QStringLiteral("Try again in a minute."), 10000);
        QCOMPARE(nameField()->text(), QStringLiteral("Robin Park"));
        QCOMPARE(m_created->size(), 0);
        QVERIFY(continueButton()->isEnabled());

        QTest::mouseClick(continueButton(), Qt::LeftButton);
        QCOMPARE(shownText(errorLabel()), QString());
        QTRY_COMPARE_WITH_TIMEOUT(m_created->size(), 1, 10000);
    }

    void choiceSheet_escapeCannotClose()
    {
        QWidget window;
        window.show();
        auto *sheet = new OnboardingImportChoiceView(QStringLiteral("Robin <b>Park</b>"), &window);
        sheet->open();
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        QCOMPARE(sheet->findChild<QLabel *>(QStringLiteral("choiceTitle"))->text(),
                 QStringLiteral("Add Robin <b>Park</b>’s health information"));
        QCOMPARE(sheet->findChild<QLabel *>(QStringLiteral("choiceTitle"))->textFormat(), Qt::PlainText);
        QCOMPARE(sheet->findChild<QLabel *>(QStringLiteral("choiceSubtitle"))->text(),
                 QStringLiteral("You can always add more later."));
        QTest::keyClick(sheet, Qt::Key_Escape);
        QVERIFY(sheet->isVisible());
    }

    void choiceSheet_showsALongNameInFullAndNamesItsParts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("ordinary") << QStringLiteral("Maria Gonzalez-Rodriguez");
        QTest::newRow("very long") << QStringLiteral("Maria Gonzalez-Rodriguez de la Santisima Trinidad y Castellanos");
    }

    void choiceSheet_showsALongNameInFullAndNamesItsParts()
    {
        QFETCH(QString, name);
        QWidget window;
        window.show();
        auto *sheet = new OnboardingImportChoiceView(name, &window);
        sheet->open();
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        auto *title = sheet->findChild<QLabel *>(QStringLiteral("choiceTitle"));
        const QString text = QStringLiteral("Add %1’s health information").arg(name);
        QCOMPARE(title->text(), text);
        QTRY_VERIFY(title->height() >= title->heightForWidth(title->width()));
        QVERIFY(sheet->rect().contains(title->geometry()));
        QAccessibleInterface *access = QAccessible::queryAccessibleInterface(sheet);
        QCOMPARE(access->text(QAccessible::Name), text);
        QCOMPARE(access->role(), QAccessible::Dialog);
        for (const auto &[card, cardName] :
             {std::pair{"importChoiceCard", "Import Documents"}, std::pair{"manualChoiceCard", "Enter Manually"}}) {
            auto *button = sheet->findChild<QPushButton *>(QLatin1String(card));
            QCOMPARE(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name),
                     QString::fromUtf8(cardName));
        }
    }

    void choiceSheet_cardsReportTheChoice_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<bool>("isImport");
        QTest::newRow("import") << QStringLiteral("importChoiceCard") << true;
        QTest::newRow("manual") << QStringLiteral("manualChoiceCard") << false;
    }

    void choiceSheet_cardsReportTheChoice()
    {
        QFETCH(QString, card);
        QFETCH(bool, isImport);
        OnboardingImportChoiceView sheet(QStringLiteral("Robin"));
        QSignalSpy imports(&sheet, &OnboardingImportChoiceView::importChosen);
        QSignalSpy manuals(&sheet, &OnboardingImportChoiceView::manualChosen);
        sheet.show();
        QTest::mouseClick(sheet.findChild<QPushButton *>(card), Qt::LeftButton);
        QCOMPARE(imports.size(), isImport ? 1 : 0);
        QCOMPARE(manuals.size(), isImport ? 0 : 1);
    }

private:
    QLineEdit *nameField() const { return m_view->findChild<QLineEdit *>(QStringLiteral("patientNameField")); }
    QPushButton *continueButton() const { return m_view->findChild<QPushButton *>(QStringLiteral("continueButton")); }
    QLabel *errorLabel() const { return m_view->findChild<QLabel *>(QStringLiteral("errorLabel")); }

    const QString password = QStringLiteral("robin-pass-1");
    const QString create = QStringLiteral("/api/patients/create");
    StandinServer m_server;
    std::unique_ptr<SignedInSession> m_session;
    std::unique_ptr<CreatePatientOnboardingView> m_view;
    std::unique_ptr<QSignalSpy> m_created;
};

QTEST_MAIN(OnboardingTest)
#include "OnboardingTest.moc"
