#include "ClipboardTestSettings.h"

#include "clipboard/ApplicationActivity.h"
#include "clipboard/ClipboardManager.h"
#include "clipboard/ClipboardTrackingTextField.h"
#include "clipboard/CrossPatientPasteAlert.h"
#include "clipboard/PasteCheckedTextEdit.h"
#include "clipboard/Pasteboard.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace
{

const QString leo = QStringLiteral("leo"), dana = QStringLiteral("dana");
const QString leosNote = QStringLiteral("Leo: penicillin allergy");

// An entry text is kept for the current patient, or for the one its form was opened for.
enum class Field { Ask, Entry, LeosEntry, DanasEntry, Search };
enum class Paste { CtrlV, ShiftInsert, Menu, MiddleClick, ScreenReader };

void openMenuAndPaste(QWidget *field)
{
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(2, 2), field->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(field, &event);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    for (QAction *action : menu ? menu->actions() : QList<QAction *>()) {
        if (action->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&')) == QLatin1String("Paste")) {
            action->trigger();
            menu->close();
            return;
        }
    }
    QFAIL("no Paste in the context menu");
}

// What AT-SPI's EditableText.PasteText does: the clipboard's text inserted through the accessible interface.
void pasteAsAScreenReaderDoes(QWidget *field)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(field);
    QAccessibleEditableTextInterface *editable = accessible->editableTextInterface();
    QVERIFY(editable);
    editable->insertText(accessible->textInterface()->cursorPosition(), QGuiApplication::clipboard()->text());
}

// A middle click pastes the selection buffer where it lands; a text edit takes it in its viewport.
void middleClick(QWidget *field)
{
    auto *edit = qobject_cast<QPlainTextEdit *>(field);
    QTest::mouseClick(edit ? edit->viewport() : field, Qt::MiddleButton, {}, QPoint(4, 4));
}

void paste(QWidget *field, Paste door)
{
    switch (door) {
    case Paste::CtrlV:
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        break;
    case Paste::ShiftInsert:
        QTest::keyClick(field, Qt::Key_Insert, Qt::ShiftModifier);
        break;
    case Paste::Menu:
        openMenuAndPaste(field);
        break;
    case Paste::MiddleClick:
        middleClick(field);
        break;
    case Paste::ScreenReader:
        pasteAsAScreenReaderDoes(field);
        break;
    }
}

QString textOf(QWidget *field)
{
    if (auto *edit = qobject_cast<QPlainTextEdit *>(field))
        return edit->toPlainText();
    return qobject_cast<QLineEdit *>(field)->text();
}

} // namespace

// A paste into a field that is saved or sent for the current patient asks first when the clipboard still
// holds what was copied under another patient; the search field, which keeps nothing, never asks.
class CrossPatientPasteTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        ClipboardTestSettings::clear();
        m_manager = std::make_unique<ClipboardManager>(leo, ClipboardSeams{&m_pasteboard, &m_activity, {}});
        QGuiApplication::clipboard()->setText(leosNote);
        m_manager->record(ClipboardActionType::Copy, leosNote, QStringLiteral("Ask"));
        // Selecting text under Leo puts it in the selection buffer, where the platform has one.
        if (QGuiApplication::clipboard()->supportsSelection())
            QGuiApplication::clipboard()->setText(leosNote, QClipboard::Selection);
    }

    void cleanup()
    {
        m_window.reset();
        m_otherWindow.reset();
        m_manager.reset();
    }

    void paste_asksBeforeAnotherPatientsTextGoesIn_data()
    {
        QTest::addColumn<Field>("field");
        QTest::addColumn<Paste>("door");
        QTest::addColumn<bool>("switchToDana");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("pasted");
        const QList<std::pair<const char *, Field>> fields{{"Ask field", Field::Ask}, {"entry text", Field::Entry}};
        const QList<std::pair<const char *, Paste>> pastes{{"Ctrl+V", Paste::CtrlV},
                                                           {"Shift+Insert", Paste::ShiftInsert},
                                                           {"menu Paste", Paste::Menu},
                                                           {"middle click", Paste::MiddleClick},
                                                           {"screen reader's paste", Paste::ScreenReader}};
        for (const auto &[fieldName, field] : fields) {
            for (const auto &[pasteName, paste] : pastes) {
                const QByteArray row = QByteArray(fieldName) + ", " + pasteName;
                QTest::newRow(row + ", Cancel") << field << paste << true << "cancelPaste" << false;
                QTest::newRow(row + ", Allow") << field << paste << true << "allowPaste" << true;
            }
            QTest::newRow(QByteArray(fieldName) + ", Escape") << field << Paste::CtrlV << true << "Escape" << false;
            for (const auto &[pasteName, paste] : pastes) {
                QTest::newRow(QByteArray(fieldName) + ", " + pasteName + ", same patient")
                    << field << paste << false << QString() << true;
            }
        }
        for (const auto &[pasteName, paste] : pastes)
            QTest::newRow(QByteArray("search field, ") + pasteName)
                << Field::Search << paste << true << QString() << true;
        QTest::newRow("Leo's entry text, after the switch to Dana")
            << Field::LeosEntry << Paste::CtrlV << true << QString() << true;
        QTest::newRow("Dana's entry text, while Leo is open")
            << Field::DanasEntry << Paste::CtrlV << false << "allowPaste" << true;
    }

    void paste_asksBeforeAnotherPatientsTextGoesIn()
    {
        QFETCH(Field, field);
        QFETCH(Paste, door);
        QFETCH(bool, switchToDana);
        QFETCH(QString, answer);
        QFETCH(bool, pasted);
        if (door == Paste::MiddleClick && !QGuiApplication::clipboard()->supportsSelection())
            QSKIP("This platform has no selection buffer, so a middle click pastes nothing.");
        if (switchToDana)
            m_manager->switchPatient(dana);
        QTRY_VERIFY(!m_manager->isLoading());
        QWidget *input = openField(field);

        paste(input, door);
        QPointer<CrossPatientPasteAlert> alert = input->findChild<CrossPatientPasteAlert *>();
        QCOMPARE(alert && alert->isVisible(), !answer.isEmpty());
        if (alert) {
            QCOMPARE(textOf(input), QString());
            if (answer == QLatin1String("Escape"))
                QTest::keyClick(alert, Qt::Key_Escape);
            else
                QTest::mouseClick(alert->findChild<QPushButton *>(answer), Qt::LeftButton);
            QTRY_VERIFY(!alert);
        }

        QCOMPARE(textOf(input), pasted ? leosNote : QString());
        // The Ask and search fields record a paste of the clipboard as before; the entry text records nothing.
        const bool clipboardPaste = door == Paste::CtrlV || door == Paste::ShiftInsert || door == Paste::Menu;
        const bool recorded = pasted && clipboardPaste && (field == Field::Ask || field == Field::Search);
        QList<ClipboardActionType> actions;
        for (const ClipboardItem &item : m_manager->items())
            actions << item.action;
        QCOMPARE(actions.count(ClipboardActionType::Paste), recorded ? 1 : 0);
        if (recorded)
            QCOMPARE(m_manager->items().first().patientID, m_manager->patientID());
    }

    // The screen reader's own paste, sent over AT-SPI from another process.
    void screenReaderPaste_overAtspi_asksFirst_data()
    {
        QTest::addColumn<Field>("field");
        QTest::newRow("Ask field") << Field::Ask;
        QTest::newRow("entry text") << Field::Entry;
    }
    void screenReaderPaste_overAtspi_asksFirst()
    {
        QFETCH(Field, field);
        const QString client = qEnvironmentVariable("VANTORELLE_ATSPI_PASTE_CLIENT");
        if (client.isEmpty())
            QSKIP("Needs an X display with the AT-SPI bus; CrossPatientPasteX11Test runs it.");
        m_manager->switchPatient(dana);
        QWidget *input = openField(field);
        QProcess paster;
        paster.start(QStringLiteral("/usr/bin/python3"),
                     {client, QString::number(QCoreApplication::applicationPid()), input->accessibleName()});
        QTRY_VERIFY_WITH_TIMEOUT(paster.state() == QProcess::NotRunning, 20000);
        QVERIFY2(paster.exitCode() == 0, paster.readAllStandardError().constData());
        QPointer<CrossPatientPasteAlert> alert = input->findChild<CrossPatientPasteAlert *>();
        QVERIFY(alert && alert->isVisible());
        QCOMPARE(textOf(input), QString());
        QTest::mouseClick(alert->findChild<QPushButton *>(QStringLiteral("allowPaste")), Qt::LeftButton);
        QTRY_COMPARE(textOf(input), leosNote);
    }

    // A second window of the program, opened on Leo too, follows the switch to Dana: a paste there asks for the
    // copy (and the selection) made in the first window, whichever poll ran since.
    void paste_inAnotherWindow_asksForWhatTheFirstCopied_data()
    {
        QTest::addColumn<Field>("field");
        QTest::addColumn<Paste>("door");
        const QList<std::pair<const char *, Paste>> pastes{{"Ctrl+V", Paste::CtrlV},
                                                           {"middle click", Paste::MiddleClick},
                                                           {"screen reader's paste", Paste::ScreenReader}};
        for (const auto &[pasteName, paste] : pastes) {
            QTest::newRow(QByteArray("Ask field, ") + pasteName) << Field::Ask << paste;
            QTest::newRow(QByteArray("entry text, ") + pasteName) << Field::Entry << paste;
        }
    }

    void paste_inAnotherWindow_asksForWhatTheFirstCopied()
    {
        QFETCH(Field, field);
        QFETCH(Paste, door);
        if (door == Paste::MiddleClick && !QGuiApplication::clipboard()->supportsSelection())
            QSKIP("This platform has no selection buffer, so a middle click pastes nothing.");
        m_otherWindow = std::make_unique<ClipboardManager>(m_manager->histories(), leo);
        m_manager->switchPatient(dana);
        m_otherWindow->switchPatient(dana);
        QTRY_VERIFY(!m_otherWindow->isLoading());
        m_otherWindow->pollPasteboard();
        QWidget *input = openField(field, m_otherWindow.get());

        paste(input, door);
        QPointer<CrossPatientPasteAlert> alert = input->findChild<CrossPatientPasteAlert *>();
        QVERIFY(alert && alert->isVisible());
        QTest::mouseClick(alert->findChild<QPushButton *>(QStringLiteral("cancelPaste")), Qt::LeftButton);
        QTRY_VERIFY(!alert);
        QCOMPARE(textOf(input), QString());
        QVERIFY(m_otherWindow->items().isEmpty());
    }

private:
    // In the first window, unless another is given.
    QWidget *openField(Field field, ClipboardManager *manager = nullptr)
    {
        if (!manager)
            manager = m_manager.get();
        m_window = std::make_unique<QWidget>();
        QWidget *input = nullptr;
        if (field == Field::Entry || field == Field::LeosEntry || field == Field::DanasEntry) {
            const QString patient = field == Field::LeosEntry    ? leo
                                    : field == Field::DanasEntry ? dana
                                                                 : manager->patientID();
            input = new PasteCheckedTextEdit(manager, patient, m_window.get());
            input->setAccessibleName(QStringLiteral("Entry"));
        } else {
            const QString source = field == Field::Ask ? QStringLiteral("Ask") : QStringLiteral("Search Timeline");
            auto *line = new ClipboardTrackingTextField(manager, source, source, m_window.get());
            line->setChecksPatientOnPaste(field == Field::Ask);
            input = line;
        }
        (new QVBoxLayout(m_window.get()))->addWidget(input);
        m_window->show();
        // An X display without a window manager activates no window by itself.
        if (!QTest::qWaitForWindowExposed(m_window.get()))
            qFatal("the window did not show");
        QApplication::setActiveWindow(m_window.get());
        if (!m_window->isActiveWindow())
            qFatal("the window did not become active");
        input->setFocus();
        return input;
    }

    ClipboardTestSettings m_settings;
    ApplicationActivity m_activity{true};
    Pasteboard m_pasteboard{QGuiApplication::clipboard()};
    std::unique_ptr<ClipboardManager> m_manager;
    std::unique_ptr<ClipboardManager> m_otherWindow;
    std::unique_ptr<QWidget> m_window;
};

QTEST_MAIN(CrossPatientPasteTest)
#include "CrossPatientPasteTest.moc"
