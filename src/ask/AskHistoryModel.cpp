#include "AskHistoryModel.h"

#include "records/DateText.h"

void AskHistoryModel::setConversations(const QList<AskConversation> &conversations)
{
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(conversations.size());
    for (const AskConversation &conversation : conversations)
        m_rows.append({conversation.id, conversation.title, DateText::dateTime(conversation.updatedAt)});
    endResetModel();
}

void AskHistoryModel::setOpenConversationID(const std::optional<QString> &conversationID)
{
    if (m_openConversationID == conversationID)
        return;
    m_openConversationID = conversationID;
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1), {IsOpenRole});
}

int AskHistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant AskHistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return row.title;
    case Qt::AccessibleTextRole:
        return row.title + QStringLiteral(", ") + row.date;
    case ConversationIDRole:
        return row.id;
    case DateTextRole:
        return row.date;
    case IsOpenRole:
        return m_openConversationID == row.id;
    default:
        return {};
    }
}
