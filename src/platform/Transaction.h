#pragma once

#include <memory>

namespace pusla {

class PathMapper;
class SharedConnection;

/// One all-or-nothing change across several database files: the posting of
/// a document writes movements, cards and numbers into the files of one set
/// and of the centre's set, and either all of it lands or none.
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

    /// How long begin() waits for other programs to let go of the files.
    static constexpr int kPatienceMs = 20000;

    /// Takes the write lock of every file open on the thread. Throws DbError
    /// when a transaction, or an edit of a record, is already open on this
    /// thread, or Locked when other programs hold a file for longer than
    /// kPatienceMs.
    void begin();
    void commit();
    void rollback();
    bool isActive() const { return m_active; }

private:
    void beginWaiting();

    std::shared_ptr<SharedConnection> m_connection;
    bool m_active = false;
};

} // namespace pusla
