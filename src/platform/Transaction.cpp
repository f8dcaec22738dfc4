#include "platform/Transaction.h"

#include "platform/DbError.h"
#include "platform/PathMapper.h"
#include "platform/SharedConnection.h"

#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QThread>

#include <sqlite3.h>

namespace pusla {

Transaction::Transaction(const PathMapper &mapper)
    : m_connection(SharedConnection::forThisThread(mapper.paths().programFolder))
{ }

Transaction::~Transaction()
{
    if (!m_active)
        return;
    try {
        rollback();
    } catch (const DbError &) {
        // Closing the connection undoes what was not committed.
    }
}

void Transaction::begin()
{
    if (m_active || m_connection->inTransaction())
        throw DbError(DbError::Generic, QStringLiteral("A transaction or a record edit is already open."));
    beginWaiting();
    m_connection->setUserTransaction(true);
    m_active = true;
}

void Transaction::beginWaiting()
{
    // BEGIN IMMEDIATE locks the attached files one after the other and waits
    // for each while holding the ones before. Two programs that attached the
    // same files in another order would each hold what the other waits for,
    // so every attempt waits only briefly, lets go of everything when it
    // fails, and the next one starts after a random pause.
    constexpr int kAttemptMs = 100;
    QDeadlineTimer deadline(kPatienceMs);
    sqlite3 *db = m_connection->handle();
    sqlite3_busy_timeout(db, kAttemptMs);
    for (;;) {
        try {
            m_connection->begin(true);
            break;
        } catch (const DbError &error) {
            if (error.number() != DbError::Locked || deadline.hasExpired()) {
                sqlite3_busy_timeout(db, SharedConnection::kBusyTimeoutMs);
                throw;
            }
        }
        QThread::msleep(5 + QRandomGenerator::global()->bounded(50));
    }
    sqlite3_busy_timeout(db, SharedConnection::kBusyTimeoutMs);
}

void Transaction::commit()
{
    if (!m_active)
        throw DbError(DbError::Generic, QStringLiteral("Commit without a transaction."));
    m_active = false;
    m_connection->setUserTransaction(false);
    m_connection->commit();
}

void Transaction::rollback()
{
    if (!m_active)
        throw DbError(DbError::Generic, QStringLiteral("Rollback without a transaction."));
    m_active = false;
    m_connection->setUserTransaction(false);
    m_connection->rollback();
}

} // namespace pusla
