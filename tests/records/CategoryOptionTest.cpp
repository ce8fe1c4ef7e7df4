#include "records/CategoryOption.h"
#include "records/CategoryColors.h"

#include <QTest>

class CategoryOptionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void all_listsTheEightCategoriesInOrder()
    {
        QStringList codes, labels, initials;
        for (const CategoryOption &option : CategoryOption::all()) {
            codes << option.code;
            labels << option.label;
            initials << option.initials;
        }
        QCOMPARE(codes, QString("hx rx ax zx vx lab $ @").split(' '));
        QCOMPARE(initials, QString("Hx Rx Ax Zx Vx Lab $ @").split(' '));
        QCOMPARE(labels.first(), QStringLiteral("Health problem"));
        QCOMPARE(labels.at(3), QStringLiteral("Procedures / surgeries"));
        QCOMPARE(labels.at(5), QStringLiteral("Diagnostic / imaging"));
        QCOMPARE(labels.last(), QStringLiteral("Contact information"));
    }

    void all_holdsTheSharedColours()
    {
        const QList<CategoryOption> &all = CategoryOption::all();
        const QList<QColor> expected{categoryColorHx(), categoryColorRx(),  categoryColorAx(),    categoryColorZx(),
                                     categoryColorVx(), categoryColorLab(), categoryColorOther(), categoryColorOther()};
        for (qsizetype i = 0; i < all.size(); ++i)
            QCOMPARE(all.at(i).color, expected.at(i));
        QCOMPARE(all.at(7).color.name(), QStringLiteral("#9aa0a6"));
        QCOMPARE(&categoryColorVx(), &categoryColorVx()); // made once, then shared
    }

    void colours_areExactByteFractions_data()
    {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<int>("red");
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("blue");
        QTest::newRow("hx") << categoryColorHx() << 26 << 115 << 232;
        QTest::newRow("rx") << categoryColorRx() << 52 << 168 << 83;
        QTest::newRow("ax") << categoryColorAx() << 231 << 111 << 91;
        QTest::newRow("zx") << categoryColorZx() << 249 << 171 << 0;
        QTest::newRow("vx") << categoryColorVx() << 160 << 64 << 255;
        QTest::newRow("lab") << categoryColorLab() << 95 << 99 << 104;
        QTest::newRow("other") << categoryColorOther() << 154 << 160 << 166;
    }

    void colours_areExactByteFractions()
    {
        QFETCH(QColor, color);
        QFETCH(int, red);
        QFETCH(int, green);
        QFETCH(int, blue);
        QCOMPARE(color, color.toRgb()); // an sRGB colour, not another colour model
        QCOMPARE(color.redF(), float(red / 255.0));
        QCOMPARE(color.greenF(), float(green / 255.0));
        QCOMPARE(color.blueF(), float(blue / 255.0));
        QCOMPARE(color.alphaF(), 1.0f);
    }

    void initialsForTag_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("initials");
        QTest::newRow("lab") << "lab"
                             << "Lab";
        QTest::newRow("dollar") << "$"
                                << "$";
        QTest::newRow("at") << "@"
                            << "@";
        QTest::newRow("case-sensitive") << "HX"
                                        << "HX";
        QTest::newRow("unknown") << "xy"
                                 << "XY";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("trailing blank") << "rx "
                                        << "RX ";
        QTest::newRow("unicode") << QStringLiteral("straße") << QStringLiteral("STRASSE");
    }

    void initialsForTag()
    {
        QFETCH(QString, tag);
        QTEST(CategoryOption::initialsForTag(tag), "initials");
    }
};

QTEST_GUILESS_MAIN(CategoryOptionTest)
#include "CategoryOptionTest.moc"
