#include "StandinServer.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPdfDocument>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <httplib.h>

namespace
{

// "", "files", id, token, name
QStringList linkParts(const QJsonValue &document)
{
    return QUrl(document[QLatin1String("uri")].toString()).path(QUrl::FullyEncoded).split(u'/');
}

bool isUnguessable(const QString &token)
{
    static const QRegularExpression hex128(QStringLiteral("^[0-9a-f]{32}$"));
    return hex128.match(token).hasMatch();
}

} // namespace

// Patients, entries and documents with the shapes and the behaviour the stores rely on.
class StandinRecordsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void demoSeed_hasTwoPatientsWithAlexActive();
    void demoSeed_coversEveryCategoryAndFlag();
    void demoDocuments_areRealPdfAndPng();
    void entry_createGetUpdateDelete();
    void entry_unknownId_isJsonNull();
    void entryList_showsEveryWrite();
    void entryList_replyKeptUntilThePatientsEntriesChange();
    void entry_fractionalDate_is400();
    void upload_storesBytesServedUnderUri();
    void upload_malformedMultipart_is400();
    void refresh_givesFreshUriAndRetiresOldOne();
    void thumbnail_isASmallPngThatLivesWithTheFileLink();
    void listedRecords_followTheStoredDocumentsAsTheyAre();
    void fileLink_isServedOnlyWithItsOwnToken_data();
    void fileLink_isServedOnlyWithItsOwnToken();
    void patients_createAndUpdateActive();

private:
    QJsonValue call(const QByteArray &method, const QString &path, const QJsonObject &body = {});
    QJsonArray entries();
    // The entry list of Alex, and whether the stand-in sent a kept reply or built it.
    QPair<QJsonArray, QByteArray> listed();
    QByteArray fetch(const QString &uri, int *status = nullptr);
    QByteArray uploadBody(const QByteArray &boundary, const QString &medbitId, const QByteArray &bytes);

    StandinServer m_server;
    StandinSession m_session;
    QString m_alex;
};

void StandinRecordsTest::init()
{
    QVERIFY(m_server.isRunning());
    m_server.reset();
    m_session = m_server.signIn();
    m_alex =
        call("GET", QStringLiteral("/patients/listAll?userId=") + m_session.userId)[0][QLatin1String("_id")].toString();
}

QJsonValue StandinRecordsTest::call(const QByteArray &method, const QString &path, const QJsonObject &body)
{
    return m_server.apiCall(method, path, body, m_session.access);
}

QJsonArray StandinRecordsTest::entries()
{
    return call("GET", QStringLiteral("/medbits/list/summary?patientId=") + m_alex).toArray();
}

QPair<QJsonArray, QByteArray> StandinRecordsTest::listed()
{
    httplib::Client client("127.0.0.1", m_server.port());
    const httplib::Headers headers{{"Authorization", "Bearer " + m_session.access.toStdString()}};
    const auto result = client.Get("/api/medbits/list/summary?patientId=" + m_alex.toStdString(), headers);
    if (!result || result->status != 200)
        return {};
    return {QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).array(),
            QByteArray::fromStdString(result->get_header_value("X-Standin-List-Reply"))};
}

QByteArray StandinRecordsTest::fetch(const QString &uri, int *status)
{
    const QUrl url(uri);
    httplib::Client client("127.0.0.1", url.port());
    const auto result = client.Get(url.path(QUrl::FullyEncoded).toStdString());
    if (status)
        *status = result ? result->status : 0;
    return result ? QByteArray::fromStdString(result->body) : QByteArray();
}

QByteArray StandinRecordsTest::uploadBody(const QByteArray &boundary, const QString &medbitId, const QByteArray &bytes)
{
    return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"patientId\"\r\n\r\n" + m_alex.toUtf8() +
           "\r\n--" + boundary + "\r\nContent-Disposition: form-data; name=\"medbitId\"\r\n\r\n" + medbitId.toUtf8() +
           "\r\n--" + boundary +
           "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"scan.bin\"\r\n"
           "Content-Type: application/octet-stream\r\n\r\n" +
           bytes + "\r\n--" + boundary + "--\r\n";
}

void StandinRecordsTest::demoSeed_hasTwoPatientsWithAlexActive()
{
    const QJsonArray patients = call("GET", QStringLiteral("/patients/listAll?userId=") + m_session.userId).toArray();
    QCOMPARE(patients.size(), 2);
    QCOMPARE(patients[0][QLatin1String("firstName")].toString(), QStringLiteral("Alex"));
    QCOMPARE(patients[0][QLatin1String("lastName")].toString(), QStringLiteral("Rivera"));
    QCOMPARE(patients[0][QLatin1String("active")], QJsonValue(true));
    QCOMPARE(patients[1][QLatin1String("firstName")].toString(), QStringLiteral("Sam"));
    QCOMPARE(patients[1][QLatin1String("active")], QJsonValue(false));
}

void StandinRecordsTest::demoSeed_coversEveryCategoryAndFlag()
{
    QSet<QString> tags;
    QSet<QString> flags;
    for (const QJsonValue &entry : entries()) {
        for (const QJsonValue &tag : entry[QLatin1String("tags")].toArray())
            tags.insert(tag.toString());
        for (const char *flag : {"isStarred", "isLocked", "isApproxDate"}) {
            if (entry[QLatin1String(flag)].toBool())
                flags.insert(QLatin1String(flag));
        }
        if (entry.toObject().contains(QLatin1String("translated")))
            flags.insert(QStringLiteral("translated"));
        if (!entry[QLatin1String("documents")].toArray().isEmpty())
            flags.insert(QStringLiteral("documents"));
        QVERIFY(entry[QLatin1String("date")].isDouble());
    }
    QCOMPARE(tags, (QSet<QString>{"hx", "rx", "ax", "zx", "vx", "lab", "$", "@"}));
    QCOMPARE(flags, (QSet<QString>{"isStarred", "isLocked", "isApproxDate", "translated", "documents"}));
}

void StandinRecordsTest::demoDocuments_areRealPdfAndPng()
{
    const QJsonArray documents = call("GET", QStringLiteral("/patients/all_documents?patientId=") + m_alex).toArray();
    int pdfs = 0;
    int images = 0;
    for (const QJsonValue &document : documents) {
        QByteArray bytes = fetch(document[QLatin1String("uri")].toString());
        if (document[QLatin1String("type")].toString() == QLatin1String("application/pdf")) {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            QPdfDocument pdf;
            pdf.load(&buffer);
            QTRY_COMPARE_WITH_TIMEOUT(pdf.status(), QPdfDocument::Status::Ready, 5000);
            QCOMPARE(pdf.pageCount(), 1);
            ++pdfs;
        } else {
            QVERIFY(!QImage::fromData(bytes, "PNG").isNull());
            ++images;
        }
    }
    QVERIFY(pdfs >= 1);
    QVERIFY(images >= 1);
}

void StandinRecordsTest::entry_createGetUpdateDelete()
{
    const QJsonObject created =
        call("POST", QStringLiteral("/medbits/create"),
             {{QStringLiteral("patientId"), m_alex},
              {QStringLiteral("medbit"), QJsonObject{{QStringLiteral("entryText"), QStringLiteral("Sprained ankle")},
                                                     {QStringLiteral("date"), 1700000000},
                                                     {QStringLiteral("isStarred"), true},
                                                     {QStringLiteral("tags"), QJsonArray{"hx"}}}}})
            .toObject();
    QCOMPARE(m_server.lastStatus(), 200);
    const QString id = created[QLatin1String("_id")].toString();
    QCOMPARE(created[QLatin1String("date")].toInteger(), 1700000000);
    QCOMPARE(created[QLatin1String("isStarred")], QJsonValue(true));
    QCOMPARE(created[QLatin1String("documents")], QJsonValue(QJsonArray()));
    QCOMPARE(call("GET", QStringLiteral("/medbits/get?medbitId=") + id), QJsonValue(created));

    const QJsonObject updated = call("PUT", QStringLiteral("/medbits/update?medbitId=") + id,
                                     {{QStringLiteral("patientId"), m_alex},
                                      {QStringLiteral("entryText"), QStringLiteral("Sprained left ankle")},
                                      {QStringLiteral("translated"), QStringLiteral("Tobillo")},
                                      {QStringLiteral("date"), 1700000100},
                                      {QStringLiteral("tags"), QJsonArray{"hx", "zx"}}})
                                    .toObject();
    QCOMPARE(updated[QLatin1String("_id")].toString(), id);
    QCOMPARE(updated[QLatin1String("translated")].toString(), QStringLiteral("Tobillo"));
    QCOMPARE(updated[QLatin1String("isStarred")], QJsonValue(false));

    call("DELETE", QStringLiteral("/medbits/delete/") + id);
    QCOMPARE(m_server.lastStatus(), 200);
    QVERIFY(call("GET", QStringLiteral("/medbits/get?medbitId=") + id).isNull());
}

// The list reply is kept between reads: every kind of write must still show in the next one.
void StandinRecordsTest::entryList_showsEveryWrite()
{
    const QJsonArray seeded = entries();
    QCOMPARE(entries(), seeded);
    const QString id = call("POST", QStringLiteral("/medbits/create"),
                            {{QStringLiteral("patientId"), m_alex},
                             {QStringLiteral("medbit"),
                              QJsonObject{{QStringLiteral("entryText"), QStringLiteral("New")},
                                          {QStringLiteral("date"), qint64(4000000000)}}}})[QLatin1String("_id")]
                           .toString();
    QCOMPARE(entries()[0][QLatin1String("_id")].toString(), id);

    call("PUT", QStringLiteral("/medbits/update?medbitId=") + id,
         {{QStringLiteral("patientId"), m_alex},
          {QStringLiteral("entryText"), QStringLiteral("Changed")},
          {QStringLiteral("date"), qint64(4000000000)}});
    QCOMPARE(entries()[0][QLatin1String("entryText")].toString(), QStringLiteral("Changed"));

    const auto attached = std::find_if(seeded.begin(), seeded.end(), [](const QJsonValue &entry) {
        return !entry[QLatin1String("documents")].toArray().isEmpty();
    });
    QVERIFY(attached != seeded.end());
    call("POST", QStringLiteral("/patients/document/refresh"),
         {{QStringLiteral("documentId"), (*attached)[QLatin1String("documents")][0][QLatin1String("_id")]}});
    QVERIFY(!entries().contains(*attached));

    call("DELETE", QStringLiteral("/medbits/delete/") + id);
    QCOMPARE(entries().size(), seeded.size());
    call("POST", QStringLiteral("/medbits/create"),
         {{QStringLiteral("patientId"), m_alex},
          {QStringLiteral("medbit"),
           QJsonObject{{QStringLiteral("entryText"), QStringLiteral("Again")}, {QStringLiteral("date"), 1}}}});
    QCOMPARE(entries().size(), seeded.size() + 1);
    m_server.reset();
    m_session = m_server.signIn();
    QCOMPARE(entries().size(), seeded.size());
}

void StandinRecordsTest::entryList_replyKeptUntilThePatientsEntriesChange()
{
    const QJsonArray seeded = listed().first;
    QCOMPARE(listed(), qMakePair(seeded, QByteArray("kept")));

    m_session = m_server.signIn();
    QCOMPARE(listed(), qMakePair(seeded, QByteArray("kept")));

    const QString sam =
        call("GET", QStringLiteral("/patients/listAll?userId=") + m_session.userId)[1][QLatin1String("_id")].toString();
    const QJsonObject entry{{QStringLiteral("entryText"), QStringLiteral("New")},
                            {QStringLiteral("date"), qint64(4000000000)}};
    call("POST", QStringLiteral("/medbits/create"),
         {{QStringLiteral("patientId"), sam}, {QStringLiteral("medbit"), entry}});
    QCOMPARE(m_server.lastStatus(), 200);
    QCOMPARE(listed(), qMakePair(seeded, QByteArray("kept")));

    const QString id =
        call("POST", QStringLiteral("/medbits/create"),
             {{QStringLiteral("patientId"), m_alex}, {QStringLiteral("medbit"), entry}})[QLatin1String("_id")]
            .toString();
    const auto [afterWrite, reply] = listed();
    QCOMPARE(reply, QByteArray("built"));
    QCOMPARE(afterWrite.size(), seeded.size() + 1);
    QCOMPARE(afterWrite[0][QLatin1String("_id")].toString(), id);
}

void StandinRecordsTest::entry_unknownId_isJsonNull()
{
    QVERIFY(call("GET", QStringLiteral("/medbits/get?medbitId=66a0ffffffffffffffffffff")).isNull());
    QCOMPARE(m_server.lastStatus(), 200);
    QVERIFY(call("GET", QStringLiteral("/patients/document?id=nothing")).isNull());
    QCOMPARE(m_server.lastStatus(), 200);
}

void StandinRecordsTest::entry_fractionalDate_is400()
{
    const QJsonValue reply = call(
        "POST", QStringLiteral("/medbits/create"),
        {{QStringLiteral("patientId"), m_alex},
         {QStringLiteral("medbit"), QJsonObject{{QStringLiteral("entryText"), "x"}, {QStringLiteral("date"), 1.5}}}});
    QCOMPARE(m_server.lastStatus(), 400);
    QVERIFY(reply[QLatin1String("message")].toString().contains(QLatin1String("date")));
}

void StandinRecordsTest::upload_storesBytesServedUnderUri()
{
    const QString medbitId = entries()[0][QLatin1String("_id")].toString();
    const QByteArray bytes("\x00\x01scan\r\n--not-a-boundary\xff", 24);
    httplib::Client client("127.0.0.1", m_server.port());
    const httplib::Headers headers{{"Authorization", "Bearer " + m_session.access.toStdString()}};
    const auto result =
        client.Post("/api/medbits/upload_image", headers, uploadBody("Boundary-1234", medbitId, bytes).toStdString(),
                    "multipart/form-data; boundary=Boundary-1234");
    QVERIFY(result);
    QCOMPARE(result->status, 200);
    const QJsonObject asset = QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object();
    QCOMPARE(asset[QLatin1String("fileName")].toString(), QStringLiteral("scan.bin"));
    QCOMPARE(asset[QLatin1String("medbitIds")], QJsonValue(QJsonArray{medbitId}));
    QCOMPARE(fetch(asset[QLatin1String("uri")].toString()), bytes);
    QVERIFY(isUnguessable(linkParts(asset)[3]));
    const QJsonArray documents = call("GET", QStringLiteral("/medbits/get?medbitId=") + medbitId)
                                     .toObject()[QLatin1String("documents")]
                                     .toArray();
    QCOMPARE(documents.last()[QLatin1String("_id")], asset[QLatin1String("_id")]);
}

void StandinRecordsTest::upload_malformedMultipart_is400()
{
    httplib::Client client("127.0.0.1", m_server.port());
    const httplib::Headers headers{{"Authorization", "Bearer " + m_session.access.toStdString()}};
    const QByteArray unclosed = uploadBody("B-1", QString(), "data").chopped(int(qstrlen("--B-1--\r\n")));
    const auto result =
        client.Post("/api/medbits/upload_image", headers, unclosed.toStdString(), "multipart/form-data; boundary=B-1");
    QVERIFY(result);
    QCOMPARE(result->status, 400);
}

void StandinRecordsTest::refresh_givesFreshUriAndRetiresOldOne()
{
    const QJsonObject document =
        call("GET", QStringLiteral("/patients/all_documents?patientId=") + m_alex)[0].toObject();
    const QJsonObject fresh = call("POST", QStringLiteral("/patients/document/refresh"),
                                   {{QStringLiteral("documentId"), document[QLatin1String("_id")]}})
                                  .toObject();
    QCOMPARE(fresh[QLatin1String("_id")], document[QLatin1String("_id")]);
    QVERIFY(fresh[QLatin1String("uri")] != document[QLatin1String("uri")]);
    int status = 0;
    QVERIFY(!fetch(fresh[QLatin1String("uri")].toString(), &status).isEmpty());
    QCOMPARE(status, 200);
    fetch(document[QLatin1String("uri")].toString(), &status);
    QCOMPARE(status, 404);
}

void StandinRecordsTest::thumbnail_isASmallPngThatLivesWithTheFileLink()
{
    const QJsonArray documents = call("GET", QStringLiteral("/patients/all_documents?patientId=") + m_alex).toArray();
    QVERIFY(!documents.isEmpty());
    for (const QJsonValue &document : documents) {
        int status = 0;
        const QImage thumbnail =
            QImage::fromData(fetch(document[QLatin1String("thumbnail")].toString(), &status), "PNG");
        QCOMPARE(status, 200);
        QVERIFY(!thumbnail.isNull() && thumbnail.width() <= 130 && thumbnail.height() <= 150);
    }
    const QJsonValue pdf = documents[0];
    QVERIFY(pdf[QLatin1String("type")].toString().contains(QLatin1String("pdf")));
    call("POST", QStringLiteral("/_standin/expire-document"),
         {{QStringLiteral("documentId"), pdf[QLatin1String("_id")]}});
    int status = 0;
    fetch(pdf[QLatin1String("thumbnail")].toString(), &status);
    QCOMPARE(status, 404);
    const QJsonObject fresh = call("POST", QStringLiteral("/patients/document/refresh"),
                                   {{QStringLiteral("documentId"), pdf[QLatin1String("_id")]}})
                                  .toObject();
    fetch(fresh[QLatin1String("thumbnail")].toString(), &status);
    QCOMPARE(status, 200);
    fetch(pdf[QLatin1String("thumbnail")].toString(), &status);
    QCOMPARE(status, 404);
}

void StandinRecordsTest::listedRecords_followTheStoredDocumentsAsTheyAre()
{
    const QString path = QStringLiteral("/patients/all_documents?patientId=") + m_alex;
    const qsizetype stored = call("GET", path).toArray().size();
    const QJsonObject withoutId{{QStringLiteral("fileName"), QStringLiteral("No id.png")}};
    call("POST", QStringLiteral("/_standin/listed-documents"),
         {{QStringLiteral("patientId"), m_alex}, {QStringLiteral("record"), withoutId}});
    call("POST", QStringLiteral("/_standin/listed-documents"),
         {{QStringLiteral("patientId"), m_alex}, {QStringLiteral("record"), QJsonObject{}}});
    const QJsonArray listed = call("GET", path).toArray();
    QCOMPARE(listed.size(), stored + 2);
    QCOMPARE(listed[stored].toObject(), withoutId);
    QCOMPARE(listed[stored + 1].toObject(), QJsonObject{});
}

void StandinRecordsTest::fileLink_isServedOnlyWithItsOwnToken_data()
{
    QTest::addColumn<QString>("token"); // "own", "other" (another document's) or a literal
    QTest::addColumn<int>("status");
    QTest::newRow("own") << QStringLiteral("own") << 200;
    QTest::newRow("another document's") << QStringLiteral("other") << 404;
    QTest::newRow("the old fixed token") << QStringLiteral("seed") << 404;
    QTest::newRow("all zeros") << QStringLiteral("00000000000000000000000000000000") << 404;
}

void StandinRecordsTest::fileLink_isServedOnlyWithItsOwnToken()
{
    QFETCH(QString, token);
    QFETCH(int, status);
    const QJsonArray documents = call("GET", QStringLiteral("/patients/all_documents?patientId=") + m_alex).toArray();
    QVERIFY(documents.size() >= 2);
    const QStringList own = linkParts(documents[0]);
    const QStringList other = linkParts(documents[1]);
    QVERIFY(isUnguessable(own[3]));
    QVERIFY(own[3] != other[3]);
    const QString used = token == u"own" ? own[3] : token == u"other" ? other[3] : token;
    const QString uri =
        QStringLiteral("http://127.0.0.1:%1/files/%2/%3/%4").arg(m_server.port()).arg(own[2], used, own[4]);
    int answered = 0;
    fetch(uri, &answered);
    QCOMPARE(answered, status);
}

void StandinRecordsTest::patients_createAndUpdateActive()
{
    const QJsonObject created =
        call("POST", QStringLiteral("/patients/create"),
             {{QStringLiteral("userId"), m_session.userId}, {QStringLiteral("firstName"), QStringLiteral("Robin")}})
            .toObject();
    QCOMPARE(created[QLatin1String("firstName")].toString(), QStringLiteral("Robin"));
    const QJsonObject active = call("PUT", QStringLiteral("/patients/updateActive"),
                                    {{QStringLiteral("userId"), m_session.userId},
                                     {QStringLiteral("patientId"), created[QLatin1String("_id")]}})
                                   .toObject();
    QCOMPARE(active[QLatin1String("active")], QJsonValue(true));
    const QJsonArray patients = call("GET", QStringLiteral("/patients/listAll?userId=") + m_session.userId).toArray();
    QCOMPARE(patients.size(), 3);
    QCOMPARE(patients[0][QLatin1String("active")], QJsonValue(false));
    QCOMPARE(patients[2][QLatin1String("active")], QJsonValue(true));
}

QTEST_MAIN(StandinRecordsTest)
#include "StandinRecordsTest.moc"
