#include "ClipboardTestSettings.h"
#include "CopyInAnotherApplication.h"
#include "FocusChain.h"

#include "clipboard/ApplicationActivity.h"
#include "clipboard/ClipboardListModel.h"
#include "clipboard/ClipboardManager.h"
#include "clipboard/ClipboardPanel.h"
#include "clipboard/ClipboardTrackingTextField.h"
#include "clipboard/Pasteboard.h"

#include <QAccessible>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(ClipboardItem)

namespace
{

const QString patientA = QStringLiteral("A"), patientB = QStringLiteral("B");
const QString copied = QStringLiteral("Warfarin 5 mg");
const QString crossPatientQuestion =
    QStringLiteral("You are pasting information from a different patient. Do you want to proceed?");

struct OpenedForm {
    QString text;
    std::optional<QUrl> attachment;
};

QByteArray pngBytes()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

ClipboardItem item(const QString &text, ClipboardActionType action, std::optional<ClipboardFile> file = {})
{
    return ClipboardItem{QUuid::createUuid(),
                         text,
                         std::move(file),
                         action,
                         QStringLiteral("Ask"),
                         QDateTime::currentDateTimeUtc(),
                         patientA};
}

} // namespace

// The clipboard panel through what the user sees and does: its rows and detail, the paste target, the
// different-patient question, copy back, delete, clear and "New entry".
class ClipboardPanelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        ClipboardTestSettings::clear();
        QGuiApplication::clipboard()->clear();
        m_manager = std::make_unique<ClipboardManager>(patientA, ClipboardSeams{&m_pasteboard, &m_activity, {}});
        m_openedForms.clear();
    }

    void cleanup()
    {
        m_panel.reset();
        m_manager.reset();
    }

    void history_isFollowedRowByRowKeepingTheChosenItem()
    {
        openPanel();
        QVERIFY(visible<QLabel>("clipboardEmptyMessage"));
        QVERIFY(visible<QLabel>("clipboardEmptyDetailMessage"));
        QVERIFY(!visible<QPushButton>("clearAllButton"));

        m_manager->record(ClipboardActionType::Copy, QStringLiteral("first"), QStringLiteral("Ask"));
        QCOMPARE(rowTexts(), QStringList{"first"});
        QCOMPARE(highlighted(), QStringLiteral("first"));
        QCOMPARE(shownText(), QStringLiteral("first"));
        QVERIFY(visible<QPushButton>("clearAllButton"));

        m_manager->record(ClipboardActionType::Cut, QStringLiteral("second"), QStringLiteral("Ask"));
        clickRow(1);
        QSignalSpy resets(list()->model(), &QAbstractItemModel::modelReset);
        QSignalSpy inserts(list()->model(), &QAbstractItemModel::rowsInserted);
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("third"), QStringLiteral("App"));
        QCOMPARE(rowTexts(), (QStringList{"third", "second", "first"}));
        QCOMPARE(highlighted(), QStringLiteral("first"));
        QCOMPARE(shownText(), QStringLiteral("first"));
        QCOMPARE(resets.size(), 0);
        QCOMPARE(inserts.size(), 1);
    }

    void rowAction_selectsTheRowAndShowsItsItem_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("shown");
        QTest::newRow("another row") << 1 << "second";
        QTest::newRow("the last row") << 2 << "first";
        QTest::newRow("the shown row") << 0 << "third";
    }

    // What a screen reader does: the row's own action through the accessibility tree.
    void rowAction_selectsTheRowAndShowsItsItem()
    {
        QFETCH(int, row);
        QFETCH(QString, shown);
        for (const char *text : {"first", "second", "third"})
            m_manager->record(ClipboardActionType::Copy, QString::fromLatin1(text), QStringLiteral("Ask"));
        openPanel();
        QAccessibleInterface *rows = QAccessible::queryAccessibleInterface(list());
        QAccessibleInterface *cell = rows->child(row);
        QVERIFY(cell);
        // The one action a row offers.
        QCOMPARE(cell->actionInterface()->actionNames(), QStringList{QAccessibleActionInterface::toggleAction()});

        cell->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());

        QCOMPARE(std::pair(highlighted(), shownText()), std::pair(shown, shown));
        for (int other = 0; other < 3; ++other)
            QCOMPARE(rows->child(other)->state().selected, other == row);
    }

    void focusChain_hasOnlyNamedStopsInVisualOrder()
    {
        m_manager->record(ClipboardActionType::Copy, copied, QStringLiteral("Ask"));
        openPanel();
        QCOMPARE(FocusChain::names(m_panel.get()), (QStringList{"Clear All", "Paste any item here", "Clipboard history",
                                                                "Delete", "Copy", "New entry", copied}));
    }

    void pageKeys_onTheShownText_scrollIt()
    {
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("line\n").repeated(300), QStringLiteral("Ask"));
        openPanel();
        const QScrollBar *bar = child<QScrollArea>("itemContent")->verticalScrollBar();
        QTest::keyClick(child<QLabel>("itemText"), Qt::Key_PageDown);
        QCOMPARE(bar->value(), bar->pageStep());
        QTest::keyClick(child<QLabel>("itemText"), Qt::Key_PageUp);
        QCOMPARE(bar->value(), 0);
    }

    void rows_showThumbnailOrSymbolAndDetailItsContent_data()
    {
        QTest::addColumn<ClipboardItem>("item");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("content");
        const QByteArray png = pngBytes();
        QTest::newRow("copied text") << item("note", ClipboardActionType::Copy) << "doc.on.doc"
                                     << "Copied"
                                     << "itemText";
        QTest::newRow("cut text") << item("note", ClipboardActionType::Cut) << "scissors"
                                  << "Cut"
                                  << "itemText";
        QTest::newRow("pasted text") << item("note", ClipboardActionType::Paste) << "arrow.down.doc"
                                     << "Pasted"
                                     << "itemText";
        QTest::newRow("pasted image") << item("a.png", ClipboardActionType::Paste,
                                              ClipboardFile{"a.png", "image/png", png})
                                      << ""
                                      << "Pasted"
                                      << "itemImage";
        QTest::newRow("image that does not decode")
            << item("a.png", ClipboardActionType::Paste, ClipboardFile{"a.png", "image/png", "not a png"}) << "doc.fill"
            << "Pasted"
            << "documentPlaceholder";
        QTest::newRow("capitalised MIME type")
            << item("a.png", ClipboardActionType::Copy, ClipboardFile{"a.png", "IMAGE/PNG", png}) << "doc.fill"
            << "Copied"
            << "documentPlaceholder";
        QTest::newRow("document") << item("r.pdf", ClipboardActionType::Copy,
                                          ClipboardFile{"r.pdf", "application/pdf", "%PDF"})
                                  << "doc.fill"
                                  << "Copied"
                                  << "documentPlaceholder";
    }

    void rows_showThumbnailOrSymbolAndDetailItsContent()
    {
        QFETCH(ClipboardItem, item);
        QFETCH(QString, symbol);
        QFETCH(QString, caption);
        QFETCH(QString, content);
        m_manager->addItem(item);
        openPanel();

        const auto *model = static_cast<const ClipboardListModel *>(list()->model());
        QTRY_VERIFY(!model->hasImagesToDecode());
        const QModelIndex row = model->index(0, 0);
        QCOMPARE(row.data(ClipboardListModel::SymbolRole).toString(), symbol);
        QVERIFY(row.data(ClipboardListModel::CaptionRole).toString().startsWith(caption + " · Ask · "));
        QVERIFY(row.data(Qt::AccessibleTextRole).toString().startsWith(item.text + ", " + caption + ", Ask, "));
        QVERIFY(visible<QWidget>(content.toLatin1()));
        if (item.file && content == QLatin1String("documentPlaceholder"))
            QCOMPARE(child<QLabel>("fileName")->text(), item.file->filename);
        QVERIFY(child<QLabel>("itemInfo")->text().startsWith(QStringLiteral("Ask · ")));
    }

    void paste_asksOnlyForAnotherPatientsCopy_andRecordsWhatTheAnswerSays_data()
    {
        QTest::addColumn<bool>("switchPatient");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("recorded");
        QTest::newRow("Cancel") << true << "cancelPaste" << QStringList();
        QTest::newRow("Escape") << true << "Escape" << QStringList();
        QTest::newRow("Allow") << true << "allowPaste" << QStringList{copied};
        QTest::newRow("same patient: no question") << false << "" << QStringList{copied, copied};
    }

    void paste_asksOnlyForAnotherPatientsCopy_andRecordsWhatTheAnswerSays()
    {
        QFETCH(bool, switchPatient);
        QFETCH(QString, answer);
        QFETCH(QStringList, recorded);
        copyInAskField();
        if (switchPatient)
            m_manager->switchPatient(patientB);
        QTRY_VERIFY(!m_manager->isLoading());
        openPanel();

        QTest::mouseClick(child<QWidget>("pasteTarget"), Qt::LeftButton);
        QPointer<QMessageBox> alert = child<QMessageBox>("crossPatientPasteAlert");
        QCOMPARE(alert && alert->isVisible(), !answer.isEmpty());
        if (alert) {
            QCOMPARE(alert->text(), crossPatientQuestion);
            QCOMPARE(buttonTexts(alert), (QStringList{"Cancel", "Allow"}));
            if (answer == QLatin1String("Escape"))
                QTest::keyClick(alert, Qt::Key_Escape);
            else
                QTest::mouseClick(child<QPushButton>(answer.toLatin1()), Qt::LeftButton);
            QTRY_VERIFY(!alert);
        }
        QCOMPARE(rowTexts(), recorded);
        QCOMPARE(ClipboardManager::loadHistory(m_manager->patientID()).size(), recorded.size());
        if (!recorded.isEmpty())
            QCOMPARE(m_manager->items().first().source, QStringLiteral("Clipboard"));
    }

    void pasteShortcut_onFocusedTarget_pastesOnlyWhatTheClipboardOffers_data()
    {
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QStringList>("recorded");
        QTest::newRow("text") << "Aspirin" << QStringList{"Aspirin"};
        QTest::newRow("nothing") << "" << QStringList();
    }

    void pasteShortcut_onFocusedTarget_pastesOnlyWhatTheClipboardOffers()
    {
        QFETCH(QString, offered);
        QFETCH(QStringList, recorded);
        if (!offered.isEmpty())
            copyInAnotherApplication(m_activity, offered);
        openPanel();
        auto *target = child<QWidget>("pasteTarget");
        QCOMPARE(target->accessibleName(), QStringLiteral("Paste any item here"));
        target->setFocus();
        QTest::keySequence(target, QKeySequence::Paste);
        QCOMPARE(rowTexts(), recorded);
    }

    void paste_ofACopiedFileDeletedSince_recordsNothingAndSaysWhyUntilTheNextPaste_data()
    {
        QTest::addColumn<QString>("route");
        QTest::newRow("click") << QStringLiteral("click");
        QTest::newRow("Ctrl+V") << QStringLiteral("Ctrl+V");
        QTest::newRow("Shift+Insert") << QStringLiteral("Shift+Insert");
        QTest::newRow("screen reader") << QStringLiteral("press");
    }

    // A file manager's copy: the file's link, and the same link as text.
    void paste_ofACopiedFileDeletedSince_recordsNothingAndSaysWhyUntilTheNextPaste()
    {
        QFETCH(QString, route);
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("scan.pdf")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("%PDF-1.4") > 0);
        file.close();
        auto *copiedFile = new QMimeData;
        copiedFile->setUrls({QUrl::fromLocalFile(file.fileName())});
        copiedFile->setText(copiedFile->urls().first().toString());
        copyInAnotherApplication(m_activity, copiedFile);
        openPanel();
        QVERIFY(!visible<QLabel>("pasteProblemMessage"));
        QVERIFY(file.remove());

        pasteBy(route);
        m_manager->pollPasteboard();
        QTRY_VERIFY(visible<QLabel>("pasteProblemMessage"));
        QVERIFY(rowTexts().isEmpty());
        QVERIFY(ClipboardManager::loadHistory(patientA).isEmpty());
        QCOMPARE(child<QLabel>("pasteProblemMessage")->text(),
                 QStringLiteral("The copied file can't be read; it may have been moved or deleted."));

        copyInAnotherApplication(m_activity, copied);
        pasteBy(route);
        m_manager->pollPasteboard();
        QTRY_COMPARE(rowTexts(), QStringList{copied});
        QVERIFY(!visible<QLabel>("pasteProblemMessage"));
    }

    // The photo is encoded away from the window; its copy back offers the very bytes the history keeps.
    void photo_pastedThroughEachDoor_isKept_andCopiedBackAsItsStoredPng_data()
    {
        QTest::addColumn<QString>("door");
        QTest::newRow("click") << "click";
        QTest::newRow("paste keys") << "keys";
        QTest::newRow("screen reader") << "screen reader";
    }

    void photo_pastedThroughEachDoor_isKept_andCopiedBackAsItsStoredPng()
    {
        QFETCH(QString, door);
        QImage photo(40, 30, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        QGuiApplication::clipboard()->setImage(photo);
        openPanel();
        auto *target = child<QWidget>("pasteTarget");
        if (door == QLatin1String("click")) {
            QTest::mouseClick(target, Qt::LeftButton);
        } else if (door == QLatin1String("keys")) {
            target->setFocus();
            QTest::keySequence(target, QKeySequence::Paste);
        } else {
            QAccessible::queryAccessibleInterface(target)->actionInterface()->doAction(
                QAccessibleActionInterface::pressAction());
        }
        QTRY_COMPARE(rowTexts(), QStringList{"Pasted Image.png"});
        const ClipboardFile kept = *m_manager->items().first().file;
        QCOMPARE(kept.mimeType, QStringLiteral("image/png"));
        QCOMPARE(QImage::fromData(kept.data, "PNG").convertToFormat(QImage::Format_RGB32), photo);
        QCOMPARE(*ClipboardManager::loadHistory(m_manager->patientID()).first().file, kept);

        copyInAnotherApplication(m_activity, QStringLiteral("something else"));
        QTest::mouseClick(child<QPushButton>("copyButton"), Qt::LeftButton);
        m_manager->pollPasteboard();
        QTRY_VERIFY(QGuiApplication::clipboard()->mimeData()->hasImage());
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/png")), kept.data);
        m_manager->pollPasteboard();
        QCOMPARE(rowTexts(), QStringList{"Pasted Image.png"});
    }

    void copyBack_addsNoRowAndTheNextPasteIsNotQuestioned()
    {
        m_manager->switchPatient(patientB);
        QTRY_VERIFY(!m_manager->isLoading());
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("B's note"), QStringLiteral("Ask"));
        m_manager->switchPatient(patientA);
        QTRY_VERIFY(!m_manager->isLoading());
        copyInAskField();
        m_manager->switchPatient(patientB);
        QTRY_VERIFY(!m_manager->isLoading());
        openPanel();

        QTest::mouseClick(child<QPushButton>("copyButton"), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("B's note"));
        m_manager->pollPasteboard();
        QCOMPARE(rowTexts(), QStringList{"B's note"});
        QTest::mouseClick(child<QWidget>("pasteTarget"), Qt::LeftButton);
        QVERIFY(!child<QMessageBox>("crossPatientPasteAlert"));
        QCOMPARE(rowTexts(), (QStringList{"B's note", "B's note"}));
        QCOMPARE(m_manager->items().first().action, ClipboardActionType::Paste);
    }

    void delete_removesOnlyAfterTheQuestionAndShowsTheFirstItem_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("Delete") << "confirmDeleteItem" << QStringList{"third", "first"};
        QTest::newRow("Cancel") << "cancelDeleteItem" << QStringList{"third", "second", "first"};
        QTest::newRow("Escape") << "Escape" << QStringList{"third", "second", "first"};
    }

    void delete_removesOnlyAfterTheQuestionAndShowsTheFirstItem()
    {
        QFETCH(QString, answer);
        QFETCH(QStringList, left);
        for (const char *text : {"first", "second", "third"})
            m_manager->record(ClipboardActionType::Copy, QString::fromLatin1(text), QStringLiteral("Ask"));
        openPanel();
        clickRow(1);
        QTest::mouseClick(child<QPushButton>("deleteButton"), Qt::LeftButton);
        QPointer<QMessageBox> alert = child<QMessageBox>("deleteItemAlert");
        QVERIFY(alert && alert->isVisible());
        QCOMPARE(alert->text(), QStringLiteral("Delete this item?"));
        QCOMPARE(alert->informativeText(), QStringLiteral("This only removes it from the clipboard history — it "
                                                          "won't undo anything already saved to the timeline."));
        QCOMPARE(rowTexts().size(), 3);
        if (answer == QLatin1String("Escape"))
            QTest::keyClick(alert, Qt::Key_Escape);
        else
            QTest::mouseClick(child<QPushButton>(answer.toLatin1()), Qt::LeftButton);
        QTRY_VERIFY(!alert);

        QCOMPARE(rowTexts(), left);
        QCOMPARE(ClipboardManager::loadHistory(patientA).size(), left.size());
        const QString shown = left.size() == 3 ? QStringLiteral("second") : QStringLiteral("third");
        QCOMPARE(std::pair(highlighted(), shownText()), std::pair(shown, shown));
    }

    void clearAll_asksNamingHowManyGo_andEmptiesOnlyThisPatientsHistory_data()
    {
        QTest::addColumn<int>("items");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<bool>("cleared");
        const QString two = QStringLiteral("Delete all 2 items?");
        QTest::newRow("Delete All") << 2 << "confirmClearAll" << two << true;
        QTest::newRow("Delete All, one item") << 1 << "confirmClearAll" << QStringLiteral("Delete the 1 item?") << true;
        QTest::newRow("Cancel") << 2 << "cancelClearAll" << two << false;
        QTest::newRow("Escape") << 2 << "Escape" << two << false;
    }

    void clearAll_asksNamingHowManyGo_andEmptiesOnlyThisPatientsHistory()
    {
        QFETCH(int, items);
        QFETCH(QString, answer);
        QFETCH(bool, cleared);
        m_manager->switchPatient(patientB);
        QTRY_VERIFY(!m_manager->isLoading());
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("B's note"), QStringLiteral("Ask"));
        m_manager->switchPatient(patientA);
        QTRY_VERIFY(!m_manager->isLoading());
        for (int i = 0; i < items; ++i)
            m_manager->record(ClipboardActionType::Copy, copied + QString::number(i), QStringLiteral("Ask"));
        openPanel();

        QTest::mouseClick(child<QPushButton>("clearAllButton"), Qt::LeftButton);
        QPointer<QMessageBox> alert = child<QMessageBox>("clearAllAlert");
        QVERIFY(alert && alert->isVisible());
        QTEST(alert->text(), "question");
        QCOMPARE(alert->informativeText(), QStringLiteral("This only removes them from the clipboard history — it "
                                                          "won't undo anything already saved to the timeline."));
        QCOMPARE(rowTexts().size(), items);
        if (answer == QLatin1String("Escape"))
            QTest::keyClick(alert, Qt::Key_Escape);
        else
            QTest::mouseClick(child<QPushButton>(answer.toLatin1()), Qt::LeftButton);
        QTRY_VERIFY(!alert);

        QCOMPARE(rowTexts().size(), cleared ? 0 : items);
        QCOMPARE(visible<QLabel>("clipboardEmptyMessage"), cleared);
        QCOMPARE(visible<QLabel>("clipboardEmptyDetailMessage"), cleared);
        QCOMPARE(ClipboardManager::loadHistory(patientA).size(), cleared ? 0 : items);
        QCOMPARE(ClipboardManager::loadHistory(patientB).size(), 1);
    }

    void newEntry_opensTheFormWithTheTextOrTheWrittenDraft()
    {
        const ClipboardFile report{QStringLiteral("lab/report.pdf"), QStringLiteral("application/pdf"), "%PDF-1.4"};
        m_manager->recordFile(ClipboardActionType::Paste, report, QStringLiteral("Clipboard"));
        m_manager->record(ClipboardActionType::Copy, copied, QStringLiteral("Ask"));
        openPanel();

        QTest::mouseClick(child<QPushButton>("newEntryButton"), Qt::LeftButton);
        clickRow(1);
        QTest::mouseClick(child<QPushButton>("newEntryButton"), Qt::LeftButton);

        QCOMPARE(m_openedForms.size(), 2);
        QCOMPARE(m_openedForms.at(0).text, copied);
        QVERIFY(!m_openedForms.at(0).attachment);
        QCOMPARE(m_openedForms.at(1).text, QString());
        const QString draft = m_openedForms.at(1).attachment.value().toLocalFile();
        QVERIFY(QFileInfo(draft).fileName().endsWith(QStringLiteral("-labreport.pdf")));
        QFile file(draft);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), report.data);
    }

private:
    void openPanel()
    {
        WindowContext context{.clipboardManager = m_manager.get(), .patientID = m_manager->patientID()};
        context.openEntryForm = [this](const QString &text, const std::optional<QUrl> &attachment) {
            m_openedForms.append({text, attachment});
        };
        m_panel = std::make_unique<ClipboardPanel>(context);
        m_panel->resize(900, 600);
        m_panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_panel.get()));
    }

    // Copies in an Ask field of the current patient, as the user does with Ctrl+C.
    void copyInAskField()
    {
        ClipboardTrackingTextField field(m_manager.get(), QString(), QStringLiteral("Ask"));
        field.setText(copied);
        field.selectAll();
        QTest::keySequence(&field, QKeySequence::Copy);
    }

    // The screen reader's press clicks on a later turn.
    void pasteBy(const QString &route)
    {
        auto *target = child<QWidget>("pasteTarget");
        if (route == QLatin1String("click")) {
            QTest::mouseClick(target, Qt::LeftButton);
        } else if (route == QLatin1String("press")) {
            QAccessible::queryAccessibleInterface(target)->actionInterface()->doAction(
                QAccessibleActionInterface::pressAction());
        } else {
            target->setFocus();
            const bool ctrlV = route == QLatin1String("Ctrl+V");
            QTest::keyClick(target, ctrlV ? Qt::Key_V : Qt::Key_Insert,
                            ctrlV ? Qt::ControlModifier : Qt::ShiftModifier);
        }
    }

    template <typename T> T *child(const char *name) const
    {
        return m_panel->findChild<T *>(QString::fromLatin1(name));
    }

    template <typename T> bool visible(const char *name) const
    {
        const T *widget = child<T>(name);
        return widget && widget->isVisible();
    }

    QListView *list() const { return child<QListView>("clipboardList"); }

    QStringList rowTexts() const
    {
        QStringList texts;
        const QAbstractItemModel *model = list()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            texts << model->index(row, 0).data().toString();
        return texts;
    }

    QString highlighted() const
    {
        const QModelIndexList rows = list()->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.first().data().toString() : QString();
    }

    QString shownText() const
    {
        const auto *text = child<QLabel>("itemText");
        return text && text->isVisible() ? text->text() : QString();
    }

    void clickRow(int row)
    {
        const QRect rect = list()->visualRect(list()->model()->index(row, 0));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
    }

    static QStringList buttonTexts(const QMessageBox *alert)
    {
        QStringList texts;
        for (const char *name : {"cancelPaste", "allowPaste"})
            texts << alert->findChild<QPushButton *>(QString::fromLatin1(name))->text();
        return texts;
    }

    ClipboardTestSettings m_settings;
    ApplicationActivity m_activity{true};
    Pasteboard m_pasteboard{QGuiApplication::clipboard()};
    std::unique_ptr<ClipboardManager> m_manager;
    std::unique_ptr<ClipboardPanel> m_panel;
    QList<OpenedForm> m_openedForms;
};

QTEST_MAIN(ClipboardPanelTest)
#include "ClipboardPanelTest.moc"
