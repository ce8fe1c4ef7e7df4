#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

struct MultipartPart {
    QByteArray name;
    std::optional<QByteArray> fileName;
    QByteArray contentType;
    QByteArray data;
};

// Strict reading of a multipart/form-data body: the boundary from the content
// type, CRLF line ends, every part closed, the closing delimiter present.
// nullopt when any of that is wrong.
std::optional<QList<MultipartPart>> parseMultipart(const QByteArray &contentType, const QByteArray &body);
