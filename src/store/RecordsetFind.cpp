#include "store/AttachedFile.h"
#include "store/DbError.h"
#include "store/Recordset.h"
#include "store/StoreConnection.h"

#include <algorithm>
#include <limits>

// FindFirst: the first record of the set, in the set's own order, that meets
// a criterion on its current values. The criterion runs as one SQLite query,
// so a lookup by an indexed field (barcode, code, name, name prefix) is an
// index seek; the row ids it returns are mapped to positions in the keyset.

namespace pusla {
namespace {

/// Where the set holds the row a find's query is on: -1 for a row it does
/// not hold in its place (rows added since the refresh sit at the end of a
/// sorted set).
int heldPosition(const Keyset &keyset, bool rowidOrder, const StoreConnection::Query &rows)
{
    const int position = keyset.positionOf(rows.int64(0));
    return position < 0 || (!rowidOrder && keyset.isAppended(position)) ? -1 : position;
}

/// The fields a find's query read after the row's key.
QVariantList fieldsAfterKey(const StoreConnection::Query &rows)
{
    QVariantList values;
    for (int column = 1; column < rows.columnCount(); ++column)
        values.append(rows.value(column));
    return values;
}

} // namespace

void Recordset::findFirst(const QString &criteria)
{
    requireOpen();
    if (!m_plan.keyset)
        throw DbError(
            DbError::ReadOnly, QStringLiteral("FindFirst needs a record source on one table: '%1'.").arg(m_source));
    discardPending();
    // Under a transaction that holds the file, a find asked again before
    // anyone wrote the table finds what it found (the numbering file's year
    // row, looked up for every line of a posting).
    StoreConnection &db = connection();
    const bool repeatable = db.locksFilesOnOpen() && db.hasUserTransaction();
    const FileStamp now = repeatable ? stamp() : FileStamp {};
    if (repeatable && m_lastFind && m_lastFind->criteria == criteria && m_lastFind->stamp == now
        && m_lastFind->count == recordCount()) {
        m_noMatch = m_lastFind->position < 0;
        if (m_noMatch)
            return;
        if (m_at == At::Record && !m_currentDeleted && m_position == m_lastFind->position)
            emit currentChanged(m_position); // the row read or written last stays
        else
            go(m_lastFind->position);
        return;
    }
    m_lastFind.reset();
    if (repeatable && findAheadStands(now, criteria)) {
        const int position = m_foundAhead->positions.value(criteria);
        m_lastFind = LastFind {criteria, m_foundAhead->columns, now, recordCount(), position};
        m_noMatch = position < 0;
        if (position >= 0)
            go(position, m_foundAhead->rows.value(position));
        return;
    }
    QSet<int> columnsRead;
    const SqlText condition = translateCriteria(criteria, m_plan.table, m_plan.sortColumn, db.dialect(), &columnsRead);
    Found found = recordCount() == 0 ? Found {} : locate(condition);
    if (repeatable)
        m_lastFind = LastFind {criteria, columnsRead, now, recordCount(), found.position};
    m_noMatch = found.position < 0;
    if (found.position >= 0)
        go(found.position, std::move(found.row));
}

bool Recordset::canFindAhead() const
{
    if (!m_file || !m_plan.keyset)
        return false;
    const StoreConnection &db = connection();
    const bool trustOrder = m_plan.rowidOrder || (!m_orderDisturbed && stamp() == m_baseline);
    return db.dialect() == SqlDialect::Postgres && db.locksFilesOnOpen() && db.hasUserTransaction() && trustOrder;
}

void Recordset::findAhead(const QStringList &criteria)
{
    requireOpen();
    if (!canFindAhead() || criteria.isEmpty())
        return;
    StoreConnection &db = connection();
    FoundAhead ahead {{}, {}, recordCount(), {}, {}};
    std::vector<SqlText> queries;
    queries.reserve(size_t(criteria.size()));
    for (const QString &criterion : criteria) {
        QSet<int> columnsRead;
        SqlText query = findQuery(
            translateCriteria(criterion, m_plan.table, m_plan.sortColumn, db.dialect(), &columnsRead),
            m_plan.selectList);
        ahead.columns.unite(columnsRead);
        query.sql += QStringLiteral(" LIMIT 1");
        queries.push_back(std::move(query));
    }
    std::vector<StoreConnection::Query> answers = db.queryAll(queries);
    // Read once the answers are in: news of commits made before arrives
    // with them, and under the transaction nobody else writes the file.
    ahead.stamp = stamp();
    for (qsizetype i = 0; i < criteria.size(); ++i) {
        StoreConnection::Query &rows = answers[size_t(i)];
        if (!rows.next()) {
            ahead.positions.insert(criteria[i], -1);
            continue;
        }
        // A first match the set does not hold is left to findFirst().
        const int position = heldPosition(m_keyset, m_plan.rowidOrder, rows);
        if (position < 0)
            continue;
        ahead.positions.insert(criteria[i], position);
        ahead.rows.insert(position, fieldsAfterKey(rows));
    }
    m_foundAhead = std::move(ahead);
}

bool Recordset::findAheadStands(const FileStamp &now, const QString &criteria) const
{
    return m_foundAhead && m_foundAhead->stamp == now && m_foundAhead->count == recordCount()
        && m_foundAhead->positions.contains(criteria);
}

QStringList Recordset::explainFind(const QString &criteria)
{
    requireKeyset();
    const SqlText query
        = findQuery(translateCriteria(criteria, m_plan.table, m_plan.sortColumn, connection().dialect()));
    StoreConnection::Query plan = connection().query(QStringLiteral("EXPLAIN QUERY PLAN ") + query.sql, query.params);
    QStringList lines;
    while (plan.next())
        lines.append(plan.value(3).toString());
    return lines;
}

SqlText Recordset::findQuery(const SqlText &condition, const SqlText &fields) const
{
    SqlText query;
    const QString key = connection().keyColumn();
    const QString columns = fields.isEmpty() ? key : key + QStringLiteral(", ") + fields.sql;
    query.sql = QStringLiteral("SELECT %1 FROM %2 WHERE (%3)").arg(columns, qualifiedTable(), condition.sql);
    query.params = fields.params + condition.params;
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

Recordset::Found Recordset::locate(const SqlText &condition)
{
    if (connection().dialect() == SqlDialect::Postgres)
        return locateOnServer(condition);
    return {m_plan.rowidOrder ? locateByRowid(condition) : locateSorted(condition), std::nullopt};
}

Recordset::Found Recordset::locateOnServer(const SqlText &condition)
{
    // Each round trip costs more than reading a row: the first page is one
    // row, with its fields, and a lookup is then one round trip. Rows the
    // set does not hold (hidden by its condition, added by others since)
    // make the pages grow.
    const bool trustOrder = m_plan.rowidOrder || (!m_orderDisturbed && stamp() == m_baseline);
    if (!trustOrder)
        return {locateAnywhere(condition), std::nullopt};
    const SqlText query = findQuery(condition, m_plan.selectList);
    qsizetype offset = 0;
    for (int limit = 1;; limit = std::min(limit * 64, 4096)) {
        StoreConnection::Query rows = connection().query(
            query.sql + QStringLiteral(" LIMIT %1 OFFSET %2").arg(limit).arg(offset), query.params);
        int read = 0;
        for (; rows.next(); ++read) {
            if (const int position = heldPosition(m_keyset, m_plan.rowidOrder, rows); position >= 0)
                return {position, fieldsAfterKey(rows)};
        }
        if (read < limit)
            break;
        offset += read;
    }
    return {!m_plan.rowidOrder && m_keyset.hasAppended() ? locateAppended(condition) : -1, std::nullopt};
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
