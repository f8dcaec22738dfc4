#include "store/jet/JetTranslator.h"

#include "base/TextFold.h"
#include "store/DbError.h"
#include "store/jet/JetPattern.h"

#include <optional>

namespace pusla {
namespace {

using ValueType = JetTranslator::ValueType;

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

} // namespace

QString qualifiedName(const QString &schema, const TableInfo &table, SqlDialect dialect)
{
    if (dialect == SqlDialect::Postgres)
        return postgresName(schema) + u'.' + postgresName(table.name);
    return schema + u'.' + sqlName(table.name);
}

JetTranslator::JetTranslator(const TableInfo &table, const QString &tableAlias, int errorNumber, SqlDialect dialect)
    : m_table(table)
    , m_alias(tableAlias)
    , m_errorNumber(errorNumber)
    , m_dialect(dialect)
{ }

Fragment JetTranslator::render(const JetExpr &e)
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

JetTranslator::ValueType JetTranslator::typeOf(const JetExpr &e) const
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
Fragment JetTranslator::folded(const JetExpr &e)
{
    if (e.kind == JetExpr::Kind::String)
        return Fragment().bind(foldText(e.text));
    if (const std::optional<Fragment> stored = storedKey(e, u"_fold"))
        return *stored;
    const Fragment inner = render(e);
    Fragment out;
    out.sql = isPostgres() ? foldPostgresExpression(inner.sql) : foldSqlExpression(inner.sql);
    // The fold wraps the operand once, so its values keep their order.
    out.params = inner.params;
    return out;
}

// The very expression the name indexes are built on, so that a list in name
// order walks its index.
Fragment JetTranslator::sortKey(const JetExpr &e)
{
    if (const std::optional<Fragment> stored = storedKey(e, u"_sort"))
        return *stored;
    Fragment out = render(e);
    out.sql = isPostgres() ? sortKeyPostgresExpression(out.sql) : sortKeySqlExpression(out.sql);
    return out;
}

// On a server the fold and sort key of a field are stored beside it, and
// only those columns are indexed: a condition must name them.
std::optional<Fragment> JetTranslator::storedKey(const JetExpr &e, QStringView suffix)
{
    const int column = isPostgres() ? columnOf(e) : -1;
    if (column < 0)
        return std::nullopt;
    const QString keyName = m_table.columns[size_t(column)].name + suffix;
    const int key = m_table.indexOf(keyName);
    if (key < 0)
        return std::nullopt;
    columnsRead.insert(column);
    return Fragment().add(postgresName(m_table.columns[size_t(key)].name));
}

void JetTranslator::fail(const QString &text) const
{
    throw DbError(m_errorNumber, text);
}

int JetTranslator::columnOf(const JetExpr &e) const
{
    if (e.kind != JetExpr::Kind::Name)
        return -1;
    if (!e.qualifier.isEmpty() && e.qualifier.compare(m_table.name, Qt::CaseInsensitive) != 0
        && e.qualifier.compare(m_alias, Qt::CaseInsensitive) != 0)
        return -1;
    return m_table.indexOf(e.text);
}

Fragment JetTranslator::name(const JetExpr &e)
{
    const int column = columnOf(e);
    if (column >= 0) {
        columnsRead.insert(column);
        const QString &field = m_table.columns[size_t(column)].name;
        // PostgreSQL keeps a bare name only in lower case.
        return Fragment().add(isPostgres() ? postgresName(field) : sqlName(field));
    }
    if (e.qualifier.isEmpty()) {
        if (const std::optional<int> value = booleanWord(e.text))
            return Fragment().add(QString::number(*value));
    }
    const QString full = e.qualifier.isEmpty() ? e.text : e.qualifier + u'.' + e.text;
    throw DbError(DbError::TooFewParameters,
        QStringLiteral("Too few parameters. Expected 1. (unknown field %1 in %2)").arg(full, m_table.name));
}

bool JetTranslator::foldsAsText(const JetExpr &a, const JetExpr &b) const
{
    const ValueType ta = typeOf(a);
    const ValueType tb = typeOf(b);
    return (ta == ValueType::Text || tb == ValueType::Text) && ta != ValueType::Number && tb != ValueType::Number;
}

Fragment JetTranslator::binary(const JetExpr &e)
{
    const JetExpr &l = *e.args[0];
    const JetExpr &r = *e.args[1];
    const auto around = [&](QStringView before, QStringView middle, QStringView after) {
        return Fragment().add(before).add(render(l)).add(middle).add(render(r)).add(after);
    };
    if (isPostgres()) {
        // A number joins a text as its text; the whole-number operators
        // round or cut their operands as SQLite's do.
        if (e.text == u"&")
            return around(u"(coalesce((", u")::text,'') || coalesce((", u")::text,''))");
        if (e.text == u"\\")
            return around(u"(CAST(round((", u")::numeric) AS bigint) / CAST(round((", u")::numeric) AS bigint))");
        if (e.text == u"Mod")
            return around(u"(CAST(trunc((", u")::numeric) AS bigint) % CAST(trunc((", u")::numeric) AS bigint))");
        if (e.text == u"^")
            return around(u"power(", u", ", u")");
    }
    if (e.text == u"&") // the engine joins a Null as an empty text
        return around(u"(ifnull(", u",'') || ifnull(", u",''))");
    if (e.text == u"\\")
        return around(u"(CAST(round(", u") AS INTEGER) / CAST(round(", u") AS INTEGER))");
    if (e.text == u"^")
        return around(u"pow(", u", ", u")");
    QString op = e.text;
    if (op == u"And")
        op = QStringLiteral("AND");
    else if (op == u"Or")
        op = QStringLiteral("OR");
    else if (op == u"Mod")
        op = QStringLiteral("%");
    return around(u"(", QString(u' ' + op + u' '), u")");
}

Fragment JetTranslator::compare(const JetExpr &e)
{
    const JetExpr &l = *e.args[0];
    const JetExpr &r = *e.args[1];
    const bool text = foldsAsText(l, r);
    Fragment out;
    out.add(u"(").add(text ? folded(l) : render(l));
    out.add(u" ").add(e.text).add(u" ");
    return out.add(text ? folded(r) : render(r)).add(u")");
}

Fragment JetTranslator::patternMatch(const JetExpr &value, const Fragment &pattern, const JetPattern *compiled)
{
    Fragment out;
    if (!isPostgres())
        return out.add(u"pusla_like(").add(pattern).add(u", ").add(render(value)).add(u")");
    if (!compiled)
        fail(QStringLiteral("A pattern taken from a field cannot be matched on the server"));
    // The pattern as a regular expression over the value as stored: its
    // letters match either case the fold takes as one.
    const std::optional<QString> regex = compiled->postgresRegex();
    if (!regex)
        return out.add(u"FALSE");
    return out.add(u"(").add(render(value)).add(u" ~ ").bind(*regex).add(u")");
}

Fragment JetTranslator::like(const JetExpr &e)
{
    const JetExpr &value = *e.args[0];
    const JetExpr &pattern = *e.args[1];
    Fragment out;
    out.add(e.negated ? u"(NOT " : u"(");
    if (pattern.kind != JetExpr::Kind::String)
        return out.add(patternMatch(value, render(pattern), nullptr)).add(u")");
    const JetPattern compiled(pattern.text);
    if (compiled.isMalformed())
        return out.add(isPostgres() ? u"FALSE)" : u"0)");
    if (const std::optional<QString> exact = compiled.exactText())
        return out.add(folded(value)).add(u" = ").bind(*exact).add(u")");
    // The text before the first wildcard is a range on the folded value,
    // which an index on the folded field answers; a plain prefix needs
    // nothing more, any other pattern is matched within the range.
    const QString leading = compiled.leadingText();
    const bool plainPrefix = compiled.prefix().has_value();
    if (leading.isEmpty())
        return out.add(patternMatch(value, Fragment().bind(pattern.text), &compiled)).add(u")");
    const bool bySortKey = sortColumn >= 0 && columnOf(value) == sortColumn;
    Fragment subject = folded(value);
    // The server's planner would take the fold's index and sort every match
    // to find the first; in a set in name order the fold's range is only
    // checked, and the sort key's range reads the first match off its index.
    if (isPostgres() && bySortKey)
        subject.sql = u'(' + subject.sql + QStringLiteral(" || '')");
    out.add(u"(").add(subject).add(u" >= ").bind(leading);
    if (const std::optional<QString> upper = prefixUpperBound(leading))
        out.add(u" AND ").add(subject).add(u" < ").bind(*upper);
    if (bySortKey) {
        // Every match's key starts with the leading text's key: the range
        // adds no condition, it lets the set's sort index give the first
        // match without sorting them all.
        const Fragment key = sortKey(value);
        const QString leadingKey = sortKeyText(leading);
        out.add(u" AND ").add(key).add(u" >= ").bind(leadingKey);
        if (const std::optional<QString> upper = prefixUpperBound(leadingKey))
            out.add(u" AND ").add(key).add(u" < ").bind(*upper);
    }
    if (!plainPrefix)
        out.add(u" AND ").add(patternMatch(value, Fragment().bind(pattern.text), &compiled));
    return out.add(u"))");
}

Fragment JetTranslator::listOrRange(const JetExpr &e)
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

Fragment JetTranslator::function(const JetExpr &e)
{
    const FunctionInfo *info = findFunction(e.text);
    const int count = int(e.args.size());
    if (!info)
        throw DbError(DbError::UndefinedFunction, QStringLiteral("Undefined function '%1' in expression").arg(e.text));
    if (count < info->minArgs || count > info->maxArgs)
        fail(QStringLiteral("Wrong number of arguments used with function '%1'").arg(e.text));
    if (info->aggregate)
        aggregate = true;
    Fragment out;
    if (isPostgres()) {
        // Texts as texts and positions as integers, as PostgreSQL wants them;
        // Round rounds halves away from zero, as numeric's round does.
        const auto whole
            = [this](const JetExpr &a) { return Fragment().add(u"CAST(").add(render(a)).add(u" AS integer)"); };
        const auto text = [this](const JetExpr &a) { return Fragment().add(u"(").add(render(a)).add(u")::text"); };
        if (info->jet == u"Left")
            return out.add(u"substr(").add(text(*e.args[0])).add(u", 1, ").add(whole(*e.args[1])).add(u")");
        if (info->jet == u"Right") {
            const JetExpr &n = *e.args[1];
            return out.add(u"(CASE WHEN ")
                .add(render(n))
                .add(u" > 0 THEN right(")
                .add(text(*e.args[0]))
                .add(u", ")
                .add(whole(n))
                .add(u") ELSE '' END)");
        }
        if (info->jet == u"Mid") {
            out.add(u"substr(").add(text(*e.args[0])).add(u", ").add(whole(*e.args[1]));
            if (count == 3)
                out.add(u", ").add(whole(*e.args[2]));
            return out.add(u")");
        }
        if (info->jet == u"Len")
            return out.add(u"length(").add(text(*e.args[0])).add(u")");
        if (info->jet == u"Round") {
            out.add(u"CAST(round((").add(render(*e.args[0])).add(u")::numeric");
            if (count == 2)
                out.add(u", ").add(whole(*e.args[1]));
            return out.add(u") AS double precision)");
        }
        if (info->jet == u"Nz") {
            out.add(u"coalesce(").add(render(*e.args[0])).add(u", ");
            return count == 2 ? out.add(render(*e.args[1])).add(u")") : out.add(u"0)");
        }
    }
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

} // namespace pusla
