#pragma once

#include "store/jet/JetSql.h"

#include <QSet>
#include <QStringList>

#include <vector>

namespace pusla {

/// How a record set reads its record source (a table name or a SELECT).
struct RecordSourcePlan
{
    TableInfo table;
    /// One table, no grouping or sums: rows are kept as a list of row ids and
    /// can be edited. Otherwise the result is read once and is read-only.
    bool keyset = false;
    QStringList fieldNames;
    std::vector<int> fieldColumns; // table column behind each field, -1 for a computed one
    SqlText selectList; // the fields of one row, comma separated
    SqlText where; // the condition alone, empty when there is none
    SqlText orderBy; // the order terms, row id last as the tie-break
    bool rowidOrder = true; // the source has no order of its own
    int sortColumn = -1; // the text column whose sort key leads the order, if any
    QSet<int> orderOrWhereColumns; // an edit of these may move a row or drop it from the condition
    SqlText statement; // the whole SELECT, for a read-only source
};

/// Plans a record source against the file attached as `schema`.
RecordSourcePlan planRecordSource(const QString &source, const QString &schema, const TableLookup &lookup,
    SqlDialect dialect = SqlDialect::Sqlite);

} // namespace pusla
