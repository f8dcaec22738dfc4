#include "store/AttachedFile.h"
#include "store/DbError.h"
#include "store/Recordset.h"
#include "store/StoreConnection.h"

#include <limits>

// FindFirst: the first record of the set, in the set's own order, that meets
// a criterion on its current values. The criterion runs as one SQLite query,
// so a lookup by an indexed field (barcode, code, name, name prefix) is an
// index seek; the row ids it returns are mapped to positions in the keyset.

namespace pusla {

void Recordset::findFirst(const QString &criteria)
{
    requireOpen();
    if (!m_plan.keyset)
        throw DbError(
            DbError::ReadOnly, QStringLiteral("FindFirst needs a record source on one table: '%1'.").arg(m_source));
    discardPending();
    const SqlText condition = translateCriteria(criteria, m_plan.table, m_plan.sortColumn, connection().dialect());
    const int found = recordCount() == 0 ? -1 : locate(condition);
    m_noMatch = found < 0;
    if (found >= 0)
        go(found);
}

QStringList Recordset::explainFind(const QString &criteria)
{
    requireKeyset();
    const SqlText query = findQuery(translateCriteria(criteria, m_plan.table, m_plan.sortColumn, connection().dialect()));
    StoreConnection::Query plan = connection().query(QStringLiteral("EXPLAIN QUERY PLAN ") + query.sql, query.params);
    QStringList lines;
    while (plan.next())
        lines.append(plan.value(3).toString());
    return lines;
}

SqlText Recordset::findQuery(const SqlText &condition) const
{
    SqlText query;
    const QString key = connection().keyColumn();
    query.sql = QStringLiteral("SELECT %1 FROM %2 WHERE (%3)").arg(key, qualifiedTable(), condition.sql);
    query.params = condition.params;
    if (m_plan.rowidOrder) {
        query.sql += QStringLiteral(" ORDER BY ") + key;
        return query;
    }
    if (!m_plan.where.isEmpty()) {
        query.sql += QStringLiteral(" AND (%1)").arg(m_plan.where.sql);
        query.params += m_plan.where.params;
    }
    query.sql += QStringLiteral(" ORDER BY ") + m_plan.orderBy.sql;
    query.params += m_plan.orderBy.params;
    return query;
}

int Recordset::locate(const SqlText &condition)
{
    return m_plan.rowidOrder ? locateByRowid(condition) : locateSorted(condition);
}

int Recordset::locateByRowid(const SqlText &condition)
{
    // Row ids never change and added rows take larger ones: in a set without
    // an order of its own, row-id order is the set's order, edits or not.
    const SqlText query = findQuery(condition);
    StoreConnection::Query rows = connection().query(query.sql, query.params);
    while (rows.next()) {
        const int position = m_keyset.positionOf(rows.int64(0));
        if (position >= 0)
            return position;
    }
    return -1;
}

int Recordset::locateSorted(const SqlText &condition)
{
    const SqlText query = findQuery(condition);
    {
        StoreConnection::Query rows = connection().query(query.sql, query.params);
        bool hasRow = rows.next();
        // Read after the first step: the query's read transaction has seen
        // any change other programs made to the file.
        if (!m_orderDisturbed && stamp() == m_baseline) {
            // Unchanged since the refresh: the rows of the refresh come in
            // the set's order. Rows added since sit at the end of the set.
            for (; hasRow; hasRow = rows.next()) {
                const int position = m_keyset.positionOf(rows.int64(0));
                if (position >= 0 && !m_keyset.isAppended(position))
                    return position;
            }
            return m_keyset.hasAppended() ? locateAppended(condition) : -1;
        }
    }
    return locateAnywhere(condition);
}

int Recordset::locateAppended(const SqlText &condition)
{
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %1 >= ? AND (%3) ORDER BY %1")
                            .arg(connection().keyColumn(), qualifiedTable(), condition.sql);
    StoreConnection::Query rows
        = connection().query(sql, QVariantList {m_keyset.firstAppendedRowid()} + condition.params);
    while (rows.next()) {
        const int position = m_keyset.positionOf(rows.int64(0));
        if (position >= 0)
            return position;
    }
    return -1;
}

int Recordset::locateAnywhere(const SqlText &condition)
{
    // Values that decide the order or the condition may have changed since
    // the refresh, while the set keeps its rows and their places: every row
    // that meets the criterion now is a candidate, the earliest place wins.
    const QString sql
        = QStringLiteral("SELECT %1 FROM %2 WHERE (%3)").arg(connection().keyColumn(), qualifiedTable(), condition.sql);
    StoreConnection::Query rows = connection().query(sql, condition.params);
    int best = std::numeric_limits<int>::max();
    while (rows.next()) {
        const int position = m_keyset.positionOf(rows.int64(0));
        if (position >= 0 && position < best)
            best = position;
    }
    return best == std::numeric_limits<int>::max() ? -1 : best;
}

} // namespace pusla
