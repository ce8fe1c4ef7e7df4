#include "widgets/ModalShield.h"
#include "widgets/Sheet.h"

#include "StateWaits.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

namespace
{

// What a screen reader does to a button; the button clicks a moment later, as it shows itself pressed first.
void press(QAbstractButton *button)
{
    QAccessible::queryAccessibleInterface(button)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    QVERIFY(QTest::qWaitFor([button] { return !button->isDown(); }, StateWaits::timeoutMs));
}

// What a screen reader does to a menu item, found by its name among the menu's children.
void pressItem(QMenu *menu, const QString &name)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(menu);
    for (int index = 0; index < accessible->childCount(); ++index) {
        QAccessibleInterface *item = accessible->child(index);
        if (item->text(QAccessible::Name) == name)
            item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    }
}

// A dialog of this kind over `parent`, with one button that closes it.
QDialog *dialog(const QString &kind, QWidget *parent)
{
    if (kind == QLatin1String("alert"))
        return new QMessageBox(QMessageBox::Warning, QStringLiteral("Alert"), QStringLiteral("Text"), QMessageBox::Ok,
                               parent);
    QDialog *shown = kind == QLatin1String("sheet") ? new Sheet(parent) : new QDialog(parent);
    auto *close = new QPushButton(QStringLiteral("Done"), shown);
    QObject::connect(close, &QPushButton::clicked, shown, &QDialog::accept);
    (new QVBoxLayout(shown))->addWidget(close);
    return shown;
}

} // namespace

// Whatever lies behind a modal dialog, menu items included, ignores a screen reader's presses until the dialog
// has closed.
class ModalShieldTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        ModalShield::install();
        ModalShield::install();
    }

    void init()
    {
        m_window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(m_window.get());
        m_behind = new QPushButton(QStringLiteral("Star"), m_window.get());
        m_edit = new QLineEdit(m_window.get());
        m_panel = new QWidget(m_window.get());
        m_panelButton = new QPushButton(QStringLiteral("Import"), m_panel);
        m_off = new QPushButton(QStringLiteral("Off"), m_panel);
        m_off->setEnabled(false);
        auto *panelLayout = new QVBoxLayout(m_panel);
        panelLayout->addWidget(m_panelButton);
        panelLayout->addWidget(m_off);
        // A menu bar, and a button's popup menu as the patient picker has.
        auto *bar = new QMenuBar(m_window.get());
        layout->setMenuBar(bar);
        m_fileMenu = bar->addMenu(QStringLiteral("File"));
        m_newWindow = m_fileMenu->addAction(QStringLiteral("New Window"));
        m_fileMenu->addAction(QStringLiteral("Quit"))->setEnabled(false);
        auto *picker = new QToolButton(m_panel);
        m_patientMenu = new QMenu(picker);
        m_otherPatient = m_patientMenu->addAction(QStringLiteral("Dana Demo"));
        picker->setMenu(m_patientMenu);
        panelLayout->addWidget(picker);
        for (QWidget *widget : std::initializer_list<QWidget *>{m_behind, m_edit, m_panel})
            layout->addWidget(widget);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_edit->setFocus();
    }

    void cleanup() { m_window.reset(); }

    void dialog_blocksPressesBehindIt_untilItCloses_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("overThePanel");
        QTest::newRow("sheet") << QStringLiteral("sheet") << false;
        QTest::newRow("form over a panel") << QStringLiteral("form") << true;
        QTest::newRow("alert") << QStringLiteral("alert") << false;
    }
    void dialog_blocksPressesBehindIt_untilItCloses()
    {
        QFETCH(QString, kind);
        QFETCH(bool, overThePanel);
        QDialog *shown = dialog(kind, overThePanel ? m_panel : m_window.get());
        QSignalSpy behind(m_behind, &QPushButton::clicked);
        QSignalSpy panel(m_panelButton, &QPushButton::clicked);
        QSignalSpy newWindow(m_newWindow, &QAction::triggered);
        QSignalSpy patient(m_otherPatient, &QAction::triggered);
        shown->open();
        pressAll();
        QCOMPARE(behind.size() + panel.size() + newWindow.size() + patient.size(), 0);
        press(shown->findChild<QPushButton *>());
        QVERIFY(!shown->isVisible());
        pressAll();
        QCOMPARE(behind.size(), 1);
        QCOMPARE(panel.size(), 1);
        QCOMPARE(newWindow.size(), 1);
        QCOMPARE(patient.size(), 1);
        QVERIFY(!m_off->isEnabled());
        QVERIFY(!m_fileMenu->actions().last()->isEnabled());
        QCOMPARE(m_window->focusWidget(), m_edit);
    }

    void alertOverASheet_blocksTheSheet_andTheWindowUntilBothClose()
    {
        QDialog *sheet = dialog(QStringLiteral("sheet"), m_window.get());
        sheet->open();
        auto *alert = static_cast<QMessageBox *>(dialog(QStringLiteral("alert"), sheet));
        alert->open();
        auto *sheetButton = sheet->findChild<QPushButton *>(QString(), Qt::FindDirectChildrenOnly);
        press(sheetButton);
        QVERIFY(sheet->isVisible());
        press(alert->button(QMessageBox::Ok));
        QVERIFY(!alert->isVisible());
        QSignalSpy behind(m_behind, &QPushButton::clicked);
        press(m_behind);
        QCOMPARE(behind.size(), 0);
        press(sheetButton);
        QVERIFY(!sheet->isVisible());
        press(m_behind);
        QCOMPARE(behind.size(), 1);
    }

private:
    void pressAll()
    {
        press(m_behind);
        press(m_panelButton);
        pressItem(m_fileMenu, QStringLiteral("New Window"));
        pressItem(m_patientMenu, QStringLiteral("Dana Demo"));
    }

    std::unique_ptr<QWidget> m_window;
    QMenu *m_fileMenu = nullptr;
    QAction *m_newWindow = nullptr;
    QMenu *m_patientMenu = nullptr;
    QAction *m_otherPatient = nullptr;
    QPushButton *m_behind = nullptr;
    QLineEdit *m_edit = nullptr;
    QWidget *m_panel = nullptr;
    QPushButton *m_panelButton = nullptr;
    QPushButton *m_off = nullptr;
};

QTEST_MAIN(ModalShieldTest)
#include "ModalShieldTest.moc"
