#include "import/DocumentImportManager.h"
#include "import/DocumentImportReview.h"
#include "import/ImportDocumentSheet.h"
#include "import/SmartTimelinePreviewView.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/entry/MedbitDetailPanel.h"
#include "mainwindow/sidebar/ImportDocumentSidebarRow.h"
#include "records/MedbitStore.h"
#include "records/PatientStore.h"
#include "widgets/AttachmentPicker.h"

#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

using ScreenTestKit::child;

namespace
{

constexpr int deadlineMs = 15000;
const QString analyzePath = QStringLiteral("/api/patients/smart_analyze_asset");
const QString unsupportedNotes = QStringLiteral("Can't import “notes.txt” — only PDF and image files (JPG, PNG, HEIC, "
                                                "TIFF, GIF) are supported.");

// Drags `files` over `target` and drops them there, as the desktop would.
void dropFiles(QWidget *target, const QList<QUrl> &files)
{
    QMimeData data;
    data.setUrls(files);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

// A screen reader's Press: an enabled button goes down and clicks when it comes up a moment later.
void press(QAbstractButton *button)
{
    QAccessible::queryAccessibleInterface(button)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    QVERIFY(QTest::qWaitFor([button] { return !button->isDown(); }, deadlineMs));
}

} // namespace

// The window's import: the sidebar row, the import sheet, the review and the "Import Failed" alert.
class ImportPresenterTest : public QObject
{
    Q_OBJECT

private:
    StandinServer m_server;
    SignedInWindow m_window{m_server};
    std::unique_ptr<QTemporaryDir> m_files;

    DocumentImportManager *manager() const { return m_window.view()->documentImportManager(); }
    ImportDocumentSidebarRow *row() const
    {
        return child<ImportDocumentSidebarRow>(m_window.view(), "importDocumentRow");
    }
    ImportDocumentSheet *importSheet() const { return m_window.view()->findChild<ImportDocumentSheet *>(); }
    SmartTimelinePreviewView *review() const { return m_window.view()->findChild<SmartTimelinePreviewView *>(); }
    QString rowText() const { return child<QLabel>(row(), "importRowText")->text(); }

    QMessageBox *alert() const
    {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (widget->objectName() == QLatin1String("importFailedAlert") && widget->isVisible())
                return static_cast<QMessageBox *>(widget);
        return nullptr;
    }

    QUrl file(const QString &name)
    {
        QFile out(m_files->filePath(name));
        if (!out.open(QIODevice::WriteOnly) || out.write("%PDF-1.4 test") < 0)
            qFatal("cannot write a test file");
        return QUrl::fromLocalFile(out.fileName());
    }

    void chooseInDialog(const QList<QUrl> &files)
    {
        AttachmentPicker::setHandlerForTesting([files](QWidget *, AttachmentPicker::Chosen chosen) { chosen(files); });
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_files = std::make_unique<QTemporaryDir>();
        QVERIFY(m_window.open(QSize(1100, 700)));
        QTRY_VERIFY_WITH_TIMEOUT(!m_window.view()->medbitStore()->medbits().isEmpty(), deadlineMs);
        QCOMPARE(manager()->patientID(), m_window.session()->patients()->selectedPatientID());
    }

    void cleanup()
    {
        AttachmentPicker::setHandlerForTesting({});
        if (QMessageBox *shown = alert())
            shown->done(QMessageBox::Ok);
        m_window.close();
        m_server.clearFaults();
    }

    void rowClick_opensTheSheet_mixedChoiceImports_andAlertsOverTheReview()
    {
        QCOMPARE(row()->toolTip(), QStringLiteral("Click to import, or drag a PDF or image here"));
        QTest::mouseClick(row(), Qt::LeftButton);
        QTRY_VERIFY(importSheet() && importSheet()->isVisible());
        QCOMPARE(importSheet()->parentWidget(), m_window.view());
        chooseInDialog({file("scan.pdf"), file("notes.txt")});
        QTest::mouseClick(child<QPushButton>(importSheet(), "chooseFileButton"), Qt::LeftButton);
        QTRY_VERIFY(!importSheet());
        QVERIFY(review() && review()->isVisible());
        QCOMPARE(review()->parentWidget(), m_window.view());
        QTRY_VERIFY(alert());
        QCOMPARE(alert()->windowTitle(), QStringLiteral("Import Failed"));
        QCOMPARE(alert()->text(), unsupportedNotes);
        QCOMPARE(alert()->textFormat(), Qt::PlainText);
        QCOMPARE(alert()->parentWidget(), review());
        QVERIFY(!review()->errorMessage());
        QTest::mouseClick(alert()->button(QMessageBox::Ok), Qt::LeftButton);
        QTRY_VERIFY(!alert());
        QVERIFY(!manager()->activeError());
    }

    void onlyUnsupportedChosen_keepsTheSheetOpen_underTheAlert()
    {
        Q_EMIT m_window.view()->importSheetRequested();
        QTRY_VERIFY(importSheet() && importSheet()->isVisible());
        chooseInDialog({file("notes.txt"), file("more.docx")});
        QTest::mouseClick(child<QPushButton>(importSheet(), "chooseFileButton"), Qt::LeftButton);
        QTRY_VERIFY(alert());
        QCOMPARE(alert()->text(), unsupportedNotes);
        QCOMPARE(alert()->parentWidget(), importSheet());
        QVERIFY(!review());
        QCOMPARE(m_server.requests(analyzePath).size(), 0);
    }

    void dropOnTheRow_importsAndConfirms_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("confirmation");
        QTest::newRow("one file") << QStringList{"scan.pdf"} << QStringLiteral("Added scan.pdf");
        QTest::newRow("three images") << QStringList{"a.png", "b.jpg", "c.heic"} << QStringLiteral("Added 3 files");
        QTest::newRow("pdf and text") << QStringList{"scan.pdf", "notes.txt"} << QStringLiteral("Added scan.pdf");
    }

    void dropOnTheRow_importsAndConfirms()
    {
        QFETCH(QStringList, names);
        QList<QUrl> files;
        for (const QString &name : std::as_const(names))
            files.append(file(name));
        files.append(QUrl(QStringLiteral("https://example.org/remote.pdf")));
        dropFiles(row(), files);
        QCOMPARE(rowText(), QStringLiteral("Import Document"));
        QFETCH(QString, confirmation);
        QTRY_COMPARE(rowText(), confirmation);
        QVERIFY(review() && review()->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(rowText(), QStringLiteral("Import Document"), deadlineMs);
    }

    void longFileName_isElidedOnTheRow_butReadInFull()
    {
        const QString name = QString(200, QLatin1Char('x')) + QStringLiteral(".pdf");
        dropFiles(row(), {file(name)});
        QTRY_VERIFY(rowText().endsWith(QStringLiteral("…")));
        QVERIFY(rowText().startsWith(QStringLiteral("Added x")));
        QCOMPARE(row()->accessibleName(), QStringLiteral("Added ") + name);
        QVERIFY(row()->width() < m_window.view()->width() / 2);
    }

    void laterDrop_keepsItsConfirmationForItsOwnWhile()
    {
        dropFiles(row(), {file("first.pdf")});
        QTRY_COMPARE(rowText(), QStringLiteral("Added first.pdf"));
        // The review the drop opened keeps the row out of reach until it closes.
        QTest::mouseClick(child<QPushButton>(review(), "cancelButton"), Qt::LeftButton);
        QTRY_VERIFY(!review());
        // Started before the drop, the clock can only run longer than the second confirmation shows.
        QElapsedTimer sinceSecond;
        sinceSecond.start();
        dropFiles(row(), {file("second.pdf")});
        QTRY_COMPARE(rowText(), QStringLiteral("Added second.pdf"));
        QSignalSpy expired(row()->findChild<QTimer *>(QStringLiteral("confirmationExpiry")), &QTimer::timeout);
        QTRY_COMPARE_WITH_TIMEOUT(expired.count(), 1, deadlineMs);
        QCOMPARE(rowText(), QStringLiteral("Import Document"));
        // Whatever was left of the first drop's while, the second confirmation stayed for its own (less the
        // 5% early a coarse timer may fire).
        QVERIFY(sinceSecond.elapsed() >= ImportDocumentSidebarRow::confirmationMs * 95 / 100);
    }

    void errorShownInTheReview_isNotAlertedWhenItCloses_data()
    {
        QTest::addColumn<QString>("closeBy");
        QTest::newRow("cancel") << QStringLiteral("cancelButton");
        QTest::newRow("successful save") << QStringLiteral("saveButton");
    }

    // A failed translation (in red in the review), then Cancel or a save that works: no "Import Failed".
    void errorShownInTheReview_isNotAlertedWhenItCloses()
    {
        m_server.injectFault({{"path", "/api/patients/translate_preview_medbits"},
                              {"status", 503},
                              {"body", R"({"message":"Translation is down."})"}});
        manager()->importFiles({file("checkup.pdf")});
        QTRY_VERIFY_WITH_TIMEOUT(manager()->isExtractionDone(), deadlineMs);
        review()->findChild<QMenu *>(QStringLiteral("translateMenu"))->actions().at(5)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(manager()->activeError().has_value(), deadlineMs);
        QCOMPARE(review()->errorMessage(), QStringLiteral("Translation is down."));
        QFETCH(QString, closeBy);
        QTest::mouseClick(review()->findChild<QPushButton *>(closeBy), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!review(), deadlineMs);
        m_window.session()->roundTrip();
        QVERIFY(!alert());
        QVERIFY(!manager()->activeError());
    }

    void uploadErrorShownInTheReview_isNotAlertedAfterCancel()
    {
        m_server.scriptStream(
            {{"method", "POST"},
             {"path", analyzePath},
             {"chunks",
              QJsonArray{QJsonObject{{"data", "event: stream_error\ndata: {\"message\":\"Unreadable.\"}\n\n"}}}}});
        manager()->importFiles({file("blurry.pdf")});
        QTRY_VERIFY_WITH_TIMEOUT(manager()->activeError().has_value(), deadlineMs);
        QCOMPARE(review()->errorMessage(), QStringLiteral("Unreadable."));
        m_window.session()->roundTrip();
        QVERIFY(!alert());
        QTest::mouseClick(child<QPushButton>(review(), "cancelButton"), Qt::LeftButton);
        QTRY_VERIFY(!review());
        m_window.session()->roundTrip();
        QVERIFY(!alert());
    }

    void openReview_keepsTheWindowsPressesOff_andItsEdits()
    {
        auto *star = child<QToolButton>(m_window.view()->findChild<MedbitDetailPanel *>(), "starButton");
        const QString updatePath = QStringLiteral("/api/medbits/update");
        manager()->importFiles({file("scan.pdf")});
        QTRY_VERIFY_WITH_TIMEOUT(manager()->isExtractionDone(), deadlineMs);
        QTest::mouseClick(child<QToolButton>(review(), "starButton"), Qt::LeftButton);
        const QList<PreviewMedbit> edited = manager()->review()->flattenedSuggestions();
        QVERIFY(edited.first().isStarred);
        press(star);
        press(row());
        Q_EMIT m_window.view()->importSheetRequested();
        m_window.session()->roundTrip();
        QVERIFY(!importSheet());
        QCOMPARE(m_window.session()->requests(updatePath).size(), 0);
        QCOMPARE(m_server.requests(analyzePath).size(), 1);
        QVERIFY(review()->isVisible());
        QCOMPARE(manager()->review()->flattenedSuggestions(), edited);

        QTest::mouseClick(child<QPushButton>(review(), "cancelButton"), Qt::LeftButton);
        QTRY_VERIFY(!review());
        press(star);
        QTRY_COMPARE_WITH_TIMEOUT(m_window.session()->requests(updatePath).size(), 1, deadlineMs);
        press(row());
        QTRY_VERIFY(importSheet() && importSheet()->isVisible());
    }

    void patientChange_endsTheImport_andClosesTheReview()
    {
        m_server.injectFault({{"method", "POST"}, {"path", analyzePath}, {"hang", true}});
        manager()->importFiles({file("scan.pdf")});
        QTRY_COMPARE_WITH_TIMEOUT(m_server.requests(analyzePath).size(), 1, deadlineMs);
        QVERIFY(review()->isVisible());
        PatientStore *patients = m_window.session()->patients();
        const QString other = patients->patients().at(1)._id;
        patients->setSelectedPatientID(other);
        QCOMPARE(manager()->patientID(), other);
        QVERIFY(!manager()->isReviewPresented());
        QTRY_VERIFY(!review());
        m_window.session()->roundTrip();
        QVERIFY(!manager()->activeError());
    }
};

QTEST_MAIN(ImportPresenterTest)
#include "ImportPresenterTest.moc"
