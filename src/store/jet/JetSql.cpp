#include "store/jet/JetSql.h"

#include "store/DbError.h"
#include "store/jet/JetParser.h"
#include "store/jet/JetTranslator.h"

#include <sqlite3.h>

#include <variant>

namespace pusla {

int TableInfo::indexOf(QStringView column) const
{
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(column, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

QString sqlName(const QString &name)
{
    bool plain = !name.isEmpty() && !name.front().isDigit();
    for (QChar c : name)
        plain = plain && c.unicode() < 128 && (c.isLetterOrNumber() || c == u'_');
    if (plain) {
        const QByteArray utf8 = name.toUtf8();
        plain = sqlite3_keyword_check(utf8.constData(), int(utf8.size())) == 0;
    }
    if (plain)
        return name;
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString jetQuoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(u'\'', QStringLiteral("''"));
    return u'\'' + escaped + u'\'';
}

SqlText translateCriteria(
    const QString &criteria, const TableInfo &table, int sortColumn, SqlDialect dialect, QSet<int> *columnsRead)
{
    const JetExprPtr expr = parseJetCriteria(criteria);
    JetTranslator translator(table, {}, DbError::CriteriaSyntaxError, dialect);
    translator.sortColumn = sortColumn;
    const Fragment sql = translator.render(*expr);
    if (translator.aggregate)
        translator.fail(QStringLiteral("Sums cannot be used in a criterion"));
    if (columnsRead)
        *columnsRead = translator.columnsRead;
    return {sql.sql, sql.params};
}

QString postgresName(const QString &name)
{
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString quotedName(const QString &name, SqlDialect dialect)
{
    return dialect == SqlDialect::Postgres ? postgresName(name) : sqlName(name);
}

QString numberedParameters(const QString &sql)
{
    QString numbered;
    numbered.reserve(sql.size() + 16);
    QChar quote;
    int next = 1;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'?') {
            numbered += u'$' + QString::number(next++);
            continue;
        }
        numbered += c;
    }
    return numbered;
}

SqlText translateStatement(
    const QString &statement, const QString &schema, const TableLookup &lookup, SqlDialect dialect)
{
    const bool postgres = dialect == SqlDialect::Postgres;
    const auto name = [dialect](const QString &field) { return quotedName(field, dialect); };
    const auto tableName = [&](const TableInfo &table) { return qualifiedName(schema, table, dialect); };
    // A field the statement writes: one of the table's, and not one the server fills.
    const auto written = [&](const TableInfo &table, const QString &column) {
        const int index = table.indexOf(column);
        if (index < 0 || table.columns[size_t(index)].generated)
            throw DbError(DbError::TooFewParameters, QStringLiteral("Unknown field %1 in %2").arg(column, table.name));
        return name(table.columns[size_t(index)].name);
    };

    const JetStatement parsed = parseJetStatement(statement);
    Fragment out;
    if (std::holds_alternative<JetSelect>(parsed))
        throw DbError(DbError::CannotExecuteSelect, QStringLiteral("Cannot execute a select query"));
    if (const auto *update = std::get_if<JetUpdate>(&parsed)) {
        const TableInfo table = lookup(update->table);
        JetTranslator translator(table, {}, DbError::SyntaxError, dialect);
        out.add(u"UPDATE ").add(tableName(table)).add(u" SET ");
        for (size_t i = 0; i < update->assignments.size(); ++i) {
            const auto &[column, value] = update->assignments[i];
            out.add(i > 0 ? u", " : u"").add(written(table, column)).add(u" = ");
            out.add(translator.render(*value));
        }
        // Only the rows the assignments change are written: rewriting a
        // whole list to the values it holds would journal every page of it.
        out.add(u" WHERE ");
        if (update->where)
            out.add(u"(").add(translator.render(*update->where)).add(u") AND ");
        out.add(u"(");
        for (size_t i = 0; i < update->assignments.size(); ++i) {
            const auto &[column, value] = update->assignments[i];
            out.add(i > 0 ? u" OR " : u"").add(written(table, column));
            out.add(postgres ? u" IS DISTINCT FROM (" : u" IS NOT (").add(translator.render(*value)).add(u")");
        }
        out.add(u")");
    } else if (const auto *remove = std::get_if<JetDelete>(&parsed)) {
        const TableInfo table = lookup(remove->table);
        JetTranslator translator(table, {}, DbError::SyntaxError, dialect);
        out.add(u"DELETE FROM ").add(tableName(table));
        if (remove->where)
            out.add(u" WHERE ").add(translator.render(*remove->where));
    } else {
        const auto &insert = std::get<JetInsert>(parsed);
        const TableInfo table = lookup(insert.table);
        JetTranslator translator(table, {}, DbError::SyntaxError, dialect);
        QStringList columns = insert.columns;
        if (columns.isEmpty()) {
            for (const TableColumn &column : table.columns) {
                if (!column.generated)
                    columns.append(column.name);
            }
        }
        if (columns.size() != qsizetype(insert.values.size()))
            translator.fail(QStringLiteral("Number of values differs from the number of fields"));
        out.add(u"INSERT INTO ").add(tableName(table)).add(u" (");
        for (qsizetype i = 0; i < columns.size(); ++i)
            out.add(i > 0 ? u", " : u"").add(written(table, columns.at(i)));
        out.add(u") VALUES (");
        for (size_t i = 0; i < insert.values.size(); ++i)
            out.add(i > 0 ? u", " : u"").add(translator.render(*insert.values[i]));
        out.add(u")");
    }
    return {out.sql, out.params};
}

} // namespace pusla
