#pragma once

#include "ChatModels.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <QCoroTask>

// The chat endpoints of the service. Each call sends one authorized request (one retry after renewing the
// sign-in on 401) and throws APIError on any failure; nothing is cached and no cursor is ever followed.
class ChatAPIClient final
{
public:
    ChatAPIClient() = delete;

    static QCoro::Task<QStringList> fetchSuggestedQuestions(QString patientId, bool refresh);
    static QCoro::Task<ChatCursorPage<ChatChannel>> fetchMyQuestions(QString patientId);
    // The channel's messages oldest first (see sortMessagesByDate).
    static QCoro::Task<QList<ChatMessage>> fetchChannelMessages(QString channelId);
    // The ids of the removed messages.
    static QCoro::Task<QStringList> undoLastQuestion(QString channelId);
    // The narrative in Markdown; an empty one is a valid reply.
    static QCoro::Task<QString> generateHealthStory(QString patientId);

    // Stable, oldest first; a message without a date counts as older than every dated one.
    static void sortMessagesByDate(QList<ChatMessage> &messages);
};
