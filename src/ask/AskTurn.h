#pragma once

#include "ChatModels.h"

#include <QDateTime>
#include <QList>
#include <QString>

// One question or answer of an Ask conversation, in memory only. Local turns carry fresh UUIDs until the
// service's stored messages replace them.
struct AskTurn {
    QString id;
    QString role; // "user" for a question; every other role is an answer
    QString content;
    QList<UsedMedbitRef> usedMedbits;
    bool isError = false;
    bool isStreaming = false;
    QDateTime date;

    static AskTurn fromMessage(const ChatMessage &message);
    static AskTurn localQuestion(const QString &question);
    // The answer that grows while it streams in.
    static AskTurn localAnswerPlaceholder();

    bool isQuestion() const { return role == QLatin1StringView("user"); }
};

// A new UUID as 36 upper-case characters, the form of every local id.
QString newAskID();
