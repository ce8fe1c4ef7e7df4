#include "ControlRoutes.h"

#include "FaultBook.h"
#include "HttpUtil.h"
#include "RequestLog.h"
#include "StandinState.h"

#include <QJsonObject>

#include <httplib.h>

using HttpUtil::replyError;
using HttpUtil::replyJson;
using Request = httplib::Request;
using Response = httplib::Response;

namespace
{

void addFault(FaultBook &faults, const Request &req, Response &res)
{
    const auto body = HttpUtil::jsonObject(HttpUtil::toBytes(req.body), res);
    if (!body)
        return;
    QString error;
    const std::optional<Fault> fault = FaultBook::parseFault(*body, &error);
    if (!fault) {
        replyError(res, 400, error);
        return;
    }
    faults.addFault(*fault);
    replyJson(res, 200, QJsonObject{});
}

void addStream(FaultBook &faults, const Request &req, Response &res)
{
    const auto body = HttpUtil::jsonObject(HttpUtil::toBytes(req.body), res);
    if (!body)
        return;
    QString error;
    const std::optional<StreamScript> script = FaultBook::parseStream(*body, &error);
    if (!script) {
        replyError(res, 400, error);
        return;
    }
    faults.addStream(*script);
    replyJson(res, 200, QJsonObject{});
}

} // namespace

void ControlRoutes::install(httplib::Server &server, StandinState &state, RequestLog &log, FaultBook &faults)
{
    StandinState *s = &state;
    RequestLog *l = &log;
    FaultBook *f = &faults;
    server.Get("/_standin/requests", [l](const Request &, Response &res) { replyJson(res, 200, l->entries()); });
    server.Delete("/_standin/requests", [l](const Request &, Response &res) {
        l->clear();
        replyJson(res, 200, QJsonObject{});
    });
    server.Post("/_standin/faults", [f](const Request &req, Response &res) { addFault(*f, req, res); });
    server.Delete("/_standin/faults", [f](const Request &, Response &res) {
        f->clearFaults();
        replyJson(res, 200, QJsonObject{});
    });
    // Replies held by a "hold" fault: how many wait, and letting them all go.
    server.Get("/_standin/held", [f](const Request &, Response &res) {
        replyJson(res, 200, QJsonObject{{"held", f->heldReplies()}});
    });
    server.Post("/_standin/release", [f](const Request &, Response &res) {
        f->release();
        replyJson(res, 200, QJsonObject{});
    });
    // Requests stopped before their handler by a "gate" fault: how many wait, and letting them all in.
    server.Get("/_standin/gated", [f](const Request &, Response &res) {
        replyJson(res, 200, QJsonObject{{"gated", f->gatedRequests()}});
    });
    server.Post("/_standin/open", [f](const Request &, Response &res) {
        f->openGates();
        replyJson(res, 200, QJsonObject{});
    });
    server.Post("/_standin/streams", [f](const Request &req, Response &res) { addStream(*f, req, res); });
    server.Post("/_standin/expire-tokens", [s](const Request &, Response &res) {
        const std::lock_guard lock(s->mutex);
        s->expireAccessTokens();
        replyJson(res, 200, QJsonObject{});
    });
    // {"documentId", "refreshes" (default 1)}: the document's links fail until it was refreshed that often.
    server.Post("/_standin/expire-document", [s](const Request &req, Response &res) {
        const auto body = HttpUtil::jsonObjectBody(req, res);
        const auto id = body ? HttpUtil::requiredText(*body, QStringLiteral("documentId"), res) : std::nullopt;
        if (!id)
            return;
        const std::lock_guard lock(s->mutex);
        Document *document = s->document(*id);
        if (!document) {
            HttpUtil::replyError(res, 404, QStringLiteral("File not found."));
            return;
        }
        document->deadLinkRefreshes = body->value(QLatin1String("refreshes")).toInt(1);
        replyJson(res, 200, QJsonObject{});
    });
    // {"patientId", "record"}: `record` goes into the patient's document list unchecked.
    server.Post("/_standin/listed-documents", [s](const Request &req, Response &res) {
        const auto body = HttpUtil::jsonObjectBody(req, res);
        const auto patientId = body ? HttpUtil::requiredText(*body, QStringLiteral("patientId"), res) : std::nullopt;
        if (!patientId)
            return;
        const std::lock_guard lock(s->mutex);
        s->listedRecords[*patientId].append(body->value(QLatin1String("record")));
        replyJson(res, 200, QJsonObject{});
    });
    server.Post("/_standin/reset", [s, l, f](const Request &, Response &res) {
        f->clearAll();
        l->clear();
        const std::lock_guard lock(s->mutex);
        s->reset();
        replyJson(res, 200, QJsonObject{});
    });
}
