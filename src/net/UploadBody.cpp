#include "UploadBody.h"

#include "UploadBodyDevice.h"

#include <QFileInfo>

void UploadBody::append(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (!m_pieces.isEmpty() && m_pieces.last().path.isEmpty()) {
        m_pieces.last().bytes += bytes;
        m_pieces.last().size += bytes.size();
        return;
    }
    m_pieces.append({bytes, {}, bytes.size()});
}

void UploadBody::appendFile(const QString &path)
{
    m_pieces.append({{}, path, QFileInfo(path).size()});
}

qint64 UploadBody::size() const
{
    qint64 total = 0;
    for (const Piece &piece : m_pieces)
        total += piece.size;
    return total;
}

std::unique_ptr<QIODevice> UploadBody::open(QString *error) const
{
    auto device = std::make_unique<UploadBodyDevice>(m_pieces);
    if (!device->open(QIODevice::ReadOnly)) {
        if (error)
            *error = device->errorString();
        return nullptr;
    }
    return device;
}

QByteArray UploadBody::readAll() const
{
    const std::unique_ptr<QIODevice> device = open();
    if (!device)
        return {};
    QByteArray bytes = device->readAll();
    return bytes.size() == size() ? bytes : QByteArray();
}
