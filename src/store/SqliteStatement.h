#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

struct sqlite3;
struct sqlite3_stmt;

namespace pusla {

/// One prepared statement on the raw connection behind the QSQLITE driver.
/// Values cross in the engine's terms: a bool is stored as -1 or 0, a date as
/// ISO text.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3 *db, const QString &sql);
    ~SqliteStatement();

    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    void bind(int index, const QVariant &value); // 1-based
    void bindAll(const QVariantList &values, int first = 1);
    void bindInt64(int index, qint64 value);
    /// Steps once: true when a row is ready. Throws DbError on failure.
    bool step();
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    qint64 int64(int column) const;
    QVariant value(int column) const;

    const QString &sql() const { return m_sql; }
    bool inUse = false;

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
    QString m_sql;
};

/// Throws the DbError that an SQLite result code stands for.
[[noreturn]] void throwSqliteError(sqlite3 *db, int rc, const QString &context);

} // namespace pusla
