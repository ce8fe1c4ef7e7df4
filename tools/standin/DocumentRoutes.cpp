#include "DocumentRoutes.h"

#include "Access.h"
#include "HttpUtil.h"
#include "Multipart.h"
#include "Router.h"
#include "SampleFiles.h"
#include "StandinState.h"

#include <QJsonArray>
#include <QJsonObject>

#include <httplib.h>

#include <algorithm>

using HttpUtil::replyError;
using HttpUtil::replyJson;
using Request = httplib::Request;
using Response = httplib::Response;

namespace
{

const MultipartPart *partNamed(const QList<MultipartPart> &parts, const QByteArray &name)
{
    for (const MultipartPart &part : parts) {
        if (part.name == name)
            return &part;
    }
    return nullptr;
}

// Unknown ids answer JSON null; another account's document is refused.
Document *visibleDocument(StandinState &state, const QString &userId, const QString &id, Response &res)
{
    Document *document = state.document(id);
    if (!document) {
        replyJson(res, 200, QJsonValue::Null);
        return nullptr;
    }
    return Access::ownedPatient(state, userId, document->patientId, res) ? document : nullptr;
}

bool attachTo(StandinState &state, const QString &patientId, const QString &medbitId, Response &res)
{
    if (medbitId.isEmpty())
        return true;
    const Medbit *medbit = state.medbit(medbitId);
    if (!medbit || medbit->patientId != patientId) {
        replyError(res, 400, QStringLiteral("The entry does not belong to this patient."));
        return false;
    }
    return true;
}

void uploadImage(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    if (!signedIn)
        return;
    const auto parts = parseMultipart(HttpUtil::contentType(req), HttpUtil::toBytes(req.body));
    const MultipartPart *patientPart = parts ? partNamed(*parts, "patientId") : nullptr;
    const MultipartPart *medbitPart = parts ? partNamed(*parts, "medbitId") : nullptr;
    const MultipartPart *filePart = parts ? partNamed(*parts, "file") : nullptr;
    if (!patientPart || !medbitPart || !filePart || !filePart->fileName) {
        replyError(res, 400, QStringLiteral("Expected a multipart form with patientId, medbitId and a file."));
        return;
    }
    const QString patientId = QString::fromUtf8(patientPart->data);
    const QString medbitId = QString::fromUtf8(medbitPart->data);
    if (!Access::ownedPatient(state, *signedIn, patientId, res) || !attachTo(state, patientId, medbitId, res))
        return;
    Document document{state.newId(),
                      patientId,
                      QString::fromUtf8(*filePart->fileName),
                      filePart->contentType.isEmpty() ? QStringLiteral("application/octet-stream")
                                                      : QString::fromUtf8(filePart->contentType),
                      filePart->data,
                      Document::newUriToken(),
                      {}};
    if (!medbitId.isEmpty()) {
        document.medbitIds.append(medbitId);
        state.medbit(medbitId)->documentIds.append(document.id);
    }
    state.documents.append(document);
    replyJson(res, 200, document.toJson(state.origin));
}

void getDocument(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const auto id = signedIn ? HttpUtil::requiredQuery(req, "id", res) : std::nullopt;
    if (!id)
        return;
    if (const Document *document = visibleDocument(state, *signedIn, *id, res))
        replyJson(res, 200, document->toJson(state.origin));
}

void refresh(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const auto body = signedIn ? HttpUtil::jsonObjectBody(req, res) : std::nullopt;
    const auto id = body ? HttpUtil::requiredText(*body, QStringLiteral("documentId"), res) : std::nullopt;
    if (!id)
        return;
    if (Document *document = visibleDocument(state, *signedIn, *id, res)) {
        document->uriToken = Document::newUriToken();
        document->deadLinkRefreshes = std::max(0, document->deadLinkRefreshes - 1);
        replyJson(res, 200, document->toJson(state.origin));
    }
}

void allDocuments(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const auto patientId = signedIn ? HttpUtil::requiredQuery(req, "patientId", res) : std::nullopt;
    if (!patientId || !Access::ownedPatient(state, *signedIn, *patientId, res))
        return;
    QJsonArray list;
    for (const Document &document : state.documents) {
        if (document.patientId == *patientId)
            list.append(document.toJson(state.origin));
    }
    for (const QJsonValue &record : state.listedRecords.value(*patientId))
        list.append(record);
    replyJson(res, 200, list);
}

const Document *linkedDocument(StandinState &state, const Request &req, Response &res)
{
    const Document *document = state.document(QString::fromStdString(req.matches[1]));
    if (!document || document->deadLinkRefreshes > 0 || document->uriToken != QString::fromStdString(req.matches[2])) {
        replyError(res, 404, QStringLiteral("File not found."));
        return nullptr;
    }
    return document;
}

// A document's address works like a signed link: no bearer, but only its latest token. A wrong token
// answers as an unknown id does, so a caller cannot tell which ids exist.
void serveFile(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const Document *document = linkedDocument(state, req, res);
    if (!document)
        return;
    res.status = 200;
    res.set_content(HttpUtil::toStd(document->bytes), document->type.toStdString());
}

// Every document has the same small preview picture; its link lives and dies with the file's.
void serveThumbnail(StandinState &state, const Request &req, Response &res)
{
    static const QByteArray picture = SampleFiles::png(52, 60);
    const std::lock_guard lock(state.mutex);
    if (!linkedDocument(state, req, res))
        return;
    res.status = 200;
    res.set_content(HttpUtil::toStd(picture), "image/png");
}

} // namespace

void DocumentRoutes::install(Router &router, StandinState &state)
{
    StandinState *s = &state;
    router.post("/api/medbits/upload_image", [s](const Request &req, Response &res) { uploadImage(*s, req, res); });
    router.get("/api/patients/document", [s](const Request &req, Response &res) { getDocument(*s, req, res); });
    router.post("/api/patients/document/refresh", [s](const Request &req, Response &res) { refresh(*s, req, res); });
    router.get("/api/patients/all_documents", [s](const Request &req, Response &res) { allDocuments(*s, req, res); });
    router.get(R"(/files/([^/]+)/([^/]+)/[^/]*)", [s](const Request &req, Response &res) { serveFile(*s, req, res); });
    router.get(R"(/thumbnails/([^/]+)/([^/]+)\.png)",
               [s](const Request &req, Response &res) { serveThumbnail(*s, req, res); });
}
