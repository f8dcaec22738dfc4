#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <vector>

namespace pusla {

/// SQLite text with the values bound to its `?` marks, in order. Every text
/// value of a statement travels as a bound value, never as SQL text.
struct SqlText
{
    QString sql;
    QVariantList params;

    bool isEmpty() const { return sql.isEmpty(); }
};

struct TableColumn
{
    enum class Kind { Text, Number, Other };

    QString name;
    Kind kind = Kind::Other; // from the declared type; Text compares and sorts without regard to case
    bool generated = false; // the server fills it (its key, a stored fold or sort key): never written
};

/// The fields of one table, in table order, as the file declares them.
struct TableInfo
{
    QString name;
    std::vector<TableColumn> columns;

    /// Field names are matched without regard to case; -1 when absent.
    int indexOf(QStringView column) const;
};

/// The SQL a translation is written in: SQLite for the files, PostgreSQL for
/// the books on a server.
enum class SqlDialect { Sqlite, Postgres };

/// Answers a table's fields; throws DbError(TableNotFound) for an unknown table.
using TableLookup = std::function<TableInfo(const QString &table)>;

/// Translates a FindFirst criterion ("StokKod='X'", "StokAdi like 'abc*'")
/// into an SQLite condition on `table`. For a set in the order of a text
/// column's sort key, `sortColumn` names that column: a name prefix on it
/// is then also a range of the key, so that the set's first match is read
/// from the sort index, in order.
/// `columnsRead`, when given, receives the table columns the criterion reads.
SqlText translateCriteria(const QString &criteria, const TableInfo &table, int sortColumn = -1,
    SqlDialect dialect = SqlDialect::Sqlite, QSet<int> *columnsRead = nullptr);

/// `sql` with its `?` marks numbered ($1, $2, ...) as PostgreSQL takes them;
/// a `?` inside quotes is text and stays.
QString numberedParameters(const QString &sql);

/// Translates an UPDATE, DELETE or INSERT statement for the file attached as
/// `schema`. A SELECT is refused with DbError(CannotExecuteSelect).
SqlText translateStatement(const QString &statement, const QString &schema, const TableLookup &lookup,
    SqlDialect dialect = SqlDialect::Sqlite);

/// A name as SQLite reads it: bare when it is a plain word, quoted otherwise.
QString sqlName(const QString &name);

/// A name as PostgreSQL keeps it, its case included: always quoted.
QString postgresName(const QString &name);

/// A name as the dialect writes it.
QString quotedName(const QString &name, SqlDialect dialect);

/// A text as a literal of the query language, for pasting into a criterion:
/// between apostrophes, with an apostrophe inside written twice
/// ("StokKod=" + jetQuoted("O'Brien") gives StokKod='O''Brien'). Wildcards
/// stay wildcards in a LIKE pattern.
QString jetQuoted(const QString &text);

} // namespace pusla
