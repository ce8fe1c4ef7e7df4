#include "CategoryOption.h"

#include "CategoryColors.h"

#include <QCoreApplication>

namespace
{

CategoryOption makeOption(const char *code, const char *label, const char *initials, const QColor &color)
{
    return {QString::fromLatin1(code), QCoreApplication::translate("CategoryOption", label),
            QString::fromLatin1(initials), color};
}

QList<CategoryOption> makeTable()
{
    return {
        makeOption("hx", QT_TRANSLATE_NOOP("CategoryOption", "Health problem"), "Hx", categoryColorHx()),
        makeOption("rx", QT_TRANSLATE_NOOP("CategoryOption", "Medicine"), "Rx", categoryColorRx()),
        makeOption("ax", QT_TRANSLATE_NOOP("CategoryOption", "Allergies"), "Ax", categoryColorAx()),
        makeOption("zx", QT_TRANSLATE_NOOP("CategoryOption", "Procedures / surgeries"), "Zx", categoryColorZx()),
        makeOption("vx", QT_TRANSLATE_NOOP("CategoryOption", "Vaccination"), "Vx", categoryColorVx()),
        makeOption("lab", QT_TRANSLATE_NOOP("CategoryOption", "Diagnostic / imaging"), "Lab", categoryColorLab()),
        makeOption("$", QT_TRANSLATE_NOOP("CategoryOption", "Medical expenses"), "$", categoryColorOther()),
        makeOption("@", QT_TRANSLATE_NOOP("CategoryOption", "Contact information"), "@", categoryColorOther()),
    };
}

} // namespace

const QList<CategoryOption> &CategoryOption::all()
{
    static const QList<CategoryOption> table = makeTable();
    return table;
}

QString CategoryOption::initialsForTag(const QString &tag)
{
    for (const CategoryOption &option : all()) {
        if (option.code == tag)
            return option.initials;
    }
    return tag.toUpper();
}
