#include "ImportRoutes.h"

#include "Access.h"
#include "HttpUtil.h"
#include "MedbitFields.h"
#include "Multipart.h"
#include "Router.h"
#include "StandinState.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <httplib.h>

#include <chrono>
#include <thread>

using HttpUtil::replyError;
using HttpUtil::replyJson;
using Request = httplib::Request;
using Response = httplib::Response;

namespace
{

constexpr auto pauseBetweenAnalysisEvents = std::chrono::milliseconds(40);
constexpr qint64 firstSuggestedDate = 1614902400; // 5 March 2021
constexpr qint64 suggestedDateStep = 30 * 86400;

QByteArray analysisEvent(const char *name, const QJsonObject &payload)
{
    return QByteArray("event: ") + name + "\ndata: " + QJsonDocument(payload).toJson(QJsonDocument::Compact) + "\n\n";
}

// What the analysis finds in one file, by section: a condition, a medicine and a test result in every file,
// a vaccination only where the name speaks of one; allergies and procedures never.
QList<QPair<QString, QString>> findingsOf(const QString &fileName)
{
    const QString base = QFileInfo(fileName).completeBaseName();
    QList<QPair<QString, QString>> findings{
        {QStringLiteral("hx"), QStringLiteral("Condition noted in %1").arg(base)},
        {QStringLiteral("rx"), QStringLiteral("Medicine listed in %1").arg(base)},
        {QStringLiteral("lab"), QStringLiteral("Test results from %1").arg(base)},
    };
    if (base.contains(QLatin1String("vacc"), Qt::CaseInsensitive))
        findings.append({QStringLiteral("vx"), QStringLiteral("Vaccination recorded in %1").arg(base)});
    return findings;
}

// One "message" per section, in the review's order, each with the suggestions of every file for it.
QList<QByteArray> suggestionEvents(StandinState &state, Analysis &analysis)
{
    QHash<QString, QJsonArray> items;
    for (qsizetype i = 0; i < analysis.files.size(); ++i) {
        for (const auto &[tag, text] : findingsOf(analysis.files.at(i).fileName)) {
            const QString id = state.newId();
            analysis.suggestions.append({id, text});
            items[tag].append(QJsonObject{{QStringLiteral("_id"), id},
                                          {QStringLiteral("entryText"), text},
                                          {QStringLiteral("language"), QStringLiteral("en")},
                                          {QStringLiteral("date"), firstSuggestedDate - i * suggestedDateStep},
                                          {QStringLiteral("isApproxDate"), tag == QLatin1String("lab")},
                                          {QStringLiteral("tags"), QJsonArray{tag}}});
        }
    }
    QList<QByteArray> events;
    for (const char *tag : {"hx", "rx", "ax", "vx", "zx", "lab"}) {
        const QString code = QString::fromLatin1(tag);
        events.append(
            analysisEvent("message", {{QStringLiteral("tag"), code}, {QStringLiteral("items"), items[code]}}));
    }
    return events;
}

QJsonObject fileJson(const AnalysisFile &file)
{
    return {{QStringLiteral("fileName"), file.fileName},
            {QStringLiteral("filePath"), file.filePath},
            {QStringLiteral("mimetype"), file.mimetype}};
}

// The analysis of an upload, or a refusal written to `res`.
std::optional<Analysis> receiveUpload(StandinState &state, const Request &req, Response &res)
{
    const auto signedIn = Access::signedInUser(state, req, res);
    if (!signedIn)
        return std::nullopt;
    const auto parts = parseMultipart(HttpUtil::contentType(req), HttpUtil::toBytes(req.body));
    std::optional<QString> patientId;
    Analysis analysis{state.newId(), {}, {}, {}};
    for (const MultipartPart &part : parts.value_or(QList<MultipartPart>())) {
        if (part.name == "patientId" && !part.fileName)
            patientId = QString::fromUtf8(part.data);
        if (part.name != "files" || !part.fileName)
            continue;
        const QString name = QString::fromUtf8(*part.fileName);
        const QString path = QStringLiteral("analyses/%1/%2/%3").arg(analysis.id).arg(analysis.files.size()).arg(name);
        const QString type = part.contentType.isEmpty() ? QStringLiteral("application/octet-stream")
                                                        : QString::fromUtf8(part.contentType).toLower();
        analysis.files.append({name, path, type, part.data});
    }
    if (!patientId || analysis.files.isEmpty()) {
        replyError(res, 400, QStringLiteral("Expected a multipart form with patientId and at least one file."));
        return std::nullopt;
    }
    if (!Access::ownedPatient(state, *signedIn, *patientId, res))
        return std::nullopt;
    analysis.patientId = *patientId;
    return analysis;
}

void analyze(StandinState &state, const Request &req, Response &res)
{
    QList<QByteArray> events;
    {
        const std::lock_guard lock(state.mutex);
        std::optional<Analysis> analysis = receiveUpload(state, req, res);
        if (!analysis)
            return;
        events.append(analysisEvent("finished_step", {{QStringLiteral("stepIndex"), 0}}));
        events.append(analysisEvent("finished_step", {{QStringLiteral("stepIndex"), 1}}));
        events.append(suggestionEvents(state, *analysis));
        QJsonArray files;
        for (const AnalysisFile &file : analysis->files)
            files.append(fileJson(file));
        events.append(
            analysisEvent("done", {{QStringLiteral("files"), files}, {QStringLiteral("analyzeId"), analysis->id}}));
        state.analyses.append(*analysis);
    }
    res.status = 200;
    res.set_chunked_content_provider("text/event-stream", [events](size_t, httplib::DataSink &sink) {
        for (const QByteArray &bytes : events) {
            std::this_thread::sleep_for(pauseBetweenAnalysisEvents);
            if (!sink.write(bytes.constData(), size_t(bytes.size())))
                return false;
        }
        sink.done();
        return true;
    });
}

// The suggestions, translated by marking them with the language code: the same request always gets the
// same texts.
void translate(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const auto body = signedIn ? HttpUtil::jsonObjectBody(req, res) : std::nullopt;
    const auto patientId = body ? HttpUtil::requiredText(*body, QStringLiteral("patientId"), res) : std::nullopt;
    const auto analyzeId = patientId ? HttpUtil::requiredText(*body, QStringLiteral("analyzeId"), res) : std::nullopt;
    const auto language = analyzeId ? HttpUtil::requiredText(*body, QStringLiteral("language"), res) : std::nullopt;
    if (!language || !Access::ownedPatient(state, *signedIn, *patientId, res))
        return;
    for (const Analysis &analysis : state.analyses) {
        if (analysis.id != *analyzeId || analysis.patientId != *patientId)
            continue;
        QJsonArray patches;
        for (const auto &[id, text] : analysis.suggestions)
            patches.append(QJsonObject{{QStringLiteral("_id"), id},
                                       {QStringLiteral("translated"), QStringLiteral("[%1] %2").arg(*language, text)}});
        replyJson(res, 200, patches);
        return;
    }
    replyError(res, 404, QStringLiteral("Analysis not found."));
}

// The kept file of this patient's analyses at `filePath`; a refusal is written when there is none.
const AnalysisFile *analysedFile(const StandinState &state, const QString &patientId, const QJsonValue &described,
                                 Response &res)
{
    const QString filePath = described.toObject().value(QLatin1String("filePath")).toString();
    for (const Analysis &analysis : state.analyses) {
        for (const AnalysisFile &file : analysis.files) {
            if (file.filePath != filePath)
                continue;
            if (analysis.patientId == patientId)
                return &file;
            replyError(res, 403, QStringLiteral("The file belongs to another patient's analysis."));
            return nullptr;
        }
    }
    replyError(res, 400, QStringLiteral("Unknown file: %1").arg(filePath));
    return nullptr;
}

// Every file is checked before any document is made, so a refusal stores nothing.
void updateVectorStore(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const auto body = signedIn ? HttpUtil::jsonObjectBody(req, res) : std::nullopt;
    const auto patientId = body ? HttpUtil::requiredText(*body, QStringLiteral("patientId"), res) : std::nullopt;
    if (!patientId || !Access::ownedPatient(state, *signedIn, *patientId, res))
        return;
    QList<const AnalysisFile *> files;
    for (const QJsonValue &described : body->value(QLatin1String("files")).toArray()) {
        const AnalysisFile *file = analysedFile(state, *patientId, described, res);
        if (!file)
            return;
        files.append(file);
    }
    QList<Document> created;
    QJsonArray ids;
    for (const AnalysisFile *file : files) {
        created.append(
            {state.newId(), *patientId, file->fileName, file->mimetype, file->bytes, Document::newUriToken(), {}});
        ids.append(created.last().id);
    }
    state.documents.append(created);
    replyJson(res, 200, ids);
}

// The entries of the body, or a refusal written to `res`.
std::optional<QList<Medbit>> entriesOf(const QJsonObject &body, const QString &patientId, Response &res)
{
    QList<Medbit> entries;
    for (const QJsonValue &value : body.value(QLatin1String("medbits")).toArray()) {
        Medbit medbit;
        QString error;
        if (!value.isObject() || !readMedbitFields(value.toObject(), &medbit, &error)) {
            replyError(res, 400, error.isEmpty() ? QStringLiteral("Every entry must be an object.") : error);
            return std::nullopt;
        }
        medbit.patientId = patientId;
        entries.append(medbit);
    }
    return entries;
}

QStringList patientDocumentIds(StandinState &state, const QJsonObject &body, const QString &patientId, Response &res,
                               bool *ok)
{
    QStringList ids;
    for (const QJsonValue &value : body.value(QLatin1String("documentIds")).toArray()) {
        const Document *document = state.document(value.toString());
        if (!document || document->patientId != patientId) {
            replyError(res, 400, QStringLiteral("Unknown document: %1").arg(value.toString()));
            *ok = false;
            return {};
        }
        ids.append(document->id);
    }
    *ok = true;
    return ids;
}

void bulkCreate(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const auto body = signedIn ? HttpUtil::jsonObjectBody(req, res) : std::nullopt;
    const auto patientId = body ? HttpUtil::requiredText(*body, QStringLiteral("patientId"), res) : std::nullopt;
    if (!patientId || !Access::ownedPatient(state, *signedIn, *patientId, res))
        return;
    bool documentsKnown = false;
    const QStringList documentIds = patientDocumentIds(state, *body, *patientId, res, &documentsKnown);
    const std::optional<QList<Medbit>> entries = documentsKnown ? entriesOf(*body, *patientId, res) : std::nullopt;
    if (!entries)
        return;
    QJsonArray created;
    for (Medbit medbit : *entries) {
        medbit.id = state.newId();
        medbit.documentIds = documentIds;
        for (Document *document : state.documentsOf(documentIds))
            document->medbitIds.append(medbit.id);
        state.medbits.append(medbit);
        created.append(state.medbitJson(medbit));
    }
    replyJson(res, 200, created);
}

} // namespace

void ImportRoutes::install(Router &router, StandinState &state)
{
    StandinState *s = &state;
    router.post("/api/patients/smart_analyze_asset", [s](const Request &req, Response &res) { analyze(*s, req, res); });
    router.post("/api/patients/translate_preview_medbits",
                [s](const Request &req, Response &res) { translate(*s, req, res); });
    router.post("/api/patients/update_vector_store",
                [s](const Request &req, Response &res) { updateVectorStore(*s, req, res); });
    router.post("/api/medbits/bulk_create", [s](const Request &req, Response &res) { bulkCreate(*s, req, res); });
}
