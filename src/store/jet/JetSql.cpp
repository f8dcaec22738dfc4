#include "store/jet/JetSql.h"

#include "store/DbError.h"
#include "store/jet/JetLexer.h"
#include "store/jet/JetParser.h"
#include "store/jet/JetPattern.h"
#include "base/TextFold.h"

#include <sqlite3.h>

#include <variant>

namespace pusla {
namespace {

enum class ValueType { Text, Number, Unknown };

// Emitted SQL with its bound values; composed left to right so that the
// values stay in the order of their `?` marks.
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

struct FunctionInfo
{
    QStringView jet;
    QStringView sql;
    int minArgs;
    int maxArgs;
    bool aggregate;
    ValueType type; // Unknown: the type of the first argument
};

constexpr FunctionInfo kFunctions[] = {
    {u"Sum", u"sum", 1, 1, true, ValueType::Number},
    {u"Count", u"count", 1, 1, true, ValueType::Number},
    {u"Avg", u"avg", 1, 1, true, ValueType::Number},
    {u"Min", u"min", 1, 1, true, ValueType::Unknown},
    {u"Max", u"max", 1, 1, true, ValueType::Unknown},
    {u"Abs", u"abs", 1, 1, false, ValueType::Number},
    {u"Len", u"length", 1, 1, false, ValueType::Number},
    {u"Round", u"round", 1, 2, false, ValueType::Number},
    {u"Int", u"floor", 1, 1, false, ValueType::Number},
    {u"Trim", u"trim", 1, 1, false, ValueType::Text},
    {u"LTrim", u"ltrim", 1, 1, false, ValueType::Text},
    {u"RTrim", u"rtrim", 1, 1, false, ValueType::Text},
    {u"UCase", u"upper", 1, 1, false, ValueType::Text},
    {u"LCase", u"lower", 1, 1, false, ValueType::Text},
    {u"Mid", u"substr", 2, 3, false, ValueType::Text},
    {u"Left", u"", 2, 2, false, ValueType::Text},
    {u"Right", u"", 2, 2, false, ValueType::Text},
    {u"Nz", u"ifnull", 1, 2, false, ValueType::Unknown},
};

const FunctionInfo *findFunction(const QString &name)
{
    for (const FunctionInfo &info : kFunctions) {
        if (name.compare(info.jet, Qt::CaseInsensitive) == 0)
            return &info;
    }
    return nullptr;
}

std::optional<int> booleanWord(const QString &word)
{
    if (word.compare(u"True", Qt::CaseInsensitive) == 0 || word.compare(u"Yes", Qt::CaseInsensitive) == 0)
        return -1; // the engine's True
    if (word.compare(u"False", Qt::CaseInsensitive) == 0 || word.compare(u"No", Qt::CaseInsensitive) == 0)
        return 0;
    return std::nullopt;
}

class Translator
{
public:
    Translator(const TableInfo &table, const QString &tableAlias, int errorNumber)
        : m_table(table)
        , m_alias(tableAlias)
        , m_errorNumber(errorNumber)
    { }

    QSet<int> columnsRead;
    bool aggregate = false;

    Fragment render(const JetExpr &e)
    {
        Fragment out;
        switch (e.kind) {
        case JetExpr::Kind::Name:
            return name(e);
        case JetExpr::Kind::String:
            return out.bind(e.text);
        case JetExpr::Kind::Number:
            return out.add(e.text);
        case JetExpr::Kind::Null:
            return out.add(u"NULL");
        case JetExpr::Kind::Date:
            fail(QStringLiteral("Date literals are not supported: #%1#").arg(e.text));
        case JetExpr::Kind::Star:
            return out.add(u"*");
        case JetExpr::Kind::Paren:
            return out.add(u"(").add(render(*e.args[0])).add(u")");
        case JetExpr::Kind::Unary:
            if (e.text == u"Not")
                return out.add(u"(NOT ").add(render(*e.args[0])).add(u")");
            return out.add(u"(").add(e.text).add(render(*e.args[0])).add(u")");
        case JetExpr::Kind::Binary:
            return binary(e);
        case JetExpr::Kind::Compare:
            return compare(e);
        case JetExpr::Kind::Like:
            return like(e);
        case JetExpr::Kind::In:
        case JetExpr::Kind::Between:
            return listOrRange(e);
        case JetExpr::Kind::IsNull:
            return out.add(u"(").add(render(*e.args[0])).add(e.negated ? u" IS NOT NULL)" : u" IS NULL)");
        case JetExpr::Kind::Function:
            return function(e);
        }
        return out;
    }

    ValueType typeOf(const JetExpr &e) const
    {
        switch (e.kind) {
        case JetExpr::Kind::String:
            return ValueType::Text;
        case JetExpr::Kind::Number:
            return ValueType::Number;
        case JetExpr::Kind::Name: {
            const int column = columnOf(e);
            if (column < 0)
                return booleanWord(e.text) ? ValueType::Number : ValueType::Unknown;
            const TableColumn::Kind kind = m_table.columns[size_t(column)].kind;
            if (kind == TableColumn::Kind::Text)
                return ValueType::Text;
            return kind == TableColumn::Kind::Number ? ValueType::Number : ValueType::Unknown;
        }
        case JetExpr::Kind::Paren:
            return typeOf(*e.args[0]);
        case JetExpr::Kind::Unary:
            return e.text == u"Not" ? ValueType::Unknown : ValueType::Number;
        case JetExpr::Kind::Binary:
            if (e.text == u"&")
                return ValueType::Text;
            return e.text == u"And" || e.text == u"Or" ? ValueType::Unknown : ValueType::Number;
        case JetExpr::Kind::Function: {
            const FunctionInfo *info = findFunction(e.text);
            if (info && info->type == ValueType::Unknown && !e.args.empty())
                return typeOf(*e.args[0]);
            return info ? info->type : ValueType::Unknown;
        }
        default:
            return ValueType::Unknown;
        }
    }

    // The operand as the text indexes compare it: a text value is folded in
    // C++, anything else through the very expression the indexes are built on.
    Fragment folded(const JetExpr &e)
    {
        if (e.kind == JetExpr::Kind::String)
            return Fragment().bind(foldText(e.text));
        const Fragment inner = render(e);
        Fragment out;
        out.sql = foldSqlExpression(inner.sql);
        // The fold wraps the operand once, so its values keep their order.
        out.params = inner.params;
        return out;
    }

    [[noreturn]] void fail(const QString &text) const { throw DbError(m_errorNumber, text); }

private:
    int columnOf(const JetExpr &e) const
    {
        if (e.kind != JetExpr::Kind::Name)
            return -1;
        if (!e.qualifier.isEmpty() && e.qualifier.compare(m_table.name, Qt::CaseInsensitive) != 0
            && e.qualifier.compare(m_alias, Qt::CaseInsensitive) != 0)
            return -1;
        return m_table.indexOf(e.text);
    }

    Fragment name(const JetExpr &e)
    {
        const int column = columnOf(e);
        if (column >= 0) {
            columnsRead.insert(column);
            return Fragment().add(sqlName(m_table.columns[size_t(column)].name));
        }
        if (e.qualifier.isEmpty()) {
            if (const std::optional<int> value = booleanWord(e.text))
                return Fragment().add(QString::number(*value));
        }
        const QString full = e.qualifier.isEmpty() ? e.text : e.qualifier + u'.' + e.text;
        throw DbError(DbError::TooFewParameters,
            QStringLiteral("Too few parameters. Expected 1. (unknown field %1 in %2)").arg(full, m_table.name));
    }

    bool foldsAsText(const JetExpr &a, const JetExpr &b) const
    {
        const ValueType ta = typeOf(a);
        const ValueType tb = typeOf(b);
        return (ta == ValueType::Text || tb == ValueType::Text) && ta != ValueType::Number && tb != ValueType::Number;
    }

    Fragment binary(const JetExpr &e)
    {
        const JetExpr &l = *e.args[0];
        const JetExpr &r = *e.args[1];
        Fragment out;
        if (e.text == u"&") // the engine joins a Null as an empty text
            return out.add(u"(ifnull(").add(render(l)).add(u",'') || ifnull(").add(render(r)).add(u",''))");
        if (e.text == u"\\")
            return out.add(u"(CAST(round(")
                .add(render(l))
                .add(u") AS INTEGER) / CAST(round(")
                .add(render(r))
                .add(u") AS INTEGER))");
        if (e.text == u"^")
            return out.add(u"pow(").add(render(l)).add(u", ").add(render(r)).add(u")");
        QString op = e.text;
        if (op == u"And")
            op = QStringLiteral("AND");
        else if (op == u"Or")
            op = QStringLiteral("OR");
        else if (op == u"Mod")
            op = QStringLiteral("%");
        return out.add(u"(").add(render(l)).add(u" ").add(op).add(u" ").add(render(r)).add(u")");
    }

    Fragment compare(const JetExpr &e)
    {
        const JetExpr &l = *e.args[0];
        const JetExpr &r = *e.args[1];
        const bool text = foldsAsText(l, r);
        Fragment out;
        out.add(u"(").add(text ? folded(l) : render(l));
        out.add(u" ").add(e.text).add(u" ");
        return out.add(text ? folded(r) : render(r)).add(u")");
    }

    Fragment like(const JetExpr &e)
    {
        const JetExpr &value = *e.args[0];
        const JetExpr &pattern = *e.args[1];
        Fragment out;
        out.add(e.negated ? u"(NOT " : u"(");
        if (pattern.kind != JetExpr::Kind::String)
            return out.add(u"pusla_like(").add(render(pattern)).add(u", ").add(render(value)).add(u"))");
        const JetPattern compiled(pattern.text);
        if (compiled.isMalformed())
            return out.add(u"0)");
        if (const std::optional<QString> exact = compiled.exactText())
            return out.add(folded(value)).add(u" = ").bind(*exact).add(u")");
        // The text before the first wildcard is a range on the folded value,
        // which an index on the folded field answers; a plain prefix needs
        // nothing more, any other pattern is matched within the range.
        const QString leading = compiled.leadingText();
        const bool plainPrefix = compiled.prefix().has_value();
        if (leading.isEmpty())
            return out.add(u"pusla_like(").bind(pattern.text).add(u", ").add(render(value)).add(u"))");
        const Fragment subject = folded(value);
        out.add(u"(").add(subject).add(u" >= ").bind(leading);
        if (const std::optional<QString> upper = prefixUpperBound(leading))
            out.add(u" AND ").add(subject).add(u" < ").bind(*upper);
        if (!plainPrefix)
            out.add(u" AND pusla_like(").bind(pattern.text).add(u", ").add(render(value)).add(u")");
        return out.add(u"))");
    }

    Fragment listOrRange(const JetExpr &e)
    {
        bool text = false;
        for (size_t i = 1; i < e.args.size(); ++i)
            text = text || foldsAsText(*e.args[0], *e.args[i]);
        auto operand = [&](const JetExpr &x) { return text ? folded(x) : render(x); };
        Fragment out;
        out.add(u"(").add(operand(*e.args[0]));
        if (e.kind == JetExpr::Kind::Between) {
            out.add(e.negated ? u" NOT BETWEEN " : u" BETWEEN ").add(operand(*e.args[1]));
            return out.add(u" AND ").add(operand(*e.args[2])).add(u")");
        }
        out.add(e.negated ? u" NOT IN (" : u" IN (");
        for (size_t i = 1; i < e.args.size(); ++i)
            out.add(i > 1 ? u", " : u"").add(operand(*e.args[i]));
        return out.add(u"))");
    }

    Fragment function(const JetExpr &e)
    {
        const FunctionInfo *info = findFunction(e.text);
        const int count = int(e.args.size());
        if (!info)
            throw DbError(
                DbError::UndefinedFunction, QStringLiteral("Undefined function '%1' in expression").arg(e.text));
        if (count < info->minArgs || count > info->maxArgs)
            fail(QStringLiteral("Wrong number of arguments used with function '%1'").arg(e.text));
        if (info->aggregate)
            aggregate = true;
        Fragment out;
        if (info->jet == u"Left")
            return out.add(u"substr(").add(render(*e.args[0])).add(u", 1, ").add(render(*e.args[1])).add(u")");
        if (info->jet == u"Right") {
            const Fragment n = render(*e.args[1]);
            return out.add(u"(CASE WHEN ")
                .add(n)
                .add(u" > 0 THEN substr(")
                .add(render(*e.args[0]))
                .add(u", -(")
                .add(n)
                .add(u")) ELSE '' END)");
        }
        out.add(info->sql).add(u"(");
        for (int i = 0; i < count; ++i) {
            if (e.args[size_t(i)]->kind == JetExpr::Kind::Star && info->jet != u"Count")
                fail(QStringLiteral("'*' is only allowed in Count"));
            out.add(i > 0 ? u", " : u"").add(render(*e.args[size_t(i)]));
        }
        if (info->jet == u"Nz" && count == 1)
            out.add(u", 0");
        return out.add(u")");
    }

    const TableInfo &m_table;
    QString m_alias;
    int m_errorNumber;
};

QString qualified(const QString &schema, const TableInfo &table)
{
    return schema + u'.' + sqlName(table.name);
}

JetSelect tableOrSelect(const QString &source)
{
    const std::vector<JetToken> tokens = tokenizeJet(source);
    if (tokens.size() == 2 && tokens[0].kind == JetToken::Kind::Identifier) {
        JetSelect select;
        select.table = tokens[0].text;
        select.items.emplace_back();
        return select;
    }
    // A grid's header tap appends " ORDER BY field ASC" to whatever the
    // source is, a bare table name included.
    const bool sortedTable = tokens.size() > 2 && tokens[0].kind == JetToken::Kind::Identifier
        && !tokens[0].isKeyword(u"select") && tokens[1].isKeyword(u"order");
    JetStatement statement = parseJetStatement(sortedTable ? QStringLiteral("SELECT * FROM ") + source : source);
    if (!std::holds_alternative<JetSelect>(statement))
        throw DbError(DbError::InvalidStatement, QStringLiteral("A record source must be a table or a SELECT"));
    return std::move(std::get<JetSelect>(statement));
}

void addField(RecordSourcePlan &plan, const QString &name, int column, const Fragment &sql)
{
    if (!plan.selectList.sql.isEmpty())
        plan.selectList.sql += QStringLiteral(", ");
    plan.selectList.sql += sql.sql;
    plan.selectList.params += sql.params;
    plan.fieldNames.append(name);
    plan.fieldColumns.push_back(column);
}

} // namespace

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

RecordSourcePlan planRecordSource(const QString &source, const QString &schema, const TableLookup &lookup)
{
    const JetSelect select = tableOrSelect(source);
    RecordSourcePlan plan;
    plan.table = lookup(select.table);
    Translator translator(plan.table, select.tableAlias, DbError::SyntaxError);

    int unnamed = 1000;
    for (const JetSelectItem &item : select.items) {
        if (!item.expr) {
            for (size_t i = 0; i < plan.table.columns.size(); ++i) {
                const QString &column = plan.table.columns[i].name;
                addField(plan, column, int(i), Fragment().add(sqlName(column)));
            }
            continue;
        }
        const Fragment sql = translator.render(*item.expr);
        int column = -1;
        QString name = item.alias;
        if (item.expr->kind == JetExpr::Kind::Name && (column = plan.table.indexOf(item.expr->text)) >= 0)
            name = name.isEmpty() ? plan.table.columns[size_t(column)].name : name;
        if (name.isEmpty())
            name = QStringLiteral("Expr%1").arg(unnamed++);
        addField(plan, name, column, sql);
    }
    const bool selectAggregates = translator.aggregate;

    translator.columnsRead.clear();
    if (select.where) {
        const Fragment where = translator.render(*select.where);
        plan.where = {where.sql, where.params};
    }
    Fragment order;
    bool lastDescending = false;
    for (const JetOrderItem &item : select.orderBy) {
        const bool text = translator.typeOf(*item.expr) == ValueType::Text;
        order.add(order.sql.isEmpty() ? u"" : u", ")
            .add(text ? translator.folded(*item.expr) : translator.render(*item.expr));
        order.add(item.descending ? u" DESC" : u" ASC");
        lastDescending = item.descending;
    }
    plan.rowidOrder = select.orderBy.empty();
    plan.orderOrWhereColumns = translator.columnsRead;
    // The row id makes the order total, so that every refresh lists rows alike.
    order.add(order.sql.isEmpty() ? u"" : u", ").add(lastDescending ? u"rowid DESC" : u"rowid ASC");
    plan.orderBy = {order.sql, order.params};

    plan.keyset = !select.distinct && select.top < 0 && select.groupBy.empty() && !select.having && !selectAggregates
        && !translator.aggregate;
    if (plan.keyset)
        return plan;

    Fragment statement;
    statement.add(select.distinct ? u"SELECT DISTINCT " : u"SELECT ");
    statement.add(Fragment {plan.selectList.sql, plan.selectList.params});
    statement.add(u" FROM ").add(qualified(schema, plan.table));
    if (!plan.where.isEmpty())
        statement.add(u" WHERE ").add(Fragment {plan.where.sql, plan.where.params});
    for (size_t i = 0; i < select.groupBy.size(); ++i)
        statement.add(i == 0 ? u" GROUP BY " : u", ").add(translator.render(*select.groupBy[i]));
    if (select.having)
        statement.add(u" HAVING ").add(translator.render(*select.having));
    if (!select.orderBy.empty())
        statement.add(u" ORDER BY ").add(order);
    if (select.top >= 0)
        statement.add(QStringLiteral(" LIMIT %1").arg(select.top));
    plan.statement = {statement.sql, statement.params};
    return plan;
}

SqlText translateCriteria(const QString &criteria, const TableInfo &table)
{
    const JetExprPtr expr = parseJetCriteria(criteria);
    Translator translator(table, {}, DbError::CriteriaSyntaxError);
    const Fragment sql = translator.render(*expr);
    if (translator.aggregate)
        translator.fail(QStringLiteral("Sums cannot be used in a criterion"));
    return {sql.sql, sql.params};
}

SqlText translateStatement(const QString &statement, const QString &schema, const TableLookup &lookup)
{
    const JetStatement parsed = parseJetStatement(statement);
    Fragment out;
    if (std::holds_alternative<JetSelect>(parsed))
        throw DbError(DbError::CannotExecuteSelect, QStringLiteral("Cannot execute a select query"));
    if (const auto *update = std::get_if<JetUpdate>(&parsed)) {
        const TableInfo table = lookup(update->table);
        Translator translator(table, {}, DbError::SyntaxError);
        out.add(u"UPDATE ").add(qualified(schema, table)).add(u" SET ");
        for (size_t i = 0; i < update->assignments.size(); ++i) {
            const auto &[column, value] = update->assignments[i];
            const int index = table.indexOf(column);
            if (index < 0)
                throw DbError(
                    DbError::TooFewParameters, QStringLiteral("Unknown field %1 in %2").arg(column, table.name));
            out.add(i > 0 ? u", " : u"").add(sqlName(table.columns[size_t(index)].name)).add(u" = ");
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
            const int index = table.indexOf(column);
            out.add(i > 0 ? u" OR " : u"").add(sqlName(table.columns[size_t(index)].name)).add(u" IS NOT (");
            out.add(translator.render(*value)).add(u")");
        }
        out.add(u")");
    } else if (const auto *remove = std::get_if<JetDelete>(&parsed)) {
        const TableInfo table = lookup(remove->table);
        Translator translator(table, {}, DbError::SyntaxError);
        out.add(u"DELETE FROM ").add(qualified(schema, table));
        if (remove->where)
            out.add(u" WHERE ").add(translator.render(*remove->where));
    } else {
        const auto &insert = std::get<JetInsert>(parsed);
        const TableInfo table = lookup(insert.table);
        Translator translator(table, {}, DbError::SyntaxError);
        QStringList columns = insert.columns;
        if (columns.isEmpty()) {
            for (const TableColumn &column : table.columns)
                columns.append(column.name);
        }
        if (columns.size() != qsizetype(insert.values.size()))
            translator.fail(QStringLiteral("Number of values differs from the number of fields"));
        out.add(u"INSERT INTO ").add(qualified(schema, table)).add(u" (");
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const int index = table.indexOf(columns.at(i));
            if (index < 0)
                throw DbError(
                    DbError::TooFewParameters, QStringLiteral("Unknown field %1 in %2").arg(columns.at(i), table.name));
            out.add(i > 0 ? u", " : u"").add(sqlName(table.columns[size_t(index)].name));
        }
        out.add(u") VALUES (");
        for (size_t i = 0; i < insert.values.size(); ++i)
            out.add(i > 0 ? u", " : u"").add(translator.render(*insert.values[i]));
        out.add(u")");
    }
    return {out.sql, out.params};
}

} // namespace pusla
