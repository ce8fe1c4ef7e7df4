#include "AskConversation.h"

#include <QStringList>

#include <algorithm>

AskConversation AskConversation::fromChannel(const ChatChannel &channel)
{
    return AskConversation{.id = channel.id,
                           .channelID = channel.id,
                           .title = channel.title.value_or(QString()),
                           .turns = {},
                           .updatedAt = channel.updatedAt.value_or(QDateTime::currentDateTime()),
                           .hasLoadedHistory = false,
                           .isLoadingHistory = false,
                           .historyError = std::nullopt};
}

AskConversation AskConversation::begun(const QString &question)
{
    return AskConversation{.id = newAskID(),
                           .channelID = std::nullopt,
                           .title = question,
                           .turns = {},
                           .updatedAt = QDateTime::currentDateTime(),
                           .hasLoadedHistory = true,
                           .isLoadingHistory = false,
                           .historyError = std::nullopt};
}

void AskConversation::takeListing(const ChatChannel &channel)
{
    title = channel.title.value_or(QString());
    updatedAt = channel.updatedAt.value_or(updatedAt);
}

AskTurn *AskConversation::turn(const QString &turnID)
{
    const auto found = std::find_if(turns.begin(), turns.end(), [&turnID](const AskTurn &t) { return t.id == turnID; });
    return found == turns.end() ? nullptr : &*found;
}

QString AskConversation::copyAllText() const
{
    QStringList lines;
    lines.reserve(turns.size());
    for (const AskTurn &turn : turns)
        lines.append((turn.isQuestion() ? QStringLiteral("Q: ") : QStringLiteral("A: ")) + turn.content);
    return lines.join(QStringLiteral("\n\n"));
}

QList<AskConversation> sortAskConversations(QList<AskConversation> conversations)
{
    std::stable_sort(conversations.begin(), conversations.end(),
                     [](const AskConversation &a, const AskConversation &b) { return a.updatedAt > b.updatedAt; });
    return conversations;
}
