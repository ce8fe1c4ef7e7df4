#include "documents/DocumentGridModel.h"

#include "documents/DocumentKey.h"

#include <QUrl>

int DocumentGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_documents.size());
}

QVariant DocumentGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_documents.size())
        return {};
    const ImageAsset &document = m_documents.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return nameOf(document);
    case KeyRole:
        return m_keys.at(index.row());
    case ThumbnailRole:
        return linkOf(document.thumbnail);
    case IsPDFRole:
        return document.isPDF();
    case IsSelectedRole:
        return m_selectedKey == m_keys.at(index.row());
    default:
        return {};
    }
}

void DocumentGridModel::setDocuments(const QList<ImageAsset> &documents)
{
    beginResetModel();
    m_documents = documents;
    m_keys.clear();
    m_keys.reserve(documents.size());
    for (int row = 0; row < documents.size(); ++row)
        m_keys.append(DocumentKey::forListed(documents.at(row), row));
    endResetModel();
}

bool DocumentGridModel::replaceFirst(const ImageAsset &record)
{
    const std::optional<QString> identity = DocumentKey::identity(record);
    const int row = identity ? int(m_keys.indexOf(*identity)) : -1;
    if (row < 0)
        return false;
    if (m_documents.at(row) != record) {
        m_documents[row] = record;
        const QModelIndex changed = index(row);
        Q_EMIT dataChanged(changed, changed);
    }
    return true;
}

std::optional<ImageAsset> DocumentGridModel::document(const QString &key) const
{
    const qsizetype row = m_keys.indexOf(key);
    return row < 0 ? std::nullopt : std::optional<ImageAsset>(m_documents.at(row));
}

void DocumentGridModel::setSelectedKey(const QString &key)
{
    if (m_selectedKey == key)
        return;
    m_selectedKey = key;
    if (!m_documents.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(m_documents.size()) - 1), {IsSelectedRole});
}

QUrl DocumentGridModel::linkOf(const std::optional<QString> &text)
{
    const QUrl url = text ? QUrl(*text, QUrl::StrictMode) : QUrl();
    return url.isValid() && !url.isRelative() ? url : QUrl();
}

QString DocumentGridModel::nameOf(const ImageAsset &document)
{
    return document.fileName.value_or(tr("Document"));
}
