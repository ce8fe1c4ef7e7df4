#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class QIODevice;

// A request body as a row of pieces: bytes held in memory and files that are read only as the body is sent,
// so a large upload is never held in memory. Usage:
//   UploadBody body;
//   body.append(head);
//   body.appendFile(path);
//   body.append(tail);
//   std::unique_ptr<QIODevice> device = body.open(&error); // one per sending, from the first byte
// A file's size is taken when it is appended; a file that has shrunk by the time it is read fails the read.
class UploadBody final
{
public:
    void append(const QByteArray &bytes);
    void appendFile(const QString &path);
    qint64 size() const;

    // A new random-access device over the whole body, its files opened now; null with `error` set when one
    // cannot be opened.
    std::unique_ptr<QIODevice> open(QString *error = nullptr) const;
    // The whole body in memory, files read in; empty when one cannot be read.
    QByteArray readAll() const;

    // One piece: `bytes`, or the first `size` bytes of the file at `path` when that is set.
    struct Piece {
        QByteArray bytes;
        QString path;
        qint64 size = 0;
    };

private:
    QList<Piece> m_pieces;
};
