#include "AskUndo.h"

#include "ChatAPIClient.h"

#include "net/APIError.h"

void AskUndo::start(const QString &conversationID, const QString &channelID, const QStringList &turnIDs)
{
    if (isUndoing(conversationID))
        return;
    m_undoingConversationIDs.insert(conversationID);
    Q_EMIT undoingChanged(conversationID);
    run(this, conversationID, channelID, turnIDs);
}

QCoro::Task<> AskUndo::run(QPointer<AskUndo> undo, QString conversationID, QString channelID, QStringList turnIDs)
{
    bool succeeded = false;
    try {
        co_await ChatAPIClient::undoLastQuestion(channelID);
        succeeded = true;
    } catch (const APIError &) {
        // A failed undo changes nothing and shows nothing.
    }
    if (undo)
        undo->finish(conversationID, turnIDs, succeeded);
}

void AskUndo::finish(const QString &conversationID, const QStringList &turnIDs, bool succeeded)
{
    m_undoingConversationIDs.remove(conversationID);
    Q_EMIT undoingChanged(conversationID);
    if (succeeded)
        Q_EMIT undone(conversationID, turnIDs);
}
