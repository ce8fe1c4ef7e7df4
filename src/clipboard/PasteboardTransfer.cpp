#include "PasteboardTransfer.h"

#include "ClipboardManager.h"
#include "Pasteboard.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QMimeDatabase>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoroFuture>

namespace
{

const QString imageMimePrefix = QStringLiteral("image/");
const QString pastedImageName = QStringLiteral("Pasted Image.png");
const QString pastedImageMimeType = QStringLiteral("image/png");
const QString fallbackMimeType = QStringLiteral("application/octet-stream");

std::optional<QString> firstLocalFile(const QMimeData &data)
{
    for (const QUrl &url : data.urls()) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return std::nullopt;
}

QString mimeTypeByExtension(const QString &fileName)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    return type.isValid() && !type.isDefault() ? type.name() : fallbackMimeType;
}

std::optional<ClipboardFile> readLocalFile(const QString &path, qint64 maxBytes, ClipboardFileProblem &problem)
{
    const QFileInfo info(path);
    problem = ClipboardFileProblem::FileUnreadable;
    // Regular files only: a folder cannot be read, and a pipe or device could block or never end.
    if (!info.isFile())
        return std::nullopt;
    if (info.size() > maxBytes) {
        problem = ClipboardFileProblem::FileTooLarge;
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The file may have grown since its size was taken.
    QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    if (bytes.size() > maxBytes) {
        problem = ClipboardFileProblem::FileTooLarge;
        return std::nullopt;
    }
    problem = ClipboardFileProblem::None;
    return ClipboardFile{info.fileName(), mimeTypeByExtension(info.fileName()), std::move(bytes)};
}

std::optional<ClipboardFile> encodeImage(const QImage &image, qint64 maxBytes, ClipboardFileProblem &problem)
{
    if (image.isNull())
        return std::nullopt;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return std::nullopt;
    if (png.size() > maxBytes) {
        problem = ClipboardFileProblem::ImageTooLarge;
        return std::nullopt;
    }
    problem = ClipboardFileProblem::None;
    return ClipboardFile{pastedImageName, pastedImageMimeType, std::move(png)};
}

// The stored bytes under their own type; a decoded image as an image as well, for those who read images.
QMimeData *mimeDataFor(const ClipboardItem &item, const QImage &image)
{
    auto *data = new QMimeData;
    if (!item.file) {
        data->setText(item.text);
        return data;
    }
    data->setData(item.file->mimeType, item.file->data);
    if (!image.isNull())
        data->setImageData(image);
    return data;
}

bool isImage(const ClipboardItem &item)
{
    return item.file && item.file->mimeType.startsWith(imageMimePrefix);
}

} // namespace

ClipboardOffer clipboardOffer(const QMimeData *data)
{
    if (!data)
        return {};
    return ClipboardOffer{firstLocalFile(*data),
                          data->hasImage() ? qvariant_cast<QImage>(data->imageData()) : QImage()};
}

std::optional<ClipboardFile> readClipboardFile(const ClipboardOffer &offer, qint64 maxBytes,
                                               ClipboardFileProblem *problem)
{
    ClipboardFileProblem ignored = ClipboardFileProblem::None;
    ClipboardFileProblem &why = problem ? *problem : ignored;
    why = ClipboardFileProblem::None;
    if (offer.filePath) {
        if (std::optional<ClipboardFile> file = readLocalFile(*offer.filePath, maxBytes, why))
            return file;
    }
    return encodeImage(offer.image, maxBytes, why);
}

std::optional<ClipboardFile> readClipboardFile(const QMimeData *data, qint64 maxBytes, ClipboardFileProblem *problem)
{
    return readClipboardFile(clipboardOffer(data), maxBytes, problem);
}

QCoro::Task<ClipboardFileRead> readClipboardFileInBackground(ClipboardOffer offer)
{
    QFuture<ClipboardFileRead> reading = QtConcurrent::run([offer] {
        ClipboardFileRead read;
        read.file = readClipboardFile(offer, maxClipboardFileBytes, &read.problem);
        return read;
    });
    co_return co_await reading;
}

QCoro::Task<> copyToPasteboard(ClipboardItem item, QPointer<ClipboardManager> manager)
{
    if (!manager)
        co_return;
    const Generation::Token copy = manager->startCopyBack();
    const int changeCount = manager->pasteboard()->changeCount();
    QImage image;
    if (isImage(item)) {
        QFuture<QImage> decoding = QtConcurrent::run([bytes = item.file->data] { return QImage::fromData(bytes); });
        image = co_await decoding;
        // The user has copied something else since, here or in another application.
        if (!manager || !manager->isLatestCopyBack(copy) || manager->pasteboard()->changeCount() != changeCount)
            co_return;
    }
    manager->pasteboard()->write(mimeDataFor(item, image));
    manager->noteCopyBack(item.patientID);
}
