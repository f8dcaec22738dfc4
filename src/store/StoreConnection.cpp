#include "store/StoreConnection.h"

namespace pusla {

std::vector<StoreConnection::Query> StoreConnection::queryAll(const std::vector<SqlText> &queries)
{
    std::vector<Query> answers;
    answers.reserve(queries.size());
    for (const SqlText &sql : queries)
        answers.push_back(query(sql.sql, sql.params));
    return answers;
}

std::vector<qint64> StoreConnection::queryKeys(const QString &sql, const QVariantList &params)
{
    std::vector<qint64> keys;
    Query rows = query(sql, params);
    while (rows.next())
        keys.push_back(rows.int64(0));
    return keys;
}

QString StoreConnection::keyColumn() const
{
    return dialect() == SqlDialect::Postgres ? QStringLiteral("id") : QStringLiteral("rowid");
}

QString StoreConnection::insertStatement(const QString &table, const QStringList &columns)
{
    if (columns.isEmpty())
        return QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table);
    const QStringList marks(columns.size(), QStringLiteral("?"));
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns.join(u", "), marks.join(u", "));
}

QString StoreConnection::quotedName(const QString &name) const
{
    return pusla::quotedName(name, dialect());
}

QString StoreConnection::qualifiedTable(const QString &schema, const QString &table) const
{
    if (dialect() == SqlDialect::Postgres)
        return postgresName(schema) + u'.' + postgresName(table);
    return schema + u'.' + sqlName(table);
}

} // namespace pusla
