#include "ChannelRoutes.h"

#include "Access.h"
#include "HttpUtil.h"
#include "Router.h"
#include "StandinState.h"

#include <QJsonArray>
#include <QJsonObject>

#include <httplib.h>

#include <algorithm>

using Request = httplib::Request;
using Response = httplib::Response;

namespace
{

// Only the first page exists: the reply names no further cursor.
QJsonObject firstPageOf(const QJsonArray &items)
{
    return {{QStringLiteral("data"), items}, {QStringLiteral("nextCursor"), QJsonValue::Null}};
}

void myQuestions(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const auto patientId = signedIn ? HttpUtil::requiredQuery(req, "patientId", res) : std::nullopt;
    if (!patientId || !Access::ownedPatient(state, *signedIn, *patientId, res))
        return;
    QList<const Channel *> listed;
    for (auto it = state.channels.crbegin(); it != state.channels.crend(); ++it) {
        if (it->patientId == *patientId)
            listed.append(&*it);
    }
    std::stable_sort(listed.begin(), listed.end(),
                     [](const Channel *a, const Channel *b) { return a->updatedAt > b->updatedAt; });
    QJsonArray items;
    for (const Channel *channel : listed)
        items.append(channel->toJson());
    HttpUtil::replyJson(res, 200, firstPageOf(items));
}

void channelMessages(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const Channel *channel =
        signedIn ? Access::ownedChannel(state, *signedIn, QString::fromStdString(req.matches[1]), res) : nullptr;
    if (!channel)
        return;
    QJsonArray items;
    for (const ChannelMessage &message : channel->messages)
        items.append(message.toJson(channel->id, ChannelMessage::DateForm::iso8601));
    HttpUtil::replyJson(res, 200, firstPageOf(items));
}

// Removes the last question and its answer and names them; a channel left without messages is gone.
void undo(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    Channel *channel =
        signedIn ? Access::ownedChannel(state, *signedIn, QString::fromStdString(req.matches[1]), res) : nullptr;
    if (!channel)
        return;
    QJsonArray removed;
    const qsizetype count = std::min<qsizetype>(2, channel->messages.size());
    for (qsizetype i = channel->messages.size() - count; i < channel->messages.size(); ++i)
        removed.append(channel->messages.at(i).id);
    channel->messages.resize(channel->messages.size() - count);
    if (channel->messages.isEmpty()) {
        const QString id = channel->id;
        state.channels.removeIf([&id](const Channel &c) { return c.id == id; });
    }
    HttpUtil::replyJson(res, 200, removed);
}

} // namespace

void ChannelRoutes::install(Router &router, StandinState &state)
{
    StandinState *s = &state;
    router.get("/api/chats/my_questions", [s](const Request &req, Response &res) { myQuestions(*s, req, res); });
    router.get(R"(/api/chats/channels/([^/]+))",
               [s](const Request &req, Response &res) { channelMessages(*s, req, res); });
    router.post(R"(/api/chats/channels/([^/]+)/undo)", [s](const Request &req, Response &res) { undo(*s, req, res); });
}
