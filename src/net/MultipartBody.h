#pragma once

#include "MultipartFile.h"
#include "UploadBody.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

using FormFields = QList<QPair<QString, QString>>;

// Lays out a multipart/form-data body: the text fields in order, then the files in order, then the
// closing delimiter. Usage: MultipartBody::make(MultipartBody::makeBoundary(), fields, files), or layout() for a
// body whose files stay on disk until it is sent.
class MultipartBody final
{
public:
    // "Boundary-" and a new random UUID in upper case.
    static QString makeBoundary();
    static UploadBody layout(const QString &boundary, const FormFields &fields, const QList<MultipartFile> &files);
    // The laid-out body in memory.
    static QByteArray make(const QString &boundary, const FormFields &fields, const QList<MultipartFile> &files);
    // A part's name or file name between quotes: '"', CR and LF are percent-escaped as browsers do,
    // so a file name can never add a header or a field; everything else stays raw UTF-8.
    static QByteArray quotedParameter(const QString &value);
};
