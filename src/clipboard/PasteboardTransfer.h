#pragma once

#include "ClipboardModels.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QtGlobal>

#include <QCoroTask>

#include <optional>

class ClipboardManager;
class QMimeData;

// The history keeps files whole, as base64, and rewrites its whole list on every event: a copied video must
// not be read into memory and stored. Larger files and pasted images are left out of the history.
inline constexpr qint64 maxClipboardFileBytes = 25 * 1024 * 1024;

// Why the clipboard's file or image was left out; the image's reason wins over the file's.
enum class ClipboardFileProblem { None, FileTooLarge, FileUnreadable, ImageTooLarge };

// What the clipboard offers as a file, taken from it on the UI thread: the first local file of its file list
// and its image. Reading the one and encoding the other may take long, so that is left to readClipboardFile.
struct ClipboardOffer {
    std::optional<QString> filePath;
    QImage image;

    bool isEmpty() const { return !filePath && image.isNull(); }
};

ClipboardOffer clipboardOffer(const QMimeData *data);

// The offered file with its bytes, its name and the MIME type its extension gives; else the image as PNG, named
// "Pasted Image.png". A file that cannot be read or exceeds maxBytes is passed over for the image; an image
// whose PNG exceeds maxBytes gives nothing. Plain text is never turned into a file. When nothing is returned,
// problem (if given) says why. Safe on any thread.
std::optional<ClipboardFile> readClipboardFile(const ClipboardOffer &offer, qint64 maxBytes = maxClipboardFileBytes,
                                               ClipboardFileProblem *problem = nullptr);
// The same for what the clipboard holds, on the calling thread.
std::optional<ClipboardFile> readClipboardFile(const QMimeData *data, qint64 maxBytes = maxClipboardFileBytes,
                                               ClipboardFileProblem *problem = nullptr);

struct ClipboardFileRead {
    std::optional<ClipboardFile> file;
    ClipboardFileProblem problem = ClipboardFileProblem::None;
};

// readClipboardFile on a worker thread, so that reading a file or encoding a photo never holds up the window.
QCoro::Task<ClipboardFileRead> readClipboardFileInBackground(ClipboardOffer offer);

// Puts an item back on the clipboard through the manager's pasteboard: a file's bytes under its MIME type
// as they are stored (a PNG is offered as "image/png" without being encoded again), and a decodable image as
// an image too, else the text. The image is decoded on a worker thread first; a newer copy back, or any other
// change of the clipboard meanwhile, wins and this one writes nothing. Copying back is no event of the
// history: nothing is recorded, and the write is taken as seen so that it is not recorded from "App". It is the
// latest copy, of the item's patient, so that pasting it under another patient asks first.
QCoro::Task<> copyToPasteboard(ClipboardItem item, QPointer<ClipboardManager> manager);
