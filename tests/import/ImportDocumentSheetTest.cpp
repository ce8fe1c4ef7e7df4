#include "import/ImportDocumentSheet.h"
#include "import/DocumentImportManager.h"
#include "widgets/AttachmentPicker.h"

#include "FocusChain.h"
#include "ScreenTestKit.h"

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

using ScreenTestKit::child;

// The import sheet on its own, over a manager with no patient: nothing is uploaded, but the files it
// accepts or refuses are the manager's answer.
class ImportDocumentSheetTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_files;
    std::unique_ptr<DocumentImportManager> m_manager;
    std::unique_ptr<ImportDocumentSheet> m_sheet;

    QUrl file(const QString &name)
    {
        QFile out(m_files.filePath(name));
        if (!out.open(QIODevice::WriteOnly) || out.write("%PDF-1.4") < 0)
            qFatal("cannot write a test file");
        return QUrl::fromLocalFile(out.fileName());
    }

    QWidget *dropZone() const { return child<QWidget>(m_sheet.get(), "dropZone"); }

    // Sends a drag of `urls` over the drop zone; returns whether the zone took it.
    bool dragOver(QMimeData *data)
    {
        QDragEnterEvent enter(dropZone()->rect().center(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dropZone(), &enter);
        return enter.isAccepted();
    }

    void drop(QMimeData *data)
    {
        QDropEvent event(dropZone()->rect().center(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dropZone(), &event);
    }

private Q_SLOTS:
    void init()
    {
        m_manager = std::make_unique<DocumentImportManager>();
        m_sheet = std::make_unique<ImportDocumentSheet>(m_manager.get());
        m_sheet->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_sheet.get()));
    }

    void cleanup()
    {
        AttachmentPicker::setHandlerForTesting({});
        m_sheet.reset();
        m_manager.reset();
    }

    void layout_hasItsFixedSizeAndTexts()
    {
        QCOMPARE(m_sheet->size(), QSize(480, 320));
        QCOMPARE(child<QLabel>(m_sheet.get(), "dropTitle")->text(), QStringLiteral("Drag a PDF or image here"));
        QCOMPARE(child<QPushButton>(m_sheet.get(), "chooseFileButton")->text(), QStringLiteral("Choose File…"));
        QCOMPARE(child<QToolButton>(m_sheet.get(), "closeButton")->accessibleName(), QStringLiteral("Close"));
    }

    void everyFocusStop_isNamed()
    {
        QVERIFY(!FocusChain::stops(m_sheet.get()).isEmpty());
        VERIFY_EVERY_FOCUS_STOP_NAMED(m_sheet.get());
    }

    void closeButton_closes_butEscapeDoesNot()
    {
        QTest::keyClick(m_sheet.get(), Qt::Key_Escape);
        QVERIFY(m_sheet->isVisible());
        QTest::mouseClick(child<QToolButton>(m_sheet.get(), "closeButton"), Qt::LeftButton);
        QVERIFY(!m_sheet->isVisible());
    }

    void chosenFiles_closeOnlyWhenOneIsAccepted_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<QString>("refused");
        QTest::newRow("dialog cancelled") << QStringList{} << false << QString();
        QTest::newRow("pdf and text") << QStringList{"scan.pdf", "notes.txt"} << true << QStringLiteral("notes.txt");
        QTest::newRow("only unsupported") << QStringList{"a.docx", "b.txt"} << false << QStringLiteral("a.docx");
    }

    void chosenFiles_closeOnlyWhenOneIsAccepted()
    {
        QFETCH(QStringList, names);
        QList<QUrl> files;
        for (const QString &name : std::as_const(names))
            files.append(file(name));
        AttachmentPicker::setHandlerForTesting([files](QWidget *, AttachmentPicker::Chosen chosen) {
            if (!files.isEmpty())
                chosen(files);
        });
        QTest::mouseClick(child<QPushButton>(m_sheet.get(), "chooseFileButton"), Qt::LeftButton);
        QTEST(!m_sheet->isVisible(), "closes");
        QFETCH(QString, refused);
        QCOMPARE(m_manager->activeError() ? m_manager->activeError()->payload() : QString(), refused);
    }

    void fileDrag_turnsTheZoneToTheAccent_andADropImportsOnTheNextTurn()
    {
        QMimeData data;
        data.setUrls({file("scan.pdf")});
        QVERIFY(dragOver(&data));
        QVERIFY(m_sheet->isDropTargeted());
        drop(&data);
        QVERIFY(!m_sheet->isDropTargeted());
        QVERIFY(m_sheet->isVisible());
        QTRY_VERIFY(!m_sheet->isVisible());
    }

    void dragWithoutLocalFiles_isRefused()
    {
        QMimeData data;
        data.setText(QStringLiteral("just text"));
        data.setUrls({QUrl(QStringLiteral("https://example.org/scan.pdf"))});
        QVERIFY(!dragOver(&data));
        QVERIFY(!m_sheet->isDropTargeted());
        QTest::qWait(50);
        QVERIFY(m_sheet->isVisible());
        QVERIFY(!m_manager->activeError());
    }
};

QTEST_MAIN(ImportDocumentSheetTest)
#include "ImportDocumentSheetTest.moc"
