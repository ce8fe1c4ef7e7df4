#include "app/SettingsView.h"
#include "app/PatientRow.h"
#include "platform/UrlOpener.h"

#include "AwaitTask.h"
#include "FocusChain.h"
#include "ScreenTestKit.h"
#include "SignedInSession.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QDialog>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>

#include <algorithm>
#include <memory>

using ScreenTestKit::shownText;

class SettingsViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        m_session = std::make_unique<SignedInSession>(m_server);
        QVERIFY(m_session->signInAndLoad());
        m_server.clearRequests();
        m_view = std::make_unique<SettingsView>(m_session->auth(), m_session->patients());
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void cleanup()
    {
        m_view.reset();
        m_session.reset();
        UrlOpener::setHandlerForTesting({});
    }

    void account_showsSignedInUser()
    {
        QCOMPARE(label("accountName")->text(), QStringLiteral("Dana Demo"));
        QCOMPARE(label("accountEmail")->text(), StandinServer::demoEmail);
    }

    void patientList_checksSelectedPatient()
    {
        const QList<PatientRow *> rows = patientRows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rowName(rows[0]), QStringLiteral("Alex Rivera"));
        QCOMPARE(rowName(rows[1]), QStringLiteral("Sam Rivera"));
        QVERIFY(isChecked(rows[0]));
        QVERIFY(!isChecked(rows[1]));
        QCOMPARE(m_view->findChildren<QWidget *>(QStringLiteral("patientDivider")).size(), 1);
    }

    void patientList_namesEveryControl()
    {
        QCOMPARE(QAccessible::queryAccessibleInterface(field())->text(QAccessible::Name),
                 QStringLiteral("Patient name"));
        const QList<PatientRow *> rows = patientRows();
        for (int i = 0; i < rows.size(); ++i) {
            QAccessibleInterface *access = QAccessible::queryAccessibleInterface(rows[i]);
            QCOMPARE(access->text(QAccessible::Name), m_session->patients()->patients().at(i).displayName());
            QCOMPARE(access->role(), QAccessible::CheckBox);
        }
        QVERIFY(rows[0]->findChildren<QWidget *>().isEmpty());
    }

    void everyFocusStop_hasAName() { VERIFY_EVERY_FOCUS_STOP_NAMED(m_view.get()); }

    void patientRow_fitsItsFontAndElidesALongName()
    {
        const QString longName =
            QStringLiteral("Maria Gonzalez-Rodriguez de la Santisima Trinidad y Castellanos-Quigley");
        QTest::keyClicks(field(), longName);
        QTest::keyClick(field(), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(patientRows().size(), 3, 10000);
        PatientRow *row = patientRows().at(2);
        QTRY_VERIFY(row->isVisible());
        QCOMPARE(row->text(), longName);
        QVERIFY(row->shownName().endsWith(QStringLiteral("…")));
        QVERIFY(row->shownName().startsWith(QStringLiteral("Maria Gonzalez")));
        for (PatientRow *each : patientRows())
            QVERIFY(each->height() >= each->fontMetrics().height() + 2);
        QCOMPARE(QAccessible::queryAccessibleInterface(row)->text(QAccessible::Name), longName);
    }

    void selectingPatient_sendsOneActivation()
    {
        const QString samID = m_session->patients()->patients().at(1)._id;
        QTest::mouseClick(patientRows().at(1), Qt::LeftButton);
        QCOMPARE(m_session->patients()->selectedPatientID(), samID);
        QTRY_VERIFY(isChecked(patientRows().at(1)));
        QVERIFY(!isChecked(patientRows().at(0)));
        QTRY_COMPARE_WITH_TIMEOUT(m_session->requests(activate).size(), 1, 10000);
        QCOMPARE(m_session->requests(activate).at(0).json()[QLatin1String("patientId")].toString(), samID);
    }

    // A sheet in a main window works for the selected patient: the settings switch nothing meanwhile.
    void selectingPatient_doesNothing_whileASheetIsOpenElsewhere()
    {
        QWidget mainWindow;
        mainWindow.show();
        auto *sheet = new QDialog(&mainWindow);
        sheet->setWindowModality(Qt::WindowModal);
        sheet->show();
        const QString alexID = m_session->patients()->selectedPatientID();
        QTest::mouseClick(patientRows().at(1), Qt::LeftButton);
        QCOMPARE(m_session->patients()->selectedPatientID(), alexID);
        QTRY_VERIFY(isChecked(patientRows().at(0)));
        QVERIFY(!isChecked(patientRows().at(1)));
    }

    // Every way a person picks a row does what a click does: it switches to the patient unless a sheet works
    // for the current one elsewhere. Either way exactly one row, the current patient's, reads as checked.
    void choosingRow_switchesUnlessASheetIsOpen_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<bool>("sheetOpen");
        for (const char *gesture : {"click", "double click", "Space", "Toggle", "Press"}) {
            QTest::addRow("%s", gesture) << QString::fromLatin1(gesture) << false;
            QTest::addRow("%s, sheet open", gesture) << QString::fromLatin1(gesture) << true;
        }
    }

    void choosingRow_switchesUnlessASheetIsOpen()
    {
        QFETCH(QString, gesture);
        QFETCH(bool, sheetOpen);
        QWidget mainWindow;
        QDialog *sheet = nullptr;
        if (sheetOpen) {
            mainWindow.show();
            sheet = new QDialog(&mainWindow);
            sheet->setWindowModality(Qt::WindowModal);
            sheet->show();
        }
        m_view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
        const QString alexID = m_session->patients()->patients().at(0)._id;
        const QString samID = m_session->patients()->patients().at(1)._id;
        PatientRow *sam = patientRows().at(1);
        if (gesture == QLatin1String("click")) {
            QTest::mouseClick(sam, Qt::LeftButton);
        } else if (gesture == QLatin1String("double click")) {
            // A click, then the second press arriving as a double click, then its release.
            QTest::mouseClick(sam, Qt::LeftButton);
            QTest::mouseDClick(sam, Qt::LeftButton);
            QTest::mouseRelease(sam, Qt::LeftButton);
        } else if (gesture == QLatin1String("Space")) {
            sam->setFocus();
            QTest::keyClick(sam, Qt::Key_Space);
        } else {
            const QString action = gesture == QLatin1String("Toggle") ? QAccessibleActionInterface::toggleAction()
                                                                      : QAccessibleActionInterface::pressAction();
            QAccessibleActionInterface *actions = QAccessible::queryAccessibleInterface(sam)->actionInterface();
            QVERIFY(actions->actionNames().contains(action));
            actions->doAction(action);
        }
        const QString current = sheetOpen ? alexID : samID;
        QCOMPARE(m_session->patients()->selectedPatientID(), current);
        QStringList checked;
        for (PatientRow *row : patientRows()) {
            if (isChecked(row))
                checked << row->patientID();
        }
        QCOMPARE(checked, QStringList{current});
        if (gesture == QLatin1String("Space"))
            QVERIFY(sam->hasFocus());
        if (!sheetOpen) {
            QTRY_COMPARE_WITH_TIMEOUT(m_session->requests(activate).size(), 1, 10000);
            m_session->roundTrip();
        }
        QCOMPARE(m_session->requests(activate).size(), sheetOpen ? 0 : 1);
    }

    // After a switch marks the rows in place, Tab and Shift+Tab still pass every named stop, the rows
    // included, in opposite orders, and come back to where they started.
    void keyboardWalk_afterASwitch_reachesEveryStopBothWays()
    {
        m_view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
        PatientRow *sam = patientRows().at(1);
        sam->setFocus();
        QTest::keyClick(sam, Qt::Key_Space);
        QVERIFY(FocusChain::unnamedStops(m_view.get()).isEmpty());
        const int stopCount = int(FocusChain::stops(m_view.get()).size());
        QList<QWidget *> forward;
        QList<QWidget *> backward;
        for (int i = 0; i < stopCount; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            forward << QApplication::focusWidget();
        }
        QCOMPARE(forward.constLast(), sam);
        for (int i = 0; i < stopCount; ++i) {
            backward.prepend(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        }
        QCOMPARE(QApplication::focusWidget(), sam);
        QCOMPARE(backward, forward);
        for (PatientRow *row : patientRows())
            QVERIFY(forward.contains(row));
    }

    void checkedRow_sendsNothing()
    {
        QSignalSpy selections(m_session->patients(), &PatientStore::selectedPatientIDChanged);
        QTest::mouseClick(patientRows().at(0), Qt::LeftButton);
        QCOMPARE(selections.size(), 0);
        // Choosing the other patient afterwards is the only activation the service sees.
        const QString samID = m_session->patients()->patients().at(1)._id;
        QTest::mouseClick(patientRows().at(1), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m_session->requests(activate).size(), 1, 10000);
        QCOMPARE(m_session->requests(activate).at(0).json()[QLatin1String("patientId")].toString(), samID);
    }

    void addPatient_blankNameSendsNothing()
    {
        QTest::keyClicks(field(), QStringLiteral("   "));
        QVERIFY(!button("addPatientButton")->isEnabled());
        QTest::keyClick(field(), Qt::Key_Return);
        // The next real name is the only creation the service receives.
        field()->clear();
        QTest::keyClicks(field(), QStringLiteral("Jo Park"));
        QTest::keyClick(field(), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(patientRows().size(), 3, 10000);
        QCOMPARE(m_server.requests(create).size(), 1);
        QCOMPARE(m_server.requests(create).at(0).json()[QLatin1String("firstName")].toString(),
                 QStringLiteral("Jo Park"));
    }

    void addPatient_trimmedOnceAndSelected()
    {
        QTest::keyClicks(field(), QStringLiteral("  Jo Park  "));
        QTest::keyClick(field(), Qt::Key_Return);
        QTest::keyClick(field(), Qt::Key_Return);
        QCOMPARE(button("addPatientButton")->text(), QStringLiteral("Adding…"));
        QVERIFY(!button("addPatientButton")->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(patientRows().size(), 3, 10000);
        QTRY_COMPARE(field()->text(), QString());
        QCOMPARE(button("addPatientButton")->text(), QStringLiteral("Add"));
        QCOMPARE(m_server.requests(create).size(), 1);
        QCOMPARE(m_server.requests(create).at(0).json()[QLatin1String("firstName")].toString(),
                 QStringLiteral("Jo Park"));
        QCOMPARE(rowName(patientRows().at(2)), QStringLiteral("Jo Park"));
        QVERIFY(isChecked(patientRows().at(2)));
    }

    void addPatient_failureKeepsNameAndShowsError()
    {
        m_server.injectFault(
            {{QStringLiteral("path"), create},
             {QStringLiteral("status"), 500},
             {QStringLiteral("body"), QStringLiteral("{\"message\":\"Patients are read-only today.\"}")}});
        QTest::keyClicks(field(), QStringLiteral("Jo Park"));
        QTest::mouseClick(button("addPatientButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(shownText(label("addPatientError")), QStringLiteral("Patients are read-only today."),
                                  10000);
        QCOMPARE(field()->text(), QStringLiteral("Jo Park"));
        QCOMPARE(patientRows().size(), 2);

        QTest::mouseClick(button("addPatientButton"), Qt::LeftButton);
        QCOMPARE(shownText(label("addPatientError")), QString());
        QTRY_COMPARE_WITH_TIMEOUT(patientRows().size(), 3, 10000);
    }

    void signOut_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("service agrees") << 0;
        QTest::newRow("service fails") << 500;
    }

    void signOut()
    {
        QFETCH(int, status);
        if (status)
            m_server.injectFault({{QStringLiteral("path"), logout}, {QStringLiteral("status"), status}});
        QTest::mouseClick(button("signOutButton"), Qt::LeftButton);
        QCOMPARE(button("signOutButton")->text(), QStringLiteral("Signing Out…"));
        QVERIFY(!button("signOutButton")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!m_session->auth()->isAuthenticated(), 10000);
        QTRY_COMPARE(button("signOutButton")->text(), QStringLiteral("Sign Out"));
        QVERIFY(button("signOutButton")->isEnabled());
        QCOMPARE(m_server.requests(logout).size(), 1);
        QVERIFY(m_server.requests(logout).at(0).header("Authorization").startsWith("Bearer "));
        QCOMPARE(m_session->keychain().item(Keychain::emailService), std::nullopt);
        QCOMPARE(m_session->keychain().item(Keychain::passwordService), std::nullopt);
        QCOMPARE(label("accountName")->text(), QStringLiteral("Signed in"));
        QCOMPARE(label("accountEmail")->text(), QString());
        QCOMPARE(patientRows().size(), 0);
        QVERIFY(!m_view->isVisible());
    }

    // Closed like a preferences window, from the key a person presses wherever the focus is, or by a
    // sign-out from anywhere, with the password sheet open on it.
    void closes_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<bool>("inField");
        QTest::newRow("Escape") << QKeySequence(Qt::Key_Escape) << false;
        QTest::newRow("Escape while typing a name") << QKeySequence(Qt::Key_Escape) << true;
        QTest::newRow("Ctrl+W") << QKeySequence(Qt::CTRL | Qt::Key_W) << false;
        QTest::newRow("Ctrl+W while typing a name") << QKeySequence(Qt::CTRL | Qt::Key_W) << true;
        QTest::newRow("signed out elsewhere") << QKeySequence() << false;
    }

    void closes()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(bool, inField);
        m_view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
        if (inField) {
            QTest::mouseClick(field(), Qt::LeftButton);
            QTest::keyClicks(field(), QStringLiteral("Ann"));
        }
        if (!keys.isEmpty()) {
            QWidget *focus = QApplication::focusWidget();
            QTest::keySequence(focus ? focus : m_view.get(), keys);
        } else {
            QTest::mouseClick(button("changePasswordButton"), Qt::LeftButton);
            QTRY_VERIFY(m_view->findChild<QDialog *>());
            AwaitTask::run(m_session->auth()->logout());
            QTRY_VERIFY(!m_view->findChild<QDialog *>());
        }
        QTRY_VERIFY(!m_view->isVisible());
        QVERIFY(m_server.requests(create).isEmpty());
    }

    // The window opens tall enough to show everything down to its last line unscrolled; only content taller
    // than the window may be gets a scroll bar, and the window then opens as tall as the screen lets it be.
    void opens_tallEnoughForItsContent_data()
    {
        QTest::addColumn<int>("addedPatients");
        QTest::newRow("the account's two patients") << 0;
        QTest::newRow("twenty patients more") << 20;
    }

    void opens_tallEnoughForItsContent()
    {
        QFETCH(int, addedPatients);
        for (int i = 0; i < addedPatients; ++i)
            AwaitTask::run(m_session->patients()->createPatient(QStringLiteral("Patient %1").arg(i + 1)));
        m_view = std::make_unique<SettingsView>(m_session->auth(), m_session->patients());
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        auto *scroll = m_view->findChild<QScrollArea *>(QStringLiteral("settingsScrollArea"));
        const QWidget *privacy = button("privacyButton");
        const QRect lastLine(privacy->mapTo(scroll->viewport(), QPoint(0, 0)), privacy->size());
        if (addedPatients == 0) {
            QVERIFY(!scroll->verticalScrollBar()->isVisible());
            QVERIFY2(
                scroll->viewport()->rect().contains(lastLine),
                qPrintable(QStringLiteral("%1 in %2 high").arg(lastLine.bottom()).arg(scroll->viewport()->height())));
        } else {
            QVERIFY(scroll->verticalScrollBar()->isVisible());
            const int screenHeight = m_view->screen()->availableGeometry().height();
            QCOMPARE(m_view->height(), std::clamp(screenHeight, m_view->minimumHeight(), m_view->maximumHeight()));
        }
    }

    void supportLinks_openMailAndPrivacyPage()
    {
        QList<QUrl> opened;
        UrlOpener::setHandlerForTesting([&opened](const QUrl &url) { opened.append(url); });
        QTest::mouseClick(button("emailSupportButton"), Qt::LeftButton);
        QTest::mouseClick(button("sendFeedbackButton"), Qt::LeftButton);
        QTest::mouseClick(button("privacyButton"), Qt::LeftButton);
        QCOMPARE(opened.size(), 3);
        QCOMPARE(opened[0].toString(QUrl::FullyEncoded),
                 QStringLiteral("mailto:support@vantorelle.app?subject=Vantorelle%20Support"));
        QCOMPARE(opened[1].toString(QUrl::FullyEncoded),
                 QStringLiteral("mailto:feedback@vantorelle.app?subject=Vantorelle%20Feedback"));
        QCOMPARE(opened[2], SettingsView::privacyPolicyURL);
        QCOMPARE(opened[2].scheme(), QStringLiteral("https"));
    }

private:
    QLabel *label(const char *name) const { return m_view->findChild<QLabel *>(QLatin1String(name)); }
    QPushButton *button(const char *name) const { return m_view->findChild<QPushButton *>(QLatin1String(name)); }
    QLineEdit *field() const { return m_view->findChild<QLineEdit *>(QStringLiteral("newPatientField")); }

    QList<PatientRow *> patientRows() const { return m_view->findChildren<PatientRow *>(QStringLiteral("patientRow")); }

    static QString rowName(const PatientRow *row) { return row->shownName(); }

    // What a screen reader hears: the row's name and whether it is the chosen patient.
    static bool isChecked(PatientRow *row)
    {
        QAccessibleInterface *access = QAccessible::queryAccessibleInterface(row);
        return access->state().checkable && access->state().checked;
    }

    const QString activate = SignedInSession::activationPath;
    const QString create = QStringLiteral("/api/patients/create");
    const QString logout = QStringLiteral("/api/auth/userLogout");
    StandinServer m_server;
    std::unique_ptr<SignedInSession> m_session;
    std::unique_ptr<SettingsView> m_view;
};

QTEST_MAIN(SettingsViewTest)
#include "SettingsViewTest.moc"
