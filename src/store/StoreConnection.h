#pragma once

#include "store/jet/JetSql.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <memory>
#include <vector>

namespace pusla {

class AttachedFile;

/// The engine behind the record sets, the direct opens and the
/// transactions: the thread's SQLite connection for files, or a session with
/// the server that keeps a shop's books. Statements come in the connection's
/// dialect with `?` marks for their values; rows are known by a key that is
/// never reused (SQLite's row id, the server's identity column).
class StoreConnection
{
public:
    /// The rows of a statement, read one after the other.
    class Cursor
    {
    public:
        virtual ~Cursor() = default;
        virtual bool next() = 0;
        virtual qint64 int64(int column) const = 0;
        virtual QVariant value(int column) const = 0;
        virtual int columnCount() const = 0;
        virtual QString columnName(int column) const = 0;
    };

    /// A statement in use; whatever it holds is let go when the Query goes.
    class Query
    {
    public:
        explicit Query(std::unique_ptr<Cursor> cursor)
            : m_cursor(std::move(cursor))
        { }

        bool next() { return m_cursor->next(); }
        qint64 int64(int column) const { return m_cursor->int64(column); }
        QVariant value(int column) const { return m_cursor->value(column); }
        int columnCount() const { return m_cursor->columnCount(); }
        QString columnName(int column) const { return m_cursor->columnName(column); }

    private:
        std::unique_ptr<Cursor> m_cursor;
    };

    virtual ~StoreConnection() = default;

    virtual SqlDialect dialect() const = 0;
    /// Whether the connection was lost: a new one must take its place.
    virtual bool isLost() const { return false; }
    /// Whether a multi-file transaction holds every file it reads from the
    /// moment it began or opened it (not only from its first write), so that
    /// a row read under it and not written since is still current.
    virtual bool locksFilesOnOpen() const { return false; }
    /// The column that holds a row's key.
    QString keyColumn() const;
    /// "INSERT INTO table (columns) VALUES (?, ...)", or with the defaults alone.
    static QString insertStatement(const QString &table, const QStringList &columns);
    /// A field or table name as the dialect writes it.
    QString quotedName(const QString &name) const;
    /// A table of the file or schema `schema` as a statement names it.
    QString qualifiedTable(const QString &schema, const QString &table) const;

    virtual Query query(const QString &sql, const QVariantList &params = {}) = 0;
    /// Runs queries one after the other; a server answers them all in one
    /// round trip.
    virtual std::vector<Query> queryAll(const std::vector<SqlText> &queries);
    /// The first field of every row of a query that lists row keys.
    virtual std::vector<qint64> queryKeys(const QString &sql, const QVariantList &params = {});
    /// Runs a statement to its end; returns the rows it changed.
    virtual int execute(const QString &sql, const QVariantList &params = {}) = 0;
    /// Adds a row to `table` (qualified) with `values` in `columns` (names
    /// as the dialect writes them; the others take their defaults); returns
    /// the new row's key.
    virtual qint64 insertRow(const QString &table, const QStringList &columns, const QVariantList &values) = 0;
    /// Runs an UPDATE or DELETE of `table` (qualified); returns the rows it
    /// changed.
    virtual int write(const QString &table, const QString &sql, const QVariantList &params)
    {
        Q_UNUSED(table);
        return execute(sql, params);
    }
    /// Takes the write lock on one row of `table` (qualified) of `file` for
    /// the open transaction, and the file's write lock unless a multi-file
    /// transaction holds it already, waiting out another writer; false when
    /// the row is gone. Counts as one changed row.
    virtual bool lockRow(const AttachedFile &file, const QString &table, qint64 key) = 0;

    virtual TableInfo tableInfo(const QString &schema, const QString &table) = 0;
    /// Moves on whenever a commit changed the file or schema, this
    /// connection's or any other's.
    virtual quint32 dataVersion(const QString &schema) = 0;
    /// Rows changed through this connection so far, committed or not.
    virtual qint64 totalChanges() const = 0;
    /// Rows changed through this connection that may be rows of `table`
    /// (qualified); a store that cannot tell counts every change.
    virtual qint64 changesTo(const QString &table) const
    {
        Q_UNUSED(table);
        return totalChanges();
    }

    virtual bool inTransaction() const = 0;
    /// `immediate` takes the write lock of every file in use at once.
    virtual void begin(bool immediate) = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;

    /// Moves on with every transaction begun: tells one from the next.
    quint64 transactionSerial() const { return m_transactionSerial; }

    /// Set while a multi-file Transaction is open on this connection.
    bool hasUserTransaction() const { return m_userTransaction; }
    void setUserTransaction(bool open) { m_userTransaction = open; }

protected:
    void countTransaction() { ++m_transactionSerial; }

private:
    bool m_userTransaction = false;
    quint64 m_transactionSerial = 0;
};

} // namespace pusla
