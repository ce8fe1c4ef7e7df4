#include "MultipartBody.h"

#include <QUuid>

namespace
{
constexpr char crlf[] = "\r\n";
}

QString MultipartBody::makeBoundary()
{
    return QStringLiteral("Boundary-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QByteArray MultipartBody::quotedParameter(const QString &value)
{
    QByteArray result = value.toUtf8();
    result.replace('"', "%22").replace('\r', "%0D").replace('\n', "%0A");
    return '"' + result + '"';
}

QByteArray MultipartBody::make(const QString &boundary, const FormFields &fields, const QList<MultipartFile> &files)
{
    const QByteArray delimiter = "--" + boundary.toUtf8() + crlf;
    QByteArray body;
    for (const auto &[name, value] : fields) {
        body += delimiter;
        body += "Content-Disposition: form-data; name=" + quotedParameter(name) + crlf + crlf;
        body += value.toUtf8() + crlf;
    }
    for (const MultipartFile &file : files) {
        body += delimiter;
        body += "Content-Disposition: form-data; name=" + quotedParameter(file.fieldName) +
                "; filename=" + quotedParameter(file.filename) + crlf;
        body += "Content-Type: " + file.mimeType.toUtf8() + crlf + crlf;
        body += file.data;
        body += crlf;
    }
    body += "--" + boundary.toUtf8() + "--" + crlf;
    return body;
}
