#pragma once

#include "records/Medbit.h"

#include <QAbstractListModel>
#include <QList>

#include <optional>

// The timeline's rows: the entries that pass the category filter and the search, in the list's order.
// A new entry list is applied as the smallest change it makes (rows inserted, removed or updated in place),
// so a star or a fetched full record repaints one row and keeps the view's scroll position and selection.
// A new filter or search rebuilds the rows, which is far quicker than moving thousands of them one by one.
class TimelineModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    const Medbit &medbitAt(int row) const { return m_medbits.at(m_rows.at(row)); }
    // The row showing the entry with this id, or -1.
    int rowOf(const QString &id) const;
    // Where a row's entry stands in the whole list, and the first row at or after such a place (-1: none).
    int listPosition(int row) const { return m_rows.at(row); }
    int firstRowFrom(int listPosition) const;

    void setMedbits(const QList<Medbit> &medbits);
    void setFilter(const std::optional<QString> &categoryCode, const QString &searchText);

    // What a reader hears for a row: main text, marks, category initials and date.
    static QString accessibleText(const Medbit &medbit);

private:
    // Repaints the rows in [first, end) whose entry changed; the row's old position is row - shift.
    void updateChangedRows(const QList<Medbit> &old, const QList<int> &oldRows, int first, int end, int shift);

    QList<Medbit> m_medbits;
    QList<int> m_rows; // positions in m_medbits of the shown entries
    std::optional<QString> m_categoryCode;
    QString m_searchText;
};
