#include "AskUndo.h"

#include "ChatAPIClient.h"

#include "net/APIClient.h"
#include "net/APIError.h"
#include "net/LocalChanges.h"

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
    {
        ChangesInFlight::Hold hold = APIClient::shared().changes().hold();
        const LocalChanges::Change undoing = co_await undo->m_changes->begin(channelID);
        if (!undo)
            co_return;
        try {
            co_await ChatAPIClient::undoLastQuestion(channelID);
            if (undo)
                Q_EMIT undo->undone(conversationID, turnIDs);
        } catch (const APIError &error) {
            // A failed undo changes nothing and shows nothing here; only a sign-out waiting for it hears of it.
            hold.fail(error);
        }
    }
    if (undo)
        undo->finish(conversationID);
}

void AskUndo::finish(const QString &conversationID)
{
    m_undoingConversationIDs.remove(conversationID);
    Q_EMIT undoingChanged(conversationID);
}
