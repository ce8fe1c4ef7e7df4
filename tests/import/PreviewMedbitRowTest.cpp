#include "import/PreviewMedbitRow.h"
#include "import/ReviewTextField.h"

#include "ScreenTestKit.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QToolButton>

using ScreenTestKit::child;

namespace
{

PreviewMedbit entry(std::optional<QString> translated = std::nullopt)
{
    return {.id = QStringLiteral("m1"),
            .entryText = QStringLiteral("Asthma"),
            .translated = translated,
            .language = QStringLiteral("en"),
            .date = 1700000000,
            .isApproxDate = true,
            .isLocked = false,
            .isStarred = false,
            .tags = {QStringLiteral("hx")}};
}

} // namespace

// One suggested entry row on its own: what it reports for each edit and how it follows the entry it is given.
class PreviewMedbitRowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PreviewMedbitRow> m_row;
    std::unique_ptr<QSignalSpy> m_updates;

    void open(const PreviewMedbit &medbit)
    {
        m_row = std::make_unique<PreviewMedbitRow>(medbit);
        m_row->resize(520, 120);
        m_row->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_row.get()));
        m_updates = std::make_unique<QSignalSpy>(m_row.get(), &PreviewMedbitRow::updated);
    }

    ReviewTextField *editor(const char *name) const { return child<ReviewTextField>(m_row.get(), name); }
    // Clicks into the field, as a person does, and presses `key` in its editor.
    QPlainTextEdit *clickInto(const char *name, QKeyCombination key)
    {
        QTest::mouseClick(editor(name), Qt::LeftButton);
        QPlainTextEdit *open = editor(name)->editor();
        QTest::keyClick(open, key.key(), key.keyboardModifiers());
        return open;
    }
    PreviewMedbit lastUpdate() const { return m_updates->last().first().value<PreviewMedbit>(); }

    // The owner takes every update back, as the import manager does.
    void echoUpdates() { connect(m_row.get(), &PreviewMedbitRow::updated, m_row.get(), &PreviewMedbitRow::setMedbit); }

private Q_SLOTS:
    void cleanup()
    {
        m_updates.reset();
        m_row.reset();
    }

    void shows_oneEditorWithTheTextAndTheApproximateDate()
    {
        open(entry());
        QCOMPARE(editor("entryTextEditor")->toPlainText(), QStringLiteral("Asthma"));
        QVERIFY(!editor("translationEditor")->isVisible());
        QVERIFY(child<QLabel>(m_row.get(), "entryDate")->text().startsWith(QLatin1Char('~')));
        QCOMPARE(m_updates->size(), 0);
    }

    void typingThenLocking_reportsTheTypedTextWithTheFlag()
    {
        open(entry());
        echoUpdates();
        QTest::keyClicks(clickInto("entryTextEditor", Qt::ControlModifier | Qt::Key_End),
                         QStringLiteral(" since 2019"));
        QCOMPARE(m_updates->size(), 11);
        QTest::mouseClick(child<QToolButton>(m_row.get(), "lockButton"), Qt::LeftButton);
        QCOMPARE(lastUpdate().entryText, QStringLiteral("Asthma since 2019"));
        QVERIFY(lastUpdate().isLocked);
    }

    void starTwice_reportsTwoUpdates_andEndsAsItWas()
    {
        open(entry());
        echoUpdates();
        QToolButton *star = child<QToolButton>(m_row.get(), "starButton");
        QCOMPARE(star->accessibleName(), QStringLiteral("Star"));
        QTest::mouseClick(star, Qt::LeftButton);
        QVERIFY(lastUpdate().isStarred);
        QTest::mouseClick(star, Qt::LeftButton);
        QCOMPARE(m_updates->size(), 2);
        QCOMPARE(lastUpdate(), entry());
    }

    void flagButton_pressedByScreenReader_togglesAndReportsTheState_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("off");
        QTest::addColumn<QString>("on");
        QTest::newRow("star") << "starButton"
                              << "Inactive"
                              << "Active";
        QTest::newRow("lock") << "lockButton"
                              << "Not private"
                              << "Private";
    }

    void flagButton_pressedByScreenReader_togglesAndReportsTheState()
    {
        QFETCH(QString, button);
        QFETCH(QString, off);
        QFETCH(QString, on);
        open(entry());
        echoUpdates();
        QAccessibleInterface *flag =
            QAccessible::queryAccessibleInterface(child<QToolButton>(m_row.get(), qPrintable(button)));
        QCOMPARE(flag->text(QAccessible::Description), off);
        flag->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(m_updates->size(), 1);
        const bool set = button == QLatin1String("starButton") ? lastUpdate().isStarred : lastUpdate().isLocked;
        QVERIFY(set);
        QCOMPARE(flag->text(QAccessible::Description), on);
        flag->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(lastUpdate(), entry());
        QCOMPARE(flag->text(QAccessible::Description), off);
    }

    void translationFromOutside_showsAndHidesTheField_withoutReportingIt()
    {
        open(entry());
        m_row->setMedbit(entry(QStringLiteral("Asthme")));
        QVERIFY(editor("translationEditor")->isVisible());
        QCOMPARE(editor("translationEditor")->toPlainText(), QStringLiteral("Asthme"));
        QVERIFY(QFontInfo(editor("entryTextEditor")->font()).pixelSize() <
                QFontInfo(editor("translationEditor")->font()).pixelSize());
        m_row->setMedbit(entry());
        QVERIFY(!editor("translationEditor")->isVisible());
        QCOMPARE(editor("translationEditor")->toPlainText(), QString());
        QCOMPARE(m_updates->size(), 0);
    }

    void clearingTheTranslationByHand_keepsAnEmptyTranslation()
    {
        open(entry(QStringLiteral("Asthme")));
        echoUpdates();
        QTest::keyClick(clickInto("translationEditor", Qt::ControlModifier | Qt::Key_A), Qt::Key_Backspace);
        QCOMPARE(lastUpdate().translated, std::optional<QString>(QString()));
        QVERIFY(editor("translationEditor")->isVisible());
    }

    void screenReader_readsEachText_withoutFocusingTheRow_data()
    {
        QTest::addColumn<std::optional<QString>>("translated");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("entry") << std::optional<QString>() << "entryTextEditor"
                               << "Entry"
                               << "Asthma";
        QTest::newRow("translation") << std::optional<QString>(QStringLiteral("Asthme")) << "translationEditor"
                                     << "Translation"
                                     << "Asthme";
    }

    void screenReader_readsEachText_withoutFocusingTheRow()
    {
        QFETCH(std::optional<QString>, translated);
        QFETCH(QString, field);
        QFETCH(QString, name);
        QFETCH(QString, text);
        open(entry(translated));
        QWidget *elsewhere = child<QToolButton>(m_row.get(), "deleteButton");
        elsewhere->setFocus();
        QAccessibleInterface *read = QAccessible::queryAccessibleInterface(editor(qPrintable(field)));
        QCOMPARE(read->role(), QAccessible::EditableText);
        QCOMPARE(read->text(QAccessible::Name), name);
        QCOMPARE(read->text(QAccessible::Value), text);
        QVERIFY(read->state().editable);
        QAccessibleTextInterface *reader = read->textInterface();
        QVERIFY(reader);
        QCOMPARE(reader->text(0, reader->characterCount()), text);
        QVERIFY(!editor(qPrintable(field))->editor());
        QCOMPARE(QApplication::focusWidget(), elsewhere);
    }

    void screenReaderEdit_isReportedLikeTyping()
    {
        open(entry());
        echoUpdates();
        child<QToolButton>(m_row.get(), "starButton")->setFocus();
        QAccessibleInterface *read = QAccessible::queryAccessibleInterface(editor("entryTextEditor"));
        read->editableTextInterface()->insertText(6, QStringLiteral(", mild"));
        QCOMPARE(lastUpdate().entryText, QStringLiteral("Asthma, mild"));
        read->editableTextInterface()->replaceText(0, 6, QStringLiteral("Cough"));
        QCOMPARE(lastUpdate().entryText, QStringLiteral("Cough, mild"));
        QCOMPARE(editor("entryTextEditor")->toPlainText(), QStringLiteral("Cough, mild"));
        QCOMPARE(m_updates->size(), 2);
        QVERIFY(!editor("entryTextEditor")->editor());
    }

    void delete_asksTheOwner_withoutUpdating()
    {
        open(entry());
        QSignalSpy deletes(m_row.get(), &PreviewMedbitRow::deleteRequested);
        QToolButton *button = child<QToolButton>(m_row.get(), "deleteButton");
        QCOMPARE(button->accessibleName(), QStringLiteral("Delete Entry"));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(deletes.size(), 1);
        QCOMPARE(m_updates->size(), 0);
    }
};

QTEST_MAIN(PreviewMedbitRowTest)
#include "PreviewMedbitRowTest.moc"
