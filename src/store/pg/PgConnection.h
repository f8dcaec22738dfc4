#pragma once

#include "store/jet/JetSql.h"

#include <QHash>
#include <QStringList>
#include <QVariantList>

#include <vector>

struct pg_conn;

namespace pusla {

/// What one statement gave back: its columns and rows, and how many rows it
/// changed.
struct PgRows
{
    QStringList columns;
    std::vector<QVariantList> rows;
    qint64 affected = 0;
    /// The first field of every row, for a query run by execKeys().
    std::vector<qint64> keys;

    /// The first field of the first row; null when there is none.
    QVariant value() const { return rows.empty() || rows.front().isEmpty() ? QVariant() : rows.front().front(); }
};

/// One session with a PostgreSQL server over libpq, set up as a terminal on
/// a shop's network needs it: a short connect timeout (a server that is down
/// is said at once, not waited for), TCP keepalives, and lock and
/// idle-in-transaction timeouts, so that a tablet that drops off the network
/// lets go of its locks. Statements take $1, $2, ... parameters: whole
/// numbers go as bigint, other numbers as double precision, texts as the
/// server infers them. Every failure throws DbError with the engine's text:
/// Locked for a lock that did not come in time, CannotOpen for a server that
/// cannot be reached, ConnectionLost for a session the server or the network
/// ended.
class PgConnection
{
public:
    struct Timeouts
    {
        int connectSeconds = 5;
        int lockMilliseconds = 20000;
        int idleInTransactionMilliseconds = 60000;
    };

    /// `conninfo` is a libpq connection string ("host=... dbname=...");
    /// what it says overrides the defaults above.
    explicit PgConnection(const QString &conninfo, const Timeouts &timeouts);
    explicit PgConnection(const QString &conninfo)
        : PgConnection(conninfo, Timeouts {})
    { }
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    /// Runs a statement and waits for its answer; statements queued before
    /// it go first, in the same round trip, and the first of them that
    /// failed is thrown.
    PgRows exec(const QString &sql, const QVariantList &params = {});
    /// Runs a query of one field, a whole number (the keys of a list), and
    /// returns it of every row, in the query's order; they come as one
    /// binary array, not as a row each.
    std::vector<qint64> execKeys(const QString &sql, const QVariantList &params = {});
    /// Runs statements one after the other and waits for all their answers,
    /// in one round trip with any queued before them; the first failure is
    /// thrown.
    std::vector<PgRows> execAll(const std::vector<SqlText> &statements);
    /// Sends a statement whose answer nobody waits for: its failure is
    /// thrown by the next exec(), which must follow before the transaction
    /// ends.
    void queue(const QString &sql, const QVariantList &params = {});
    /// Statements queued and not yet answered.
    int queued() const { return int(m_pending.size()); }

    /// A table's fields as the catalogue declares them, stored generated
    /// ones (the folded and sort-key columns) included. Throws
    /// DbError(TableNotFound) for a table the schema does not have.
    TableInfo tableInfo(const QString &schema, const QString &table);

    /// The server's process for this session (for tests that end it).
    int backendPid() const;
    /// Statements sent so far, each one round trip to the server.
    qint64 roundTrips() const { return m_roundTrips; }

    /// Whether the connection was lost (found so by the last statement).
    bool isLost() const;
    /// Whether a transaction is open (or failed and not yet rolled back).
    bool inTransaction() const;
    /// The payloads of the notifications that arrived since the last call;
    /// reads what the socket holds without waiting for more.
    QStringList takeNotifications();
    /// Whether a statement of the open transaction failed: it can only be
    /// rolled back.
    bool transactionFailed() const;

private:
    /// A statement sent and not yet answered; `key` names its prepared
    /// form, `preparing` when the prepare went with it.
    struct Pending
    {
        QByteArray key;
        bool preparing = false;
        bool keys = false;
    };

    void send(const QString &sql, const QVariantList &params, bool keys = false);
    /// Sends what is pending and reads the answers; keeps the last `keep`.
    std::vector<PgRows> collect(size_t keep);

    pg_conn *m_conn = nullptr;
    qint64 m_roundTrips = 0;
    std::vector<Pending> m_pending;
    /// The statements this session keeps prepared (text and parameter
    /// types) and their names.
    QHash<QByteArray, QByteArray> m_prepared;
    int m_namesGiven = 0;
    /// Whether the last answers said a prepared statement was out of date.
    bool m_sawStale = false;
};

} // namespace pusla
