#include "clipboard/ClipboardManager.h"
#include "clipboard/Pasteboard.h"
#include "mainwindow/ContentView.h"
#include "records/PatientStore.h"
#include "window/WindowState.h"

#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>

using ScreenTestKit::child;

// The clipboard section in the signed-in window: the panel made for each patient, the different-patient
// question across a switch, and "New entry" opening the window's entry form.
class ClipboardSectionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        QGuiApplication::clipboard()->clear();
        QVERIFY(m_window.open(QSize(1200, 750)));
        QTRY_VERIFY_WITH_TIMEOUT(m_window.view()->state()->selectedMedbit().has_value(), 10000);
        QVERIFY(patients()->patients().size() >= 2);
    }

    void cleanup() { m_window.close(); }

    void patientSwitch_whileTheQuestionIsOpen_dropsPanelQuestionAndPaste()
    {
        const QString first = patients()->selectedPatientID();
        const QString second = otherPatient(first);
        auto *search = child<QLineEdit>(m_window.view(), "searchField");
        QTest::keyClicks(search, QStringLiteral("Warfarin"));
        search->selectAll();
        QTest::keySequence(search, QKeySequence::Copy);
        patients()->setSelectedPatientID(second);
        m_window.view()->state()->setSelectedSection(SidebarSection::clipboard);
        QTRY_VERIFY(panel());

        QTest::mouseClick(child<QWidget>(panel(), "pasteTarget"), Qt::LeftButton);
        QPointer<QMessageBox> alert = child<QMessageBox>(panel(), "crossPatientPasteAlert");
        QVERIFY(alert && alert->isVisible());
        QPointer<QWidget> shownPanel = panel();
        patients()->setSelectedPatientID(first);

        QTRY_VERIFY(!alert && !shownPanel);
        QTRY_VERIFY(panel());
        QVERIFY(ClipboardManager::loadHistory(second).isEmpty());
        const QList<ClipboardItem> firstHistory = ClipboardManager::loadHistory(first);
        QCOMPARE(firstHistory.size(), 1);
        QCOMPARE(firstHistory.first().action, ClipboardActionType::Copy);
    }

    // File > New Window on the same patient: a copy in the second window's search field, then a switch of patient
    // there, and the first window's entry form asks before the paste; the copy is kept once, as the field's.
    void copyInAnotherWindow_thenASwitch_makesThePasteInTheEntryFormAsk()
    {
        const QString first = patients()->selectedPatientID();
        const QString second = otherPatient(first);
        ContentView otherWindow(m_window.session()->auth(), patients(), m_window.records());
        otherWindow.resize(1200, 750);
        otherWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&otherWindow));
        auto *search = child<QLineEdit>(&otherWindow, "searchField");
        QTest::keyClicks(search, QStringLiteral("Warfarin"));
        search->selectAll();
        QTest::keySequence(search, QKeySequence::Copy);
        patients()->setSelectedPatientID(second);

        QTest::mouseClick(child<QToolButton>(m_window.view(), "newEntryButton"), Qt::LeftButton);
        QWidget *form = nullptr;
        QTRY_VERIFY((form = child<QWidget>(m_window.view(), "createEntryView")) && form->isVisible());
        auto *editor = child<QPlainTextEdit>(form, "entryTextEditor");
        QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
        QPointer<QMessageBox> alert = child<QMessageBox>(editor, "crossPatientPasteAlert");
        QVERIFY(alert && alert->isVisible());
        QCOMPARE(editor->toPlainText(), QString());
        m_window.view()->clipboardManager()->pollPasteboard();

        const QList<ClipboardItem> firstHistory = ClipboardManager::loadHistory(first);
        QCOMPARE(firstHistory.size(), 1);
        QCOMPARE(std::tuple(firstHistory.first().text, firstHistory.first().source),
                 std::tuple(QStringLiteral("Warfarin"), QStringLiteral("Search Timeline")));
        QVERIFY(ClipboardManager::loadHistory(second).isEmpty());
        QCOMPARE(m_window.view()->clipboardManager()->items().size(), 0);
    }

    void copyOfAShownText_thenASwitch_isTheFirstPatientsAndMakesTheirPasteAsk_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("text");
        QTest::newRow("entry detail's text") << "medbitDetailPanel"
                                             << "entryText";
        QTest::newRow("entry question") << "medbitDetailPanel"
                                        << "askQuestion";
        QTest::newRow("entry question's answer") << "medbitDetailPanel"
                                                 << "askAnswer";
        QTest::newRow("Ask answer") << "askPanel"
                                    << "answerText";
    }

    // Ctrl+A and Ctrl+C in a text that records nothing itself, then at once another patient from the picker: the
    // copy is the first patient's, from "App", and a paste into the other's new entry asks first.
    void copyOfAShownText_thenASwitch_isTheFirstPatientsAndMakesTheirPasteAsk()
    {
        QFETCH(QString, place);
        QFETCH(QString, text);
        const QString first = patients()->selectedPatientID();
        const QString second = otherPatient(first);
        if (place == QLatin1String("askPanel"))
            QTest::mouseClick(child<QAbstractButton>(m_window.view(), "askRow"), Qt::LeftButton);
        QWidget *where = nullptr;
        QTRY_VERIFY((where = child<QWidget>(m_window.view(), place.toLatin1())) != nullptr);
        if (text != QLatin1String("entryText")) {
            auto *field = child<QLineEdit>(where, "askField");
            field->setFocus();
            QTest::keyClicks(field, QStringLiteral("Is it mild?"));
            QTest::keyClick(field, Qt::Key_Return);
            QTRY_COMPARE(m_window.session()->finishedReplies(QStringLiteral("/chats/get_answer_free")), 1);
        }
        QWidget *shown = nullptr;
        QTRY_VERIFY((shown = child<QWidget>(where, text.toLatin1())) != nullptr && shown->isVisible());

        shown->setFocus();
        QTest::keyClick(shown, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(shown, Qt::Key_C, Qt::ControlModifier);
        const QString copied = QGuiApplication::clipboard()->text().trimmed();
        choosePatient(second);

        QVERIFY(!copied.isEmpty());
        QTRY_COMPARE(ClipboardManager::loadHistory(first).size(), 1);
        const ClipboardItem item = ClipboardManager::loadHistory(first).first();
        QCOMPARE(std::tuple(item.text, item.source, item.patientID), std::tuple(copied, QStringLiteral("App"), first));
        QVERIFY(ClipboardManager::loadHistory(second).isEmpty());
        QTest::mouseClick(child<QAbstractButton>(m_window.view(), "timelineRow"), Qt::LeftButton);
        QToolButton *newEntry = nullptr;
        QTRY_VERIFY((newEntry = child<QToolButton>(m_window.view(), "newEntryButton")) && newEntry->isVisible());
        QTest::mouseClick(newEntry, Qt::LeftButton);
        QWidget *form = nullptr;
        QTRY_VERIFY((form = child<QWidget>(m_window.view(), "createEntryView")) && form->isVisible());
        auto *editor = child<QPlainTextEdit>(form, "entryTextEditor");
        editor->setFocus();
        QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
        QPointer<QMessageBox> alert = child<QMessageBox>(editor, "crossPatientPasteAlert");
        QVERIFY(alert && alert->isVisible());
        QCOMPARE(editor->toPlainText(), QString());
    }

    void newEntry_opensTheEntryFormPrefilled_data()
    {
        QTest::addColumn<bool>("isFile");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("attachment");
        QTest::newRow("text") << false << "Warfarin 5 mg daily"
                              << "";
        QTest::newRow("file") << true << ""
                              << "-report.pdf";
    }

    void newEntry_opensTheEntryFormPrefilled()
    {
        QFETCH(bool, isFile);
        QFETCH(QString, text);
        QFETCH(QString, attachment);
        ClipboardManager *manager = m_window.view()->clipboardManager();
        if (isFile)
            manager->recordFile(ClipboardActionType::Paste, {"report.pdf", "application/pdf", "%PDF-1.4"}, "Clipboard");
        else
            manager->record(ClipboardActionType::Copy, text, QStringLiteral("Ask"));
        m_window.view()->state()->setSelectedSection(SidebarSection::clipboard);
        QTRY_VERIFY(panel());

        QTest::mouseClick(child<QPushButton>(panel(), "newEntryButton"), Qt::LeftButton);
        QWidget *form = nullptr;
        QTRY_VERIFY((form = child<QWidget>(m_window.view(), "createEntryView")) && form->isVisible());
        QCOMPARE(child<QPlainTextEdit>(form, "entryTextEditor")->toPlainText(), text);
        const auto *pending = child<QLabel>(form, "pendingAttachmentLabel");
        QCOMPARE(pending ? pending->text().endsWith(attachment) : false, isFile);
    }

private:
    PatientStore *patients() const { return m_window.session()->patients(); }

    QWidget *panel() const
    {
        for (QWidget *panel : m_window.view()->findChildren<QWidget *>(QStringLiteral("clipboardPanel"))) {
            if (panel->isVisible())
                return panel;
        }
        return nullptr;
    }

    // As a person does: the patient menu's item.
    void choosePatient(const QString &patientID)
    {
        for (QAction *item : child<QToolButton>(m_window.view(), "patientPicker")->menu()->actions()) {
            if (item->data().toString() == patientID)
                item->trigger();
        }
    }

    QString otherPatient(const QString &id) const
    {
        for (const Patient &patient : patients()->patients()) {
            if (patient._id != id)
                return patient._id;
        }
        return {};
    }

    StandinServer m_server;
    // Offscreen, every change of the clipboard is this program's, but the platform does not say so.
    Pasteboard m_pasteboard{QGuiApplication::clipboard(),
                            [] { return QGuiApplication::applicationState() == Qt::ApplicationActive; }};
    SignedInWindow m_window{m_server, ClipboardSeams{&m_pasteboard, nullptr, {}}};
};

QTEST_MAIN(ClipboardSectionTest)
#include "ClipboardSectionTest.moc"
