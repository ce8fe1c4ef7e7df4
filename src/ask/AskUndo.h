#pragma once

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <QCoroTask>

class LocalChanges;

// Undo of a conversation's last question at the service, one at a time per conversation, each held in the
// book of changes under the conversation's channel from the request to the removal. The turns to remove are
// fixed at the click and handed back by id once the service confirms; a failed undo changes nothing and
// shows nothing.
class AskUndo final : public QObject
{
    Q_OBJECT

public:
    explicit AskUndo(LocalChanges *changes, QObject *parent = nullptr) : QObject(parent), m_changes(changes) {}

    bool isUndoing(const QString &conversationID) const { return m_undoingConversationIDs.contains(conversationID); }
    // Does nothing while the conversation's earlier undo runs.
    void start(const QString &conversationID, const QString &channelID, const QStringList &turnIDs);

Q_SIGNALS:
    void undoingChanged(const QString &conversationID);
    // While the change is held: the service removed the pair, `turnIDs` are the turns it was shown as.
    void undone(const QString &conversationID, const QStringList &turnIDs);

private:
    static QCoro::Task<> run(QPointer<AskUndo> undo, QString conversationID, QString channelID, QStringList turnIDs);

    void finish(const QString &conversationID);

    LocalChanges *m_changes = nullptr;
    QSet<QString> m_undoingConversationIDs;
};
