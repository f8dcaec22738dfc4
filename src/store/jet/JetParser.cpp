#include "store/jet/JetParser.h"

#include "store/DbError.h"
#include "store/jet/JetLexer.h"

#include <array>

namespace pusla {
namespace {

// Words that end an operand; they never name a field in a statement.
constexpr std::array<QStringView, 22> kReserved {u"select", u"from", u"where", u"order", u"group", u"by", u"having",
    u"as", u"asc", u"desc", u"and", u"or", u"not", u"like", u"in", u"between", u"is", u"set", u"values", u"into",
    u"mod", u"distinct"};

// Nesting beyond this is no query the system writes; it only guards the stack.
constexpr int kMaxDepth = 200;

bool isReserved(const JetToken &token)
{
    if (token.kind != JetToken::Kind::Identifier || token.bracketed)
        return false;
    for (QStringView word : kReserved) {
        if (token.text.compare(word, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

JetExprPtr node(JetExpr::Kind kind, QString text = {})
{
    return std::make_unique<JetExpr>(kind, std::move(text));
}

JetExprPtr binary(JetExpr::Kind kind, QString op, JetExprPtr left, JetExprPtr right)
{
    auto result = node(kind, std::move(op));
    result->args.push_back(std::move(left));
    result->args.push_back(std::move(right));
    return result;
}

class Parser
{
public:
    Parser(QStringView text, int errorNumber)
        : m_tokens(tokenizeJet(text))
        , m_errorNumber(errorNumber)
    { }

    JetExprPtr criteria()
    {
        JetExprPtr result = expression();
        expectEnd();
        return result;
    }

    JetStatement statement()
    {
        if (accept(u"select"))
            return select();
        if (accept(u"update"))
            return update();
        if (accept(u"delete"))
            return remove();
        if (accept(u"insert"))
            return insert();
        fail(QStringLiteral("Invalid SQL statement; expected DELETE, INSERT, SELECT or UPDATE"));
    }

private:
    const JetToken &peek(size_t ahead = 0) const { return m_tokens[std::min(m_pos + ahead, m_tokens.size() - 1)]; }

    const JetToken &take() { return m_tokens[std::min(m_pos++, m_tokens.size() - 1)]; }

    bool accept(QStringView keyword)
    {
        if (!peek().isKeyword(keyword))
            return false;
        ++m_pos;
        return true;
    }

    bool acceptSymbol(QStringView symbol)
    {
        if (!peek().isSymbol(symbol))
            return false;
        ++m_pos;
        return true;
    }

    void expect(QStringView keyword)
    {
        if (!accept(keyword))
            fail(QStringLiteral("Expected %1").arg(keyword.toString().toUpper()));
    }

    void expectSymbol(QStringView symbol)
    {
        if (!acceptSymbol(symbol))
            fail(QStringLiteral("Expected '%1'").arg(symbol.toString()));
    }

    void expectEnd()
    {
        acceptSymbol(u";");
        if (peek().kind != JetToken::Kind::End)
            fail(QStringLiteral("Unexpected text"));
    }

    [[noreturn]] void fail(const QString &what) const
    {
        throw DbError(m_errorNumber, QStringLiteral("%1 at position %2").arg(what).arg(peek().offset + 1));
    }

    QString name()
    {
        const JetToken &token = peek();
        if (token.kind != JetToken::Kind::Identifier || isReserved(token))
            fail(QStringLiteral("Expected a name"));
        ++m_pos;
        return token.text;
    }

    // --- statements

    JetSelect select()
    {
        JetSelect result;
        if (accept(u"distinct"))
            result.distinct = true;
        else
            accept(u"all");
        if (accept(u"top")) {
            const JetToken &count = take();
            bool ok = false;
            result.top = count.kind == JetToken::Kind::Number ? count.text.toInt(&ok) : -1;
            if (!ok || result.top < 0)
                fail(QStringLiteral("Expected a number after TOP"));
        }
        do {
            JetSelectItem item;
            if (!acceptSymbol(u"*")) {
                // `Table.*` selects every field as well.
                if (peek().kind == JetToken::Kind::Identifier && peek(1).isSymbol(u".") && peek(2).isSymbol(u"*")) {
                    m_pos += 3;
                } else {
                    item.expr = expression();
                    if (accept(u"as"))
                        item.alias = name();
                }
            }
            result.items.push_back(std::move(item));
        } while (acceptSymbol(u","));
        expect(u"from");
        result.table = name();
        if (accept(u"as"))
            result.tableAlias = name();
        else if (peek().kind == JetToken::Kind::Identifier && !isReserved(peek()))
            result.tableAlias = name();
        if (accept(u"where"))
            result.where = expression();
        if (accept(u"group")) {
            expect(u"by");
            do
                result.groupBy.push_back(expression());
            while (acceptSymbol(u","));
        }
        if (accept(u"having"))
            result.having = expression();
        if (accept(u"order")) {
            expect(u"by");
            do {
                JetOrderItem item;
                item.expr = expression();
                if (accept(u"desc"))
                    item.descending = true;
                else
                    accept(u"asc");
                result.orderBy.push_back(std::move(item));
            } while (acceptSymbol(u","));
        }
        expectEnd();
        return result;
    }

    JetUpdate update()
    {
        JetUpdate result;
        result.table = name();
        expect(u"set");
        do {
            QString column = name();
            if (acceptSymbol(u"."))
                column = name();
            expectSymbol(u"=");
            result.assignments.emplace_back(column, expression());
        } while (acceptSymbol(u","));
        if (accept(u"where"))
            result.where = expression();
        expectEnd();
        return result;
    }

    JetDelete remove()
    {
        JetDelete result;
        // DELETE [*] FROM t, DELETE t.* FROM t
        if (!acceptSymbol(u"*") && !peek().isKeyword(u"from")) {
            name();
            expectSymbol(u".");
            expectSymbol(u"*");
        }
        expect(u"from");
        result.table = name();
        if (accept(u"where"))
            result.where = expression();
        expectEnd();
        return result;
    }

    JetInsert insert()
    {
        JetInsert result;
        expect(u"into");
        result.table = name();
        if (acceptSymbol(u"(")) {
            do
                result.columns.append(name());
            while (acceptSymbol(u","));
            expectSymbol(u")");
        }
        expect(u"values");
        expectSymbol(u"(");
        do
            result.values.push_back(expression());
        while (acceptSymbol(u","));
        expectSymbol(u")");
        if (!result.columns.isEmpty() && result.columns.size() != qsizetype(result.values.size()))
            fail(QStringLiteral("Number of values differs from the number of fields"));
        expectEnd();
        return result;
    }

    // --- expressions, loosest binding first

    JetExprPtr expression()
    {
        if (++m_depth > kMaxDepth)
            fail(QStringLiteral("Expression too deeply nested"));
        JetExprPtr result = disjunction();
        --m_depth;
        return result;
    }

    JetExprPtr disjunction()
    {
        JetExprPtr left = conjunction();
        while (accept(u"or"))
            left = binary(JetExpr::Kind::Binary, QStringLiteral("Or"), std::move(left), conjunction());
        return left;
    }

    JetExprPtr conjunction()
    {
        JetExprPtr left = negation();
        while (accept(u"and"))
            left = binary(JetExpr::Kind::Binary, QStringLiteral("And"), std::move(left), negation());
        return left;
    }

    JetExprPtr negation()
    {
        if (!accept(u"not"))
            return comparison();
        if (++m_depth > kMaxDepth)
            fail(QStringLiteral("Expression too deeply nested"));
        auto result = node(JetExpr::Kind::Unary, QStringLiteral("Not"));
        result->args.push_back(negation());
        --m_depth;
        return result;
    }

    JetExprPtr comparison()
    {
        JetExprPtr left = concatenation();
        for (QStringView op : {u"=", u"<>", u"<=", u">=", u"<", u">"}) {
            if (acceptSymbol(op))
                return binary(JetExpr::Kind::Compare, op.toString(), std::move(left), concatenation());
        }
        if (accept(u"is")) {
            auto result = node(JetExpr::Kind::IsNull);
            result->negated = accept(u"not");
            expect(u"null");
            result->args.push_back(std::move(left));
            return result;
        }
        const bool negated = accept(u"not");
        if (accept(u"like")) {
            auto result = binary(JetExpr::Kind::Like, {}, std::move(left), concatenation());
            result->negated = negated;
            return result;
        }
        if (accept(u"in")) {
            auto result = node(JetExpr::Kind::In);
            result->negated = negated;
            result->args.push_back(std::move(left));
            expectSymbol(u"(");
            do
                result->args.push_back(expression());
            while (acceptSymbol(u","));
            expectSymbol(u")");
            return result;
        }
        if (accept(u"between")) {
            auto result = node(JetExpr::Kind::Between);
            result->negated = negated;
            result->args.push_back(std::move(left));
            result->args.push_back(concatenation());
            expect(u"and");
            result->args.push_back(concatenation());
            return result;
        }
        if (negated)
            fail(QStringLiteral("Expected LIKE, IN or BETWEEN after NOT"));
        return left;
    }

    JetExprPtr concatenation()
    {
        JetExprPtr left = additive();
        while (acceptSymbol(u"&"))
            left = binary(JetExpr::Kind::Binary, QStringLiteral("&"), std::move(left), additive());
        return left;
    }

    JetExprPtr additive()
    {
        JetExprPtr left = modulo();
        while (peek().isSymbol(u"+") || peek().isSymbol(u"-")) {
            const QString op = take().text;
            left = binary(JetExpr::Kind::Binary, op, std::move(left), modulo());
        }
        return left;
    }

    JetExprPtr modulo()
    {
        JetExprPtr left = integerDivision();
        while (accept(u"mod"))
            left = binary(JetExpr::Kind::Binary, QStringLiteral("Mod"), std::move(left), integerDivision());
        return left;
    }

    JetExprPtr integerDivision()
    {
        JetExprPtr left = multiplicative();
        while (acceptSymbol(u"\\"))
            left = binary(JetExpr::Kind::Binary, QStringLiteral("\\"), std::move(left), multiplicative());
        return left;
    }

    JetExprPtr multiplicative()
    {
        JetExprPtr left = unary();
        while (peek().isSymbol(u"*") || peek().isSymbol(u"/")) {
            const QString op = take().text;
            left = binary(JetExpr::Kind::Binary, op, std::move(left), unary());
        }
        return left;
    }

    JetExprPtr unary()
    {
        if (peek().isSymbol(u"-") || peek().isSymbol(u"+")) {
            if (++m_depth > kMaxDepth)
                fail(QStringLiteral("Expression too deeply nested"));
            auto result = node(JetExpr::Kind::Unary, take().text);
            result->args.push_back(unary());
            --m_depth;
            return result;
        }
        return power();
    }

    JetExprPtr power()
    {
        JetExprPtr left = primary();
        while (acceptSymbol(u"^"))
            left = binary(JetExpr::Kind::Binary, QStringLiteral("^"), std::move(left), primary());
        return left;
    }

    JetExprPtr primary()
    {
        const JetToken &token = peek();
        switch (token.kind) {
        case JetToken::Kind::String:
            ++m_pos;
            return node(JetExpr::Kind::String, token.text);
        case JetToken::Kind::Number:
            ++m_pos;
            return node(JetExpr::Kind::Number, token.text);
        case JetToken::Kind::Date:
            ++m_pos;
            return node(JetExpr::Kind::Date, token.text);
        case JetToken::Kind::Symbol:
            if (acceptSymbol(u"(")) {
                auto result = node(JetExpr::Kind::Paren);
                result->args.push_back(expression());
                expectSymbol(u")");
                return result;
            }
            fail(QStringLiteral("Expected an operand"));
        case JetToken::Kind::End:
            fail(QStringLiteral("Incomplete expression"));
        case JetToken::Kind::Identifier:
            break;
        }
        if (token.isKeyword(u"null")) {
            ++m_pos;
            return node(JetExpr::Kind::Null);
        }
        QString first = name();
        if (acceptSymbol(u"(")) {
            auto result = node(JetExpr::Kind::Function, first);
            if (!acceptSymbol(u")")) {
                do {
                    if (acceptSymbol(u"*"))
                        result->args.push_back(node(JetExpr::Kind::Star));
                    else
                        result->args.push_back(expression());
                } while (acceptSymbol(u","));
                expectSymbol(u")");
            }
            return result;
        }
        auto result = node(JetExpr::Kind::Name, first);
        if (acceptSymbol(u".") || acceptSymbol(u"!")) {
            result->qualifier = first;
            result->text = name();
        }
        return result;
    }

    std::vector<JetToken> m_tokens;
    size_t m_pos = 0;
    int m_depth = 0;
    int m_errorNumber;
};

} // namespace

JetStatement parseJetStatement(QStringView text)
{
    return Parser(text, DbError::SyntaxError).statement();
}

JetExprPtr parseJetCriteria(QStringView text)
{
    return Parser(text, DbError::CriteriaSyntaxError).criteria();
}

} // namespace pusla
