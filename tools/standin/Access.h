#pragma once

#include <QString>

#include <optional>

namespace httplib
{
struct Request;
struct Response;
} // namespace httplib
struct Channel;
struct Patient;
struct StandinState;

// Checks of the bearer token and of the account a request names. Each writes
// the refusal (401, 403, 404) itself; callers hold the state's mutex.
namespace Access
{

std::optional<QString> signedInUser(StandinState &state, const httplib::Request &req, httplib::Response &res);
bool isSameUser(const QString &signedIn, const QString &requested, httplib::Response &res);
Patient *ownedPatient(StandinState &state, const QString &userId, const QString &patientId, httplib::Response &res);
// A channel about one of the user's patients; 404 for any other, so that ids of others reveal nothing.
Channel *ownedChannel(StandinState &state, const QString &userId, const QString &channelId, httplib::Response &res);

} // namespace Access
