#pragma once

#include "store/DbError.h"

#include <QDeadlineTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace pusla {

class Database;
class PathMapper;
class PgStore;
class SharedConnection;

/// One all-or-nothing change across several database files: the posting of
/// a document writes movements, cards and numbers into the files of one set
/// and of the centre's set, and either all of it lands or none.
///
/// Books that a server keeps join as the thread's server session: begin()
/// opens a transaction there too, taking the write locks of the files in
/// use, and commit() commits it first, then the local files.
///
/// Every data control, record set and direct open of the thread works on one
/// shared connection, so whatever they write between begin() and commit()
/// belongs to the transaction. begin() takes the write lock of every file
/// open at that moment (open the files first); a file opened later is locked
/// at its first write. A transaction that is neither committed nor rolled
/// back is rolled back when the object goes. After a rollback, refresh the
/// record sets that wrote: their added and deleted rows were undone.
class Transaction
{
public:
    explicit Transaction(const PathMapper &mapper);
    ~Transaction();

    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    /// How long a posting waits, all its waits together, for other programs
    /// to let go of its files: 20 s unless set otherwise.
    static std::chrono::milliseconds patience();
    /// For tests, which cannot wait 20 s for every busy file.
    static void setPatience(std::chrono::milliseconds patience);

    /// Takes the write lock of every file open on the thread, waiting for
    /// other programs within patience() or within the Patience around it,
    /// whichever ends first. Throws DbError when a transaction, or an edit of
    /// a record, is already open on this thread, or Locked when the files
    /// stay busy for that long.
    void begin();
    void commit();
    void rollback();
    bool isActive() const { return m_active; }

    /// Tries, without waiting, what a posting asks of `file`: that it is
    /// still there, reads as a database, takes a write lock and, when
    /// `everyPage`, that all of it is whole. The engine does not say which
    /// of several files a lock, a write or a read failed on; this finds out
    /// afterwards. Returns the failure found (without a file name), or
    /// nothing. Call it with no transaction open.
    static std::optional<DbError> check(const Database &file, bool everyPage);

private:
    std::shared_ptr<SharedConnection> m_connection;
    std::shared_ptr<PgStore> m_server;
    bool m_active = false;
};

/// One allowance of time for waiting on database files that other programs
/// hold. While it lives, every wait of the thread's database work (opening a
/// file, taking the write locks, each statement, the commit) draws on it, so
/// that all of them together end within it; one made inside another ends no
/// later than that one. An allowance of zero waits for nothing.
///
/// Between the attempts of retry() the screen is painted and timers run,
/// but the operator's input waits until the work is done: a second press of
/// "Tamam" is not taken in the middle of a posting.
class Patience
{
public:
    explicit Patience(const PathMapper &mapper, std::chrono::milliseconds allowance = Transaction::patience());
    ~Patience();

    Patience(const Patience &) = delete;
    Patience &operator=(const Patience &) = delete;

    /// Runs `attempt` until it passes. An attempt that finds a file busy
    /// waits for it only briefly and must let go of whatever it took when it
    /// fails (DbError Locked); it is tried again after a short pause until
    /// the allowance is spent. Then, and on any other failure, the error
    /// passes on.
    void retry(const std::function<void()> &attempt);

private:
    friend class Transaction;

    Patience(std::shared_ptr<SharedConnection> connection, std::chrono::milliseconds allowance);
    /// The connection's busy handler while this is the innermost Patience.
    static int onBusy(void *patience, int count);
    void pause();

    std::shared_ptr<SharedConnection> m_connection;
    QDeadlineTimer m_deadline;
    // How long the work now running may wait: one attempt's share in
    // retry(), nothing during its pauses, else up to the deadline.
    QDeadlineTimer m_share {QDeadlineTimer::Forever};
    Patience *m_outer;
};

} // namespace pusla
