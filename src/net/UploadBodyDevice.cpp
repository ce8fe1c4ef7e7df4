#include "UploadBodyDevice.h"

#include <algorithm>
#include <cstring>

UploadBodyDevice::UploadBodyDevice(QList<UploadBody::Piece> pieces) : m_pieces(std::move(pieces))
{
    for (const UploadBody::Piece &piece : std::as_const(m_pieces))
        m_size += piece.size;
}

bool UploadBodyDevice::open(OpenMode mode)
{
    if (mode != ReadOnly)
        return false;
    m_files.clear();
    for (const UploadBody::Piece &piece : std::as_const(m_pieces)) {
        std::unique_ptr<QFile> file;
        if (!piece.path.isEmpty()) {
            file = std::make_unique<QFile>(piece.path);
            if (!file->open(QIODevice::ReadOnly)) {
                setErrorString(file->errorString());
                m_files.clear();
                return false;
            }
        }
        m_files.push_back(std::move(file));
    }
    m_offset = 0;
    // Unbuffered: the network layer keeps its own buffer, a second one would only copy.
    return QIODevice::open(ReadOnly | Unbuffered);
}

qint64 UploadBodyDevice::size() const
{
    return m_size;
}

bool UploadBodyDevice::seek(qint64 pos)
{
    if (pos > m_size || !QIODevice::seek(pos))
        return false;
    m_offset = pos;
    return true;
}

qint64 UploadBodyDevice::readData(char *data, qint64 maxSize)
{
    qint64 done = 0;
    qint64 start = 0;
    for (qsizetype index = 0; index < m_pieces.size() && done < maxSize; ++index) {
        const qint64 end = start + m_pieces.at(index).size;
        if (m_offset < end) {
            const qint64 read =
                readPiece(index, m_offset - start, data + done, std::min(maxSize - done, end - m_offset));
            if (read < 0)
                return -1;
            done += read;
            m_offset += read;
        }
        start = end;
    }
    return done;
}

qint64 UploadBodyDevice::readPiece(qsizetype index, qint64 offset, char *data, qint64 maxSize)
{
    QFile *file = m_files.at(index).get();
    if (!file) {
        std::memcpy(data, m_pieces.at(index).bytes.constData() + offset, size_t(maxSize));
        return maxSize;
    }
    if (file->pos() != offset && !file->seek(offset)) {
        setErrorString(file->errorString());
        return -1;
    }
    // A file shorter than when the body was laid out would make the body disagree with its announced length.
    if (file->read(data, maxSize) != maxSize) {
        setErrorString(tr("“%1” changed while it was being sent.").arg(file->fileName()));
        return -1;
    }
    return maxSize;
}
