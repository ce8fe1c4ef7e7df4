#pragma once

#include "AskTurn.h"
#include "ChatModels.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// One conversation of the Ask panel: a channel of the service, or a question begun here whose channel the
// first answer's "done" names. Lives in memory only; the service's history brings it back.
struct AskConversation {
    QString id;
    std::optional<QString> channelID;
    QString title;
    QList<AskTurn> turns; // oldest first
    QDateTime updatedAt;
    // While false, opening the conversation loads its stored messages.
    bool hasLoadedHistory = false;
    bool isLoadingHistory = false;
    // Why the last load of its stored messages failed, until the next one starts.
    std::optional<QString> historyError;

    // A conversation of the question history: its id is its channel's.
    static AskConversation fromChannel(const ChatChannel &channel);
    // A conversation begun with this (trimmed) question, titled by it.
    static AskConversation begun(const QString &question);

    // The channel's title and time as the service lists them now; the turns and their load stay.
    void takeListing(const ChatChannel &channel);
    AskTurn *turn(const QString &turnID);
    // "Q: " or "A: " and each turn's raw content, an empty line between turns; "" without turns.
    QString copyAllText() const;
};

// The display order: newest `updatedAt` first; conversations of equal time keep their order in the list.
QList<AskConversation> sortAskConversations(QList<AskConversation> conversations);
