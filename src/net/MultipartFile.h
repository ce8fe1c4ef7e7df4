#pragma once

#include <QByteArray>
#include <QString>

struct MultipartFile {
    QString fieldName;
    QString filename;
    QString mimeType;
    QByteArray data;
};
