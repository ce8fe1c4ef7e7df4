#pragma once

#include "AskConversation.h"

#include <QAbstractListModel>
#include <QList>
#include <QString>

#include <optional>

// The question history as the list shows it: each conversation's title and date, and which one is open.
class AskHistoryModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role { ConversationIDRole = Qt::UserRole, DateTextRole, IsOpenRole };

    using QAbstractListModel::QAbstractListModel;

    // In display order.
    void setConversations(const QList<AskConversation> &conversations);
    void setOpenConversationID(const std::optional<QString> &conversationID);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    struct Row {
        QString id;
        QString title;
        QString date;
    };

    QList<Row> m_rows;
    std::optional<QString> m_openConversationID;
};
