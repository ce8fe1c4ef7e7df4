#include "SampleFiles.h"

#include <QList>
#include <QStringList>
#include <QtEndian>

#include <array>

namespace
{

QByteArray pdfText(const QString &line)
{
    QByteArray escaped = line.toLatin1();
    escaped.replace('\\', "\\\\").replace('(', "\\(").replace(')', "\\)");
    return escaped;
}

QByteArray pageContent(const QStringList &lines)
{
    QByteArray content = "BT /F1 14 Tf 72 720 Td 18 TL\n";
    for (const QString &line : lines)
        content += "(" + pdfText(line) + ") Tj T*\n";
    return content + "ET\n";
}

quint32 crc32(const QByteArray &bytes)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes)
        crc = table[(crc ^ quint8(byte)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

QByteArray bigEndian(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    return bigEndian(quint32(data.size())) + type + data + bigEndian(crc32(type + data));
}

QByteArray pixelRows(int width, int height)
{
    QByteArray rows;
    for (int y = 0; y < height; ++y) {
        rows += '\0'; // filter: none
        for (int x = 0; x < width; ++x) {
            const bool frame = x < 2 || y < 2 || x >= width - 2 || y >= height - 2;
            rows += char(frame ? 40 : 60 + 180 * x / width);
            rows += char(frame ? 60 : 120 + 100 * y / height);
            rows += char(frame ? 90 : 200);
        }
    }
    return rows;
}

} // namespace

QByteArray SampleFiles::pdf(const QStringList &lines)
{
    const QByteArray content = pageContent(lines);
    const QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "endstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    QByteArray file = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets.append(file.size());
        file += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = file.size();
    file += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets)
        file += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    file += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\n";
    return file + "startxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
}

QByteArray SampleFiles::png(int width, int height)
{
    QByteArray header = bigEndian(quint32(width)) + bigEndian(quint32(height));
    header += QByteArray::fromHex("0802000000"); // 8-bit RGB, deflate, no filter, no interlace
    // qCompress writes a zlib stream after a 4-byte length: PNG wants just the stream.
    const QByteArray compressed = qCompress(pixelRows(width, height)).mid(4);
    return QByteArray::fromHex("89504e470d0a1a0a") + pngChunk("IHDR", header) + pngChunk("IDAT", compressed) +
           pngChunk("IEND", {});
}
