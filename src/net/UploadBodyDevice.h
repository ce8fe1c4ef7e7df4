#pragma once

#include "UploadBody.h"

#include <QFile>
#include <QIODevice>

#include <memory>
#include <vector>

// Reads an upload body piece after piece: bytes from memory, files from disk. Random access, so the network
// layer can rewind it to send the body again. Made by UploadBody::open().
class UploadBodyDevice final : public QIODevice
{
    Q_OBJECT

public:
    explicit UploadBodyDevice(QList<UploadBody::Piece> pieces);

    // Opens every file of the body; fails with errorString() naming the first one that cannot be read.
    bool open(OpenMode mode) override;
    qint64 size() const override;
    bool seek(qint64 pos) override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    // Copies up to `maxSize` bytes of piece `index` from `offset` into the piece; -1 when its file fails.
    qint64 readPiece(qsizetype index, qint64 offset, char *data, qint64 maxSize);

    QList<UploadBody::Piece> m_pieces;
    std::vector<std::unique_ptr<QFile>> m_files; // one per piece, null for bytes
    qint64 m_size = 0;
    qint64 m_offset = 0;
};
