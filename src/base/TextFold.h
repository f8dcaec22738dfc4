#pragma once

#include <QString>

namespace pusla {

/// Text comparisons follow the accounting suite's engine: without regard to
/// case, Turkish letters included (i/İ and ı/I are pairs; i and I are not).
///
/// foldText() and foldSqlExpression() fold the same way, so that a folded
/// operator text can be compared with an indexed column expression. The SQL
/// form uses only SQLite's built-in functions: an index on it stays readable
/// by the stock sqlite3 tool.
QString foldText(const QString &text);

/// The SQL expression that folds `column` (a column name or any SQL operand).
QString foldSqlExpression(const QString &column);

/// The SQL expression by which lists are sorted on `column`: the fold with
/// each of Ç Ğ İ Ö Ş Ü written as its base letter followed by the highest
/// code point, so that SQLite's binary order of texts is the suite's
/// alphabetical order (C < Ç < D, G < Ğ < H, I < İ < J, O < Ö < P, S < Ş < T,
/// U < Ü < V) without regard to case; â, î and û sort as a, i and u. Two
/// texts the fold takes as equal get equal keys; a text without Turkish
/// letters keeps the order of its fold (digits and marks before letters,
/// other accented letters after Z). Built-in functions only, as the fold.
QString sortKeySqlExpression(const QString &column);

/// The fold and the key in PostgreSQL's SQL, for a database whose character
/// type is "C": its upper() then changes only a to z, as SQLite's does, and
/// texts compare by code point. One translate() stands for a chain of
/// replace(): the server reads these expressions again for every statement
/// that writes a row of their table.
QString foldPostgresExpression(const QString &column);
QString sortKeyPostgresExpression(const QString &column);

/// The key sortKeySqlExpression() works out for a field that holds `text`:
/// the bounds of a range on that key (SQLite compares keys by code point).
QString sortKeyText(const QString &text);

} // namespace pusla
