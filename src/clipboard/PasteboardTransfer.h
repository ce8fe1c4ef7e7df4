#pragma once

#include "ClipboardModels.h"

#include <QtGlobal>

#include <optional>

class ClipboardManager;
class QMimeData;

// The history keeps files whole, as base64, and rewrites its whole list on every event: a copied video must
// not be read into memory and stored. Larger files and pasted images are left out of the history.
inline constexpr qint64 maxClipboardFileBytes = 25 * 1024 * 1024;

// Why the clipboard's file or image was left out; the image's reason wins over the file's.
enum class ClipboardFileProblem { None, FileTooLarge, FileUnreadable, ImageTooLarge };

// The first local file of the clipboard's file list with its bytes, its name and the MIME type its
// extension gives; else the clipboard's image as PNG, named "Pasted Image.png". A file that cannot be read
// or exceeds maxBytes is passed over for the image; an image whose PNG exceeds maxBytes gives nothing.
// Plain text is never turned into a file. When nothing is returned, problem (if given) says why.
std::optional<ClipboardFile> readClipboardFile(const QMimeData *data, qint64 maxBytes = maxClipboardFileBytes,
                                               ClipboardFileProblem *problem = nullptr);

// Puts an item back on the clipboard through the manager's pasteboard: a decodable image as an image, other
// files' bytes under their MIME type, else the text. Copying back is no event of the history: nothing is
// recorded, and the write is taken as seen so the poll does not record it. It is the latest copy, of the
// item's patient, so that pasting it under another patient asks first.
void copyToPasteboard(const ClipboardItem &item, ClipboardManager &manager);
