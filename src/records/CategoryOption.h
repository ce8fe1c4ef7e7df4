#pragma once

#include <QColor>
#include <QList>
#include <QString>

// One of the eight fixed entry categories. An entry's tags hold the codes.
struct CategoryOption {
    QString code;
    QString label;
    QString initials;
    QColor color;

    // The eight categories in the order they are offered to the user.
    static const QList<CategoryOption> &all();
    // The initials of a known code (case-sensitive); any other tag upper-cased.
    static QString initialsForTag(const QString &tag);
};
