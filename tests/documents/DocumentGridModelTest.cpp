#include "documents/DocumentGridModel.h"
#include "documents/DocumentKey.h"

#include <QJsonDocument>
#include <QTest>

namespace
{

// JSON written with single quotes, so that it reads well in the tables.
ImageAsset asset(QByteArray json)
{
    return ImageAsset::fromJson(QJsonDocument::fromJson(json.replace('\'', '"')).object());
}

QList<bool> selectedRows(const DocumentGridModel &model)
{
    QList<bool> rows;
    for (int row = 0; row < model.rowCount(); ++row)
        rows.append(model.index(row).data(DocumentGridModel::IsSelectedRole).toBool());
    return rows;
}

} // namespace

// Which listed document a record, a click or a request means: the grid's keys, replacement and selection.
class DocumentGridModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keys_followIdentity_elsePosition_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("serviceID");
        QTest::newRow("id first") << QByteArray("{'_id':'d1','uri':'http://x/a','fileName':'a.pdf'}") << "d1"
                                  << "d1";
        QTest::newRow("then link") << QByteArray("{'uri':'http://x/a','fileName':'a.pdf'}") << "http://x/a"
                                   << "";
        QTest::newRow("then name") << QByteArray("{'fileName':'a.pdf'}") << "a.pdf"
                                   << "";
        QTest::newRow("empty id is no service id") << QByteArray("{'_id':'','fileName':'a.pdf'}") << ""
                                                   << "";
        QTest::newRow("nothing: position") << QByteArray("{}") << QStringLiteral("\x01position 3") << "";
    }

    void keys_followIdentity_elsePosition()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, key);
        QFETCH(QString, serviceID);
        const ImageAsset document = asset(json);
        QCOMPARE(DocumentKey::forListed(document, 3), key);
        QCOMPARE(DocumentKey::forListed(document, 3), DocumentKey::forListed(document, 3));
        QCOMPARE(DocumentKey::serviceID(document).value_or(QString()), serviceID);
    }

    // Listed: d1 "first", d1 "second", an id-less "{}", d2.
    void replaceFirst_replacesOnlyTheFirstWithThatIdentity_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<bool>("replaced");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("shared id: first only")
            << QByteArray("{'_id':'d1','fileName':'new'}") << true << QStringList{"new", "second", "Document", "d2"};
        QTest::newRow("unknown id dropped")
            << QByteArray("{'_id':'d9','fileName':'new'}") << false << QStringList{"first", "second", "Document", "d2"};
        QTest::newRow("no identity dropped")
            << QByteArray("{'thumbnail':'http://x/t'}") << false << QStringList{"first", "second", "Document", "d2"};
    }

    void replaceFirst_replacesOnlyTheFirstWithThatIdentity()
    {
        QFETCH(QByteArray, record);
        QFETCH(bool, replaced);
        QFETCH(QStringList, names);
        DocumentGridModel model;
        model.setDocuments({asset("{'_id':'d1','fileName':'first'}"), asset("{'_id':'d1','fileName':'second'}"),
                            asset("{}"), asset("{'_id':'d2','fileName':'d2'}")});
        QCOMPARE(model.replaceFirst(asset(record)), replaced);
        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row)
            shown.append(model.index(row).data(Qt::DisplayRole).toString());
        QCOMPARE(shown, names);
    }

    void selection_marksEveryCardWithTheKey_andFindsTheFirst()
    {
        DocumentGridModel model;
        model.setDocuments({asset("{'_id':'d1','fileName':'first'}"), asset("{}"),
                            asset("{'_id':'d1','fileName':'second'}"), asset("{}")});
        QCOMPARE(selectedRows(model), (QList<bool>{false, false, false, false}));
        model.setSelectedKey(QStringLiteral("d1"));
        QCOMPARE(selectedRows(model), (QList<bool>{true, false, true, false}));
        QCOMPARE(model.document(QStringLiteral("d1"))->fileName, QStringLiteral("first"));
        // Documents without any identity are told apart by their place.
        model.setSelectedKey(model.keyAt(3));
        QCOMPARE(selectedRows(model), (QList<bool>{false, false, false, true}));
        QVERIFY(model.document(model.keyAt(3)).has_value());
    }

    void thumbnailLink_onlyAbsoluteValidLinks_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("link");
        QTest::newRow("http") << QByteArray("{'thumbnail':'http://127.0.0.1/t.png'}") << "http://127.0.0.1/t.png";
        QTest::newRow("missing") << QByteArray("{}") << "";
        QTest::newRow("relative") << QByteArray("{'thumbnail':'t.png'}") << "";
        QTest::newRow("malformed") << QByteArray("{'thumbnail':'http://[bad'}") << "";
    }

    void thumbnailLink_onlyAbsoluteValidLinks()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, link);
        DocumentGridModel model;
        model.setDocuments({asset(json)});
        QCOMPARE(model.index(0).data(DocumentGridModel::ThumbnailRole).toUrl().toString(), link);
    }
};

QTEST_GUILESS_MAIN(DocumentGridModelTest)
#include "DocumentGridModelTest.moc"
