#include "base/TextFold.h"

#include <QHash>

#include <array>
#include <utility>

namespace pusla {
namespace {

// Turkish lower-case letters and their capitals. 'i' comes first: SQLite's
// upper() would otherwise turn it into a dotless 'I'.
constexpr std::array<std::pair<char16_t, char16_t>, 7> kTurkishPairs {{
    {u'i', u'\u0130'}, // i -> İ
    {u'\u0131', u'I'}, // ı -> I
    {u'\u015F', u'\u015E'}, // ş -> Ş
    {u'\u011F', u'\u011E'}, // ğ -> Ğ
    {u'\u00FC', u'\u00DC'}, // ü -> Ü
    {u'\u00F6', u'\u00D6'}, // ö -> Ö
    {u'\u00E7', u'\u00C7'}, // ç -> Ç
}};

// The letters the alphabet puts right after a Latin one, as the fold leaves
// them: the base letter and U+10FFFF sort after that letter followed by
// anything, before the next letter.
constexpr std::array<std::pair<char16_t, char16_t>, 6> kTurkishLetters {{
    {u'\u00C7', u'C'}, // Ç
    {u'\u011E', u'G'}, // Ğ
    {u'\u0130', u'I'}, // İ
    {u'\u00D6', u'O'}, // Ö
    {u'\u015E', u'S'}, // Ş
    {u'\u00DC', u'U'}, // Ü
}};

// The circumflex marks length, not another letter: kâr is filed with kar.
// The fold leaves these as they are; î belongs to the dotted i.
constexpr std::array<std::pair<char16_t, char16_t>, 6> kCircumflexed {{
    {u'\u00E2', u'A'}, // â
    {u'\u00C2', u'A'}, // Â
    {u'\u00FB', u'U'}, // û
    {u'\u00DB', u'U'}, // Û
    {u'\u00EE', u'\u0130'}, // î
    {u'\u00CE', u'\u0130'}, // Î
}};

QString cached(QHash<QString, QString> &made, const QString &column, QString (*make)(const QString &))
{
    const auto found = made.constFind(column);
    if (found != made.constEnd())
        return *found;
    QString expression = make(column);
    if (made.size() < 1024)
        made.insert(column, expression);
    return expression;
}

QString makeFold(const QString &column)
{
    QString expression = column;
    for (const auto &[lower, upper] : kTurkishPairs)
        expression = QStringLiteral("replace(%1,'%2','%3')").arg(expression, QChar(lower), QChar(upper));
    return QStringLiteral("upper(%1)").arg(expression);
}

/// The sort key over the fold, in SQLite's SQL.
QString makeSqliteSortKey(const QString &column)
{
    QString expression = foldSqlExpression(column);
    for (const auto &[marked, letter] : kCircumflexed)
        expression = QStringLiteral("replace(%1,'%2','%3')").arg(expression, QChar(marked), QChar(letter));
    for (const auto &[letter, base] : kTurkishLetters)
        expression = QStringLiteral("replace(%1,'%2','%3'||char(1114111))").arg(expression, QChar(letter), QChar(base));
    return expression;
}

} // namespace

QString foldText(const QString &text)
{
    QString folded = text;
    for (QChar &c : folded) {
        const char16_t u = c.unicode();
        if (u >= u'a' && u <= u'z' && u != u'i') {
            c = QChar(static_cast<char16_t>(u - u'a' + u'A'));
            continue;
        }
        for (const auto &[lower, upper] : kTurkishPairs) {
            if (u == lower) {
                c = QChar(upper);
                break;
            }
        }
    }
    return folded;
}

QString foldSqlExpression(const QString &column)
{
    // Every criterion on a text field asks again for the same few columns.
    thread_local QHash<QString, QString> made;
    return cached(made, column, &makeFold);
}

QString sortKeySqlExpression(const QString &column)
{
    thread_local QHash<QString, QString> made;
    return cached(made, column, &makeSqliteSortKey);
}

namespace {

/// translate(`operand`, ...) that turns each first letter of `pairs` into its second.
template<size_t N>
QString translated(const QString &operand, const std::array<std::pair<char16_t, char16_t>, N> &pairs)
{
    QString from;
    QString to;
    for (const auto &[letter, replacement] : pairs) {
        from += QChar(letter);
        to += QChar(replacement);
    }
    return QStringLiteral("translate(%1,'%2','%3')").arg(operand, from, to);
}

} // namespace

QString foldPostgresExpression(const QString &column)
{
    return QStringLiteral("upper(%1)").arg(translated(column, kTurkishPairs));
}

QString sortKeyPostgresExpression(const QString &column)
{
    static const QString highest = QString::fromUcs4(U"\U0010FFFF", 1);
    QString expression = translated(foldPostgresExpression(column), kCircumflexed);
    for (const auto &[letter, base] : kTurkishLetters)
        expression = QStringLiteral("replace(%1,'%2','%3')").arg(expression, QChar(letter), QString(QChar(base) + highest));
    return expression;
}

QString sortKeyText(const QString &text)
{
    static const QString highest = QString::fromUcs4(U"\U0010FFFF", 1);
    QString key = foldText(text);
    for (const auto &[marked, letter] : kCircumflexed)
        key.replace(QChar(marked), QChar(letter));
    for (const auto &[letter, base] : kTurkishLetters)
        key.replace(QChar(letter), QChar(base) + highest);
    return key;
}

} // namespace pusla
