#pragma once

#include <QtGlobal>

#include <vector>

namespace pusla {

/// The rows of a record set as row ids in the set's order: those the last
/// refresh listed, then those added since (an added row joins the end,
/// whatever the order of the source). Deleted rows leave the list.
///
/// Only row ids are held, never row values. The way back from a row id to
/// its position is an index built on first need (FindFirst).
class Keyset
{
public:
    void reset(std::vector<qint64> rowids);
    void clear() { reset({}); }

    int count() const { return int(m_rowids.size() - m_removed.size()); }
    qint64 rowidAt(int position) const { return m_rowids[rawIndex(position)]; }
    /// The position of a row, -1 when the row is not in the set.
    int positionOf(qint64 rowid) const;
    /// Whether the row at `position` was added after the last refresh.
    bool isAppended(int position) const { return rawIndex(position) >= m_refreshed; }
    /// The smallest row id added since the refresh; added rows take ever
    /// larger ids, so they are exactly those from this one on.
    qint64 firstAppendedRowid() const { return m_firstAppended; }
    bool hasAppended() const { return m_rowids.size() > m_refreshed; }

    int append(qint64 rowid);
    void remove(int position);

private:
    size_t rawIndex(int position) const;
    void compact();

    // Open addressing over the row ids; built lazily, kept up to date after.
    struct Index
    {
        std::vector<qint64> keys;
        std::vector<qint32> entries; // raw index, -1 for an empty slot
        size_t mask = 0;
        int shift = 64;
        size_t used = 0;

        bool built() const { return !entries.empty(); }
        void build(const std::vector<qint64> &rowids);
        bool insert(qint64 rowid, qint32 raw);
        qint32 find(qint64 rowid) const;
    };

    std::vector<qint64> m_rowids; // in set order, removed ones included
    std::vector<size_t> m_removed; // raw indexes of deleted rows, ascending
    size_t m_refreshed = 0; // raw index where the added rows begin
    qint64 m_firstAppended = 0;
    mutable Index m_index;
};

} // namespace pusla
