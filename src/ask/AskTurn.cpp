#include "AskTurn.h"

#include <QUuid>

QString newAskID()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

AskTurn AskTurn::fromMessage(const ChatMessage &message)
{
    return AskTurn{.id = message.id,
                   .role = message.role,
                   .content = message.content,
                   .usedMedbits = message.usedMedbits.value_or(QList<UsedMedbitRef>()),
                   .isError = false,
                   .isStreaming = false,
                   .date = message.createdAt.value_or(QDateTime::currentDateTime())};
}

AskTurn AskTurn::localQuestion(const QString &question)
{
    return AskTurn{.id = newAskID(),
                   .role = QStringLiteral("user"),
                   .content = question,
                   .usedMedbits = {},
                   .isError = false,
                   .isStreaming = false,
                   .date = QDateTime::currentDateTime()};
}

AskTurn AskTurn::localAnswerPlaceholder()
{
    return AskTurn{.id = newAskID(),
                   .role = QStringLiteral("assistant"),
                   .content = QString(),
                   .usedMedbits = {},
                   .isError = false,
                   .isStreaming = true,
                   .date = QDateTime::currentDateTime()};
}
