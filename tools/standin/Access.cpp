#include "Access.h"

#include "HttpUtil.h"
#include "StandinState.h"

#include <httplib.h>

namespace Access
{

std::optional<QString> signedInUser(StandinState &state, const httplib::Request &req, httplib::Response &res)
{
    const QString header = QString::fromStdString(req.get_header_value("Authorization"));
    const QLatin1String scheme("Bearer ");
    if (!header.startsWith(scheme)) {
        HttpUtil::replyError(res, 401, QStringLiteral("Authorization required."));
        return std::nullopt;
    }
    const std::optional<QString> user = state.userForAccessToken(header.mid(scheme.size()));
    if (!user)
        HttpUtil::replyError(res, 401, QStringLiteral("Invalid or expired access token."));
    return user;
}

bool isSameUser(const QString &signedIn, const QString &requested, httplib::Response &res)
{
    if (signedIn == requested)
        return true;
    HttpUtil::replyError(res, 403, QStringLiteral("You do not have access to this account."));
    return false;
}

Patient *ownedPatient(StandinState &state, const QString &userId, const QString &patientId, httplib::Response &res)
{
    Patient *patient = state.patient(patientId);
    if (!patient) {
        HttpUtil::replyError(res, 404, QStringLiteral("Patient not found."));
        return nullptr;
    }
    if (patient->ownerId != userId) {
        HttpUtil::replyError(res, 403, QStringLiteral("You do not have access to this patient."));
        return nullptr;
    }
    return patient;
}

Channel *ownedChannel(StandinState &state, const QString &userId, const QString &channelId, httplib::Response &res)
{
    Channel *channel = state.channel(channelId);
    const Patient *patient = channel ? state.patient(channel->patientId) : nullptr;
    if (!patient || patient->ownerId != userId) {
        HttpUtil::replyError(res, 404, QStringLiteral("Channel not found."));
        return nullptr;
    }
    return channel;
}

} // namespace Access
