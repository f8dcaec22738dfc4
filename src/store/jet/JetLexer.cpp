#include "store/jet/JetLexer.h"

#include "store/DbError.h"

#include <array>

namespace pusla {
namespace {

constexpr std::array<QStringView, 3> kTwoCharSymbols {u"<>", u"<=", u">="};
constexpr QStringView kOneCharSymbols = u"=<>+-*/\\&(),.;^!";

bool isNameStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isNamePart(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

[[noreturn]] void fail(const QString &what, qsizetype offset)
{
    throw DbError(DbError::SyntaxError, QStringLiteral("%1 at position %2").arg(what).arg(offset + 1));
}

class Lexer
{
public:
    explicit Lexer(QStringView text)
        : m_text(text)
    { }

    std::vector<JetToken> run()
    {
        std::vector<JetToken> tokens;
        while (true) {
            while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
                ++m_pos;
            if (m_pos >= m_text.size())
                break;
            tokens.push_back(next());
        }
        JetToken end;
        end.offset = m_text.size();
        tokens.push_back(end);
        return tokens;
    }

private:
    JetToken next()
    {
        JetToken token;
        token.offset = m_pos;
        const QChar c = m_text.at(m_pos);
        if (c == u'\'' || c == u'"') {
            token.kind = JetToken::Kind::String;
            token.text = quoted(c);
        } else if (c == u'[') {
            token.kind = JetToken::Kind::Identifier;
            token.bracketed = true;
            token.text = delimited(u']', QStringLiteral("Unterminated name"));
        } else if (c == u'#') {
            token.kind = JetToken::Kind::Date;
            token.text = delimited(u'#', QStringLiteral("Unterminated date"));
        } else if (isDigit(c) || (c == u'.' && m_pos + 1 < m_text.size() && isDigit(m_text.at(m_pos + 1)))) {
            token.kind = JetToken::Kind::Number;
            token.text = number();
        } else if (isNameStart(c)) {
            token.kind = JetToken::Kind::Identifier;
            const qsizetype start = m_pos;
            while (m_pos < m_text.size() && isNamePart(m_text.at(m_pos)))
                ++m_pos;
            token.text = m_text.mid(start, m_pos - start).toString();
        } else {
            token.kind = JetToken::Kind::Symbol;
            token.text = symbol();
        }
        return token;
    }

    // A quote inside is written twice; the value keeps one.
    QString quoted(QChar quote)
    {
        const qsizetype start = m_pos++;
        QString value;
        while (m_pos < m_text.size()) {
            const QChar c = m_text.at(m_pos++);
            if (c != quote) {
                value.append(c);
                continue;
            }
            if (m_pos < m_text.size() && m_text.at(m_pos) == quote) {
                value.append(quote);
                ++m_pos;
                continue;
            }
            return value;
        }
        fail(QStringLiteral("Unterminated string"), start);
    }

    QString delimited(QChar close, const QString &error)
    {
        const qsizetype start = m_pos++;
        const qsizetype end = m_text.indexOf(close, m_pos);
        if (end < 0)
            fail(error, start);
        const QString inside = m_text.mid(m_pos, end - m_pos).toString();
        m_pos = end + 1;
        return inside;
    }

    QString number()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && isDigit(m_text.at(m_pos)))
            ++m_pos;
        if (m_pos < m_text.size() && m_text.at(m_pos) == u'.') {
            ++m_pos;
            while (m_pos < m_text.size() && isDigit(m_text.at(m_pos)))
                ++m_pos;
        }
        if (m_pos < m_text.size() && (m_text.at(m_pos) == u'e' || m_text.at(m_pos) == u'E')) {
            qsizetype p = m_pos + 1;
            if (p < m_text.size() && (m_text.at(p) == u'+' || m_text.at(p) == u'-'))
                ++p;
            if (p < m_text.size() && isDigit(m_text.at(p))) {
                m_pos = p;
                while (m_pos < m_text.size() && isDigit(m_text.at(m_pos)))
                    ++m_pos;
            }
        }
        if (m_pos < m_text.size() && isNamePart(m_text.at(m_pos)))
            fail(QStringLiteral("Malformed number"), start);
        return m_text.mid(start, m_pos - start).toString();
    }

    QString symbol()
    {
        const QStringView rest = m_text.mid(m_pos);
        for (QStringView two : kTwoCharSymbols) {
            if (rest.startsWith(two)) {
                m_pos += 2;
                return two.toString();
            }
        }
        if (kOneCharSymbols.contains(rest.front())) {
            ++m_pos;
            return rest.first(1).toString();
        }
        fail(QStringLiteral("Invalid character"), m_pos);
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

} // namespace

std::vector<JetToken> tokenizeJet(QStringView text)
{
    return Lexer(text).run();
}

} // namespace pusla
