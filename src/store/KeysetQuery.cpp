#include "store/KeysetQuery.h"

#include "store/DbError.h"
#include "store/Keyset.h"
#include "store/StoreConnection.h"

#include <algorithm>

namespace pusla {
namespace {

// Whether SQLite reads the rows in this order from an index rather than
// sorting them.
bool orderFromIndex(StoreConnection &db, const QString &orderedSql, const QVariantList &params)
{
    StoreConnection::Query plan = db.query(QStringLiteral("EXPLAIN QUERY PLAN ") + orderedSql, params);
    bool index = false;
    while (plan.next()) {
        const QString step = plan.value(3).toString();
        if (step.contains(u"TEMP B-TREE"))
            return false;
        index = index || step.contains(u"USING INDEX") || step.contains(u"USING COVERING INDEX");
    }
    return index;
}

} // namespace

std::vector<qint64> queryKeyset(StoreConnection &db, const QString &table, const RecordSourcePlan &plan)
{
    const QString key = db.keyColumn();
    const QString orderedSql = QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(key, table, plan.orderBy.sql);
    // One statement when there is no condition to split off, and always on
    // the server, which plans the ordered scan and the condition together.
    if (plan.where.isEmpty() || plan.rowidOrder || db.dialect() != SqlDialect::Sqlite
        || !orderFromIndex(db, orderedSql, plan.orderBy.params)) {
        const SqlText whole = keysetStatement(key, table, plan);
        return db.queryKeys(whole.sql, whole.params);
    }
    const QString whereSql = QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(key, table, plan.where.sql);

    const bool ownTransaction = !db.inTransaction();
    if (ownTransaction)
        db.begin(false);
    std::vector<qint64> ordered;
    std::vector<qint64> meeting;
    try {
        ordered = db.queryKeys(orderedSql, plan.orderBy.params);
        meeting = db.queryKeys(whereSql, plan.where.params);
        if (ownTransaction)
            db.commit();
    } catch (const DbError &) {
        if (ownTransaction)
            db.rollback();
        throw;
    }
    if (meeting.empty())
        return meeting;
    const auto [low, high] = std::minmax_element(meeting.begin(), meeting.end());
    const quint64 span = quint64(*high - *low) + 1;
    if (span <= quint64(meeting.size()) * 16) {
        // Row ids are dense in practice: one bit per id in the range.
        std::vector<bool> meets(span, false);
        const qint64 first = *low;
        for (qint64 rowid : meeting)
            meets[size_t(rowid - first)] = true;
        std::erase_if(ordered, [&meets, first, span](qint64 rowid) {
            return rowid < first || quint64(rowid - first) >= span || !meets[size_t(rowid - first)];
        });
        return ordered;
    }
    std::sort(meeting.begin(), meeting.end());
    std::erase_if(
        ordered, [&meeting](qint64 rowid) { return !std::binary_search(meeting.begin(), meeting.end(), rowid); });
    return ordered;
}

SqlText keysetStatement(const QString &key, const QString &table, const RecordSourcePlan &plan)
{
    if (plan.where.isEmpty())
        return {QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(key, table, plan.orderBy.sql), plan.orderBy.params};
    return {QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4").arg(key, table, plan.where.sql, plan.orderBy.sql),
        plan.where.params + plan.orderBy.params};
}

void mergeAppended(Keyset &keyset, StoreConnection &db, const QString &table, const RecordSourcePlan &plan)
{
    // The rows added since the refresh go where a re-query would list them:
    // dropped when they miss the condition, else after every row that sorts
    // before them. The refreshed rows are in the query's order, so a binary
    // search finds the place; SQLite compares each pair with the source's own
    // ORDER BY, row id tie-break included.
    std::vector<qint64> rows;
    std::vector<qint64> added;
    rows.reserve(size_t(keyset.count()));
    for (int position = 0; position < keyset.count(); ++position)
        (keyset.isAppended(position) ? added : rows).push_back(keyset.rowidAt(position));

    const QString key = db.keyColumn();
    const QString meetsSql = QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ? AND (%3)").arg(table, key, plan.where.sql);
    const QString pairSql
        = QStringLiteral("SELECT %1 FROM %2 WHERE %1 IN (?, ?) ORDER BY %3").arg(key, table, plan.orderBy.sql);
    const auto sortsBefore = [&](qint64 a, qint64 b) {
        StoreConnection::Query pair = db.query(pairSql, QVariantList {a, b} + plan.orderBy.params);
        return pair.next() && pair.int64(0) == a;
    };
    for (qint64 rowid : added) {
        if (!plan.where.isEmpty()) {
            StoreConnection::Query meets = db.query(meetsSql, QVariantList {rowid} + plan.where.params);
            if (!meets.next())
                continue;
        }
        auto place = rows.end();
        if (!plan.rowidOrder) {
            place = std::partition_point(
                rows.begin(), rows.end(), [&](qint64 listed) { return sortsBefore(listed, rowid); });
        }
        rows.insert(place, rowid);
    }
    keyset.reset(std::move(rows));
}

} // namespace pusla
