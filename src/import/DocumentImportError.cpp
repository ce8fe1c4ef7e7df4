#include "DocumentImportError.h"

#include <QCoreApplication>

DocumentImportError DocumentImportError::unsupportedFormat(const QString &filename)
{
    return DocumentImportError(Kind::UnsupportedFormat, filename);
}

DocumentImportError DocumentImportError::uploadFailed(const QString &message)
{
    return DocumentImportError(Kind::UploadFailed, message);
}

QString DocumentImportError::description() const
{
    if (m_kind == Kind::UploadFailed)
        return m_payload;
    return QCoreApplication::translate("DocumentImportError",
                                       "Can't import “%1” — only PDF and image files (JPG, PNG, HEIC, TIFF, GIF) "
                                       "are supported.")
        .arg(m_payload);
}
