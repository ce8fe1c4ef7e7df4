#include "ClipboardTestSettings.h"

#include "clipboard/ApplicationActivity.h"
#include "clipboard/ClipboardManager.h"
#include "clipboard/ClipboardTrackingTextField.h"
#include "clipboard/CrossPatientPasteAlert.h"
#include "clipboard/PasteCheckedTextEdit.h"
#include "clipboard/Pasteboard.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace
{

const QString leo = QStringLiteral("leo"), dana = QStringLiteral("dana");
const QString leosNote = QStringLiteral("Leo: penicillin allergy");

enum class Field { Ask, Entry, Search };
enum class Paste { CtrlV, ShiftInsert, Menu };

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
    }

    void cleanup()
    {
        m_window.reset();
        m_manager.reset();
    }

    void paste_asksBeforeAnotherPatientsTextGoesIn_data()
    {
        QTest::addColumn<Field>("field");
        QTest::addColumn<Paste>("paste");
        QTest::addColumn<bool>("switchToDana");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("pasted");
        const QList<std::pair<const char *, Field>> fields{{"Ask field", Field::Ask}, {"entry text", Field::Entry}};
        const QList<std::pair<const char *, Paste>> pastes{
            {"Ctrl+V", Paste::CtrlV}, {"Shift+Insert", Paste::ShiftInsert}, {"menu Paste", Paste::Menu}};
        for (const auto &[fieldName, field] : fields) {
            for (const auto &[pasteName, paste] : pastes) {
                const QByteArray row = QByteArray(fieldName) + ", " + pasteName;
                QTest::newRow(row + ", Cancel") << field << paste << true << "cancelPaste" << false;
                QTest::newRow(row + ", Allow") << field << paste << true << "allowPaste" << true;
            }
            QTest::newRow(QByteArray(fieldName) + ", Escape") << field << Paste::CtrlV << true << "Escape" << false;
            QTest::newRow(QByteArray(fieldName) + ", same patient")
                << field << Paste::CtrlV << false << QString() << true;
        }
        QTest::newRow("search field") << Field::Search << Paste::CtrlV << true << QString() << true;
        QTest::newRow("search field, menu Paste") << Field::Search << Paste::Menu << true << QString() << true;
    }

    void paste_asksBeforeAnotherPatientsTextGoesIn()
    {
        QFETCH(Field, field);
        QFETCH(Paste, paste);
        QFETCH(bool, switchToDana);
        QFETCH(QString, answer);
        QFETCH(bool, pasted);
        if (switchToDana)
            m_manager->switchPatient(dana);
        QTRY_VERIFY(!m_manager->isLoading());
        QWidget *input = openField(field);

        if (paste == Paste::Menu)
            openMenuAndPaste(input);
        else
            QTest::keyClick(input, paste == Paste::CtrlV ? Qt::Key_V : Qt::Key_Insert,
                            paste == Paste::CtrlV ? Qt::ControlModifier : Qt::ShiftModifier);
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
        // The Ask and search fields record their paste as before; the entry text records nothing.
        const bool recorded = pasted && field != Field::Entry;
        QList<ClipboardActionType> actions;
        for (const ClipboardItem &item : m_manager->items())
            actions << item.action;
        QCOMPARE(actions.count(ClipboardActionType::Paste), recorded ? 1 : 0);
        if (recorded)
            QCOMPARE(m_manager->items().first().patientID, m_manager->patientID());
    }

private:
    QWidget *openField(Field field)
    {
        m_window = std::make_unique<QWidget>();
        QWidget *input = nullptr;
        if (field == Field::Entry) {
            input = new PasteCheckedTextEdit(m_manager.get(), m_window.get());
        } else {
            const QString source = field == Field::Ask ? QStringLiteral("Ask") : QStringLiteral("Search Timeline");
            auto *line = new ClipboardTrackingTextField(m_manager.get(), source, source, m_window.get());
            line->setChecksPatientOnPaste(field == Field::Ask);
            input = line;
        }
        (new QVBoxLayout(m_window.get()))->addWidget(input);
        m_window->show();
        if (!QTest::qWaitForWindowActive(m_window.get()))
            qFatal("the window did not become active");
        input->setFocus();
        return input;
    }

    ClipboardTestSettings m_settings;
    ApplicationActivity m_activity{true};
    Pasteboard m_pasteboard{QGuiApplication::clipboard()};
    std::unique_ptr<ClipboardManager> m_manager;
    std::unique_ptr<QWidget> m_window;
};

QTEST_MAIN(CrossPatientPasteTest)
#include "CrossPatientPasteTest.moc"
