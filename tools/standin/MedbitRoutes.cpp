#include "MedbitRoutes.h"

#include "Access.h"
#include "HttpUtil.h"
#include "MedbitFields.h"
#include "Router.h"
#include "StandinState.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <httplib.h>

#include <algorithm>

using HttpUtil::replyError;
using HttpUtil::replyJson;
using Request = httplib::Request;
using Response = httplib::Response;

namespace
{

// The entry named by `id`, when the signed-in user may see it; otherwise the refusal is written.
Medbit *visibleMedbit(StandinState &state, const QString &userId, const QString &id, Response &res)
{
    Medbit *medbit = state.medbit(id);
    if (!medbit) {
        replyError(res, 404, QStringLiteral("Entry not found."));
        return nullptr;
    }
    return Access::ownedPatient(state, userId, medbit->patientId, res) ? medbit : nullptr;
}

// The patient's entries, newest first.
std::shared_ptr<const std::string> listJson(StandinState &state, const QString &patientId)
{
    QList<const Medbit *> entries;
    for (const Medbit &medbit : state.medbits) {
        if (medbit.patientId == patientId)
            entries.append(&medbit);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Medbit *a, const Medbit *b) { return a->date > b->date; });
    QHash<QString, const Document *> documentsById;
    for (const Document &document : state.documents)
        documentsById.insert(document.id, &document);
    QJsonArray list;
    for (const Medbit *medbit : entries)
        list.append(state.medbitJson(*medbit, documentsById));
    return std::make_shared<const std::string>(HttpUtil::toStd(QJsonDocument(list).toJson(QJsonDocument::Compact)));
}

void listSummary(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const auto patientId = signedIn ? HttpUtil::requiredQuery(req, "patientId", res) : std::nullopt;
    if (!patientId || !Access::ownedPatient(state, *signedIn, *patientId, res))
        return;
    std::shared_ptr<const std::string> reply = state.listReply(*patientId);
    // Tells a test whether the kept reply outlived the requests since the last list.
    res.set_header("X-Standin-List-Reply", reply ? "kept" : "built");
    if (!reply) {
        reply = listJson(state, *patientId);
        state.keepListReply(*patientId, reply);
    }
    // Written straight from the kept text: copying megabytes into the response would cost more than sending.
    res.status = 200;
    res.set_content_provider(reply->size(), "application/json",
                             [reply](size_t offset, size_t length, httplib::DataSink &sink) {
                                 return sink.write(reply->data() + offset, length);
                             });
}

void get(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const auto id = signedIn ? HttpUtil::requiredQuery(req, "medbitId", res) : std::nullopt;
    if (!id)
        return;
    if (!state.medbit(*id)) {
        replyJson(res, 200, QJsonValue::Null);
        return;
    }
    if (const Medbit *medbit = visibleMedbit(state, *signedIn, *id, res))
        replyJson(res, 200, state.medbitJson(*medbit));
}

void create(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const auto body = signedIn ? HttpUtil::jsonObjectBody(req, res) : std::nullopt;
    const auto patientId = body ? HttpUtil::requiredText(*body, QStringLiteral("patientId"), res) : std::nullopt;
    if (!patientId || !Access::ownedPatient(state, *signedIn, *patientId, res))
        return;
    Medbit medbit;
    QString error;
    if (!body->value(QLatin1String("medbit")).isObject()) {
        replyError(res, 400, QStringLiteral("\"medbit\" is required and must be an object."));
        return;
    }
    if (!readMedbitFields(body->value(QLatin1String("medbit")).toObject(), &medbit, &error)) {
        replyError(res, 400, error);
        return;
    }
    medbit.id = state.newId();
    medbit.patientId = *patientId;
    state.medbits.append(medbit);
    replyJson(res, 200, state.medbitJson(medbit));
}

void update(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const auto id = signedIn ? HttpUtil::requiredQuery(req, "medbitId", res) : std::nullopt;
    const auto body = id ? HttpUtil::jsonObjectBody(req, res) : std::nullopt;
    const auto patientId = body ? HttpUtil::requiredText(*body, QStringLiteral("patientId"), res) : std::nullopt;
    if (!patientId || !Access::ownedPatient(state, *signedIn, *patientId, res))
        return;
    Medbit *medbit = visibleMedbit(state, *signedIn, *id, res);
    if (!medbit)
        return;
    if (medbit->patientId != *patientId) {
        replyError(res, 400, QStringLiteral("The entry belongs to another patient."));
        return;
    }
    Medbit changed = *medbit;
    QString error;
    if (!readMedbitFields(*body, &changed, &error)) {
        replyError(res, 400, error);
        return;
    }
    *medbit = changed;
    replyJson(res, 200, state.medbitJson(*medbit));
}

void remove(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    if (!signedIn)
        return;
    const QString id = QString::fromStdString(req.matches[1]);
    if (!visibleMedbit(state, *signedIn, id, res))
        return;
    state.medbits.removeIf([&id](const Medbit &medbit) { return medbit.id == id; });
    for (Document &document : state.documents)
        document.medbitIds.removeAll(id);
    replyJson(res, 200, QJsonObject{});
}

} // namespace

void MedbitRoutes::install(Router &router, StandinState &state)
{
    StandinState *s = &state;
    router.get("/api/medbits/list/summary", [s](const Request &req, Response &res) { listSummary(*s, req, res); });
    router.get("/api/medbits/get", [s](const Request &req, Response &res) { get(*s, req, res); });
    router.post("/api/medbits/create", [s](const Request &req, Response &res) { create(*s, req, res); });
    router.put("/api/medbits/update", [s](const Request &req, Response &res) { update(*s, req, res); });
    router.del(R"(/api/medbits/delete/([^/]+))", [s](const Request &req, Response &res) { remove(*s, req, res); });
}
