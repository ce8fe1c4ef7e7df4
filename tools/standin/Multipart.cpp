#include "Multipart.h"

#include <QRegularExpression>

namespace
{

QByteArray boundaryOf(const QByteArray &contentType)
{
    const QList<QByteArray> params = contentType.split(';');
    if (params.isEmpty() || params.first().trimmed().toLower() != "multipart/form-data")
        return {};
    for (const QByteArray &param : params.mid(1)) {
        const QByteArray trimmed = param.trimmed();
        if (trimmed.toLower().startsWith("boundary=")) {
            QByteArray value = trimmed.mid(int(qstrlen("boundary=")));
            if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
                value = value.mid(1, value.size() - 2);
            return value;
        }
    }
    return {};
}

std::optional<QByteArray> dispositionParameter(const QByteArray &disposition, const QByteArray &key)
{
    const QRegularExpression pattern(QStringLiteral("(?:^|;)\\s*%1=\"([^\"]*)\"").arg(QString::fromLatin1(key)));
    const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(disposition));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toUtf8();
}

bool readHeaders(const QByteArray &block, MultipartPart *part)
{
    bool hasDisposition = false;
    for (const QByteArray &line : block.split('\n')) {
        if (!line.endsWith('\r'))
            return false;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return false;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-disposition") {
            const std::optional<QByteArray> fieldName = dispositionParameter(value, "name");
            if (!value.startsWith("form-data") || !fieldName)
                return false;
            part->name = *fieldName;
            part->fileName = dispositionParameter(value, "filename");
            hasDisposition = true;
        } else if (name == "content-type") {
            part->contentType = value;
        }
    }
    return hasDisposition;
}

} // namespace

std::optional<QList<MultipartPart>> parseMultipart(const QByteArray &contentType, const QByteArray &body)
{
    const QByteArray boundary = boundaryOf(contentType);
    if (boundary.isEmpty())
        return std::nullopt;
    const QByteArray delimiter = "--" + boundary;
    if (!body.startsWith(delimiter))
        return std::nullopt;
    QList<MultipartPart> parts;
    qsizetype pos = delimiter.size();
    while (true) {
        if (body.mid(pos, 2) == "--")
            return parts;
        if (body.mid(pos, 2) != "\r\n")
            return std::nullopt;
        pos += 2;
        const qsizetype headerEnd = body.indexOf("\r\n\r\n", pos);
        if (headerEnd < 0)
            return std::nullopt;
        MultipartPart part;
        if (!readHeaders(body.mid(pos, headerEnd - pos + 2).chopped(1), &part))
            return std::nullopt;
        const qsizetype dataStart = headerEnd + 4;
        const qsizetype next = body.indexOf("\r\n" + delimiter, dataStart);
        if (next < 0)
            return std::nullopt;
        part.data = body.mid(dataStart, next - dataStart);
        parts.append(part);
        pos = next + 2 + delimiter.size();
    }
}
