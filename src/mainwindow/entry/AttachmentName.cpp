#include "mainwindow/entry/AttachmentName.h"

#include "records/Medbit.h"

#include <QCoreApplication>

std::optional<QString> attachmentName(const Medbit &medbit)
{
    if (medbit.documents.isEmpty())
        return std::nullopt;
    return medbit.documents.first().fileName.value_or(QCoreApplication::translate("Attachment", "Document"));
}
