#include "mainwindow/timeline/TimelineModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

namespace
{

Medbit entry(const QString &id, const QStringList &tags = {QStringLiteral("rx")})
{
    Medbit medbit;
    medbit.id = id;
    medbit.entryText = QStringLiteral("Entry ") + id;
    medbit.tags = tags;
    medbit.date = QDateTime(QDate(2024, 3, 5), QTime(23, 30), QTimeZone::utc()).toSecsSinceEpoch();
    return medbit;
}

QStringList ids(const TimelineModel &model)
{
    QStringList shown;
    for (int row = 0; row < model.rowCount(); ++row)
        shown.append(model.medbitAt(row).id);
    return shown;
}

QList<Medbit> entries(const QString &letters)
{
    QList<Medbit> list;
    for (const QChar letter : letters)
        list.append(entry(QString(letter)));
    return list;
}

} // namespace

class TimelineModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void newList_changesOnlyWhatDiffers_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("inserted");
        QTest::newRow("same ids") << "abcd"
                                  << "abcd" << 0 << 0;
        QTest::newRow("created at the front") << "abcd"
                                              << "eabcd" << 0 << 1;
        QTest::newRow("one deleted") << "abcd"
                                     << "abd" << 1 << 0;
        QTest::newRow("emptied") << "abcd"
                                 << "" << 4 << 0;
        QTest::newRow("filled") << ""
                                << "abcd" << 0 << 4;
        QTest::newRow("another patient") << "abcd"
                                         << "wxyz" << 4 << 4;
    }

    void newList_changesOnlyWhatDiffers()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, removed);
        QFETCH(int, inserted);
        TimelineModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setMedbits(entries(before));
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy removes(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
        model.setMedbits(entries(after));
        QCOMPARE(ids(model).join(QString()), after);
        QCOMPARE(resets.size(), 0);
        QCOMPARE(removes.isEmpty() ? 0 : removes.first().at(2).toInt() - removes.first().at(1).toInt() + 1, removed);
        QCOMPARE(inserts.isEmpty() ? 0 : inserts.first().at(2).toInt() - inserts.first().at(1).toInt() + 1, inserted);
    }

    void changedEntry_repaintsItsRowOnly()
    {
        TimelineModel model;
        QList<Medbit> list = entries(QStringLiteral("abcd"));
        model.setMedbits(list);
        QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        list[2].isStarred = true;
        list.prepend(entry(QStringLiteral("e")));
        model.setMedbits(list);
        QCOMPARE(resets.size(), 0);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.first().at(0).toModelIndex().row(), 3);
        QVERIFY(model.medbitAt(3).isStarred);
    }

    void filter_keepsOrderAndApplies()
    {
        TimelineModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setMedbits({entry(QStringLiteral("a"), {QStringLiteral("hx")}), entry(QStringLiteral("b")),
                          entry(QStringLiteral("c"), {QStringLiteral("lab")}), entry(QStringLiteral("d"))});
        model.setFilter(QStringLiteral("rx"), QString());
        QCOMPARE(ids(model), QStringList({QStringLiteral("b"), QStringLiteral("d")}));
        QCOMPARE(model.firstRowFrom(2), 1);
        model.setMedbits({entry(QStringLiteral("b")), entry(QStringLiteral("e"))});
        QCOMPARE(ids(model), QStringList({QStringLiteral("b"), QStringLiteral("e")}));
        model.setFilter(std::nullopt, QStringLiteral(" entry E "));
        QCOMPARE(ids(model), QStringList{QStringLiteral("e")});
    }

    void rowText_readsMainTextMarksInitialsAndDate_data()
    {
        QTest::addColumn<bool>("starred");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<bool>("attachment");
        QTest::addColumn<QString>("translated");
        QTest::addColumn<QStringList>("tags");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << false << false << false << QString() << QStringList{QStringLiteral("rx")}
                               << "Entry a. Rx · Mar 5, 2024";
        QTest::newRow("all marks, in order")
            << true << true << true << QString() << QStringList{QStringLiteral("hx"), QStringLiteral("zz")}
            << "Entry a. Starred, Locked, Has attachment. Hx, ZZ · Mar 5, 2024";
        QTest::newRow("translation first, no tags")
            << false << false << false << "Translated" << QStringList() << "Translated.  · Mar 5, 2024";
    }

    void rowText_readsMainTextMarksInitialsAndDate()
    {
        QFETCH(bool, starred);
        QFETCH(bool, locked);
        QFETCH(bool, attachment);
        QFETCH(QString, translated);
        QFETCH(QStringList, tags);
        QFETCH(QString, text);
        Medbit medbit = entry(QStringLiteral("a"), tags);
        medbit.isStarred = starred;
        medbit.isLocked = locked;
        if (attachment)
            medbit.documents.append(ImageAsset{});
        if (!translated.isEmpty())
            medbit.translated = translated;
        TimelineModel model;
        model.setMedbits({medbit});
        QCOMPARE(model.index(0).data(Qt::AccessibleTextRole).toString(), text);
        QCOMPARE(model.index(0).data(Qt::DisplayRole).toString(), text);
    }
};

QTEST_GUILESS_MAIN(TimelineModelTest)
#include "TimelineModelTest.moc"
