#pragma once

#include "records/ImageAsset.h"

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The patient's documents in the service's order, one row per document, each under its key (DocumentKey),
// and which key is selected. Two listed documents may share a key: a record replaces the first of them, and
// selecting the key marks both.
class DocumentGridModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        KeyRole = Qt::UserRole + 1,
        ThumbnailRole, // QUrl of the thumbnail; empty when missing or not a usable link
        IsPDFRole,
        IsSelectedRole,
    };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    const QList<ImageAsset> &documents() const { return m_documents; }
    void setDocuments(const QList<ImageAsset> &documents);
    // Puts `record` in place of the first document with the same identity; false (and nothing changes) when
    // there is none.
    bool replaceFirst(const ImageAsset &record);
    // The first document under `key`.
    std::optional<ImageAsset> document(const QString &key) const;
    QString keyAt(int row) const { return m_keys.value(row); }

    std::optional<QString> selectedKey() const { return m_selectedKey; }
    void setSelectedKey(const QString &key);

    // A usable absolute link, or an empty URL.
    static QUrl linkOf(const std::optional<QString> &text);
    // The file name, or "Document".
    static QString nameOf(const ImageAsset &document);

private:
    QList<ImageAsset> m_documents;
    QStringList m_keys;
    std::optional<QString> m_selectedKey;
};
