#include "mainwindow/timeline/TimelineRowText.h"

#include "records/CategoryOption.h"
#include "records/Medbit.h"

#include <QCoreApplication>

namespace TimelineRowText
{

const QString &mainText(const Medbit &medbit)
{
    return medbit.translated ? *medbit.translated : medbit.entryText;
}

const QString *untranslatedText(const Medbit &medbit)
{
    return medbit.translated ? &medbit.entryText : nullptr;
}

QStringList markNames(const Medbit &medbit)
{
    QStringList names;
    if (medbit.isStarred)
        names.append(QCoreApplication::translate("TimelineRow", "Starred"));
    if (medbit.isLocked)
        names.append(QCoreApplication::translate("TimelineRow", "Locked"));
    if (!medbit.documents.isEmpty())
        names.append(QCoreApplication::translate("TimelineRow", "Has attachment"));
    return names;
}

QString initials(const Medbit &medbit)
{
    QStringList parts;
    parts.reserve(medbit.tags.size());
    for (const QString &tag : medbit.tags)
        parts.append(CategoryOption::initialsForTag(tag));
    return parts.join(QStringLiteral(", "));
}

QString footer(const Medbit &medbit)
{
    return initials(medbit) + QStringLiteral(" · ") + medbit.displayDate();
}

} // namespace TimelineRowText
