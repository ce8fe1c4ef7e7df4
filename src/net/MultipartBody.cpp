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

UploadBody MultipartBody::layout(const QString &boundary, const FormFields &fields, const QList<MultipartFile> &files)
{
    const QByteArray delimiter = "--" + boundary.toUtf8() + crlf;
    UploadBody body;
    for (const auto &[name, value] : fields) {
        body.append(delimiter);
        body.append("Content-Disposition: form-data; name=" + quotedParameter(name) + crlf + crlf);
        body.append(value.toUtf8() + crlf);
    }
    for (const MultipartFile &file : files) {
        body.append(delimiter);
        body.append("Content-Disposition: form-data; name=" + quotedParameter(file.fieldName) +
                    "; filename=" + quotedParameter(file.filename) + crlf);
        body.append("Content-Type: " + file.mimeType.toUtf8() + crlf + crlf);
        if (file.path.isEmpty())
            body.append(file.data);
        else
            body.appendFile(file.path);
        body.append(crlf);
    }
    body.append("--" + boundary.toUtf8() + "--" + crlf);
    return body;
}

QByteArray MultipartBody::make(const QString &boundary, const FormFields &fields, const QList<MultipartFile> &files)
{
    return layout(boundary, fields, files).readAll();
}
