#include "ClipboardTestSettings.h"

#include "clipboard/ApplicationActivity.h"
#include "clipboard/ClipboardHistories.h"
#include "clipboard/ClipboardManager.h"
#include "clipboard/ClipboardTrackingTextField.h"
#include "clipboard/CrossPatientPasteAlert.h"
#include "clipboard/PasteCheckedTextEdit.h"
#include "clipboard/Pasteboard.h"
#include "clipboard/PasteboardTransfer.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace
{

const QDateTime now(QDate(2024, 3, 5), QTime(9, 0), Qt::UTC);
const QString leo = QStringLiteral("leo"), dana = QStringLiteral("dana");
const QString search = QStringLiteral("Search Timeline");
const QString app = QStringLiteral("App");

// Each item as "text action source", so that a list tells what was kept and where it came from.
QStringList describe(const QList<ClipboardItem> &items)
{
    QStringList described;
    for (const ClipboardItem &item : items)
        described << QStringLiteral("%1 %2 %3").arg(item.text, rawValue(item.action), item.source);
    return described;
}

QList<QUuid> idsOf(const QList<ClipboardItem> &items)
{
    QList<QUuid> ids;
    for (const ClipboardItem &item : items)
        ids << item.id;
    return ids;
}

// What a tracking field does on a copy: the clipboard takes the text, then the field records it.
void copyInField(ClipboardManager &window, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    window.record(ClipboardActionType::Copy, text, search);
}

// A window of its own with one focusable input, which it gives the focus to.
std::unique_ptr<QWidget> openWindow()
{
    auto window = std::make_unique<QWidget>();
    auto *input = new QLineEdit(window.get());
    input->setObjectName(QStringLiteral("input"));
    (new QVBoxLayout(window.get()))->addWidget(input);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qFatal("the window did not show");
    return window;
}

void bringToFront(QWidget *window)
{
    QApplication::setActiveWindow(window);
    if (!window->isActiveWindow())
        qFatal("the window did not become active");
    window->findChild<QWidget *>(QStringLiteral("input"))->setFocus();
}

// A window of the program showing one patient, with a text that can be selected and copied but records
// nothing itself, as the entry detail's.
struct PatientWindow {
    std::unique_ptr<QWidget> window;
    ClipboardManager *view = nullptr;
    QLabel *text = nullptr;
};

PatientWindow openPatientWindow(ClipboardHistories *histories, const QString &patientID, const QString &text)
{
    PatientWindow shown{std::make_unique<QWidget>()};
    shown.view = new ClipboardManager(histories, patientID, shown.window.get());
    shown.text = new QLabel(text, shown.window.get());
    shown.text->setObjectName(QStringLiteral("input"));
    shown.text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    (new QVBoxLayout(shown.window.get()))->addWidget(shown.text);
    shown.window->show();
    if (!QTest::qWaitForWindowExposed(shown.window.get()))
        qFatal("the window did not show");
    bringToFront(shown.window.get());
    return shown;
}

// As a person copies a text that does not record it: in its window, select it all, then copy.
void copyAll(QLabel *text)
{
    bringToFront(text->window());
    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_C, Qt::ControlModifier);
}

// Whether Ctrl+V into the text of a new entry for the patient the window shows asks first; Cancel answers.
bool pasteAsks(const PatientWindow &shown)
{
    auto *entry = new PasteCheckedTextEdit(shown.view, shown.view->patientID(), shown.window.get());
    shown.window->layout()->addWidget(entry);
    bringToFront(shown.window.get());
    entry->setFocus();
    QTest::keyClick(entry, Qt::Key_V, Qt::ControlModifier);
    QPointer<CrossPatientPasteAlert> alert = entry->findChild<CrossPatientPasteAlert *>();
    const bool asks = alert && alert->isVisible();
    if (alert)
        QTest::mouseClick(alert->findChild<QPushButton *>(QStringLiteral("cancelPaste")), Qt::LeftButton);
    return asks && entry->toPlainText().isEmpty();
}

// What comes at once after a copy in Leo's window.
enum class Then { Switch, OtherApplication, OtherWindow, Close };

} // namespace

// The program's one clipboard history per patient, with two windows (two ClipboardManager views) over it, as
// File > New Window opens them: both show and write one list, and the one watch of the clipboard knows the
// latest copy's patient in every window.
class ClipboardHistoriesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        ClipboardTestSettings::clear();
        m_activity.setActive(true);
        QGuiApplication::clipboard()->setText(QStringLiteral("there at start"));
        m_histories =
            std::make_unique<ClipboardHistories>(ClipboardSeams{&m_pasteboard, &m_activity, [] { return now; }});
        m_a = std::make_unique<ClipboardManager>(m_histories.get(), leo);
        m_b = std::make_unique<ClipboardManager>(m_histories.get(), leo);
    }

    void cleanup()
    {
        m_a.reset();
        m_b.reset();
        m_histories.reset();
    }

    void deleteInOneWindow_staysDeletedInEveryWindowAndInTheStore_data()
    {
        QTest::addColumn<bool>("clearAll");
        QTest::addColumn<QString>("then");
        QTest::addColumn<QStringList>("history");
        const QString next = QStringLiteral("next copy Search Timeline");
        const QString pasted = QStringLiteral("pasted paste Ask");
        const QString other = QStringLiteral("other copy Search Timeline");
        QTest::newRow("delete, then a copy in A") << false << "copy in A" << QStringList{next, other};
        QTest::newRow("delete, then a paste in B") << false << "paste in B" << QStringList{pasted, other};
        QTest::newRow("delete, then a paste in A and a copy in B")
            << false << "paste in A, copy in B" << QStringList{next, pasted, other};
        QTest::newRow("clear all, then a copy in A") << true << "copy in A" << QStringList{next};
        QTest::newRow("clear all, then a paste in B") << true << "paste in B" << QStringList{pasted};
        QTest::newRow("clear all, then a paste in A and a copy in B")
            << true << "paste in A, copy in B" << QStringList{next, pasted};
    }

    void deleteInOneWindow_staysDeletedInEveryWindowAndInTheStore()
    {
        QFETCH(bool, clearAll);
        QFETCH(QString, then);
        QFETCH(QStringList, history);
        copyInField(*m_a, QStringLiteral("SECRET"));
        copyInField(*m_a, QStringLiteral("other"));
        QCOMPARE(describe(m_b->items()), describe(m_a->items()));
        const QList<QUuid> ids = idsOf(m_a->items());
        m_a->deleteItems(clearAll ? QSet<QUuid>(ids.cbegin(), ids.cend()) : QSet<QUuid>{ids.last()});

        if (then.startsWith(QLatin1String("paste in A")))
            m_a->record(ClipboardActionType::Paste, QStringLiteral("pasted"), QStringLiteral("Ask"));
        if (then == QLatin1String("paste in B"))
            m_b->record(ClipboardActionType::Paste, QStringLiteral("pasted"), QStringLiteral("Ask"));
        if (then.endsWith(QLatin1String("copy in A")))
            copyInField(*m_a, QStringLiteral("next"));
        if (then.endsWith(QLatin1String("copy in B")))
            copyInField(*m_b, QStringLiteral("next"));
        // Each window's poll, as the timer would run it; they are one.
        m_a->pollPasteboard();
        m_b->pollPasteboard();

        QCOMPARE(describe(m_a->items()), history);
        QCOMPARE(describe(m_b->items()), history);
        QCOMPARE(describe(ClipboardManager::loadHistory(leo)), history);
    }

    void copyInAField_isRecordedOnceWithItsSource_byNoWindowsPoll()
    {
        QWidget window;
        auto *field = new ClipboardTrackingTextField(m_a.get(), search, search, &window);
        field->setText(QStringLiteral(" Leo: warfarin 5 mg "));
        field->selectAll();
        field->performClipboardAction(ClipboardActionType::Copy);
        m_b->pollPasteboard();
        m_a->pollPasteboard();

        const QStringList once{QStringLiteral("Leo: warfarin 5 mg copy Search Timeline")};
        QCOMPARE(describe(m_a->items()), once);
        QCOMPARE(describe(m_b->items()), once);
        QCOMPARE(describe(ClipboardManager::loadHistory(leo)), once);
    }

    // A change of the clipboard that no field recorded (a label's text copied, say) is a copy from "App" of the
    // patient shown in the window that had the focus when it was made, however soon the focus moves on.
    void poll_recordsACopyFromAppOnce_underThePatientOfTheWindowInFront()
    {
        const std::unique_ptr<QWidget> windowA = openWindow(), windowB = openWindow();
        ClipboardManager shownInA(m_histories.get(), leo, windowA.get());
        ClipboardManager shownInB(m_histories.get(), dana, windowB.get());
        copyInField(shownInB, QStringLiteral("Dana's note"));
        bringToFront(windowA.get());
        QGuiApplication::clipboard()->setText(QStringLiteral("copied in A"));
        bringToFront(windowB.get());
        shownInB.pollPasteboard();
        shownInA.pollPasteboard();

        QCOMPARE(describe(shownInA.items()), QStringList{"copied in A copy App"});
        QCOMPARE(describe(shownInB.items()), QStringList{"Dana's note copy Search Timeline"});
        QCOMPARE(describe(m_a->items()), describe(shownInA.items()));
        QCOMPARE(m_a->lastCopySource()->patientID, leo);
        QVERIFY(shownInB.clipboardHoldsAnotherPatientsCopy());
    }

    void copyThatNothingRecords_isLeosWhateverComesNext_data()
    {
        QTest::addColumn<Then>("then");
        QTest::addColumn<bool>("twoWindows");
        QTest::newRow("a switch") << Then::Switch << false;
        QTest::newRow("another application in front") << Then::OtherApplication << false;
        QTest::newRow("the window closed") << Then::Close << false;
        QTest::newRow("two windows, a switch") << Then::Switch << true;
        QTest::newRow("two windows, another application in front") << Then::OtherApplication << true;
        QTest::newRow("two windows, the other window in front") << Then::OtherWindow << true;
        QTest::newRow("two windows, the window closed") << Then::Close << true;
    }

    // A copy of a text that records nothing itself is Leo's, from "App", however soon after it the window
    // turns to Dana, the program goes to the back or the window closes: a paste under Dana asks first.
    void copyThatNothingRecords_isLeosWhateverComesNext()
    {
        QFETCH(Then, then);
        QFETCH(bool, twoWindows);
        // Only the windows of this case, so that Leo is held by none but the first.
        m_a.reset();
        m_b.reset();
        PatientWindow leos = openPatientWindow(m_histories.get(), leo, QStringLiteral("Leo: mild persistent asthma"));
        PatientWindow danas;
        if (twoWindows)
            danas = openPatientWindow(m_histories.get(), dana, QStringLiteral("Dana's entry"));

        copyAll(leos.text);
        if (then == Then::Switch)
            leos.view->switchPatient(dana);
        if (then == Then::OtherApplication)
            m_activity.setActive(false);
        if (then == Then::OtherWindow)
            bringToFront(danas.window.get());
        if (then == Then::Close)
            leos.window.reset();

        QTRY_COMPARE(describe(ClipboardManager::loadHistory(leo)), QStringList{"Leo: mild persistent asthma copy App"});
        m_activity.setActive(true);
        if (!twoWindows)
            danas = then == Then::Close ? openPatientWindow(m_histories.get(), dana, QString()) : std::move(leos);
        danas.view->switchPatient(dana);
        QTRY_VERIFY(!danas.view->isLoading());
        danas.view->pollPasteboard();
        QVERIFY(danas.view->items().isEmpty());
        QVERIFY(ClipboardManager::loadHistory(dana).isEmpty());
        QVERIFY(pasteAsks(danas));
    }

    // A copy of a text that records nothing, at once a field's copy, then the field's item copied back, all
    // before any is recorded: each once, in the order made; the field's as the field recorded it.
    void copiesInOneTurn_areRecordedOnceEach_inTheOrderMade()
    {
        m_a.reset();
        m_b.reset();
        PatientWindow leos = openPatientWindow(m_histories.get(), leo, QStringLiteral("Leo's label"));
        auto *field = new ClipboardTrackingTextField(leos.view, search, search, leos.window.get());
        field->setText(QStringLiteral("Leo's field"));
        copyAll(leos.text);
        field->selectAll();
        field->performClipboardAction(ClipboardActionType::Copy);
        copyToPasteboard(leos.view->items().first(), leos.view);
        leos.view->pollPasteboard();

        const QStringList history{"Leo's field copy Search Timeline", "Leo's label copy App"};
        QCOMPARE(describe(leos.view->items()), history);
        QCOMPARE(describe(ClipboardManager::loadHistory(leo)), history);
        QCOMPARE(leos.view->lastCopySource()->changeCount, m_pasteboard.changeCount());
    }

    void copyInOneWindow_thenASwitch_makesAPasteInTheOtherAsk()
    {
        copyInField(*m_b, QStringLiteral("Leo: penicillin allergy"));
        m_b->switchPatient(dana);
        // An entry form opened for Dana in A, before A has followed.
        QVERIFY(m_a->clipboardHoldsAnotherPatientsCopy(dana));
        m_a->switchPatient(dana);
        QTRY_VERIFY(!m_a->isLoading());
        m_a->pollPasteboard();
        m_b->pollPasteboard();

        QVERIFY(m_a->clipboardHoldsAnotherPatientsCopy());
        QVERIFY(m_a->isAnotherPatientsCopy(QStringLiteral("Leo: penicillin allergy")));
        QCOMPARE(m_a->lastCopySource()->patientID, leo);
        QVERIFY(m_a->items().isEmpty());
        QVERIFY(ClipboardManager::loadHistory(dana).isEmpty());
        QCOMPARE(describe(ClipboardManager::loadHistory(leo)),
                 QStringList{"Leo: penicillin allergy copy Search Timeline"});
        // A copy made since, anywhere, no longer asks.
        copyInField(*m_a, QStringLiteral("Dana's note"));
        QVERIFY(!m_b->clipboardHoldsAnotherPatientsCopy());
    }

    // Both windows come to Dana while her history is read; what either does meanwhile applies to it, also when
    // both have left before the read came.
    void changesInEitherWindowWhileLoading_applyToTheOneStoredHistory_data()
    {
        QTest::addColumn<bool>("leaveBeforeTheRead");
        QTest::newRow("read while shown") << false;
        QTest::newRow("left before the read") << true;
    }

    void changesInEitherWindowWhileLoading_applyToTheOneStoredHistory()
    {
        QFETCH(bool, leaveBeforeTheRead);
        const ClipboardItem d1{QUuid::createUuid(), "d1", std::nullopt, ClipboardActionType::Copy, app, now, dana};
        const ClipboardItem d2{QUuid::createUuid(), "d2", std::nullopt, ClipboardActionType::Copy, app, now, dana};
        ClipboardManager::saveHistory({d1, d2}, dana);
        m_a->switchPatient(dana);
        m_b->switchPatient(dana);
        copyInField(*m_b, QStringLiteral("new"));
        m_a->deleteItems({d1.id});
        if (leaveBeforeTheRead) {
            m_a->switchPatient(leo);
            m_b->switchPatient(leo);
        }

        const QStringList history{"new copy Search Timeline", "d2 copy App"};
        QTRY_COMPARE(describe(ClipboardManager::loadHistory(dana)), history);
        QTRY_VERIFY(m_histories->holds(dana) != leaveBeforeTheRead);
        if (!leaveBeforeTheRead)
            QCOMPARE(describe(m_b->items()), history);
    }

private:
    ClipboardTestSettings m_settings;
    ApplicationActivity m_activity{true};
    // Here every change of the clipboard made while the program is in front is its own.
    Pasteboard m_pasteboard{QGuiApplication::clipboard(), [this] { return m_activity.isActive(); }};
    std::unique_ptr<ClipboardHistories> m_histories;
    std::unique_ptr<ClipboardManager> m_a, m_b;
};

QTEST_MAIN(ClipboardHistoriesTest)
#include "ClipboardHistoriesTest.moc"
