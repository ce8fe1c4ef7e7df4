#pragma once

#include <QByteArray>
#include <QString>

// One file part of a multipart form. Its bytes are `data`, or, when `path` is set, the file there, read only
// as the body is sent.
struct MultipartFile {
    QString fieldName;
    QString filename;
    QString mimeType;
    QByteArray data;
    QString path = {};
};
