#include "mainwindow/timeline/TimelineModel.h"

#include "mainwindow/timeline/TimelineFilter.h"
#include "mainwindow/timeline/TimelineRowText.h"

#include <algorithm>

int TimelineModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant TimelineModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return accessibleText(medbitAt(index.row()));
    return {};
}

int TimelineModel::rowOf(const QString &id) const
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (medbitAt(row).id == id)
            return row;
    }
    return -1;
}

int TimelineModel::firstRowFrom(int listPosition) const
{
    const auto found = std::lower_bound(m_rows.cbegin(), m_rows.cend(), listPosition);
    return found == m_rows.cend() ? -1 : int(found - m_rows.cbegin());
}

void TimelineModel::setMedbits(const QList<Medbit> &medbits)
{
    const QList<Medbit> old = m_medbits;
    const QList<int> oldRows = m_rows;
    const QList<int> newRows = TimelineFilter::shownRows(medbits, m_categoryCode, m_searchText);
    const auto oldID = [&](qsizetype row) -> const QString & { return old.at(oldRows.at(row)).id; };
    const auto newID = [&](qsizetype row) -> const QString & { return medbits.at(newRows.at(row)).id; };

    // The rows both lists begin and end with keep their place; only the part between them moves.
    qsizetype prefix = 0;
    while (prefix < oldRows.size() && prefix < newRows.size() && oldID(prefix) == newID(prefix))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < oldRows.size() - prefix && suffix < newRows.size() - prefix &&
           oldID(oldRows.size() - 1 - suffix) == newID(newRows.size() - 1 - suffix))
        ++suffix;

    const qsizetype removed = oldRows.size() - prefix - suffix;
    if (removed > 0) {
        beginRemoveRows({}, int(prefix), int(prefix + removed - 1));
        m_rows.remove(prefix, removed);
        endRemoveRows();
    }
    const qsizetype inserted = newRows.size() - prefix - suffix;
    m_medbits = medbits;
    m_rows = newRows.first(prefix) + newRows.last(suffix);
    if (inserted > 0) {
        beginInsertRows({}, int(prefix), int(prefix + inserted - 1));
        m_rows = newRows;
        endInsertRows();
    }
    updateChangedRows(old, oldRows, 0, int(prefix), 0);
    updateChangedRows(old, oldRows, int(newRows.size() - suffix), int(newRows.size()), int(inserted - removed));
}

void TimelineModel::updateChangedRows(const QList<Medbit> &old, const QList<int> &oldRows, int first, int end,
                                      int shift)
{
    for (int row = first; row < end; ++row) {
        if (old.at(oldRows.at(row - shift)) != medbitAt(row))
            Q_EMIT dataChanged(index(row), index(row));
    }
}

void TimelineModel::setFilter(const std::optional<QString> &categoryCode, const QString &searchText)
{
    if (categoryCode == m_categoryCode && searchText.trimmed() == m_searchText.trimmed())
        return;
    beginResetModel();
    m_categoryCode = categoryCode;
    m_searchText = searchText;
    m_rows = TimelineFilter::shownRows(m_medbits, m_categoryCode, m_searchText);
    endResetModel();
}

QString TimelineModel::accessibleText(const Medbit &medbit)
{
    QStringList parts{TimelineRowText::mainText(medbit)};
    const QStringList marks = TimelineRowText::markNames(medbit);
    if (!marks.isEmpty())
        parts.append(marks.join(QStringLiteral(", ")));
    parts.append(TimelineRowText::footer(medbit));
    return parts.join(QStringLiteral(". "));
}
