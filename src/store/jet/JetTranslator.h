#pragma once

#include "store/jet/JetParser.h"
#include "store/jet/JetSql.h"

#include <QSet>

#include <QString>
#include <QVariantList>
#include <optional>

namespace pusla {

class JetPattern;

/// Emitted SQL with its bound values; composed left to right so that the
/// values stay in the order of their `?` marks.
struct Fragment
{
    QString sql;
    QVariantList params;

    Fragment &add(QStringView text)
    {
        sql += text;
        return *this;
    }
    Fragment &add(const Fragment &other)
    {
        sql += other.sql;
        params += other.params;
        return *this;
    }
    Fragment &bind(const QVariant &value)
    {
        sql += u'?';
        params.append(value);
        return *this;
    }
};

/// The table as a statement on the file attached as `schema` names it.
QString qualifiedName(const QString &schema, const TableInfo &table, SqlDialect dialect = SqlDialect::Sqlite);

/// Renders parsed query-language expressions on one table as SQLite:
/// field names checked against the table, text comparisons folded as the
/// text indexes fold them, the engine's functions mapped to SQLite's.
class JetTranslator
{
public:
    enum class ValueType { Text, Number, Unknown };

    /// `tableAlias` is the name the source gives the table, if any; a
    /// failure of the expression throws DbError(`errorNumber`).
    JetTranslator(
        const TableInfo &table, const QString &tableAlias, int errorNumber, SqlDialect dialect = SqlDialect::Sqlite);

    /// The table columns that rendered expressions named.
    QSet<int> columnsRead;
    /// Whether a rendered expression used a sum (Sum, Count, Min, ...).
    bool aggregate = false;
    /// The text column whose sort key orders the rows a condition is for,
    /// -1 for none: a pattern with a leading text on it is also rendered as
    /// a range of that key.
    int sortColumn = -1;

    Fragment render(const JetExpr &e);
    ValueType typeOf(const JetExpr &e) const;
    /// The operand as the text indexes compare it.
    Fragment folded(const JetExpr &e);
    /// A text operand as lists are sorted on it, alphabetically.
    Fragment sortKey(const JetExpr &e);
    [[noreturn]] void fail(const QString &text) const;

private:
    int columnOf(const JetExpr &e) const;
    Fragment name(const JetExpr &e);
    bool foldsAsText(const JetExpr &a, const JetExpr &b) const;
    Fragment binary(const JetExpr &e);
    Fragment compare(const JetExpr &e);
    Fragment like(const JetExpr &e);
    Fragment listOrRange(const JetExpr &e);
    Fragment function(const JetExpr &e);

    bool isPostgres() const { return m_dialect == SqlDialect::Postgres; }
    std::optional<Fragment> storedKey(const JetExpr &e, QStringView suffix);
    /// A pattern matched in SQL rather than by a range alone.
    Fragment patternMatch(const JetExpr &value, const Fragment &pattern, const JetPattern *compiled);

    const TableInfo &m_table;
    QString m_alias;
    int m_errorNumber;
    SqlDialect m_dialect;
};

} // namespace pusla
