#include "ClipboardTestSettings.h"

#include "clipboard/ApplicationActivity.h"
#include "clipboard/ClipboardManager.h"
#include "clipboard/Pasteboard.h"
#include "clipboard/PasteboardTransfer.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QUrl>

#include <memory>

namespace
{

const QByteArray pdfBytes = QByteArrayLiteral("%PDF-1.4\n\0\xff binary");

QImage redSquare()
{
    QImage image(3, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    return image;
}

QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

ClipboardItem itemWith(std::optional<ClipboardFile> file, const QString &text = QStringLiteral("scan.pdf"))
{
    return ClipboardItem{QUuid::createUuid(),
                         text,
                         std::move(file),
                         ClipboardActionType::Paste,
                         QStringLiteral("Clipboard"),
                         QDateTime::currentDateTimeUtc(),
                         QStringLiteral("A")};
}

} // namespace

class PasteboardTransferTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        writeFile(QStringLiteral("report.pdf"), pdfBytes);
        writeFile(QStringLiteral("notes.qqzz"), "n");
        writeFile(QStringLiteral("scan"), "s");
        writeFile(QStringLiteral("ten.bin"), QByteArray(10, 'x'));
        QVERIFY(QDir(m_folder.path()).mkdir(QStringLiteral("folder")));
    }

    void readClipboardFile_takesFirstLocalFileElseImage_data()
    {
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<bool>("withImage");
        QTest::addColumn<qint64>("maxBytes");
        QTest::addColumn<QString>("filename");
        QTest::addColumn<QString>("mimeType");
        QTest::addColumn<ClipboardFileProblem>("problem");
        const QString pdf = QStringLiteral("report.pdf"), octet = QStringLiteral("application/octet-stream");
        const QString pasted = QStringLiteral("Pasted Image.png"), pngType = QStringLiteral("image/png");
        const qint64 limit = maxClipboardFileBytes;
        QTest::newRow("file wins over image")
            << QStringList{pdf} << true << limit << pdf << "application/pdf" << ClipboardFileProblem::None;
        QTest::newRow("first of several")
            << QStringList{"notes.qqzz", pdf} << false << limit << "notes.qqzz" << octet << ClipboardFileProblem::None;
        QTest::newRow("no extension") << QStringList{"scan"} << false << limit << "scan" << octet
                                      << ClipboardFileProblem::None;
        QTest::newRow("web address passed over") << QStringList{"https://example.org/a.txt", pdf} << false << limit
                                                 << pdf << "application/pdf" << ClipboardFileProblem::None;
        QTest::newRow("folder, then image")
            << QStringList{"folder"} << true << limit << pasted << pngType << ClipboardFileProblem::None;
        QTest::newRow("gone file, then image")
            << QStringList{"gone.pdf"} << true << limit << pasted << pngType << ClipboardFileProblem::None;
        QTest::newRow("gone file") << QStringList{"gone.pdf"} << false << limit << QString() << QString()
                                   << ClipboardFileProblem::FileUnreadable;
        QTest::newRow("folder only") << QStringList{"folder"} << false << limit << QString() << QString()
                                     << ClipboardFileProblem::FileUnreadable;
        QTest::newRow("image only") << QStringList() << true << limit << pasted << pngType
                                    << ClipboardFileProblem::None;
        QTest::newRow("nothing") << QStringList() << false << limit << QString() << QString()
                                 << ClipboardFileProblem::None;
        QTest::newRow("file at the limit")
            << QStringList{"ten.bin"} << false << qint64(10) << "ten.bin" << octet << ClipboardFileProblem::None;
        QTest::newRow("file over the limit") << QStringList{"ten.bin"} << false << qint64(9) << QString() << QString()
                                             << ClipboardFileProblem::FileTooLarge;
        QTest::newRow("image over the limit") << QStringList() << true << qint64(png(redSquare()).size() - 1)
                                              << QString() << QString() << ClipboardFileProblem::ImageTooLarge;
    }

    void readClipboardFile_takesFirstLocalFileElseImage()
    {
        QFETCH(QStringList, urls);
        QFETCH(bool, withImage);
        QFETCH(qint64, maxBytes);
        QFETCH(QString, filename);
        QMimeData data;
        data.setText(QStringLiteral("text is never a file"));
        QList<QUrl> list;
        for (const QString &url : urls)
            list << (url.contains(QLatin1Char(':')) ? QUrl(url) : QUrl::fromLocalFile(pathOf(url)));
        if (!list.isEmpty())
            data.setUrls(list);
        if (withImage)
            data.setImageData(redSquare());

        ClipboardFileProblem problem = ClipboardFileProblem::FileTooLarge;
        const std::optional<ClipboardFile> file = readClipboardFile(&data, maxBytes, &problem);
        QCOMPARE(file ? file->filename : QString(), filename);
        QTEST(problem, "problem");
        if (!file)
            return;
        QTEST(file->mimeType, "mimeType");
        if (filename == QStringLiteral("Pasted Image.png"))
            QCOMPARE(QImage::fromData(file->data, "PNG").convertToFormat(QImage::Format_RGB32), redSquare());
        else
            QCOMPARE(file->data, contentsOf(filename));
    }

    // A stored image goes back as its stored bytes under its type, untouched, and as an image once decoded.
    void copyToPasteboard_writesTheItemWithoutRecordingIt_data()
    {
        QTest::addColumn<std::optional<ClipboardFile>>("file");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("isImage");
        const QByteArray squarePng = png(redSquare());
        const QString pngType = QStringLiteral("image/png");
        QTest::newRow("text") << std::optional<ClipboardFile>() << "text/plain" << QByteArray("scan.pdf") << false;
        QTest::newRow("image") << std::optional<ClipboardFile>({"a.png", pngType, squarePng}) << pngType << squarePng
                               << true;
        QTest::newRow("undecodable image")
            << std::optional<ClipboardFile>({"b.png", pngType, "not png"}) << pngType << QByteArray("not png") << false;
        QTest::newRow("document") << std::optional<ClipboardFile>({"r.pdf", "application/pdf", pdfBytes})
                                  << "application/pdf" << pdfBytes << false;
    }

    void copyToPasteboard_writesTheItemWithoutRecordingIt()
    {
        QFETCH(std::optional<ClipboardFile>, file);
        QFETCH(QString, format);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, isImage);
        ClipboardTestSettings::clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("copied under A"));
        ClipboardManager manager(QStringLiteral("A"), ClipboardSeams{&m_pasteboard, &m_activity, {}});
        manager.record(ClipboardActionType::Copy, QStringLiteral("copied under A"), QStringLiteral("Ask"));
        const int copyCount = m_pasteboard.changeCount();

        copyToPasteboard(itemWith(file), &manager);
        QTRY_VERIFY(m_pasteboard.changeCount() > copyCount);
        manager.pollPasteboard();

        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(data->data(format), bytes);
        QCOMPARE(data->hasImage(), isImage);
        if (isImage)
            QCOMPARE(qvariant_cast<QImage>(data->imageData()).convertToFormat(QImage::Format_RGB32), redSquare());
        QCOMPARE(data->hasText(), !file);
        QCOMPARE(manager.items().size(), 1);
        QCOMPARE(manager.lastKnownChangeCount(), m_pasteboard.changeCount());
        // The item put back is the latest copy, of its own patient.
        QCOMPARE(std::pair(manager.lastCopySource()->patientID, manager.lastCopySource()->changeCount),
                 std::pair(QStringLiteral("A"), m_pasteboard.changeCount()));
    }

    // An image still being decoded for its copy back never replaces what was copied after it.
    void copyToPasteboard_ofAnImage_isOvertakenByALaterCopy_data()
    {
        QTest::addColumn<bool>("byCopyBack");
        QTest::newRow("a copy back of a text") << true;
        QTest::newRow("a copy elsewhere") << false;
    }

    void copyToPasteboard_ofAnImage_isOvertakenByALaterCopy()
    {
        QFETCH(bool, byCopyBack);
        ClipboardManager manager(QStringLiteral("A"), ClipboardSeams{&m_pasteboard, &m_activity, {}});
        copyToPasteboard(itemWith(ClipboardFile{"a.png", "image/png", png(redSquare())}), &manager);
        if (byCopyBack)
            copyToPasteboard(itemWith(std::nullopt, QStringLiteral("later")), &manager);
        else
            QGuiApplication::clipboard()->setText(QStringLiteral("later"));
        const int changeCount = m_pasteboard.changeCount();

        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QCOMPARE(m_pasteboard.changeCount(), changeCount);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("later"));
        QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasImage());
    }

    void copyToPasteboard_documentIsNotReadBackAsAFile()
    {
        ClipboardManager manager(QStringLiteral("A"), ClipboardSeams{&m_pasteboard, &m_activity, {}});
        copyToPasteboard(itemWith(ClipboardFile{"r.pdf", "application/pdf", pdfBytes}), &manager);
        QVERIFY(!readClipboardFile(m_pasteboard.mimeData()));
    }

private:
    QString pathOf(const QString &name) const { return QDir(m_folder.path()).filePath(name); }

    QByteArray contentsOf(const QString &name) const
    {
        QFile file(pathOf(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(pathOf(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    ClipboardTestSettings m_settings;
    QTemporaryDir m_folder;
    ApplicationActivity m_activity{true};
    // Every change made while the program is in front is its own: a copy back is still recorded by no one.
    Pasteboard m_pasteboard{QGuiApplication::clipboard(), [this] { return m_activity.isActive(); }};
};

QTEST_MAIN(PasteboardTransferTest)
#include "PasteboardTransferTest.moc"
