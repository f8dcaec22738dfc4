#include "store/jet/RecordSourcePlan.h"

#include "store/DbError.h"
#include "store/jet/JetLexer.h"
#include "store/jet/JetParser.h"
#include "store/jet/JetTranslator.h"

#include <variant>

namespace pusla {
namespace {

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

RecordSourcePlan planRecordSource(
    const QString &source, const QString &schema, const TableLookup &lookup, SqlDialect dialect)
{
    const JetSelect select = tableOrSelect(source);
    RecordSourcePlan plan;
    plan.table = lookup(select.table);
    JetTranslator translator(plan.table, select.tableAlias, DbError::SyntaxError, dialect);
    const bool postgres = dialect == SqlDialect::Postgres;
    // SQLite sorts NULL before any value; so do the lists on the server.
    const auto direction = [postgres](bool descending) {
        if (postgres)
            return descending ? QStringView(u" DESC NULLS LAST") : QStringView(u" ASC NULLS FIRST");
        return descending ? QStringView(u" DESC") : QStringView(u" ASC");
    };

    int unnamed = 1000;
    for (const JetSelectItem &item : select.items) {
        if (!item.expr) {
            for (size_t i = 0; i < plan.table.columns.size(); ++i) {
                const TableColumn &column = plan.table.columns[i];
                // The server's key and stored sort keys are not fields of the file.
                if (!column.generated)
                    addField(plan, column.name, int(i), Fragment().add(quotedName(column.name, dialect)));
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
        const bool text = translator.typeOf(*item.expr) == JetTranslator::ValueType::Text;
        if (order.sql.isEmpty() && text && item.expr->kind == JetExpr::Kind::Name)
            plan.sortColumn = plan.table.indexOf(item.expr->text);
        order.add(order.sql.isEmpty() ? u"" : u", ")
            .add(text ? translator.sortKey(*item.expr) : translator.render(*item.expr));
        order.add(direction(item.descending));
        lastDescending = item.descending;
    }
    plan.rowidOrder = select.orderBy.empty();
    plan.orderOrWhereColumns = translator.columnsRead;
    // The row id makes the order total, so that every refresh lists rows alike.
    order.add(order.sql.isEmpty() ? u"" : u", ")
        .add(postgres ? u"id" : u"rowid")
        .add(lastDescending ? u" DESC" : u" ASC");
    plan.orderBy = {order.sql, order.params};

    plan.keyset = !select.distinct && select.top < 0 && select.groupBy.empty() && !select.having && !selectAggregates
        && !translator.aggregate;
    if (plan.keyset)
        return plan;

    Fragment statement;
    statement.add(select.distinct ? u"SELECT DISTINCT " : u"SELECT ");
    statement.add(Fragment {plan.selectList.sql, plan.selectList.params});
    statement.add(u" FROM ").add(qualifiedName(schema, plan.table, dialect));
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

} // namespace pusla
