#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <variant>
#include <vector>

namespace pusla {

struct JetExpr;
using JetExprPtr = std::unique_ptr<JetExpr>;

/// A node of a parsed expression. Names are kept as written; what a name
/// stands for (a field, True/False) is decided against the table later.
struct JetExpr
{
    enum class Kind {
        Name, // a field, or one of the words True, False, Yes, No
        String,
        Number,
        Null,
        Date,
        Star,
        Unary, // text: "-", "+" or "Not"
        Binary, // text: "And", "Or", "+", "-", "*", "/", "\", "Mod", "^", "&"
        Compare, // text: "=", "<>", "<", ">", "<=", ">="
        Like,
        In,
        Between,
        IsNull,
        Function,
        Paren,
    };

    explicit JetExpr(Kind k, QString t = {})
        : kind(k)
        , text(std::move(t))
    { }

    Kind kind;
    QString text;
    QString qualifier; // the table part of `Table.Field`
    bool negated = false; // NOT LIKE, NOT IN, NOT BETWEEN, IS NOT NULL
    std::vector<JetExprPtr> args;
};

struct JetSelectItem
{
    JetExprPtr expr; // null for `*`
    QString alias;
};

struct JetOrderItem
{
    JetExprPtr expr;
    bool descending = false;
};

struct JetSelect
{
    bool distinct = false;
    int top = -1;
    std::vector<JetSelectItem> items;
    QString table;
    QString tableAlias;
    JetExprPtr where;
    std::vector<JetExprPtr> groupBy;
    JetExprPtr having;
    std::vector<JetOrderItem> orderBy;
};

struct JetUpdate
{
    QString table;
    std::vector<std::pair<QString, JetExprPtr>> assignments;
    JetExprPtr where;
};

struct JetDelete
{
    QString table;
    JetExprPtr where;
};

struct JetInsert
{
    QString table;
    QStringList columns;
    std::vector<JetExprPtr> values;
};

using JetStatement = std::variant<JetSelect, JetUpdate, JetDelete, JetInsert>;

/// Parses one SELECT, UPDATE, DELETE or INSERT ... VALUES statement; a
/// trailing `;` is allowed. Throws DbError on anything else.
JetStatement parseJetStatement(QStringView text);

/// Parses a criterion as FindFirst takes it ("StokKod='X'").
JetExprPtr parseJetCriteria(QStringView text);

} // namespace pusla
