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

std::optional<ClipboardFile> readImage(const QMimeData &data, qint64 maxBytes, ClipboardFileProblem &problem)
{
    if (!data.hasImage())
        return std::nullopt;
    const QImage image = qvariant_cast<QImage>(data.imageData());
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

QMimeData *mimeDataFor(const ClipboardItem &item)
{
    auto *data = new QMimeData;
    if (!item.file) {
        data->setText(item.text);
        return data;
    }
    const ClipboardFile &file = *item.file;
    const QImage image = file.mimeType.startsWith(imageMimePrefix) ? QImage::fromData(file.data) : QImage();
    if (!image.isNull())
        data->setImageData(image);
    else
        data->setData(file.mimeType, file.data);
    return data;
}

} // namespace

std::optional<ClipboardFile> readClipboardFile(const QMimeData *data, qint64 maxBytes, ClipboardFileProblem *problem)
{
    ClipboardFileProblem ignored = ClipboardFileProblem::None;
    ClipboardFileProblem &why = problem ? *problem : ignored;
    why = ClipboardFileProblem::None;
    if (!data)
        return std::nullopt;
    if (const std::optional<QString> path = firstLocalFile(*data)) {
        if (std::optional<ClipboardFile> file = readLocalFile(*path, maxBytes, why))
            return file;
    }
    return readImage(*data, maxBytes, why);
}

void copyToPasteboard(const ClipboardItem &item, ClipboardManager &manager)
{
    manager.pasteboard()->write(mimeDataFor(item));
    manager.noteCopyBack(item.patientID);
}
