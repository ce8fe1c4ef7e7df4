#include "ClipboardTestSettings.h"

#include "clipboard/ApplicationActivity.h"
#include "clipboard/ClipboardManager.h"
#include "clipboard/ClipboardTrackingTextField.h"
#include "clipboard/Pasteboard.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace
{

const QString source = QStringLiteral("Search Timeline");
const QString onClipboard = QStringLiteral("on the clipboard");

// Opens the field's context menu and triggers the action with that title (without its mnemonic and shortcut).
bool triggerMenuAction(QWidget *field, const QString &title)
{
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(2, 2), field->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(field, &event);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    for (QAction *action : menu ? menu->actions() : QList<QAction *>()) {
        if (action->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&')) == title) {
            action->trigger();
            menu->close();
            return true;
        }
    }
    return false;
}

} // namespace

class ClipboardTrackingTextFieldTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        ClipboardTestSettings::clear();
        QGuiApplication::clipboard()->setText(onClipboard);
        m_manager =
            std::make_unique<ClipboardManager>(QStringLiteral("p1"), ClipboardSeams{&m_pasteboard, &m_activity, {}});
        m_window = std::make_unique<QDialog>();
        m_field = new ClipboardTrackingTextField(m_manager.get(), source, source, m_window.get());
        m_default = new QPushButton(QStringLiteral("Default"), m_window.get());
        m_default->setDefault(true);
        auto *layout = new QVBoxLayout(m_window.get());
        layout->addWidget(m_field);
        layout->addWidget(m_default);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_field->setFocus();
        m_field->setText(QStringLiteral("hello world"));
        m_field->setSelection(6, 5);
    }

    void cleanup()
    {
        m_window.reset();
        m_manager.reset();
    }

    void clipboardAction_isRecordedOnceWithItsSource_data()
    {
        QTest::addColumn<QKeyCombination>("keys");
        QTest::addColumn<QString>("menuTitle");
        QTest::addColumn<ClipboardActionType>("action");
        QTest::addColumn<QString>("fieldText");
        const auto copy = ClipboardActionType::Copy, cut = ClipboardActionType::Cut;
        const auto paste = ClipboardActionType::Paste;
        const QString all = QStringLiteral("hello world"), cutText = QStringLiteral("hello ");
        const QString pasted = QStringLiteral("hello on the clipboard");
        QTest::newRow("Ctrl+C") << (Qt::CTRL | Qt::Key_C) << QString() << copy << all;
        QTest::newRow("Ctrl+Insert") << (Qt::CTRL | Qt::Key_Insert) << QString() << copy << all;
        QTest::newRow("menu Copy") << QKeyCombination() << "Copy" << copy << all;
        QTest::newRow("Ctrl+X") << (Qt::CTRL | Qt::Key_X) << QString() << cut << cutText;
        QTest::newRow("Shift+Delete") << (Qt::SHIFT | Qt::Key_Delete) << QString() << cut << cutText;
        QTest::newRow("menu Cut") << QKeyCombination() << "Cut" << cut << cutText;
        QTest::newRow("Ctrl+V") << (Qt::CTRL | Qt::Key_V) << QString() << paste << pasted;
        QTest::newRow("Shift+Insert") << (Qt::SHIFT | Qt::Key_Insert) << QString() << paste << pasted;
        QTest::newRow("menu Paste") << QKeyCombination() << "Paste" << paste << pasted;
    }

    void clipboardAction_isRecordedOnceWithItsSource()
    {
        QFETCH(QKeyCombination, keys);
        QFETCH(QString, menuTitle);
        QFETCH(ClipboardActionType, action);
        if (menuTitle.isEmpty())
            QTest::keyClick(m_field, keys.key(), keys.keyboardModifiers());
        else
            QVERIFY(triggerMenuAction(m_field, menuTitle));
        m_manager->pollPasteboard();

        // A paste reports the clipboard's whole text, also where it replaced the selection.
        const QString expected = action == ClipboardActionType::Paste ? onClipboard : QStringLiteral("world");
        QCOMPARE(m_manager->items().size(), 1);
        const ClipboardItem &item = m_manager->items().first();
        QCOMPARE(std::tuple(item.action, item.text, item.source), std::tuple(action, expected, source));
        QTEST(m_field->text(), "fieldText");
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    }

    void nothingToReport_recordsNothing_data()
    {
        QTest::addColumn<int>("selectionLength");
        QTest::addColumn<bool>("imageOnly");
        QTest::addColumn<QLineEdit::EchoMode>("echoMode");
        QTest::newRow("copy without selection") << 0 << false << QLineEdit::Normal;
        QTest::newRow("copy of a blank") << 1 << false << QLineEdit::Normal;
        QTest::newRow("copy in a password field") << 3 << false << QLineEdit::Password;
        QTest::newRow("paste of an image") << 0 << true << QLineEdit::Normal;
    }

    void nothingToReport_recordsNothing()
    {
        QFETCH(int, selectionLength);
        QFETCH(bool, imageOnly);
        QFETCH(QLineEdit::EchoMode, echoMode);
        m_field->setEchoMode(echoMode);
        m_field->setSelection(5, selectionLength);
        if (imageOnly)
            QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
        QTest::keyClick(m_field, imageOnly ? Qt::Key_V : Qt::Key_C, Qt::ControlModifier);
        QVERIFY(m_manager->items().isEmpty());
    }

    void typingAndMiddleClick_areNotRecorded()
    {
        QTest::keyClicks(m_field, QStringLiteral(" more"));
        QTest::mouseClick(m_field, Qt::MiddleButton, Qt::NoModifier, QPoint(4, m_field->height() / 2));
        QVERIFY(m_field->text().startsWith(QStringLiteral("hello  more")));
        QVERIFY(m_manager->items().isEmpty());
    }

    void return_runsSubmitAndNothingElse_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<bool>("withSubmit");
        QTest::newRow("Return") << Qt::Key_Return << true;
        QTest::newRow("Enter") << Qt::Key_Enter << true;
        QTest::newRow("Return, submit unset") << Qt::Key_Return << false;
    }

    void return_runsSubmitAndNothingElse()
    {
        QFETCH(Qt::Key, key);
        QFETCH(bool, withSubmit);
        int submitted = 0;
        m_field->setOnSubmit([&submitted] { ++submitted; });
        if (!withSubmit)
            m_field->setOnSubmit(nullptr);
        QSignalSpy defaultClicked(m_default, &QPushButton::clicked);
        QTest::keyClick(m_field, key);
        QCOMPARE(submitted, withSubmit ? 1 : 0);
        QCOMPARE(m_field->text(), QStringLiteral("hello world"));
        QCOMPARE(defaultClicked.size(), 0);
    }

    void windowShortcut_doesNotTakeTheClipboardKeys()
    {
        QAction windowCopy;
        windowCopy.setShortcut(Qt::CTRL | Qt::Key_Insert);
        m_window->addAction(&windowCopy);
        QSignalSpy triggered(&windowCopy, &QAction::triggered);
        QTest::keyClick(m_field, Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(triggered.size(), 0);
        QCOMPARE(m_manager->items().size(), 1);
    }

private:
    ClipboardTestSettings m_settings;
    ApplicationActivity m_activity{true};
    Pasteboard m_pasteboard{QGuiApplication::clipboard()};
    std::unique_ptr<ClipboardManager> m_manager;
    std::unique_ptr<QDialog> m_window;
    ClipboardTrackingTextField *m_field = nullptr;
    QPushButton *m_default = nullptr;
};

QTEST_MAIN(ClipboardTrackingTextFieldTest)
#include "ClipboardTrackingTextFieldTest.moc"
