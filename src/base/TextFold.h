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

} // namespace pusla
