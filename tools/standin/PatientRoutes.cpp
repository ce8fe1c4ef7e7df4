#include "PatientRoutes.h"

#include "Access.h"
#include "HttpUtil.h"
#include "Router.h"
#include "StandinState.h"

#include <QJsonArray>
#include <QJsonObject>

#include <httplib.h>

using HttpUtil::requiredText;
using Request = httplib::Request;
using Response = httplib::Response;

namespace
{

void listAll(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const auto userId = signedIn ? HttpUtil::requiredQuery(req, "userId", res) : std::nullopt;
    if (!userId || !Access::isSameUser(*signedIn, *userId, res))
        return;
    QJsonArray list;
    for (const Patient &patient : state.patients) {
        if (patient.ownerId == *userId)
            list.append(patient.toJson());
    }
    HttpUtil::replyJson(res, 200, list);
}

void createPatient(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const auto body = signedIn ? HttpUtil::jsonObjectBody(req, res) : std::nullopt;
    const auto userId = body ? requiredText(*body, QStringLiteral("userId"), res) : std::nullopt;
    const auto firstName = userId ? requiredText(*body, QStringLiteral("firstName"), res) : std::nullopt;
    if (!firstName || !Access::isSameUser(*signedIn, *userId, res))
        return;
    if (firstName->trimmed().isEmpty()) {
        HttpUtil::replyError(res, 400, QStringLiteral("A patient needs a first name."));
        return;
    }
    Patient patient;
    patient.id = state.newId();
    patient.ownerId = *userId;
    patient.firstName = *firstName;
    patient.active = false;
    state.patients.append(patient);
    HttpUtil::replyJson(res, 200, patient.toJson());
}

void updateActive(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const auto body = signedIn ? HttpUtil::jsonObjectBody(req, res) : std::nullopt;
    const auto userId = body ? requiredText(*body, QStringLiteral("userId"), res) : std::nullopt;
    const auto patientId = userId ? requiredText(*body, QStringLiteral("patientId"), res) : std::nullopt;
    if (!patientId || !Access::isSameUser(*signedIn, *userId, res))
        return;
    const Patient *chosen = Access::ownedPatient(state, *userId, *patientId, res);
    if (!chosen)
        return;
    for (Patient &patient : state.patients) {
        if (patient.ownerId == *userId)
            patient.active = patient.id == *patientId;
    }
    HttpUtil::replyJson(res, 200, chosen->toJson());
}

} // namespace

void PatientRoutes::install(Router &router, StandinState &state)
{
    StandinState *s = &state;
    router.get("/api/patients/listAll", [s](const Request &req, Response &res) { listAll(*s, req, res); });
    router.post("/api/patients/create", [s](const Request &req, Response &res) { createPatient(*s, req, res); });
    router.put("/api/patients/updateActive", [s](const Request &req, Response &res) { updateActive(*s, req, res); });
}
