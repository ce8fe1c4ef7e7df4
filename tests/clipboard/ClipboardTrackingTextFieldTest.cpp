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

QMenu *openContextMenu(QWidget *field)
{
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(2, 2), field->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(field, &event);
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

QAction *menuAction(const QMenu *menu, const QString &title)
{
    for (QAction *action : menu->actions()) {
        if (action->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&')) == title)
            return action;
    }
    return nullptr;
}

} // namespace

class ClipboardTrackingTextFieldTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        ClipboardTestSettings::clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("on the clipboard"));
        m_activity = std::make_unique<ApplicationActivity>(true);
        m_pasteboard = std::make_unique<Pasteboard>(QGuiApplication::clipboard());
        m_manager = std::make_unique<ClipboardManager>(QStringLiteral("p1"),
                                                       ClipboardSeams{m_pasteboard.get(), m_activity.get(), {}});
        m_window = std::make_unique<QDialog>();
        m_field = new ClipboardTrackingTextField(m_manager.get(), source, source, m_window.get());
        m_default = new QPushButton(QStringLiteral("Default"), m_window.get());
        m_default->setDefault(true);
        auto *layout = new QVBoxLayout(m_window.get());
        layout->addWidget(m_field);
        layout->addWidget(m_default);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_field->setFocus();
        m_field->setText(QStringLiteral("hello world"));
        m_field->setSelection(6, 5);
    }

    void cleanup()
    {
        m_window.reset();
        m_manager.reset();
        m_pasteboard.reset();
        m_activity.reset();
    }

    void clipboardAction_isRecordedOnce_data()
    {
        QTest::addColumn<QKeyCombination>("keys");
        QTest::addColumn<QString>("menuTitle");
        QTest::addColumn<ClipboardActionType>("action");
        QTest::addColumn<QString>("recorded");
        QTest::addColumn<QString>("fieldText");
        QTest::addColumn<QString>("clipboardText");
        const QString copied = QStringLiteral("hello world");
        const QString cut = QStringLiteral("hello ");
        const QString pasted = QStringLiteral("hello on the clipboard");
        const auto copy = ClipboardActionType::Copy;
        const auto cutAction = ClipboardActionType::Cut;
        const auto paste = ClipboardActionType::Paste;
        const QString world = QStringLiteral("world");
        const QString board = QStringLiteral("on the clipboard");
        QTest::newRow("Ctrl+C") << (Qt::CTRL | Qt::Key_C) << QString() << copy << world << copied << world;
        QTest::newRow("Ctrl+Insert") << (Qt::CTRL | Qt::Key_Insert) << QString() << copy << world << copied << world;
        QTest::newRow("menu Copy") << QKeyCombination() << "Copy" << copy << world << copied << world;
        QTest::newRow("Ctrl+X") << (Qt::CTRL | Qt::Key_X) << QString() << cutAction << world << cut << world;
        QTest::newRow("Shift+Delete") << (Qt::SHIFT | Qt::Key_Delete) << QString() << cutAction << world << cut
                                      << world;
        QTest::newRow("menu Cut") << QKeyCombination() << "Cut" << cutAction << world << cut << world;
        QTest::newRow("Ctrl+V") << (Qt::CTRL | Qt::Key_V) << QString() << paste << board << pasted << board;
        QTest::newRow("Shift+Insert") << (Qt::SHIFT | Qt::Key_Insert) << QString() << paste << board << pasted << board;
        QTest::newRow("menu Paste") << QKeyCombination() << "Paste" << paste << board << pasted << board;
    }

    void clipboardAction_isRecordedOnce()
    {
        QFETCH(QKeyCombination, keys);
        QFETCH(QString, menuTitle);
        if (menuTitle.isEmpty()) {
            QTest::keyClick(m_field, keys.key(), keys.keyboardModifiers());
        } else {
            QMenu *menu = openContextMenu(m_field);
            QVERIFY(menu);
            QAction *action = menuAction(menu, menuTitle);
            QVERIFY(action);
            action->trigger();
            menu->close();
        }
        m_manager->pollPasteboard();

        QCOMPARE(m_manager->items().size(), 1);
        const ClipboardItem &item = m_manager->items().first();
        QTEST(item.action, "action");
        QTEST(item.text, "recorded");
        QCOMPARE(item.source, source);
        QTEST(m_field->text(), "fieldText");
        QTEST(QGuiApplication::clipboard()->text(), "clipboardText");
    }

    void copy_ofNothingOrBlanksRecordsNothing_data()
    {
        QTest::addColumn<int>("selectionLength");
        QTest::newRow("no selection") << 0;
        QTest::newRow("a blank") << 1;
    }

    void copy_ofNothingOrBlanksRecordsNothing()
    {
        QFETCH(int, selectionLength);
        m_field->setSelection(5, selectionLength);
        QTest::keyClick(m_field, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(m_manager->items().isEmpty());
    }

    void paste_withOnlyAnImageRecordsNothing()
    {
        QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
        QTest::keyClick(m_field, Qt::Key_V, Qt::ControlModifier);
        QVERIFY(m_manager->items().isEmpty());
    }

    void middleClick_isNotRecorded()
    {
        QTest::mouseClick(m_field, Qt::MiddleButton, Qt::NoModifier, QPoint(4, m_field->height() / 2));
        QVERIFY(m_manager->items().isEmpty());
    }

    void typing_isNotRecorded()
    {
        QTest::keyClicks(m_field, QStringLiteral(" more"));
        QCOMPARE(m_field->text(), QStringLiteral("hello  more"));
        QVERIFY(m_manager->items().isEmpty());
    }

    void return_runsSubmitAndInsertsNothing_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<bool>("withSubmit");
        QTest::newRow("Return") << Qt::Key_Return << true;
        QTest::newRow("Enter") << Qt::Key_Enter << true;
        QTest::newRow("Return, no submit") << Qt::Key_Return << false;
    }

    void return_runsSubmitAndInsertsNothing()
    {
        QFETCH(Qt::Key, key);
        QFETCH(bool, withSubmit);
        int submitted = 0;
        if (withSubmit)
            m_field->setOnSubmit([&submitted] { ++submitted; });
        QSignalSpy defaultClicked(m_default, &QPushButton::clicked);
        QTest::keyClick(m_field, key);
        QCOMPARE(submitted, withSubmit ? 1 : 0);
        QCOMPARE(m_field->text(), QStringLiteral("hello world"));
        QCOMPARE(defaultClicked.size(), 0);
        QVERIFY(m_window->isVisible());
    }

    void setOnSubmit_nullptrStopsSubmitting()
    {
        int submitted = 0;
        m_field->setOnSubmit([&submitted] { ++submitted; });
        m_field->setOnSubmit(nullptr);
        QTest::keyClick(m_field, Qt::Key_Return);
        QCOMPARE(submitted, 0);
    }

    void readOnly_cutAndPasteDoNothing()
    {
        m_field->setReadOnly(true);
        QTest::keyClick(m_field, Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(m_field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(m_field->text(), QStringLiteral("hello world"));
        QVERIFY(m_manager->items().isEmpty());
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
    std::unique_ptr<ApplicationActivity> m_activity;
    std::unique_ptr<Pasteboard> m_pasteboard;
    std::unique_ptr<ClipboardManager> m_manager;
    std::unique_ptr<QDialog> m_window;
    ClipboardTrackingTextField *m_field = nullptr;
    QPushButton *m_default = nullptr;
};

QTEST_MAIN(ClipboardTrackingTextFieldTest)
#include "ClipboardTrackingTextFieldTest.moc"
