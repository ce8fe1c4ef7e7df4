#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

// A timeline of 10,000 entries as the service's summary reply gives it: texts of a realistic length, two
// categories each, every third translated, every fourth with a document.
namespace TimelineEntries
{

inline constexpr int entryCount = 10000;

inline QJsonObject document(int i)
{
    return {
        {QStringLiteral("_id"), QStringLiteral("66f0c0ffee%1").arg(i, 14, 10, QLatin1Char('0'))},
        {QStringLiteral("uri"), QStringLiteral("https://files.example.test/patients/p1/documents/scan-%1.pdf").arg(i)},
        {QStringLiteral("thumbnail"),
         QStringLiteral("https://files.example.test/patients/p1/thumbs/scan-%1.png").arg(i)},
        {QStringLiteral("fileName"), QStringLiteral("Scan %1.pdf").arg(i)},
        {QStringLiteral("type"), QStringLiteral("application/pdf")},
        {QStringLiteral("medbitIds"), QJsonArray{QStringLiteral("66f0beef%1").arg(i, 16, 10, QLatin1Char('0'))}}};
}

inline QJsonObject entry(int i)
{
    static const QStringList codes{QStringLiteral("hx"), QStringLiteral("rx"), QStringLiteral("ax"),
                                   QStringLiteral("zx"), QStringLiteral("vx"), QStringLiteral("lab")};
    QJsonObject object{
        {QStringLiteral("_id"), QStringLiteral("66f0beef%1").arg(i, 16, 10, QLatin1Char('0'))},
        {QStringLiteral("entryText"),
         QStringLiteral("Follow-up visit %1: blood pressure 128/82, advised to continue the current dose and to "
                        "return in three months for another check of kidney values and potassium.")
             .arg(i)},
        {QStringLiteral("date"), qint64(1500000000) + qint64(i) * 86400},
        {QStringLiteral("isApproxDate"), i % 7 == 0},
        {QStringLiteral("isLocked"), false},
        {QStringLiteral("isStarred"), i % 5 == 0},
        {QStringLiteral("tags"), QJsonArray{codes.at(i % 6), codes.at((i + 1) % 6)}},
        {QStringLiteral("documents"), i % 4 == 0 ? QJsonArray{document(i)} : QJsonArray{}},
    };
    if (i % 3 == 0) {
        object.insert(QStringLiteral("translated"), QStringLiteral("Kontrolltermin %1: Blutdruck 128/82.").arg(i));
        object.insert(QStringLiteral("language"), QStringLiteral("de"));
    }
    return object;
}

inline QByteArray summaryReply()
{
    QJsonArray list;
    for (int i = 0; i < entryCount; ++i)
        list.append(entry(i));
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

} // namespace TimelineEntries
