#include "store/StoreConnection.h"

namespace pusla {

QString StoreConnection::keyColumn() const
{
    return dialect() == SqlDialect::Postgres ? QStringLiteral("id") : QStringLiteral("rowid");
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
