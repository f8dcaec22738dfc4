#include "base/TextFold.h"

#include <QHash>

#include <array>
#include <utility>

namespace pusla {
namespace {

// Turkish lower-case letters and their capitals. 'i' comes first: SQLite's
// upper() would otherwise turn it into a dotless 'I'.
constexpr std::array<std::pair<char16_t, char16_t>, 7> kTurkishPairs{{
    {u'i', u'\u0130'}, // i -> İ
    {u'\u0131', u'I'}, // ı -> I
    {u'\u015F', u'\u015E'}, // ş -> Ş
    {u'\u011F', u'\u011E'}, // ğ -> Ğ
    {u'\u00FC', u'\u00DC'}, // ü -> Ü
    {u'\u00F6', u'\u00D6'}, // ö -> Ö
    {u'\u00E7', u'\u00C7'}, // ç -> Ç
}};

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
    const auto found = made.constFind(column);
    if (found != made.constEnd())
        return *found;
    QString expression = column;
    for (const auto &[lower, upper] : kTurkishPairs)
        expression = QStringLiteral("replace(%1,'%2','%3')").arg(expression, QChar(lower), QChar(upper));
    expression = QStringLiteral("upper(%1)").arg(expression);
    if (made.size() < 1024)
        made.insert(column, expression);
    return expression;
}

} // namespace pusla
