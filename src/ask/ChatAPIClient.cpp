#include "ChatAPIClient.h"

#include "net/APIClient.h"

#include <QJsonObject>

#include <algorithm>

namespace
{

// The health story reply: only "narrative" is read, and it must be text.
struct HealthStoryReply {
    QString narrative;

    static HealthStoryReply fromJson(const QJsonValue &value)
    {
        return {Json::requiredString(Json::object(value), QLatin1StringView("narrative"))};
    }
};

// The lists are read from their first page only, which the service gives for an empty cursor ("cursor=").
const QueryItems::value_type firstPage{QStringLiteral("cursor"), std::optional<QString>(QString())};

} // namespace

QCoro::Task<QStringList> ChatAPIClient::fetchSuggestedQuestions(QString patientId, bool refresh)
{
    QueryItems query{{QStringLiteral("patientId"), patientId}};
    if (refresh)
        query.append({QStringLiteral("refresh"), QStringLiteral("true")});
    const APIRequest request{.path = QStringLiteral("/chats/suggested_questions"), .query = query};
    co_return co_await APIClient::shared().request<QStringList>(request);
}

QCoro::Task<ChatCursorPage<ChatChannel>> ChatAPIClient::fetchMyQuestions(QString patientId)
{
    const QueryItems query{{QStringLiteral("patientId"), patientId}, firstPage};
    const APIRequest request{.path = QStringLiteral("/chats/my_questions"), .query = query};
    co_return co_await APIClient::shared().request<ChatCursorPage<ChatChannel>>(request);
}

QCoro::Task<QList<ChatMessage>> ChatAPIClient::fetchChannelMessages(QString channelId)
{
    const APIRequest request{.path = QStringLiteral("/chats/channels/") + channelId, .query = {firstPage}};
    ChatCursorPage<ChatMessage> page = co_await APIClient::shared().request<ChatCursorPage<ChatMessage>>(request);
    sortMessagesByDate(page.data);
    co_return page.data;
}

QCoro::Task<QStringList> ChatAPIClient::undoLastQuestion(QString channelId)
{
    const APIRequest request{.method = HTTPMethod::POST,
                             .path = QStringLiteral("/chats/channels/") + channelId + QStringLiteral("/undo")};
    co_return co_await APIClient::shared().request<QStringList>(request);
}

QCoro::Task<QString> ChatAPIClient::generateHealthStory(QString patientId)
{
    APIRequest request{.method = HTTPMethod::POST, .path = QStringLiteral("/chats/health_story")};
    request.setJSONBody(QJsonObject{{QStringLiteral("patientId"), patientId}});
    const HealthStoryReply reply = co_await APIClient::shared().request<HealthStoryReply>(request);
    co_return reply.narrative;
}

void ChatAPIClient::sortMessagesByDate(QList<ChatMessage> &messages)
{
    std::stable_sort(messages.begin(), messages.end(), [](const ChatMessage &a, const ChatMessage &b) {
        if (!b.createdAt)
            return false;
        return !a.createdAt || *a.createdAt < *b.createdAt;
    });
}
