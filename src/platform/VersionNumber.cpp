#include "VersionNumber.h"

#include <QStringList>

namespace
{

struct Component {
    qulonglong number = 0;
    QString suffix;
};

Component parseComponent(const QString &text)
{
    qsizetype digits = 0;
    while (digits < text.size() && text.at(digits).isDigit() && text.at(digits).unicode() < 128)
        ++digits;
    return {text.left(digits).toULongLong(), text.mid(digits)};
}

int compareComponents(const Component &a, const Component &b)
{
    if (a.number != b.number)
        return a.number < b.number ? -1 : 1;
    if (a.suffix == b.suffix)
        return 0;
    if (a.suffix.isEmpty())
        return 1;
    if (b.suffix.isEmpty())
        return -1;
    return a.suffix < b.suffix ? -1 : 1;
}

} // namespace

int VersionNumber::compare(const QString &a, const QString &b)
{
    const QStringList left = a.trimmed().split(QLatin1Char('.'));
    const QStringList right = b.trimmed().split(QLatin1Char('.'));
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        const Component l = i < left.size() ? parseComponent(left.at(i)) : Component{};
        const Component r = i < right.size() ? parseComponent(right.at(i)) : Component{};
        if (const int order = compareComponents(l, r); order != 0)
            return order;
    }
    return 0;
}
