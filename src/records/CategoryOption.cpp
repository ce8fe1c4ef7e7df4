#include "CategoryOption.h"

#include "CategoryColors.h"

#include <QCoreApplication>

namespace {

QList<CategoryOption> makeTable()
{
    const auto label = [](const char *text) { return QCoreApplication::translate("CategoryOption", text); };
    return {
        {QStringLiteral("hx"), label(QT_TRANSLATE_NOOP("CategoryOption", "Health problem")), QStringLiteral("Hx"), categoryColorHx()},
        {QStringLiteral("rx"), label(QT_TRANSLATE_NOOP("CategoryOption", "Medicine")), QStringLiteral("Rx"), categoryColorRx()},
        {QStringLiteral("ax"), label(QT_TRANSLATE_NOOP("CategoryOption", "Allergies")), QStringLiteral("Ax"), categoryColorAx()},
        {QStringLiteral("zx"), label(QT_TRANSLATE_NOOP("CategoryOption", "Procedures / surgeries")), QStringLiteral("Zx"), categoryColorZx()},
        {QStringLiteral("vx"), label(QT_TRANSLATE_NOOP("CategoryOption", "Vaccination")), QStringLiteral("Vx"), categoryColorVx()},
        {QStringLiteral("lab"), label(QT_TRANSLATE_NOOP("CategoryOption", "Diagnostic / imaging")), QStringLiteral("Lab"), categoryColorLab()},
        {QStringLiteral("$"), label(QT_TRANSLATE_NOOP("CategoryOption", "Medical expenses")), QStringLiteral("$"), categoryColorOther()},
        {QStringLiteral("@"), label(QT_TRANSLATE_NOOP("CategoryOption", "Contact information")), QStringLiteral("@"), categoryColorOther()},
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
