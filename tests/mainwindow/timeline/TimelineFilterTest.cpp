#include "mainwindow/timeline/TimelineFilter.h"
#include "records/Medbit.h"

#include <QTest>

namespace
{

Medbit entry(const QString &id, const QString &text, const QStringList &tags, const QString &translated = {})
{
    Medbit medbit;
    medbit.id = id;
    medbit.entryText = text;
    medbit.tags = tags;
    if (!translated.isEmpty())
        medbit.translated = translated;
    return medbit;
}

} // namespace

class TimelineFilterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void shownRows_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("nothing narrows") << QString() << QString() << QList<int>{0, 1, 2, 3, 4};
        QTest::newRow("blank search is no search")
            << QString() << QStringLiteral(" \n\t ") << QList<int>{0, 1, 2, 3, 4};
        QTest::newRow("trimmed and case-insensitive") << QString() << QStringLiteral("  ASPIRIN ") << QList<int>{1};
        QTest::newRow("x matches codes, not labels") << QString() << QStringLiteral("x") << QList<int>{0, 1, 2};
        QTest::newRow("label is not searched") << QString() << QStringLiteral("Medicine") << QList<int>{};
        QTest::newRow("lab code") << QString() << QStringLiteral("lab") << QList<int>{3};
        QTest::newRow("translation is not searched") << QString() << QStringLiteral("Knie") << QList<int>{};
        QTest::newRow("untranslated text is") << QString() << QStringLiteral("knee") << QList<int>{2};
        QTest::newRow("filter is an exact code") << QStringLiteral("rx") << QString() << QList<int>{1};
        QTest::newRow("filter is case-sensitive") << QStringLiteral("RX") << QString() << QList<int>{};
        QTest::newRow("filter and search both apply")
            << QStringLiteral("hx") << QStringLiteral("pain") << QList<int>{2};
        QTest::newRow("unknown code shows none") << QStringLiteral("zz") << QString() << QList<int>{};
    }

    void shownRows()
    {
        QFETCH(QString, filter);
        QFETCH(QString, search);
        QFETCH(QList<int>, rows);
        const QList<Medbit> medbits{
            entry(QStringLiteral("a"), QStringLiteral("Asthma"), {QStringLiteral("hx")}),
            entry(QStringLiteral("b"), QStringLiteral("Aspirin 100 mg"), {QStringLiteral("rx")}),
            entry(QStringLiteral("c"), QStringLiteral("Knee pain"), {QStringLiteral("hx"), QStringLiteral("$")},
                  QStringLiteral("Knieschmerzen")),
            entry(QStringLiteral("d"), QStringLiteral("Blood panel"), {QStringLiteral("lab")}),
            entry(QStringLiteral("e"), QStringLiteral("Dentist"), {}),
        };
        const std::optional<QString> code = filter.isEmpty() ? std::nullopt : std::optional<QString>(filter);
        QCOMPARE(TimelineFilter::shownRows(medbits, code, search), rows);
    }
};

QTEST_APPLESS_MAIN(TimelineFilterTest)
#include "TimelineFilterTest.moc"
