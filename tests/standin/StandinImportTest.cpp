#include "StandinServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <httplib.h>

namespace
{

const std::string analyzePath = "/api/patients/smart_analyze_asset";

struct Event {
    QString name;
    QJsonObject payload;
};

QList<Event> eventsOf(const std::string &body)
{
    QList<Event> events;
    QString name;
    for (const QByteArray &line : QByteArray::fromStdString(body).split('\n')) {
        if (line.startsWith("event: "))
            name = QString::fromUtf8(line.mid(7));
        else if (line.startsWith("data: "))
            events.append({name, QJsonDocument::fromJson(line.mid(6)).object()});
    }
    return events;
}

QStringList textsOf(const QJsonArray &items)
{
    QStringList texts;
    for (const QJsonValue &item : items)
        texts.append(item[QLatin1String("entryText")].toString());
    return texts;
}

} // namespace

// The document import's routes: analysis stream, translation, documents from the analysed files, batch save.
class StandinImportTest : public QObject
{
    Q_OBJECT

private:
    // Uploads files as the application does and returns the stream's events.
    QList<Event> analyse(const QString &patientId, const httplib::MultipartFormDataItems &files, int *status = nullptr)
    {
        httplib::MultipartFormDataItems items = files;
        items.insert(items.begin(), {"patientId", patientId.toStdString(), "", ""});
        httplib::Client client("127.0.0.1", m_server.port());
        const httplib::Headers headers{{"Authorization", "Bearer " + m_session.access.toStdString()}};
        const auto result = client.Post(analyzePath, headers, items);
        if (!result)
            return {};
        if (status)
            *status = result->status;
        return eventsOf(result->body);
    }

    QJsonObject analyseOneFile(const QString &patientId)
    {
        const QList<Event> events = analyse(patientId, {{"files", "%PDF-1.4 scan", "checkup.pdf", "Application/PDF"}});
        return events.isEmpty() ? QJsonObject() : events.last().payload;
    }

    QJsonValue call(const QString &path, const QJsonObject &body)
    {
        return m_server.apiCall("POST", path, body, m_session.access);
    }

    QString patientId(int index)
    {
        const QJsonValue list = m_server.apiCall("GET", QStringLiteral("/patients/listAll?userId=") + m_session.userId,
                                                 {}, m_session.access);
        return list[index][QLatin1String("_id")].toString();
    }

    StandinServer m_server;
    StandinSession m_session;

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_server.isRunning());
        m_server.reset();
        m_session = m_server.signIn();
    }

    void analysis_streamsStepsOneMessagePerSection_thenDone()
    {
        const QList<Event> events =
            analyse(patientId(0), {{"files", "%PDF-1.4 a", "checkup.pdf", "application/pdf"},
                                   {"files", "PNG bytes", "vaccination card.png", "image/png"}});
        QStringList names;
        for (const Event &event : events)
            names.append(event.name == QLatin1String("message") ? event.payload[QLatin1String("tag")].toString()
                                                                : event.name);
        QCOMPARE(names, (QStringList{"finished_step", "finished_step", "hx", "rx", "ax", "vx", "zx", "lab", "done"}));
        QCOMPARE(events.at(0).payload[QLatin1String("stepIndex")].toInt(), 0);
        QCOMPARE(events.at(1).payload[QLatin1String("stepIndex")].toInt(), 1);
        QCOMPARE(textsOf(events.at(2).payload[QLatin1String("items")].toArray()),
                 (QStringList{"Condition noted in checkup", "Condition noted in vaccination card"}));
        QVERIFY(events.at(4).payload[QLatin1String("items")].toArray().isEmpty());
        QCOMPARE(textsOf(events.at(5).payload[QLatin1String("items")].toArray()),
                 QStringList{"Vaccination recorded in vaccination card"});
        const QJsonObject done = events.last().payload;
        QVERIFY(!done[QLatin1String("analyzeId")].toString().isEmpty());
        const QJsonArray files = done[QLatin1String("files")].toArray();
        QCOMPARE(files.size(), 2);
        QCOMPARE(files[1][QLatin1String("fileName")].toString(), QStringLiteral("vaccination card.png"));
        QCOMPARE(files[1][QLatin1String("mimetype")].toString(), QStringLiteral("image/png"));
        QVERIFY(!files[1][QLatin1String("filePath")].toString().isEmpty());
    }

    void analysis_refusesAFormWithoutFiles()
    {
        int status = 0;
        QVERIFY(analyse(patientId(0), {}, &status).isEmpty());
        QCOMPARE(status, 400);
    }

    void translation_marksEverySuggestionWithTheLanguage()
    {
        const QJsonObject done = analyseOneFile(patientId(0));
        const QJsonObject body{
            {"patientId", patientId(0)}, {"analyzeId", done[QLatin1String("analyzeId")]}, {"language", "pt-BR"}};
        const QJsonArray patches = call(QStringLiteral("/patients/translate_preview_medbits"), body).toArray();
        QCOMPARE(patches.size(), 3);
        QCOMPARE(patches[0][QLatin1String("translated")].toString(),
                 QStringLiteral("[pt-BR] Condition noted in checkup"));
        QCOMPARE(call(QStringLiteral("/patients/translate_preview_medbits"), body).toArray(), patches);
    }

    void documents_comeFromThisPatientsAnalysesOnly()
    {
        const QJsonArray files = analyseOneFile(patientId(0))[QLatin1String("files")].toArray();
        call(QStringLiteral("/patients/update_vector_store"), {{"patientId", patientId(1)}, {"files", files}});
        QCOMPARE(m_server.lastStatus(), 403);
        const QJsonArray ids =
            call(QStringLiteral("/patients/update_vector_store"), {{"patientId", patientId(0)}, {"files", files}})
                .toArray();
        QCOMPARE(ids.size(), 1);
        const QJsonValue document =
            m_server.apiCall("GET", QStringLiteral("/patients/document?id=") + ids[0].toString(), {}, m_session.access);
        QCOMPARE(document[QLatin1String("fileName")].toString(), QStringLiteral("checkup.pdf"));
        QCOMPARE(document[QLatin1String("type")].toString(), QStringLiteral("application/pdf"));
    }

    void batchSave_createsEntriesLinkedToTheDocuments()
    {
        const QJsonArray files = analyseOneFile(patientId(0))[QLatin1String("files")].toArray();
        const QJsonArray ids =
            call(QStringLiteral("/patients/update_vector_store"), {{"patientId", patientId(0)}, {"files", files}})
                .toArray();
        const QJsonObject entry{{"_id", "suggested-1"}, {"entryText", "Asthma"},   {"language", "en"},
                                {"date", 1614902400},   {"isApproxDate", true},    {"isLocked", false},
                                {"isStarred", true},    {"tags", QJsonArray{"hx"}}};
        const QJsonArray created =
            call(QStringLiteral("/medbits/bulk_create"),
                 {{"patientId", patientId(0)}, {"medbits", QJsonArray{entry}}, {"documentIds", ids}})
                .toArray();
        QCOMPARE(created.size(), 1);
        QCOMPARE(created[0][QLatin1String("entryText")].toString(), QStringLiteral("Asthma"));
        QVERIFY(created[0][QLatin1String("_id")].toString() != QLatin1String("suggested-1"));
        QCOMPARE(created[0][QLatin1String("documents")][0][QLatin1String("_id")], ids[0]);
        const QJsonArray documents =
            m_server
                .apiCall("GET", QStringLiteral("/patients/all_documents?patientId=") + patientId(0), {},
                         m_session.access)
                .toArray();
        bool linked = false;
        for (const QJsonValue &document : documents)
            linked =
                linked || document[QLatin1String("medbitIds")].toArray().contains(created[0][QLatin1String("_id")]);
        QVERIFY(linked);
        call(QStringLiteral("/medbits/bulk_create"),
             {{"patientId", patientId(1)}, {"medbits", QJsonArray{entry}}, {"documentIds", ids}});
        QCOMPARE(m_server.lastStatus(), 400);
    }
};

QTEST_GUILESS_MAIN(StandinImportTest)
#include "StandinImportTest.moc"
